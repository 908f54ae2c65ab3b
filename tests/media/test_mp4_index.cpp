#include "media/Mp4Index.h"
#include "tests/convert/TestFiles.h"
#include "tests/media/MediaBytes.h"

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

using quillaro::Mp4Reading;
using quillaro::Mp4Track;
using Kind = Mp4Reading::Kind;
using Track = Mp4Track::Kind;
using namespace quillaro::testbytes;

const std::string ftyp = box("ftyp", "isom" + be(512, 4) + "isomiso2mp41");

static std::string trak(const char* handler, std::uint32_t timeScale, std::uint32_t duration,
                        std::uint32_t samples, const std::string& sizes = "stsz") {
    // Every sample 1 byte: one size for all (stsz), or each its own in 4 bits (stz2).
    const std::string table =
        sizes == "stsz" ? be(0, 4) + be(1, 4) + be(samples, 4)
                        : be(4, 8) + be(samples, 4) + std::string((samples + 1) / 2, '\x11');
    const std::string stbl = box("stsd", "") + box(sizes, table);
    return box("trak", box("tkhd", "") + box("mdia", timeBox("mdhd", 0, timeScale, duration) +
                                                         box("hdlr", be(0, 8) + handler) +
                                                         box("minf", box("stbl", stbl))));
}

// Lengths to a tenth of a second: an encoder's are rounded to its time scales.
static void expectReads(Mp4Reading reading, const Mp4Reading& expected) {
    reading.seconds = std::round(reading.seconds * 10) / 10;
    for (Mp4Track& track : reading.tracks)
        track.seconds = std::round(track.seconds * 10) / 10;
    EXPECT_EQ(reading, expected);
}

const Mp4Reading notMp4{}, incomplete{Kind::Incomplete, {}, 0};
// A hand-made track's samples are one byte each.
static Mp4Reading whole(std::vector<Mp4Track> tracks, double seconds) {
    for (Mp4Track& track : tracks)
        track.bytes = track.samples;
    return {Kind::Whole, std::move(tracks), seconds};
}

// Hand-made files: any size that lies ends the reading as incomplete (or not
// MP4 at all, for the first box), never past the end of the file or in a
// loop that does not advance.
TEST(Mp4Index, TellsWholeFilesFromCutAndLyingOnes) {
    const std::string video = trak("vide", 12800, 25600, 50), mvhd = timeBox("mvhd", 0, 1000, 2000);
    const std::string moov = box("moov", mvhd + video + trak("soun", 44100, 88200, 88));
    const Mp4Reading both = whole({{Track::Picture, 50, 2.0}, {Track::Sound, 88, 2.0}}, 2.0);
    const std::string mdat = box("mdat", std::string(100, 'm'));
    const auto index = [&](const std::string& children) { return ftyp + box("moov", children); };
    const std::tuple<const char*, std::string, Mp4Reading> rows[] = {
        {"empty", "", notMp4},
        {"an ASF header", asfHeader(""), notMp4},
        {"first box of 64-bit size 15", be(1, 4) + "ftyp" + be(15, 8) + ftyp, notMp4},
        // What an encoder stopped mid-file leaves: the media data runs to the
        // end, its size still the placeholder.
        {"stopped: media data of size 0", ftyp + box("free", "") + be(0, 4) + "mdatfr", incomplete},
        // Its end, where a sum wraps round, would fall back on the index.
        {"media data of 2^64 less the index",
         ftyp + moov + be(1, 4) + "mdat" + be(0 - moov.size(), 8), incomplete},
        {"bytes after the index", ftyp + mdat + moov + "abc", incomplete},
        {"media data cut after the index", ftyp + moov + mdat.substr(0, 50), incomplete},
        // Lying children of a type the reading passes over: a track that
        // does not read makes it incomplete anyway.
        {"child of size 0 in the index", index(mvhd + video + be(0, 4) + "udta" + "x"), incomplete},
        {"child bigger than the index",
         index(mvhd + video + be(1, 4) + "udta" + be(~0ull, 8)) + mdat, incomplete},
        {"tracks in tracks", index(mvhd + box("trak", box("trak", video))), incomplete},
        {"no movie header", index(video), incomplete},
        {"movie header version 2", index(timeBox("mvhd", 2, 1000, 2000)), incomplete},
        {"movie header cut", index(box("mvhd", be(0, 8))), incomplete},
        {"track without sample sizes", index(mvhd + trak("vide", 25, 50, 50, "xxxx")), incomplete},

        {"index last", ftyp + box("free", "") + mdat + moov, both},
        // The index may start the file; media data of size 0 runs to its end.
        {"index first, 64-bit",
         be(1, 4) + "moov" + be(8 + moov.size(), 8) + moov.substr(8) + be(0, 4) + "mdatfr", both},
        {"movie length untold: the longest track's",
         index(timeBox("mvhd", 1, 600, ~0ull) + trak("soun", 8000, 24000, 24, "stz2") + video),
         whole({{Track::Sound, 24, 3.0}, {Track::Picture, 50, 2.0}}, 3.0)},
        {"text track, time scale 0", index(timeBox("mvhd", 0, 0, 5) + trak("text", 0, 5, 3)),
         whole({{Track::Other, 3, 0}}, 0)},
    };
    const TempFolder temp;
    for (const auto& [name, bytes, expected] : rows) {
        SCOPED_TRACE(name);
        writeFile(temp.file("film.mp4"), bytes);
        expectReads(quillaro::readMp4Index(temp.file("film.mp4")), expected);
    }
    // Media data beyond 4 GB is sought over: a sparse file, its gigabytes cost
    // nothing on disk.
    const std::string path = temp.file("big.mp4");
    const std::uint64_t bodyBytes = (9ull << 29) - 16; // 4.5 GB
    const std::string start = ftyp + be(1, 4) + "mdat" + be(16 + bodyBytes, 8);
    writeFile(path, start);
    std::filesystem::resize_file(path, start.size() + bodyBytes);
    std::ofstream(path, std::ios::binary | std::ios::app)
        << box("moov", timeBox("mvhd", 0, 1000, 7000) + trak("vide", 25, 175, 175));
    expectReads(quillaro::readMp4Index(path), whole({{Track::Picture, 175, 7.0}}, 7.0));
}
