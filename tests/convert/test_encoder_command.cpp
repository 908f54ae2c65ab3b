#include "convert/BatchConversion.h"
#include "convert/Command.h"
#include "convert/EncoderCommand.h"
#include "tests/convert/TestFiles.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <tuple>

namespace {

using enum quillaro::CommandLineFlavour;

TEST(StripExtension, TakesTheExtensionOfTheFileNameOnly) {
    // A dot in a folder name no longer sends the output to another folder,
    // and a name without a dot is kept whole.
    const std::tuple<const char*, char, const char*> rows[] = {
        {R"(C:\Videos\clip.wmv)", '\\', R"(C:\Videos\clip)"},
        {R"(C:\Videos\Clip.WMV)", '\\', R"(C:\Videos\Clip)"},
        {R"(C:\Videos\my.trip.wmv)", '\\', R"(C:\Videos\my.trip)"},
        {R"(D:\old.clips\movie)", '\\', R"(D:\old.clips\movie)"},
        {R"(C:\old.clips/movie)", '\\', R"(C:\old.clips/movie)"},
        {"movie", '\\', "movie"},
        {"/home/ann/my.trip.wmv", '/', "/home/ann/my.trip"},
        {R"(/home/ann/back\slash.d/movie)", '/', R"(/home/ann/back\slash.d/movie)"},
    };
    for (const auto& [entry, separator, stripped] : rows)
        EXPECT_EQ(quillaro::StripExtension(entry, separator), stripped) << entry;
}

TEST(EncoderCommand, CommandLineText) {
    const std::string example = R"(C:\Tools\ffmpeg.exe -i "C:\Videos\clip.wmv" -b 600 -vcodec )"
                                R"(mpeg4 -ab 128 -acodec aac "C:\Videos\clip.mp4")";
    const std::string arguments =
        R"( -i "C:\V\a b.wmv" -b 600 -vcodec mpeg4 -ab 128 -acodec aac "C:\V\a b.mp4")";
    // Unquoted, Windows would try to start "C:\Program" first.
    const std::tuple<const char*, const char*, quillaro::CommandLineFlavour, std::string> rows[] = {
        {R"(C:\Tools\ffmpeg.exe)", R"(C:\Videos\clip.wmv)", Posix, example},
        {R"(C:\Tools\ffmpeg.exe)", R"(C:\Videos\clip.wmv)", Windows, example},
        {R"(C:\Program Files\ffmpeg.exe)", R"(C:\V\a b.wmv)", Posix,
         R"(C:\Program Files\ffmpeg.exe)" + arguments},
        {R"(C:\Program Files\ffmpeg.exe)", R"(C:\V\a b.wmv)", Windows,
         R"("C:\Program Files\ffmpeg.exe")" + arguments},
    };
    for (const auto& [encoder, entry, flavour, line] : rows) {
        const auto command =
            quillaro::encoderCommand(encoder, entry, quillaro::outputPathFor(entry, '\\'));
        EXPECT_EQ(quillaro::commandLineText(command, flavour), line);
    }
}

TEST(WindowsCommandLine, QuotesSoThatTheArgumentSplitsBack) {
    const std::tuple<const char*, bool, const char*> rows[] = {
        {"plain", false, "plain"},
        {"plain", true, R"("plain")"},
        {"", false, R"("")"},
        {R"(say "hi")", false, R"("say \"hi\"")"},
        // Backslashes double only before a quote, the closing one included.
        {R"(C:\dir\)", true, R"("C:\dir\\")"},
        {R"(a\\"b)", false, R"("a\\\\\"b")"},
        {R"(C:\a b\c)", false, R"("C:\a b\c")"},
    };
    for (const auto& [text, forced, quoted] : rows)
        EXPECT_EQ(quillaro::quoteWindowsArgument(text, forced), quoted) << text;
}

TEST(EncoderProblem, SaysWhatIsWrongWithTheEncoder) {
    // A runnable one, or none at all, is met by the window test. With no
    // program folder there is no encoder path, and nothing to run.
    TempFolder folder;
    std::filesystem::create_directory(folder.file("folder"));
    writeFile(folder.file("plain"), "#!/bin/sh\n");
    const std::pair<std::string, std::string> rows[] = {
        {"", "was not found: " + std::string(quillaro::encoderFileName())},
        {folder.file("folder"), "is a folder: " + folder.file("folder")},
#ifndef _WIN32 // devices, line ends in names and execute permissions are POSIX's
        {"/dev/null", "is not a regular file: /dev/null"},
        {folder.file("new\nline"), "was not found: " + folder.file("new\\nline")},
        {folder.file("plain"), "may not be run (no execute permission): " + folder.file("plain")},
#endif
    };
    for (const auto& [encoder, problem] : rows)
        EXPECT_EQ(quillaro::encoderProblem(encoder), "The encoder " + problem) << encoder;
}

} // namespace
