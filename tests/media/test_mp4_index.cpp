#include "media/Mp4Index.h"
#include "tests/convert/TestFiles.h"
#include "tests/media/MediaBytes.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
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

struct Row {
    const char* name;
    std::string bytes;
    Kind kind;
    std::vector<Mp4Track> tracks;
    double seconds;
};

void check(const Mp4Reading& reading, const Row& row) {
    EXPECT_EQ(reading.kind, row.kind) << row.name;
    ASSERT_EQ(reading.tracks.size(), row.tracks.size()) << row.name;
    for (std::size_t k = 0; k < row.tracks.size(); ++k) {
        EXPECT_EQ(reading.tracks[k].kind, row.tracks[k].kind) << row.name << " track " << k;
        EXPECT_EQ(reading.tracks[k].samples, row.tracks[k].samples) << row.name << " track " << k;
        EXPECT_NEAR(reading.tracks[k].seconds, row.tracks[k].seconds, 0.03) << row.name;
    }
    EXPECT_NEAR(reading.seconds, row.seconds, 0.03) << row.name;
}

// Hand-made files: any size that lies ends the reading as incomplete (or not
// MP4 at all, for the first box), never past the end of the file or in a
// loop that does not advance.
TEST(Mp4Index, TellsWholeFilesFromCutAndLyingOnes) {
    const std::string video = trak("vide", 12800, 25600, 50);
    const std::string sound = trak("soun", 44100, 88200, 88);
    const std::string moov = box("moov", mvhd(0, 1000, 2000) + video + sound);
    const std::vector<Mp4Track> both{{Track::Picture, 50, 2.0}, {Track::Sound, 88, 2.0}};
    const std::string mdat = box("mdat", std::string(100, 'm'));
    const Row rows[] = {
        {"empty", "", Kind::NotMp4, {}, 0},
        {"text", "Hello, this is not a film at all.", Kind::NotMp4, {}, 0},
        {"an ASF header",
         guid("75B22630-668E-11CF-A6D9-00AA0062CE6C") + u64(30),
         Kind::NotMp4,
         {},
         0},
        {"first box of size 7", be32(7) + "ftyp" + std::string(20, '\0'), Kind::NotMp4, {}, 0},
        {"first box cut in its header", ftyp.substr(0, 6), Kind::NotMp4, {}, 0},

        // What an encoder stopped mid-file leaves: the media data runs to
        // the end, its size still the placeholder.
        {"interrupted: media data of size 0",
         ftyp + box("free", "") + be32(0) + "mdat" + "frames",
         Kind::Incomplete,
         {},
         0},
        {"interrupted: placeholder size 8",
         ftyp + be32(8) + "mdat" + "frames and frames",
         Kind::Incomplete,
         {},
         0},
        {"ftyp alone", ftyp, Kind::Incomplete, {}, 0},
        {"first box past the end", ftyp.substr(0, 20), Kind::Incomplete, {}, 0},
        {"media data past the end", ftyp + be32(1000) + "mdat" + "short", Kind::Incomplete, {}, 0},
        {"media data of 2^64-1",
         ftyp + be32(1) + "mdat" + be64(~0ull) + moov,
         Kind::Incomplete,
         {},
         0},
        {"64-bit size below its header",
         ftyp + be32(1) + "mdat" + be64(15) + moov,
         Kind::Incomplete,
         {},
         0},
        {"index cut short", ftyp + mdat + moov.substr(0, moov.size() - 1), Kind::Incomplete, {}, 0},
        {"bytes after the index", ftyp + mdat + moov + "abc", Kind::Incomplete, {}, 0},
        {"media data cut after the index",
         ftyp + moov + mdat.substr(0, 50),
         Kind::Incomplete,
         {},
         0},
        {"child of size 0 in the index",
         ftyp + box("moov", mvhd(0, 1000, 2000) + be32(0) + "trak"),
         Kind::Incomplete,
         {},
         0},
        {"child of size 3 in the index",
         ftyp + box("moov", mvhd(0, 1000, 2000) + be32(3) + "trak"),
         Kind::Incomplete,
         {},
         0},
        {"child bigger than the index",
         ftyp + box("moov", mvhd(0, 1000, 2000) + be32(5000) + "trak") + mdat,
         Kind::Incomplete,
         {},
         0},
        {"child of 2^64-1 in the index",
         ftyp + box("moov", mvhd(0, 1000, 2000) + be32(1) + "trak" + be64(~0ull)),
         Kind::Incomplete,
         {},
         0},
        {"tracks nested in tracks",
         ftyp + box("moov", mvhd(0, 1000, 2000) +
                                box("trak", box("trak", box("trak", box("trak", video))))),
         Kind::Incomplete,
         {},
         0},
        {"no movie header", ftyp + box("moov", video), Kind::Incomplete, {}, 0},
        {"movie header version 2",
         ftyp + box("moov", mvhd(2, 1000, 2000)),
         Kind::Incomplete,
         {},
         0},
        {"movie header cut",
         ftyp + box("moov", box("mvhd", fullBox(0, be32(1) + be32(2)))),
         Kind::Incomplete,
         {},
         0},
        {"track without sample sizes",
         ftyp + box("moov", mvhd(0, 1000, 2000) + trak("vide", 25, 50, 50, "xxxx")),
         Kind::Incomplete,
         {},
         0},

        {"whole, index last", ftyp + box("free", "") + mdat + moov, Kind::Whole, both, 2.0},
        {"whole, index first", ftyp + moov + mdat, Kind::Whole, both, 2.0},
        {"whole, 64-bit sizes",
         ftyp + largeBox("mdat", "frames") + largeBox("moov", moov.substr(8)), Kind::Whole, both,
         2.0},
        {"media data to the end", ftyp + moov + be32(0) + "mdat" + "frames", Kind::Whole, both,
         2.0},
        {"index alone", moov, Kind::Whole, both, 2.0},
        {"no tracks", ftyp + box("moov", mvhd(0, 1000, 2000)), Kind::Whole, {}, 2.0},
        {"movie length untold: the longest track's",
         ftyp + box("moov", mvhd(1, 600, ~0ull) + trak("soun", 8000, 24000, 24, "stz2") + video),
         Kind::Whole,
         {{Track::Sound, 24, 3.0}, {Track::Picture, 50, 2.0}},
         3.0},
        {"text track, time scale 0",
         ftyp + box("moov", mvhd(0, 0, 5) + trak("text", 0, 5, 3)),
         Kind::Whole,
         {{Track::Other, 3, 0}},
         0},
    };
    const TempFolder temp;
    for (const Row& row : rows) {
        const std::string path = temp.file("film.mp4");
        writeFile(path, row.bytes);
        check(quillaro::readMp4Index(path), row);
    }
}

TEST(Mp4Index, SeeksOverMediaDataBeyond4GB) {
    // Sparse files: their gigabytes cost nothing on disk.
    const TempFolder temp;
    const std::string moov = box("moov", mvhd(0, 1000, 7000) + trak("vide", 25, 175, 175));
    const std::uint64_t mediaBytes = (9ull << 29) - 16; // 4.5 GB
    const struct {
        const char* name;
        std::string start;
        std::uint64_t gap;
        std::string end;
        Row expected;
    } rows[] = {
        {"4.5 GB of media data",
         ftyp + be32(1) + "mdat" + be64(16 + mediaBytes),
         mediaBytes,
         moov,
         {"", "", Kind::Whole, {{Track::Picture, 175, 7.0}}, 7.0}},
        // Never read into memory.
        {"index of 4 GB",
         ftyp + be32(1) + "moov" + be64(16 + mediaBytes),
         mediaBytes,
         "",
         {"", "", Kind::Incomplete, {}, 0}},
    };
    for (const auto& row : rows) {
        const std::string path = temp.file("big.mp4");
        writeFile(path, row.start);
        std::filesystem::resize_file(path, row.start.size() + row.gap);
        std::ofstream(path, std::ios::binary | std::ios::app) << row.end;
        ASSERT_EQ(std::filesystem::file_size(path), row.start.size() + row.gap + row.end.size());
        Row expected = row.expected;
        expected.name = row.name;
        check(quillaro::readMp4Index(path), expected);
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
    const Row rows[] = {
        {"both.mp4", "", Kind::Whole, {video, audio}, 2.0},
        {"sound.mp4", "", Kind::Whole, {audio}, 2.0},
        {"picture.mp4", "", Kind::Whole, {{Track::Picture, 25, 1.0}}, 1.0},
        {"faststart.mp4", "", Kind::Whole, {video, audio}, 2.0},
        {"cut-in-index.mp4", both.substr(0, both.size() - 100), Kind::Incomplete, {}, 0},
        {"cut-in-media.mp4", both.substr(0, both.size() / 3), Kind::Incomplete, {}, 0},
        {"faststart-cut-in-media.mp4",
         faststart.substr(0, faststart.size() - 100),
         Kind::Incomplete,
         {},
         0},
    };
    for (const Row& row : rows) {
        if (!row.bytes.empty())
            writeFile(temp.file(row.name), row.bytes);
        check(quillaro::readMp4Index(temp.file(row.name)), row);
    }
#endif
}
#endif

} // namespace
