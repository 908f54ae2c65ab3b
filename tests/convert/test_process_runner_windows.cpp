#include "convert/EncoderCommand.h"
#include "convert/ProcessRunner.h"
#include "tests/support/WindowsTestFolder.h"

#include <cstdint>
#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>
#include <windows.h>

namespace {

using quillaro::Command;
using quillaro::RunResult;
using Lines = std::vector<std::string>;

const std::string probe = besideThisProgram("child_probe.exe");

RunResult run(Lines arguments, std::optional<int> style = 0, quillaro::PumpEvents pump = {},
              std::string program = probe) {
    Command command{std::move(program), {}};
    for (std::string& argument : arguments)
        command.arguments.push_back({std::move(argument)});
    return quillaro::runProcess(command, style, pump);
}

Lines lines(const std::string& text) {
    Lines all;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        all.push_back(text.substr(start, end - start));
    return all;
}

TEST(RunAndWaitOnWindows, ReturnsTheExitCode) {
    // 259 is STILL_ACTIVE: a runner that polls the exit code would wait for
    // ever on a child that ends with it.
    for (const int code : {0, 3, 259, 0x7FFFFFFF}) {
        const RunResult result = run({"exit", std::to_string(code)});
        EXPECT_EQ(result.outcome, RunResult::Outcome::Exited) << code;
        EXPECT_EQ(result.value(), code);
    }
}

TEST(RunAndWaitOnWindows, ShowsTheChildWindowInTheStyleAsked) {
    // Style 6, and anything outside 0..6, is "minimised without focus":
    // SW_SHOWMINNOACTIVE, which is 7; Windows' own 6 would take the focus.
    const std::pair<std::optional<int>, int> rows[] = {{std::nullopt, SW_SHOWMINNOACTIVE},
                                                       {-1, SW_SHOWMINNOACTIVE},
                                                       {0, SW_HIDE},
                                                       {1, SW_SHOWNORMAL},
                                                       {2, SW_SHOWMINIMIZED},
                                                       {3, SW_SHOWMAXIMIZED},
                                                       {4, SW_SHOWNOACTIVATE},
                                                       {5, SW_SHOW},
                                                       {6, SW_SHOWMINNOACTIVE},
                                                       {7, SW_SHOWMINNOACTIVE}};
    for (const auto& [style, showState] : rows)
        EXPECT_EQ(run({"show"}, style).stderrTail, "1 " + std::to_string(showState))
            << style.value_or(-99);
}

TEST(RunAndWaitOnWindows, RunsTheEncoderWithTheFixedCommand) {
    EXPECT_EQ(quillaro::commandLineText(quillaro::encoderCommand(
                  quillaro::encoderPath(R"(C:\Tools)"), R"(C:\Videos\clip.wmv)",
                  quillaro::outputPathFor(R"(C:\Videos\clip.wmv)"))),
              R"(C:\Tools\ffmpeg.exe -i "C:\Videos\clip.wmv" -b 600 -vcodec mpeg4 -ab 128 )"
              R"(-acodec aac "C:\Videos\clip.mp4")");

    // The same for real, with the probe as the encoder reporting what it got;
    // the videos need not exist.
    const std::pair<std::string, std::string> videos[] = {
        {R"(C:\Videos\clip.wmv)", R"(C:\Videos\clip.mp4)"},
        {R"(C:\clip.WMV)", R"(C:\clip.mp4)"},
        {R"(\\server\share\My Vidéos\clip one.wmv)", R"(\\server\share\My Vidéos\clip one.mp4)"}};
    // The program folder has no final backslash, except at a drive root.
    const char* drive = std::getenv("QUILLARO_TEST_DRIVE");
    const WindowsTestFolder folder;
    for (const std::string& programFolder :
         {folder.make("Program Files\\"), folder.make("Prógram 日本\\"),
          drive ? std::string(drive) + "\\\\" : std::string()}) {
        if (programFolder.empty())
            continue;
        const bool root = programFolder.size() == 3;
        const std::string encoder = quillaro::encoderPath(
            root ? programFolder : programFolder.substr(0, programFolder.size() - 1));
        ASSERT_TRUE(
            CopyFileW(quillaro::toUtf16(probe).c_str(), quillaro::toUtf16(encoder).c_str(), FALSE));
        for (const auto& [input, output] : videos) {
            Command command =
                quillaro::encoderCommand(encoder, input, quillaro::outputPathFor(input));
            command.arguments.insert(command.arguments.begin(), {"args"});
            const RunResult result = quillaro::runProcess(command, 0, {});
            EXPECT_EQ(lines(result.stderrTail), (Lines{"-i", input, "-b", "600", "-vcodec", "mpeg4",
                                                       "-ab", "128", "-acodec", "aac", output}))
                << encoder << ": " << result.startErrorText;
        }
        if (root)
            DeleteFileW(quillaro::toUtf16(encoder).c_str());
    }
}

TEST(RunAndWaitOnWindows, AProgramThatCannotStartGivesANegativeResultAtOnce) {
    const WindowsTestFolder folder;
    const std::string programs[] = {folder.path() + "ffmpeg.exe",
                                    folder.path() + "No Such Folder\\ffmpeg.exe",
                                    folder.make("clip.exe", "not a program")};
    for (const std::string& program : programs) {
        int pumps = 0;
        const RunResult result = run(
            {}, 0, [&] { ++pumps; }, program);
        EXPECT_EQ(result.outcome, RunResult::Outcome::NotStarted) << program;
        EXPECT_GT(result.startError, 0) << program;
        EXPECT_EQ(result.value(), result.startError - 2147221504) << program;
        EXPECT_EQ(pumps, 0) << "a failed start waits for nothing";
    }
}

TEST(RunAndWaitOnWindows, KeepsTheEndOfTheErrorOutputAndGivesNoInput) {
    for (const auto& [dots, kept] : {std::pair{0, 3}, {10000, int(quillaro::stderrTailBytes)}}) {
        const std::string tail = run({"spam", std::to_string(dots)}).stderrTail;
        EXPECT_EQ(tail.size(), size_t(kept));
        EXPECT_TRUE(tail.ends_with("END"));
    }
    // Were its input ours (a console, a pipe), a child that reads would wait.
    EXPECT_EQ(run({"stdin"}).stderrTail, "read 0");
}

TEST(RunAndWaitOnWindows, ARunStartedFromThePumpEndsBeforeTheOuterOne) {
    Lines events;
    int innerPumps = 0;
    const RunResult outer = run({"sleep", "50"}, 0, [&] {
        if (!events.empty())
            return;
        // The outer child ends long before this one; the outer call must
        // still wait for the inner one, beneath which it is suspended.
        events.push_back("inner starts");
        const RunResult inner = run({"sleep", "400"}, 0, [&] { ++innerPumps; });
        events.push_back("inner ends " + std::to_string(inner.exitCode));
    });
    events.push_back("outer ends " + std::to_string(outer.exitCode));
    EXPECT_EQ(events, (Lines{"inner starts", "inner ends 0", "outer ends 0"}));
    EXPECT_GT(innerPumps, 1) << "the window is kept alive while a child runs";
}

// Handles open in this process, found by asking after every small handle
// value: GetProcessHandleCount is no help under Wine, where it counts nothing.
int openHandleCount() {
    int count = 0;
    for (std::uintptr_t value = 4; value < 65536; value += 4) {
        DWORD flags = 0;
        count += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) ? 1 : 0;
    }
    return count;
}

TEST(RunAndWaitOnWindows, ClosesEveryHandleItOpens) {
    run({"exit", "0"}); // the first run may load libraries that keep handles
    const int before = openHandleCount();
    for (int i = 0; i < 10; ++i) {
        run({"spam", "10"}, 0, [] {});
        run({}, 0, {}, R"(C:\no\such\program.exe)");
    }
    EXPECT_LE(openHandleCount(), before + 4);
}

} // namespace
