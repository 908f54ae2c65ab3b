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
using quillaro::CommandArgument;
using quillaro::RunResult;

const std::string probe = besideThisProgram("child_probe.exe");

Command probeCommand(std::vector<std::string> arguments, std::string program = probe) {
    Command command{std::move(program), {}};
    for (std::string& argument : arguments)
        command.arguments.push_back({std::move(argument)});
    return command;
}

RunResult run(std::vector<std::string> arguments, std::optional<int> style = 0,
              const quillaro::PumpEvents& pump = {}) {
    return quillaro::runProcess(probeCommand(std::move(arguments)), style, pump);
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> all;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        all.push_back(text.substr(start, end - start));
    return all;
}

TEST(RunAndWaitOnWindows, ReturnsTheExitCode) {
    // 259 is STILL_ACTIVE: a runner that polls the exit code would wait for
    // ever on a child that ends with it.
    for (const int code : {0, 1, 3, 255, 259, 0x7FFFFFFF}) {
        const RunResult result = run({"exit", std::to_string(code)});
        EXPECT_EQ(result.outcome, RunResult::Outcome::Exited) << code;
        EXPECT_EQ(result.exitCode, code);
        EXPECT_EQ(quillaro::RunAndWait(probeCommand({"exit", std::to_string(code)}), 0, {}), code);
    }
}

TEST(RunAndWaitOnWindows, ShowsTheChildWindowInTheStyleAsked) {
    struct Row {
        std::optional<int> style;
        int showState;
    };
    // 6 and everything outside 0..6 mean minimised without focus, which is
    // SW_SHOWMINNOACTIVE (7); Windows' own 6 would take the focus away.
    const Row rows[] = {
        {std::nullopt, SW_SHOWMINNOACTIVE},
        {-1, SW_SHOWMINNOACTIVE},
        {0, SW_HIDE},
        {1, SW_SHOWNORMAL},
        {2, SW_SHOWMINIMIZED},
        {3, SW_SHOWMAXIMIZED},
        {4, SW_SHOWNOACTIVATE},
        {5, SW_SHOW},
        {6, SW_SHOWMINNOACTIVE},
        {7, SW_SHOWMINNOACTIVE},
    };
    for (const Row& row : rows) {
        const RunResult result = run({"show"}, row.style);
        EXPECT_EQ(result.stderrTail, "1 " + std::to_string(row.showState))
            << "style " << row.style.value_or(-99);
    }
}

TEST(RunAndWaitOnWindows, PassesEveryArgumentThroughUnchanged) {
    const std::vector<std::vector<std::string>> rows = {
        {"plain", "two words", "tab\there"},
        {R"(C:\Videos\clip.wmv)", R"(C:\Folder With Space\)", R"(\\server\share\a b.wmv)"},
        {R"(say "hi")", R"(back\"slash)", R"(ends\\)", ""},
        {"Vidéos", "日本語.wmv", "ü ö ä"},
    };
    for (const auto& arguments : rows) {
        std::vector<std::string> withMode{"args"};
        withMode.insert(withMode.end(), arguments.begin(), arguments.end());
        const RunResult result = run(withMode);
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(lines(result.stderrTail), arguments);
    }
}

TEST(RunAndWaitOnWindows, RunsTheEncoderFromItsFolderWithTheFixedCommand) {
    // The fixed example first; then the same run for real, from program
    // folders with spaces and letters outside the ANSI code page, on drive,
    // root and network paths.
    EXPECT_EQ(quillaro::commandLineText(quillaro::encoderCommand(
                  quillaro::encoderPath(R"(C:\Tools)"), R"(C:\Videos\clip.wmv)",
                  quillaro::outputPathFor(R"(C:\Videos\clip.wmv)"))),
              R"(C:\Tools\ffmpeg.exe -i "C:\Videos\clip.wmv" -b 600 -vcodec mpeg4 -ab 128 )"
              R"(-acodec aac "C:\Videos\clip.mp4")");

    struct Video {
        std::string input;
        std::string output;
    };
    // The videos need not exist: the probe only reports what it was given.
    const Video videos[] = {
        {R"(C:\Videos\clip.wmv)", R"(C:\Videos\clip.mp4)"},
        {R"(C:\clip.WMV)", R"(C:\clip.mp4)"},
        {R"(\\server\share\My Vidéos\clip one.wmv)", R"(\\server\share\My Vidéos\clip one.mp4)"},
        {R"(D:\a.b\no extension)", R"(D:\a.b\no extension.mp4)"},
    };
    for (const std::string name : {"Tools", "Program Files", "Prógram Fïles 日本"}) {
        const WindowsTestFolder folder;
        const std::string programFolder = folder.make(name + "\\");
        // The program folder has no final backslash.
        const std::string encoder =
            quillaro::encoderPath(programFolder.substr(0, programFolder.size() - 1));
        ASSERT_TRUE(
            CopyFileW(quillaro::toUtf16(probe).c_str(), quillaro::toUtf16(encoder).c_str(), TRUE));
        for (const Video& video : videos) {
            Command command = quillaro::encoderCommand(encoder, video.input,
                                                       quillaro::outputPathFor(video.input));
            // The probe, standing in for the encoder, reports what it was given.
            command.arguments.insert(command.arguments.begin(), CommandArgument{"args"});
            const RunResult result = quillaro::runProcess(command, 0, {});
            EXPECT_EQ(result.outcome, RunResult::Outcome::Exited) << encoder;
            const std::vector<std::string> expected = {"-i",      video.input, "-b",        "600",
                                                       "-vcodec", "mpeg4",     "-ab",       "128",
                                                       "-acodec", "aac",       video.output};
            EXPECT_EQ(lines(result.stderrTail), expected) << encoder;
        }
    }
}

TEST(RunAndWaitOnWindows, RunsTheEncoderFromADriveRoot) {
    // A program folder at a drive root keeps its backslash and gets another,
    // which Windows reads as one.
    const char* drive = std::getenv("QUILLARO_TEST_DRIVE");
    if (!drive || !*drive)
        GTEST_SKIP() << "no QUILLARO_TEST_DRIVE";
    const std::string encoder = quillaro::encoderPath(std::string(drive) + "\\");
    ASSERT_EQ(encoder, std::string(drive) + "\\\\ffmpeg.exe");
    ASSERT_TRUE(
        CopyFileW(quillaro::toUtf16(probe).c_str(), quillaro::toUtf16(encoder).c_str(), FALSE));
    const RunResult result = quillaro::runProcess(probeCommand({"exit", "3"}, encoder), 0, {});
    DeleteFileW(quillaro::toUtf16(encoder).c_str());
    EXPECT_EQ(result.outcome, RunResult::Outcome::Exited) << result.startErrorText;
    EXPECT_EQ(result.exitCode, 3);
}

TEST(RunAndWaitOnWindows, AProgramThatCannotStartGivesANegativeResultAtOnce) {
    const WindowsTestFolder folder;
    struct Row {
        std::string program;
        std::vector<DWORD> errors;
    };
    const Row rows[] = {
        {folder.path() + "ffmpeg.exe", {ERROR_FILE_NOT_FOUND}},
        {folder.path() + "No Such Folder\\ffmpeg.exe",
         {ERROR_PATH_NOT_FOUND, ERROR_FILE_NOT_FOUND}},
        // Not a program at all.
        {folder.make("clip.exe", 0, "not a program"),
         {ERROR_BAD_EXE_FORMAT, ERROR_EXE_MACHINE_TYPE_MISMATCH}},
    };
    for (const Row& row : rows) {
        int pumps = 0;
        const RunResult result =
            quillaro::runProcess(probeCommand({"exit", "0"}, row.program), 0, [&] { ++pumps; });
        EXPECT_EQ(result.outcome, RunResult::Outcome::NotStarted) << row.program;
        EXPECT_NE(std::find(row.errors.begin(), row.errors.end(), DWORD(result.startError)),
                  row.errors.end())
            << row.program << ": " << result.startError;
        EXPECT_EQ(result.value(), result.startError - 2147221504) << row.program;
        EXPECT_LT(result.value(), 0);
        EXPECT_FALSE(result.startErrorText.empty());
        EXPECT_EQ(pumps, 0) << "a failed start waits for nothing";
    }
}

TEST(RunAndWaitOnWindows, KeepsTheEndOfTheChildsErrorOutput) {
    struct Row {
        int dots;
        size_t keptBytes;
    };
    for (const Row row : {Row{0, 3}, Row{100, 103}, Row{10000, quillaro::stderrTailBytes}}) {
        const RunResult result = run({"spam", std::to_string(row.dots)});
        EXPECT_EQ(result.stderrTail.size(), row.keptBytes) << row.dots;
        EXPECT_TRUE(result.stderrTail.ends_with("END")) << row.dots;
    }
}

TEST(RunAndWaitOnWindows, TheChildReadsEndOfFileFromItsInput) {
    // Were the input ours (a console, a pipe), a child that reads would wait
    // for ever.
    EXPECT_EQ(run({"stdin"}).stderrTail, "read 0");
}

TEST(RunAndWaitOnWindows, ACrashIsReportedAsOne) {
    const RunResult result = run({"crash"});
    EXPECT_EQ(result.outcome, RunResult::Outcome::Crashed);
    EXPECT_EQ(static_cast<DWORD>(result.exitCode), DWORD(EXCEPTION_ACCESS_VIOLATION));
    EXPECT_EQ(static_cast<DWORD>(result.value()), DWORD(EXCEPTION_ACCESS_VIOLATION));
}

TEST(RunAndWaitOnWindows, PumpsWhileTheChildRuns) {
    int pumps = 0;
    const RunResult result = run({"sleep", "300"}, 0, [&] { ++pumps; });
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_GT(pumps, 1);
}

TEST(RunAndWaitOnWindows, ARunStartedFromThePumpEndsBeforeTheOuterOne) {
    std::vector<std::string> events;
    bool nested = false;
    const RunResult outer = run({"exit", "0"}, 0, {});
    ASSERT_EQ(outer.exitCode, 0);
    const RunResult result = run({"sleep", "50"}, 0, [&] {
        if (nested)
            return;
        nested = true;
        // The outer child ends long before this one; the outer call must
        // still wait for the inner one, beneath which it is suspended.
        events.push_back("inner starts");
        const RunResult inner = run({"sleep", "400"}, 0, {});
        events.push_back("inner ends " + std::to_string(inner.exitCode));
    });
    events.push_back("outer ends " + std::to_string(result.exitCode));
    EXPECT_EQ(events, (std::vector<std::string>{"inner starts", "inner ends 0", "outer ends 0"}));
}

// Handles open in this process, found by asking after every small handle
// value: GetProcessHandleCount is no help under Wine, where it counts nothing.
int openHandleCount() {
    int count = 0;
    for (std::uintptr_t value = 4; value < 65536; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags))
            ++count;
    }
    return count;
}

TEST(RunAndWaitOnWindows, ClosesEveryHandleItOpens) {
    run({"exit", "0"}); // the first run may load libraries that keep handles
    const int before = openHandleCount();
    for (int i = 0; i < 10; ++i) {
        run({"spam", "10"});
        run({"exit", "0"}, 0, [] {});
    }
    quillaro::runProcess(probeCommand({}, R"(C:\no\such\program.exe)"), 0, {});
    // Each leaked handle per run would add 20.
    EXPECT_LE(openHandleCount(), before + 4);
}

} // namespace
