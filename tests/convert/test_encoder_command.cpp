#include "convert/Command.h"
#include "convert/EncoderCommand.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using quillaro::Command;
using quillaro::CommandLineFlavour;

struct PathRow {
    const char* entry;
    char separator;
    const char* stripped;
};

// The rows with '\\' are the Windows examples, verbatim; the folder with a
// dot must not lose its name any more.
const PathRow pathRows[] = {
    {R"(C:\Videos\clip.wmv)", '\\', R"(C:\Videos\clip)"},
    {R"(C:\Videos\Clip.WMV)", '\\', R"(C:\Videos\Clip)"},
    {R"(C:\Videos\my.trip.wmv)", '\\', R"(C:\Videos\my.trip)"},
    {R"(D:\old.clips\movie)", '\\', R"(D:\old.clips\movie)"},
    {R"(C:\movie)", '\\', R"(C:\movie)"},
    {R"(C:\old.clips/movie)", '\\', R"(C:\old.clips/movie)"},
    {"movie", '\\', "movie"},
    {"", '\\', ""},
    {"/home/ann/old.clips/movie", '/', "/home/ann/old.clips/movie"},
    {"/home/ann/my.trip.wmv", '/', "/home/ann/my.trip"},
    {R"(/home/ann/back\slash.d/movie)", '/', R"(/home/ann/back\slash.d/movie)"},
    {"/home/ann/clip.", '/', "/home/ann/clip"},
};

TEST(StripExtension, TakesTheExtensionOfTheFileNameOnly) {
    for (const PathRow& row : pathRows) {
        SCOPED_TRACE(row.entry);
        EXPECT_EQ(quillaro::StripExtension(row.entry, row.separator), row.stripped);
        EXPECT_EQ(quillaro::outputPathFor(row.entry, row.separator),
                  std::string(row.stripped) + ".mp4");
    }
}

TEST(EncoderCommand, TextIsTheFixedCommandLine) {
    const std::string entry = R"(C:\Videos\clip.wmv)";
    const Command command = quillaro::encoderCommand(R"(C:\Tools\ffmpeg.exe)", entry,
                                                     quillaro::outputPathFor(entry, '\\'));
    const std::string expected =
        R"(C:\Tools\ffmpeg.exe -i "C:\Videos\clip.wmv" -b 600 -vcodec mpeg4 -ab 128 -acodec aac "C:\Videos\clip.mp4")";
    EXPECT_EQ(quillaro::commandLineText(command, CommandLineFlavour::Posix), expected);
    EXPECT_EQ(quillaro::commandLineText(command, CommandLineFlavour::Windows), expected);
}

TEST(EncoderCommand, ArgumentsReachTheEncoderUnchanged) {
    const std::string entry = R"(/v/"it's" -x ü.wmv)";
    const Command command = quillaro::encoderCommand("/opt/q/ffmpeg", entry, "/v/out.mp4");
    const std::vector<std::string> expected{"/opt/q/ffmpeg", "-i",      entry,   "-b",
                                            "600",           "-vcodec", "mpeg4", "-ab",
                                            "128",           "-acodec", "aac",   "/v/out.mp4"};
    EXPECT_EQ(command.argv(), expected);
}

TEST(EncoderCommand, ProgramWithSpaceIsQuotedOnWindowsOnly) {
    const Command command = quillaro::encoderCommand(R"(C:\Program Files\Q\ffmpeg.exe)",
                                                     R"(C:\V\a b.wmv)", R"(C:\V\a b.mp4)");
    EXPECT_EQ(
        quillaro::commandLineText(command, CommandLineFlavour::Posix),
        R"(C:\Program Files\Q\ffmpeg.exe -i "C:\V\a b.wmv" -b 600 -vcodec mpeg4 -ab 128 -acodec aac "C:\V\a b.mp4")");
    EXPECT_EQ(
        quillaro::commandLineText(command, CommandLineFlavour::Windows),
        R"("C:\Program Files\Q\ffmpeg.exe" -i "C:\V\a b.wmv" -b 600 -vcodec mpeg4 -ab 128 -acodec aac "C:\V\a b.mp4")");
}

TEST(EncoderCommand, EncoderIsLookedForInTheProgramFolder) {
    EXPECT_EQ(quillaro::encoderPath(R"(C:\Tools)", '\\'),
              std::string(R"(C:\Tools\)") + std::string(quillaro::encoderFileName()));
}

// How CommandLineToArgvW splits the arguments after the program name.
std::vector<std::string> splitLikeWindows(const std::string& line) {
    std::vector<std::string> arguments;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        if (i == line.size())
            break;
        std::string argument;
        bool inQuotes = false;
        while (i < line.size() && (inQuotes || (line[i] != ' ' && line[i] != '\t'))) {
            std::size_t backslashes = 0;
            while (i < line.size() && line[i] == '\\') {
                ++backslashes;
                ++i;
            }
            if (i < line.size() && line[i] == '"') {
                argument.append(backslashes / 2, '\\');
                if (backslashes % 2 == 1) {
                    argument += '"';
                } else if (inQuotes && i + 1 < line.size() && line[i + 1] == '"') {
                    argument += '"';
                    ++i;
                } else {
                    inQuotes = !inQuotes;
                }
                ++i;
            } else {
                argument.append(backslashes, '\\');
                if (i < line.size() && (inQuotes || (line[i] != ' ' && line[i] != '\t')))
                    argument += line[i++];
            }
        }
        arguments.push_back(argument);
    }
    return arguments;
}

TEST(WindowsCommandLine, SplitsBackIntoTheSameArguments) {
    const std::vector<std::string> nasty{"",       "plain",        "two words",   "tab\there",
                                         R"(a"b)", R"(ends\)",     R"(ends\\)",   R"(C:\dir\ x\)",
                                         R"(\"q)", R"(\\"q\\)",    R"("quoted")", R"(-i)",
                                         "ü ß",    R"(back\slash)"};
    Command command{R"(C:\Program Files\Q\ffmpeg.exe)", {}};
    for (const std::string& text : nasty) {
        command.arguments.push_back({text, false});
        command.arguments.push_back({text, true});
    }
    const std::string line = quillaro::commandLineText(command, CommandLineFlavour::Windows);
    const std::string programPart = R"("C:\Program Files\Q\ffmpeg.exe" )";
    ASSERT_EQ(line.substr(0, programPart.size()), programPart);

    const std::vector<std::string> split = splitLikeWindows(line.substr(programPart.size()));
    ASSERT_EQ(split.size(), command.arguments.size());
    for (std::size_t k = 0; k < split.size(); ++k)
        EXPECT_EQ(split[k], command.arguments[k].text) << "argument " << k;
}

} // namespace
