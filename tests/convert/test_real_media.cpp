// Windows Media files made by other software (Windows Media Encoder, the
// Format SDK, Media Foundation, Photo Story), converted by the real encoder:
// natively the system's ffmpeg, for Windows the ffmpeg.exe built for it, run
// under Wine. Both must reach the same verdicts.
#include "base/Utf8Path.h"
#include "convert/BatchConversion.h"
#include "convert/EncoderCommand.h"
#include "tests/convert/TestFiles.h"
#include "tests/media/MediaBytes.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

struct Window : quillaro::BatchWindow {
    std::size_t entryCount() const override { return entries.size(); }
    std::string entryText(std::size_t position) const override { return entries[position - 1]; }
    quillaro::EntryId entryId(std::size_t position) const override { return position; }
    void setProgress(float) override {}
    void setBusy(bool) override {}
    void pumpEvents() override {}

    std::vector<std::string> entries;
};

#ifndef _WIN32
// Made by the encoder, then left as other software leaves them, both whole: a
// clip whose index after its data is lost, a song with its cover as a tag.
static void makeFiles(const TempFolder& folder, std::vector<std::string>& entries) {
    using namespace quillaro::testbytes;
    const auto make = [&](const std::string& name, const std::string& input) {
        entries.push_back(folder.file(name));
        const std::string command = std::string(ENCODER) + " -nostdin -v error -y -f lavfi -i " +
                                    input + " '" + entries.back() + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return readFile(entries.back());
    };
    const auto u64 = [](const std::string& bytes, std::size_t at) {
        std::uint64_t value = 0;
        for (std::size_t k = at + 8; k-- > at;)
            value = value << 8 | static_cast<unsigned char>(bytes[k]);
        return value;
    };
    const std::string clip = make("made-index-lost.wmv", "testsrc=d=3 -f lavfi -i sine=d=3");
    writeFile(entries.back(), clip.substr(0, u64(clip, 16) + u64(clip, u64(clip, 16) + 16)));
    const std::string jpeg = make("cover.jpg", "color=red:size=16x16 -frames:v 1");
    std::string song = make("made-cover.wmv", "sine=d=2 -c:a wmav2 -f asf");
    const auto utf16 = [](const std::string& text) {
        std::string wide;
        for (const char c : text + '\0')
            wide += std::string{c, '\0'};
        return wide;
    };
    const std::string pic = le(3, 1) + le(jpeg.size(), 4) + utf16("image/jpeg") + utf16("") + jpeg;
    const std::string tag =
        object("D2D0A440-E307-11D2-97F0-00A0C95EA850",
               le(1, 2) + le(22, 2) + utf16("WM/Picture") + le(1, 2) + le(pic.size(), 2) + pic);
    const std::uint64_t header = u64(song, 16), objects = u64(song, 24) & 0xFFFFFFFF;
    song = patch(patch(song, 16, le(header + tag.size(), 8)), 24, le(objects + 1, 4));
    writeFile(entries.back(), song.insert(header, tag));
    entries.erase(entries.end() - 2); // the picture
}
#endif

TEST(RealMedia, EachFileIsConvertedWholeOrSaysWhatItLacks) {
    // Every file is copied under a .wmv name, as the list takes it; those
    // not named here are converted whole.
    const char* const cause = " converted (the input is damaged or cut short)";
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"drm-protected-cut-short", "not converted: copy-protected (DRM): cannot be converted"},
        {"photo-story-header-only",
         "not converted: encoder exit code 1: Invalid data found when processing input"},
        {"vc1-advanced-cut-short", "not whole: only 93% of the input" + std::string(cause)},
        {"wmav2-cut-short", "not whole: only 0:00.9 of 0:40.6" + std::string(cause)},
        {"wmv3-wmav2-no-picture-decoded",
         "not whole: no picture written (the encoder could not decode the video)"},
    };
    TempFolder folder;
    Window window;
    for (const auto& found :
         fs::directory_iterator(quillaro::pathFromUtf8(QUILLARO_REAL_MEDIA_DIR)))
        if (found.path().extension() != ".md") {
            window.entries.push_back(folder.file(found.path().stem().string() + ".wmv"));
            fs::copy_file(found.path(), window.entries.back());
        }
    ASSERT_EQ(window.entries.size(), 14u);
#ifndef _WIN32
    makeFiles(folder, window.entries);
#endif
    std::sort(window.entries.begin(), window.entries.end());

    const quillaro::BatchOutcome outcome = quillaro::BatchConversion().run(window, ENCODER);
    std::vector<std::pair<std::string, std::string>> verdicts;
    std::vector<std::string> notConverted, withoutMp4;
    for (const auto& [list, kind] : {std::pair(&outcome.notConverted, "not converted: "),
                                     std::pair(&outcome.notWhole, "not whole: ")})
        for (const quillaro::NotConverted& failure : *list)
            verdicts.push_back({fs::path(failure.entry).stem().string(), kind + failure.reason});
    for (const quillaro::NotConverted& failure : outcome.notConverted)
        notConverted.push_back(failure.entry);
    // Whatever the encoder made is kept, whole or not; nothing else is made.
    for (const std::string& entry : window.entries)
        if (!fs::exists(quillaro::pathFromUtf8(quillaro::outputPathFor(entry))))
            withoutMp4.push_back(entry);
    std::sort(verdicts.begin(), verdicts.end());
    EXPECT_EQ(std::pair(verdicts, withoutMp4), std::pair(expected, notConverted));
}

int main(int argc, char** argv) {
    if (!fs::is_directory(quillaro::pathFromUtf8(QUILLARO_REAL_MEDIA_DIR))) {
        std::cerr << "\n*** SKIPPED: the real media files are not at " QUILLARO_REAL_MEDIA_DIR
                     ": set QUILLARO_REAL_MEDIA_DIR to their folder. ***\n\n";
        return 77;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
