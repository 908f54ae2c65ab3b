#include "media/AsfHeader.h"
#include "media/Mp4Index.h"
#include "tests/convert/TestFiles.h"
#include "tests/media/MediaBytes.h"

#include <cstdint>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

using quillaro::AsfHeader;
using quillaro::AsfReading;
using Kind = AsfReading::Kind;
using namespace quillaro::testbytes;

// Headers of real files made by other software, as ffprobe and the
// objects' own bytes show them.
TEST(AsfHeader, ReadsRealFilesAsTheirMakersWroteThem) {
    const std::string folder = QUILLARO_REAL_MEDIA_DIR;
    if (!std::filesystem::is_directory(folder))
        GTEST_SKIP() << "NOT TESTED: the real media files are missing from " << folder;
    struct Row {
        const char* file;
        int picture, sound, other;
        std::uint64_t declaredBytes;
        std::optional<double> seconds;
        bool copyProtected;
    };
    const Row rows[] = {
        // Its two cover pictures are metadata, not streams.
        {"drm-protected-cut-short.wma", 0, 1, 0, 4059714, 201.247, true},
        {"g7231-voice.asf", 0, 1, 0, 10854, 11.381, false},
        {"mp3-with-picture.wma", 0, 1, 1, 49987, 16.91, false},
        // Its preroll is as long as its play time.
        {"mss2-screen-odd-size.wmv", 1, 0, 0, 7226, 0.0, false},
        {"photo-story-header-only.wmv", 1, 1, 0, 414891, 94.132, false},
        {"vc1-advanced-cut-short.wmv", 1, 0, 0, 234522, 0.967, false},
        {"vc1-advanced-mp3.wmv", 1, 1, 0, 250865, 1.042, false},
        {"vc1-advanced-no-sound.wmv", 1, 0, 0, 234522, 0.967, false},
        {"vc1-advanced-wmapro-720p.wmv", 1, 1, 0, 258217, 1.042, false},
        {"wma-lossless.wma", 0, 1, 0, 85783, 1.019, false},
        {"wma-voice.wma", 0, 1, 0, 9659, 1.019, false},
        {"wmapro.wma", 0, 1, 0, 39086, 0.853, false},
        {"wmav2-cut-short.wma", 0, 1, 0, 680860, 40.613, false},
        {"wmv3-wmav2-no-picture-decoded.wmv", 1, 1, 0, 19887, 1.024, false},
    };
    for (const Row& row : rows) {
        const std::string path = (std::filesystem::path(folder) / row.file).string();
        const AsfReading reading = quillaro::readAsfHeader(path);
        const AsfHeader& header = reading.header;
        ASSERT_EQ(reading.kind, Kind::Asf) << row.file;
        EXPECT_EQ(std::tie(header.pictureStreams, header.soundStreams, header.otherStreams),
                  std::tie(row.picture, row.sound, row.other))
            << row.file;
        EXPECT_EQ(header.declaredBytes, row.declaredBytes) << row.file;
        EXPECT_EQ(header.actualBytes, std::filesystem::file_size(path)) << row.file;
        EXPECT_EQ(header.cutShort(), header.actualBytes < row.declaredBytes) << row.file;
        ASSERT_EQ(header.seconds.has_value(), row.seconds.has_value()) << row.file;
        if (row.seconds) {
            EXPECT_NEAR(*header.seconds, *row.seconds, 0.001) << row.file;
        }
        EXPECT_EQ(header.copyProtected, row.copyProtected) << row.file;
    }
}

// Hand-made headers, read from bytes and from a file alike: a lie in any
// size ends the reading as damaged, never past the end of the bytes.
TEST(AsfHeader, TellsDamageFromHeadersThatAddUp) {
    const std::string video = streamProperties(videoMedia, 1);
    const std::string audio = streamProperties(audioMedia, 2);
    const std::string picture = streamProperties(jfifMedia, 3);
    struct Row {
        const char* name;
        std::string bytes;
        Kind kind;
        AsfHeader header; // actualBytes: the bytes' size
    };
    const auto streams = [](int picture, int sound, int other, std::optional<double> seconds,
                            bool copyProtected = false) {
        AsfHeader header;
        header.declaredBytes = 5000;
        header.seconds = seconds;
        header.pictureStreams = picture;
        header.soundStreams = sound;
        header.otherStreams = other;
        header.copyProtected = copyProtected;
        return header;
    };
    const std::string payloadSystem = std::string(16, 'p') + u16(4) + u32(3) + "abc";
    const std::string props = fileProperties(5000, 20'000'000, 500, 2); // 2 s less 0.5 s preroll
    const Row rows[] = {
        {"empty", "", Kind::NotAsf, {}},
        {"half a GUID", asfHeader("").substr(0, 10), Kind::NotAsf, {}},
        {"a RIFF file", "RIFF" + u32(52) + "AVI LIST" + std::string(40, '\0'), Kind::NotAsf, {}},
        {"the GUID alone", asfHeader("").substr(0, 16), Kind::Damaged, {}},
        {"the header cut in its size", asfHeader("").substr(0, 20), Kind::Damaged, {}},
        {"header of 4 GB", withU64(asfHeader(props), 16, 0xFFFF'FFFF), Kind::Damaged, {}},
        {"header of 2^64-1", withU64(asfHeader(props), 16, ~0ull), Kind::Damaged, {}},
        {"header smaller than itself", withU64(asfHeader(""), 16, 29), Kind::Damaged, {}},
        {"header past the file", asfHeader(props).substr(0, 100), Kind::Damaged, {}},
        {"object of size 0", asfHeader(withU64(props, 16, 0)), Kind::Damaged, {}},
        {"object of size 23", asfHeader(withU64(props, 16, 23)), Kind::Damaged, {}},
        {"object past the header", asfHeader(withU64(props, 16, 105)), Kind::Damaged, {}},
        {"object of 2^64-1", asfHeader(withU64(props, 16, ~0ull)), Kind::Damaged, {}},
        {"object smaller than its fields",
         asfHeader(object(filePropertiesGuid, std::string(40, '\0'))),
         Kind::Damaged,
         {}},
        {"bytes left over", asfHeader(props + "0123456789"), Kind::Damaged, {}},
        {"truncated GUID at the end", asfHeader(props + video.substr(0, 10)), Kind::Damaged, {}},
        {"stream with data past it", asfHeader(withU32(video, 24 + 40, 9999)), Kind::Damaged, {}},
        {"extension longer than itself",
         asfHeader(withU32(headerExtension(audio), 24 + 18, 9999)),
         Kind::Damaged,
         {}},
        {"stream names past the end",
         asfHeader(headerExtension(extendedStreamProperties(3, 2, 0, ""))),
         Kind::Damaged,
         {}},
        {"extensions nested five deep",
         asfHeader(headerExtension(headerExtension(headerExtension(headerExtension(""))))),
         Kind::Damaged,
         {}},

        {"header alone", asfHeader(""), Kind::Asf, {}},
        {"file properties", asfHeader(props), Kind::Asf, streams(0, 0, 0, 1.5)},
        {"broadcast: no length", asfHeader(fileProperties(5000, 20'000'000, 500, 3)), Kind::Asf,
         streams(0, 0, 0, std::nullopt)},
        {"no play time", asfHeader(fileProperties(5000, 0, 500, 2)), Kind::Asf,
         streams(0, 0, 0, std::nullopt)},
        {"preroll beyond the play time", asfHeader(fileProperties(5000, 1000, 3000, 2)), Kind::Asf,
         streams(0, 0, 0, 0.0)},
        {"streams of each kind", asfHeader(props + video + audio + picture), Kind::Asf,
         streams(1, 1, 1, 1.5)},
        {"a stream told twice counts once", asfHeader(props + audio + audio), Kind::Asf,
         streams(0, 1, 0, 1.5)},
        {"stream told only in the extension",
         asfHeader(props + audio +
                   headerExtension(extendedStreamProperties(
                                       1, 1, 1, u16(0) + u16(2) + "en" + payloadSystem + video) +
                                   extendedStreamProperties(2, 0, 0, audio))),
         Kind::Asf, streams(1, 1, 0, 1.5)},
        {"content encryption", asfHeader(props + audio + object(contentEncryptionGuid, "key")),
         Kind::Asf, streams(0, 1, 0, 1.5, true)},
        {"extended content encryption",
         asfHeader(props + object(extendedContentEncryptionGuid, "<xml/>")), Kind::Asf,
         streams(0, 0, 0, 1.5, true)},
        {"advanced content encryption in the extension",
         asfHeader(props + headerExtension(object(advancedContentEncryptionGuid, ""))), Kind::Asf,
         streams(0, 0, 0, 1.5, true)},
    };
    const TempFolder temp;
    for (const Row& row : rows) {
        const auto bytes = std::as_bytes(std::span(row.bytes));
        AsfHeader expected = row.header;
        expected.actualBytes = row.bytes.size();
        const std::string path = temp.file("header.asf");
        writeFile(path, row.bytes);
        for (const AsfReading& reading :
             {quillaro::readAsfHeader(bytes, row.bytes.size()), quillaro::readAsfHeader(path)}) {
            EXPECT_EQ(reading.kind, row.kind) << row.name;
            if (row.kind == Kind::Asf) {
                EXPECT_EQ(reading.header, expected) << row.name;
            }
        }
    }
}

TEST(AsfHeader, RefusesAHugeHeaderWithoutReadingIt) {
    // A 5 GB file (sparse, so it costs nothing) whose header claims 4 GB.
    const TempFolder temp;
    const std::string path = temp.file("huge.wmv");
    const std::string bytes = withU64(asfHeader(fileProperties(0, 0, 0, 0)), 16, 4ull << 30);
    writeFile(path, bytes);
    std::filesystem::resize_file(path, 5ull << 30);
    EXPECT_EQ(quillaro::readAsfHeader(path).kind, Kind::Damaged);
    EXPECT_EQ(quillaro::readAsfHeader(std::as_bytes(std::span(bytes)), 5ull << 30).kind,
              Kind::Damaged);
}

TEST(MediaHeaders, OpenOnlyRegularFiles) {
    const TempFolder temp;
    std::vector<std::string> paths{temp.file("missing.wmv"), temp.file("")};
#ifndef _WIN32
    // Opening a named pipe would wait for a writer for ever.
    paths.push_back(temp.file("pipe.wmv"));
    ASSERT_EQ(::mkfifo(paths.back().c_str(), 0600), 0);
    paths.push_back("/dev/zero");
#endif
    for (const std::string& path : paths) {
        EXPECT_EQ(quillaro::readAsfHeader(path).kind, Kind::NotAsf) << path;
        EXPECT_EQ(quillaro::readMp4Index(path).kind, quillaro::Mp4Reading::Kind::NotMp4) << path;
    }
}

} // namespace
