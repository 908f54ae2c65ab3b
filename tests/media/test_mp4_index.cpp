#include "media/Mp4Index.h"
#include "tests/convert/TestFiles.h"
#include "tests/media/MediaBytes.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

namespace {

using quillaro::Mp4Reading;
using quillaro::Mp4Track;
using Kind = Mp4Reading::Kind;
using Track = Mp4Track::Kind;
using namespace quillaro::testbytes;

const std::string ftyp = box("ftyp", "isom" + be32(512) + "isomiso2mp41");

std::string fullBox(int version, const std::string& body) {
    return std::string(1, static_cast<char>(version)) + std::string(3, '\0') + body;
}
std::string mvhd(int version, std::uint32_t timeScale, std::uint64_t duration) {
    const std::string times = version == 1 ? be64(1) + be64(2) + be32(timeScale) + be64(duration)
                                           : be32(1) + be32(2) + be32(timeScale) + be32(duration);
    return box("mvhd", fullBox(version, times + std::string(80, '\0')));
}
std::string trak(const std::string& handler, std::uint32_t timeScale, std::uint32_t duration,
                 std::uint32_t samples, const std::string& sizes = "stsz") {
    const std::string stsz = box(sizes, be32(0) + be32(0) + be32(samples));
    return box(
        "trak",
        box("tkhd", std::string(84, '\0')) +
            box("mdia", box("mdhd", fullBox(0, be32(1) + be32(2) + be32(timeScale) +
                                                   be32(duration) + be32(0))) +
                            box("hdlr", be32(0) + be32(0) + handler + std::string(13, '\0')) +
                            box("minf", box("stbl", box("stsd", be32(0) + be32(0)) + stsz))));
}

// Lengths within 30 ms: an encoder's are rounded to its time scales.
void expectReads(const std::string& path, const Mp4Reading& expected) {
    const Mp4Reading reading = quillaro::readMp4Index(path);
    EXPECT_EQ(reading.kind, expected.kind) << path;
    ASSERT_EQ(reading.tracks.size(), expected.tracks.size()) << path;
    for (std::size_t k = 0; k < expected.tracks.size(); ++k) {
        EXPECT_EQ(reading.tracks[k].kind, expected.tracks[k].kind) << path << " track " << k;
        EXPECT_EQ(reading.tracks[k].samples, expected.tracks[k].samples) << path << " track " << k;
        EXPECT_NEAR(reading.tracks[k].seconds, expected.tracks[k].seconds, 0.03) << path;
    }
    EXPECT_NEAR(reading.seconds, expected.seconds, 0.03) << path;
}

const Mp4Reading notMp4{};
const Mp4Reading incomplete{Kind::Incomplete, {}, 0};
Mp4Reading whole(std::vector<Mp4Track> tracks, double seconds) {
    return {Kind::Whole, std::move(tracks), seconds};
}

// Hand-made files: any size that lies ends the reading as incomplete (or not
// MP4 at all, for the first box), never past the end of the file or in a
// loop that does not advance.
TEST(Mp4Index, TellsWholeFilesFromCutAndLyingOnes) {
    const std::string video = trak("vide", 12800, 25600, 50);
    const std::string sound = trak("soun", 44100, 88200, 88);
    const std::string mvhd0 = mvhd(0, 1000, 2000);
    const std::string moov = box("moov", mvhd0 + video + sound);
    const Mp4Reading both = whole({{Track::Picture, 50, 2.0}, {Track::Sound, 88, 2.0}}, 2.0);
    const std::string mdat = box("mdat", std::string(100, 'm'));
    const std::string asf = guid("75B22630-668E-11CF-A6D9-00AA0062CE6C") + u64(30);
    const std::vector<std::tuple<const char*, std::string, Mp4Reading>> rows = {
        {"empty", "", notMp4},
        {"text", "Hello, this is not a film at all.", notMp4},
        {"an ASF header", asf, notMp4},
        {"first box of size 7", be32(7) + "ftyp" + std::string(20, '\0'), notMp4},
        {"first box cut in its header", ftyp.substr(0, 6), notMp4},
        // What an encoder stopped mid-file leaves: the media data runs to the
        // end, its size still the placeholder.
        {"stopped: media data of size 0", ftyp + box("free", "") + be32(0) + "mdat" + "fr",
         incomplete},
        {"stopped: placeholder size 8", ftyp + be32(8) + "mdat" + "frames and frames", incomplete},
        {"ftyp alone", ftyp, incomplete},
        {"first box past the end", ftyp.substr(0, 20), incomplete},
        {"media data past the end", ftyp + be32(1000) + "mdat" + "short", incomplete},
        {"media data of 2^64-1", ftyp + be32(1) + "mdat" + be64(~0ull) + moov, incomplete},
        {"64-bit size below its header", ftyp + be32(1) + "mdat" + be64(15) + moov, incomplete},
        {"index cut short", ftyp + mdat + moov.substr(0, moov.size() - 1), incomplete},
        {"bytes after the index", ftyp + mdat + moov + "abc", incomplete},
        {"media data cut after the index", ftyp + moov + mdat.substr(0, 50), incomplete},
        {"child of size 0 in the index", ftyp + box("moov", mvhd0 + be32(0) + "trak"), incomplete},
        {"child of size 3 in the index", ftyp + box("moov", mvhd0 + be32(3) + "trak"), incomplete},
        {"child bigger than the index", ftyp + box("moov", mvhd0 + be32(5000) + "trak") + mdat,
         incomplete},
        {"child of 2^64-1", ftyp + box("moov", mvhd0 + be32(1) + "trak" + be64(~0ull)), incomplete},
        {"tracks in tracks", ftyp + box("moov", mvhd0 + box("trak", box("trak", video))),
         incomplete},
        {"no movie header", ftyp + box("moov", video), incomplete},
        {"movie header version 2", ftyp + box("moov", mvhd(2, 1000, 2000)), incomplete},
        {"movie header cut", ftyp + box("moov", box("mvhd", fullBox(0, be32(1)))), incomplete},
        {"track without sample sizes", ftyp + box("moov", mvhd0 + trak("vide", 25, 50, 50, "xxxx")),
         incomplete},

        {"whole, index last", ftyp + box("free", "") + mdat + moov, both},
        {"whole, index first", ftyp + moov + mdat, both},
        {"whole, 64-bit sizes", ftyp + largeBox("mdat", "fr") + largeBox("moov", moov.substr(8)),
         both},
        {"media data to the end", ftyp + moov + be32(0) + "mdat" + "frames", both},
        {"index alone", moov, both},
        {"no tracks", ftyp + box("moov", mvhd0), whole({}, 2.0)},
        {"movie length untold: the longest track's",
         ftyp + box("moov", mvhd(1, 600, ~0ull) + trak("soun", 8000, 24000, 24, "stz2") + video),
         whole({{Track::Sound, 24, 3.0}, {Track::Picture, 50, 2.0}}, 3.0)},
        {"text track, time scale 0", ftyp + box("moov", mvhd(0, 0, 5) + trak("text", 0, 5, 3)),
         whole({{Track::Other, 3, 0}}, 0)},
    };
    const TempFolder temp;
    const std::string path = temp.file("film.mp4");
    for (const auto& [name, bytes, expected] : rows) {
        SCOPED_TRACE(name);
        writeFile(path, bytes);
        expectReads(path, expected);
    }
}

TEST(Mp4Index, SeeksOverMediaDataBeyond4GB) {
    // Sparse files: their gigabytes cost nothing on disk. An index of 4 GB is
    // refused unread.
    const std::string moov = box("moov", mvhd(0, 1000, 7000) + trak("vide", 25, 175, 175));
    const std::uint64_t bodyBytes = (9ull << 29) - 16; // 4.5 GB
    const std::tuple<std::string, std::string, Mp4Reading> rows[] = {
        {"mdat", moov, whole({{Track::Picture, 175, 7.0}}, 7.0)},
        {"moov", "", incomplete},
    };
    const TempFolder temp;
    const std::string path = temp.file("big.mp4");
    for (const auto& [type, end, expected] : rows) {
        const std::string start = ftyp + be32(1) + type + be64(16 + bodyBytes);
        writeFile(path, start);
        std::filesystem::resize_file(path, start.size() + bodyBytes);
        std::ofstream(path, std::ios::binary | std::ios::app) << end;
        ASSERT_EQ(std::filesystem::file_size(path), start.size() + bodyBytes + end.size());
        expectReads(path, expected);
    }
}

#ifndef _WIN32
// Files the system's encoder writes with the program's own settings. Natively
// only: under Wine the host's encoder cannot be started.
TEST(Mp4Index, ReadsWhatTheEncoderWrites) {
#ifndef QUILLARO_TEST_FFMPEG
    GTEST_SKIP() << "NOT TESTED: no ffmpeg was found when building";
#else
    const TempFolder temp;
    const auto encode = [&temp](const std::string& inputs, const std::string& name) {
        const std::string command = std::string(QUILLARO_TEST_FFMPEG) + " -nostdin -v error -y " +
                                    inputs + " -b 600 -vcodec mpeg4 -ab 128 -acodec aac '" +
                                    temp.file(name) + "'";
        return std::system(command.c_str()) == 0;
    };
    const std::string picture = "-f lavfi -i testsrc=duration=2:size=64x48:rate=25";
    const std::string sound = "-f lavfi -i sine=duration=2";
    ASSERT_TRUE(encode(picture + " " + sound, "both.mp4"));
    ASSERT_TRUE(encode(sound, "sound.mp4"));
    ASSERT_TRUE(encode(picture + " -t 1", "picture.mp4"));
    ASSERT_TRUE(encode(picture + " " + sound + " -movflags +faststart", "faststart.mp4"));
    const std::string both = readFile(temp.file("both.mp4"));
    const std::string faststart = readFile(temp.file("faststart.mp4"));
    // AAC packs 1024 samples per packet, plus one of priming.
    const Mp4Track video{Track::Picture, 50, 2.0}, audio{Track::Sound, 88, 2.0};
    const std::tuple<const char*, std::string, Mp4Reading> rows[] = {
        {"both.mp4", "", whole({video, audio}, 2.0)},
        {"sound.mp4", "", whole({audio}, 2.0)},
        {"picture.mp4", "", whole({{Track::Picture, 25, 1.0}}, 1.0)},
        {"faststart.mp4", "", whole({video, audio}, 2.0)},
        {"cut-in-index.mp4", both.substr(0, both.size() - 100), incomplete},
        {"cut-in-media.mp4", both.substr(0, both.size() / 3), incomplete},
        {"faststart-cut.mp4", faststart.substr(0, faststart.size() - 100), incomplete},
    };
    for (const auto& [name, bytes, expected] : rows) {
        if (!bytes.empty())
            writeFile(temp.file(name), bytes);
        expectReads(temp.file(name), expected);
    }
#endif
}
#endif

} // namespace
