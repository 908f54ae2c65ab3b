#include "convert/Command.h"
#include "convert/EncoderCommand.h"

#include <gtest/gtest.h>
#include <string>

namespace {

using quillaro::CommandLineFlavour;

TEST(StripExtension, TakesTheExtensionOfTheFileNameOnly) {
    const struct {
        const char* entry;
        char separator;
        const char* stripped;
    } rows[] = {
        // The Windows examples, verbatim; a dot in a folder name no longer
        // sends the output to another folder, and no dot at all keeps the text.
        {R"(C:\Videos\clip.wmv)", '\\', R"(C:\Videos\clip)"},
        {R"(C:\Videos\Clip.WMV)", '\\', R"(C:\Videos\Clip)"},
        {R"(C:\Videos\my.trip.wmv)", '\\', R"(C:\Videos\my.trip)"},
        {R"(D:\old.clips\movie)", '\\', R"(D:\old.clips\movie)"},
        {R"(C:\old.clips/movie)", '\\', R"(C:\old.clips/movie)"},
        {"movie", '\\', "movie"},
        {"", '\\', ""},
        {"/home/ann/old.clips/movie", '/', "/home/ann/old.clips/movie"},
        {"/home/ann/my.trip.wmv", '/', "/home/ann/my.trip"},
        {R"(/home/ann/back\slash.d/movie)", '/', R"(/home/ann/back\slash.d/movie)"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.entry);
        EXPECT_EQ(quillaro::StripExtension(row.entry, row.separator), row.stripped);
        EXPECT_EQ(quillaro::outputPathFor(row.entry, row.separator),
                  std::string(row.stripped) + ".mp4");
    }
}

TEST(EncoderCommand, CommandLineText) {
    const std::string example =
        R"(C:\Tools\ffmpeg.exe -i "C:\Videos\clip.wmv" -b 600 -vcodec mpeg4 -ab 128 -acodec aac "C:\Videos\clip.mp4")";
    const std::string arguments =
        R"( -i "C:\V\a b.wmv" -b 600 -vcodec mpeg4 -ab 128 -acodec aac "C:\V\a b.mp4")";
    const struct {
        const char* encoder;
        const char* entry;
        CommandLineFlavour flavour;
        std::string line;
    } rows[] = {
        {R"(C:\Tools\ffmpeg.exe)", R"(C:\Videos\clip.wmv)", CommandLineFlavour::Posix, example},
        {R"(C:\Tools\ffmpeg.exe)", R"(C:\Videos\clip.wmv)", CommandLineFlavour::Windows, example},
        // Unquoted, Windows would try to start "C:\Program" first.
        {R"(C:\Program Files\ffmpeg.exe)", R"(C:\V\a b.wmv)", CommandLineFlavour::Posix,
         R"(C:\Program Files\ffmpeg.exe)" + arguments},
        {R"(C:\Program Files\ffmpeg.exe)", R"(C:\V\a b.wmv)", CommandLineFlavour::Windows,
         R"("C:\Program Files\ffmpeg.exe")" + arguments},
    };
    for (const auto& row : rows) {
        const auto command = quillaro::encoderCommand(row.encoder, row.entry,
                                                      quillaro::outputPathFor(row.entry, '\\'));
        EXPECT_EQ(quillaro::commandLineText(command, row.flavour), row.line);
    }
}

TEST(WindowsCommandLine, QuotesSoThatTheArgumentSplitsBack) {
    const struct {
        const char* text;
        bool forced;
        const char* quoted;
    } rows[] = {
        {"plain", false, "plain"},
        {"plain", true, R"("plain")"},
        {"", false, R"("")"},
        {"two words", false, R"("two words")"},
        {R"(say "hi")", false, R"("say \"hi\"")"},
        // Backslashes double only before a quote, the closing one included.
        {R"(C:\dir\)", true, R"("C:\dir\\")"},
        {R"(a\\"b)", false, R"("a\\\\\"b")"},
        {R"(C:\a b\c)", false, R"("C:\a b\c")"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(quillaro::quoteWindowsArgument(row.text, row.forced), row.quoted) << row.text;
}

} // namespace
