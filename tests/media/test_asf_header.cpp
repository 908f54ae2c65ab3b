#include "base/Utf8Path.h"
#include "media/AsfHeader.h"
#include "media/Mp4Index.h"
#include "tests/convert/TestFiles.h"
#include "tests/media/MediaBytes.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

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
    // bytes to the data's end, -, seconds, picture, sound and other streams, DRM
    const std::pair<const char*, AsfHeader> rows[] = {
        // Its two cover pictures are metadata, not streams.
        {"drm-protected-cut-short.wma", {4059714, 0, 201.247, 0, 1, 0, true}},
        {"g7231-voice.asf", {10854, 0, 11.381, 0, 1, 0, false}},
        {"mp3-with-picture.wma", {49987, 0, 16.91, 0, 1, 1, false}},
        // Its preroll is as long as its play time.
        {"mss2-screen-odd-size.wmv", {7146, 0, 0.0, 1, 0, 0, false}},
        {"photo-story-header-only.wmv", {414891, 0, 94.132, 1, 1, 0, false}},
        {"vc1-advanced-cut-short.wmv", {234430, 0, 0.967, 1, 0, 0, false}},
        {"wmv3-wmav2-no-picture-decoded.wmv", {19783, 0, 1.024, 1, 1, 0, false}},
    };
    for (auto [file, expected] : rows) {
        const std::string path = (std::filesystem::path(folder) / file).string();
        AsfReading reading = quillaro::readAsfHeader(path);
        if (reading.header.seconds) // to the millisecond, as the header tells the preroll
            reading.header.seconds = std::round(*reading.header.seconds * 1000) / 1000;
        expected.actualBytes = std::filesystem::file_size(path);
        EXPECT_EQ(std::pair(reading.kind, reading.header), std::pair(Kind::Asf, expected)) << file;
    }
}

// Hand-made headers: a lie in any size ends the reading as damaged, never
// past the end of the bytes. Each is read from its bytes and from a file,
// whose name Windows needs in UTF-16: the ANSI code page would mangle it.
TEST(AsfHeader, TellsDamageFromHeadersThatAddUp) {
    const std::string sound = streamProperties("F8699E40-5B4D-11CF-A8FD-00805F5C442B", 2),
                      picture = streamProperties("BC19EFC0-5B4D-11CF-A8FD-00805F5C442B", 1),
                      props = fileProperties(20'000'000, 500, 2); // 2 s less 0.5 s preroll
    const AsfReading notAsf{}, bad{Kind::Damaged, {}};
    const auto asf = [](int picture, int sound, int other, std::optional<double> seconds,
                        bool copyProtected = false, std::uint64_t declared = 5000) {
        return AsfReading{Kind::Asf, {declared, 0, seconds, picture, sound, other, copyProtected}};
    };
    // Data of 2 packets of 3200 bytes, or of 1000 bytes and no packet count, cut
    // after 850.
    const std::string twoPackets = asfHeader(patch(props, 56, le(2, 8))),
                      data = object("75B22636-668E-11CF-A6D9-00AA0062CE6C",
                                    std::string(16, 'i') + le(2, 8) + "\x01\x01"),
                      cutData = patch(data, 16, le(1050, 8)) + std::string(850, 'd');
    const std::string names = le(0, 2) + le(2, 2) + "en",
                      payload = std::string(18, 'p') + le(3, 4) + "abc";
    const std::tuple<const char*, std::string, AsfReading> rows[] = {
        {"empty", "", notAsf},
        {"a RIFF file", "RIFF" + std::string(60, 0), notAsf},
        {"header cut in its size", asfHeader("").substr(0, 20), bad},
        {"header of 2^64-1", patch(asfHeader(props), 16, le(~0ull, 8)), bad},
        {"header smaller than itself", patch(asfHeader(""), 16, le(29, 8)), bad},
        {"header past the file", asfHeader(props).substr(0, 100), bad},
        {"object of size 0", asfHeader(patch(props, 16, le(0, 8))), bad},
        {"object of 2^64-1", asfHeader(patch(props, 16, le(~0ull, 8))), bad},
        {"object short of its fields", asfHeader(patch(props.substr(0, 60), 16, le(60, 8))), bad},
        {"a GUID cut at the end", asfHeader(props + picture.substr(0, 10)), bad},
        {"stream with data past it", asfHeader(patch(picture, 64, le(99, 4))), bad},
        {"extension longer than itself", asfHeader(patch(headerExtension(""), 42, le(9, 4))), bad},
        {"stream names past the end", asfHeader(headerExtension(extendedStream(2, 0, ""))), bad},
        {"extensions nested five deep",
         asfHeader(headerExtension(headerExtension(headerExtension(headerExtension(""))))), bad},

        // Live: neither its size nor its length nor its packets are told.
        {"broadcast", asfHeader(fileProperties(1000, 0, 3)) + data, asf(0, 0, 0, {}, false, 0)},
        // The index after the data is lost, or a part of the data.
        {"data by its packets", twoPackets + data, asf(0, 0, 0, 1.5, false, 134 + 6450)},
        {"data by size, cut", asfHeader(props) + cutData, asf(0, 0, 0, 1.5, false, 134 + 1050)},
        {"no play time", asfHeader(fileProperties(0, 500, 2)), asf(0, 0, 0, {})},
        {"preroll past the play time", asfHeader(fileProperties(1000, 3000, 2)), asf(0, 0, 0, 0.0)},
        // A JPEG stream is no picture to convert.
        {"streams of each kind, encrypted",
         asfHeader(props + picture + sound + object("2211B3FB-BD23-11D2-B4B7-00A0C955FC6E", "") +
                   streamProperties("B61BE100-5B4E-11CF-A8FD-00805F5C442B", 3)),
         asf(1, 1, 1, 1.5, true)},
        // Stream 2 is told twice, and counts once.
        {"streams and encryption told in the extension",
         asfHeader(props + sound +
                   headerExtension(extendedStream(1, 1, names + payload + picture) +
                                   extendedStream(0, 0, sound) +
                                   object("43058533-6981-49E6-9B74-AD12CB86D58C", ""))),
         asf(1, 1, 0, 1.5, true)},
        {"extended content encryption",
         asfHeader(props + object("298AE614-2622-4C17-B935-DAE07EE9289C", "")),
         asf(0, 0, 0, 1.5, true)},
    };
    const auto kindAndHeader = [](const AsfReading& r) { return std::pair(r.kind, r.header); };
    const TempFolder temp;
    const std::string path = temp.file("") + "/caf\xC3\xA9 \xE2\x98\x95 \xD0\xB6.wmv";
    for (auto [name, bytes, expected] : rows) {
        std::ofstream(quillaro::pathFromUtf8(path), std::ios::binary | std::ios::trunc) << bytes;
        expected.header.actualBytes = expected.kind == Kind::NotAsf ? 0 : bytes.size();
        for (const AsfReading& reading :
             {quillaro::readAsfHeader(path),
              quillaro::readAsfHeader(std::as_bytes(std::span(bytes)), bytes.size())})
            EXPECT_EQ(kindAndHeader(reading), kindAndHeader(expected)) << name;
    }
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
    for (const std::string& path : paths)
        EXPECT_EQ(std::pair(quillaro::readAsfHeader(path).kind, quillaro::readMp4Index(path).kind),
                  std::pair(Kind::NotAsf, quillaro::Mp4Reading::Kind::NotMp4))
            << path;
}
