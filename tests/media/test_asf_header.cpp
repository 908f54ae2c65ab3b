#include "base/Utf8Path.h"
#include "media/AsfHeader.h"
#include "media/Mp4Index.h"
#include "tests/convert/TestFiles.h"
#include "tests/media/MediaBytes.h"

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace quillaro {
void PrintTo(const AsfHeader& h, std::ostream* out) {
    *out << h.declaredBytes << " of " << h.actualBytes << " bytes, "
         << (h.seconds ? std::to_string(*h.seconds) : "no") << " s, streams " << h.pictureStreams
         << "/" << h.soundStreams << "/" << h.otherStreams << (h.copyProtected ? ", DRM" : "");
}
} // namespace quillaro

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
    // declared bytes, -, seconds, picture, sound and other streams, DRM
    const std::pair<const char*, AsfHeader> rows[] = {
        // Its two cover pictures are metadata, not streams.
        {"drm-protected-cut-short.wma", {4059714, 0, 201.247, 0, 1, 0, true}},
        {"g7231-voice.asf", {10854, 0, 11.381, 0, 1, 0, false}},
        {"mp3-with-picture.wma", {49987, 0, 16.91, 0, 1, 1, false}},
        // Its preroll is as long as its play time.
        {"mss2-screen-odd-size.wmv", {7226, 0, 0.0, 1, 0, 0, false}},
        {"photo-story-header-only.wmv", {414891, 0, 94.132, 1, 1, 0, false}},
        {"vc1-advanced-cut-short.wmv", {234522, 0, 0.967, 1, 0, 0, false}},
        {"vc1-advanced-mp3.wmv", {250865, 0, 1.042, 1, 1, 0, false}},
        {"vc1-advanced-no-sound.wmv", {234522, 0, 0.967, 1, 0, 0, false}},
        {"vc1-advanced-wmapro-720p.wmv", {258217, 0, 1.042, 1, 1, 0, false}},
        {"wma-lossless.wma", {85783, 0, 1.019, 0, 1, 0, false}},
        {"wma-voice.wma", {9659, 0, 1.019, 0, 1, 0, false}},
        {"wmapro.wma", {39086, 0, 0.853, 0, 1, 0, false}},
        {"wmav2-cut-short.wma", {680860, 0, 40.613, 0, 1, 0, false}},
        {"wmv3-wmav2-no-picture-decoded.wmv", {19887, 0, 1.024, 1, 1, 0, false}},
    };
    for (auto [file, expected] : rows) {
        const std::string path = (std::filesystem::path(folder) / file).string();
        AsfReading reading = quillaro::readAsfHeader(path);
        if (reading.header.seconds) // to the millisecond, as the header tells the preroll
            reading.header.seconds = std::round(*reading.header.seconds * 1000) / 1000;
        expected.actualBytes = std::filesystem::file_size(path);
        EXPECT_EQ(reading.kind, Kind::Asf) << file;
        EXPECT_EQ(reading.header, expected) << file;
    }
}

// Hand-made headers, read from bytes and from a file alike: a lie in any
// size ends the reading as damaged, never past the end of the bytes.
TEST(AsfHeader, TellsDamageFromHeadersThatAddUp) {
    const std::string video = streamProperties(videoMedia, 1);
    const std::string audio = streamProperties(audioMedia, 2);
    const std::string picture = streamProperties(jfifMedia, 3);
    const auto asf = [](int picture, int sound, int other, std::optional<double> seconds,
                        bool copyProtected = false) {
        return AsfHeader{5000, 0, seconds, picture, sound, other, copyProtected};
    };
    const std::string payloadSystem = std::string(16, 'p') + u16(4) + u32(3) + "abc";
    const std::string props = fileProperties(5000, 20'000'000, 500, 2); // 2 s less 0.5 s preroll
    const std::vector<std::tuple<const char*, std::string, Kind, AsfHeader>> rows = {
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
        {"object shorter than its fields",
         asfHeader(withU64(props.substr(0, 60), 16, 60)),
         Kind::Damaged,
         {}},
        {"bytes left over", asfHeader(props + "0123456789"), Kind::Damaged, {}},
        {"truncated GUID at the end", asfHeader(props + video.substr(0, 10)), Kind::Damaged, {}},
        {"stream with data past it", asfHeader(withU32(video, 24 + 40, 9999)), Kind::Damaged, {}},
        {"extension longer than itself",
         asfHeader(withU32(headerExtension(audio), 42, 9999)),
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
        {"file properties", asfHeader(props), Kind::Asf, asf(0, 0, 0, 1.5)},
        {"broadcast: no length", asfHeader(fileProperties(5000, 20'000'000, 500, 3)), Kind::Asf,
         asf(0, 0, 0, std::nullopt)},
        {"no play time", asfHeader(fileProperties(5000, 0, 500, 2)), Kind::Asf,
         asf(0, 0, 0, std::nullopt)},
        {"preroll beyond the play time", asfHeader(fileProperties(5000, 1000, 3000, 2)), Kind::Asf,
         asf(0, 0, 0, 0.0)},
        {"streams of each kind", asfHeader(props + video + audio + picture), Kind::Asf,
         asf(1, 1, 1, 1.5)},
        {"a stream told twice counts once", asfHeader(props + audio + audio), Kind::Asf,
         asf(0, 1, 0, 1.5)},
        {"stream told only in the extension",
         asfHeader(props + audio +
                   headerExtension(extendedStreamProperties(
                                       1, 1, 1, u16(0) + u16(2) + "en" + payloadSystem + video) +
                                   extendedStreamProperties(2, 0, 0, audio))),
         Kind::Asf, asf(1, 1, 0, 1.5)},
        {"content encryption", asfHeader(props + audio + object(contentEncryptionGuid, "key")),
         Kind::Asf, asf(0, 1, 0, 1.5, true)},
        {"extended content encryption",
         asfHeader(props + object(extendedContentEncryptionGuid, "<xml/>")), Kind::Asf,
         asf(0, 0, 0, 1.5, true)},
        {"advanced content encryption in the extension",
         asfHeader(props + headerExtension(object(advancedContentEncryptionGuid, ""))), Kind::Asf,
         asf(0, 0, 0, 1.5, true)},
    };
    const TempFolder temp;
    const std::string path = temp.file("header.asf");
    for (auto [name, bytes, kind, expected] : rows) {
        writeFile(path, bytes);
        expected.actualBytes = bytes.size();
        for (const AsfReading& reading :
             {quillaro::readAsfHeader(path),
              quillaro::readAsfHeader(std::as_bytes(std::span(bytes)), bytes.size())}) {
            EXPECT_EQ(reading.kind, kind) << name;
            if (kind == Kind::Asf) {
                EXPECT_EQ(reading.header, expected) << name;
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

TEST(MediaHeaders, OpenFilesByTheirUtf8Names) {
    // Windows needs the name in UTF-16; the ANSI code page would mangle it.
    const TempFolder temp;
    const std::string path = temp.file("") + "/caf\xC3\xA9 \xE2\x98\x95 \xD0\xB6.wmv";
    std::ofstream(quillaro::pathFromUtf8(path), std::ios::binary) << asfHeader("");
    EXPECT_EQ(quillaro::readAsfHeader(path).kind, Kind::Asf);
    EXPECT_EQ(quillaro::readMp4Index(path).kind, quillaro::Mp4Reading::Kind::NotMp4);
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
