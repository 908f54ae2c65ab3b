#include "convert/Command.h"
#include "convert/EncoderCommand.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <utility>

using namespace quillaro;

TEST(StripExtension, TakesTheExtensionOfTheFileNameOnly) {
    // A dot in a folder name never sends the output to another folder, and a
    // name without a dot is kept whole.
    const std::tuple<const char*, char, const char*> rows[] = {
        {R"(C:\Videos\my.trip.WMV)", '\\', R"(C:\Videos\my.trip)"},
        {R"(D:\old.clips\movie)", '\\', R"(D:\old.clips\movie)"},
        {R"(C:\old.clips/movie)", '\\', R"(C:\old.clips/movie)"},
        {R"(/home/ann/back\slash.d/movie)", '/', R"(/home/ann/back\slash.d/movie)"},
    };
    for (const auto& [entry, separator, stripped] : rows)
        EXPECT_EQ(StripExtension(entry, separator), stripped) << entry;
}

TEST(WindowsCommandLine, SplitsBackIntoTheFixedEncoderRun) {
    // Unquoted, Windows would try to start "C:\Program" first. A sound-only
    // input leaves its cover out.
    const std::tuple<const char*, const char*, Picture, const char*> lines[] = {
        {R"(C:\Tools\ffmpeg.exe)", R"(C:\Videos\clip.wmv)", Picture::Keep,
         R"(C:\Tools\ffmpeg.exe -i "C:\Videos\clip.wmv" -b:v 600k -vcodec mpeg4 -b:a 128k )"
         R"(-acodec aac "C:\Videos\clip.mp4")"},
        {R"(C:\Program Files\ffmpeg.exe)", R"(C:\V\a b.wma)", Picture::Drop,
         R"("C:\Program Files\ffmpeg.exe" -i "C:\V\a b.wma" -b:v 600k -vcodec mpeg4 -b:a 128k )"
         R"(-acodec aac -vn "C:\V\a b.mp4")"},
    };
    for (const auto& [encoder, entry, picture, line] : lines) {
        const Command command = encoderCommand(encoder, entry, outputPathFor(entry, '\\'), picture);
        EXPECT_EQ(commandLineText(command, CommandLineFlavour::Windows), line);
    }
    const std::pair<const char*, const char*> rows[] = {
        {"", R"("")"},
        {R"(say "hi")", R"("say \"hi\"")"},
        // Backslashes double only before a quote, the closing one included.
        {R"(C:\my dir\)", R"("C:\my dir\\")"},
        {R"(a\\"b)", R"("a\\\\\"b")"},
    };
    for (const auto& [text, quoted] : rows)
        EXPECT_EQ(quoteWindowsArgument(text), quoted) << text;
}

TEST(EncoderProblem, SaysWhatIsWrongWithTheEncoder) {
    // A runnable one, or none at all, is met by the window test. With no
    // program folder there is no encoder path, and nothing to run.
    const std::string folder = std::filesystem::temp_directory_path().string();
    const std::pair<std::string, std::string> rows[] = {
        {"", "was not found: " + std::string(encoderFileName())},
        {folder, "is a folder: " + folder},
#ifndef _WIN32 // devices, line ends in names and execute permissions are POSIX's
        {"/dev/null", "is not a regular file: /dev/null"},
        {"/no/such/new\nline", "was not found: /no/such/new\\nline"},
        {"/etc/passwd", "may not be run (no execute permission): /etc/passwd"},
#endif
    };
    for (const auto& [encoder, problem] : rows)
        EXPECT_EQ(encoderProblem(encoder), "The encoder " + problem) << encoder;
}
