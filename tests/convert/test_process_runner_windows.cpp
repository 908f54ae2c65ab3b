#include "convert/EncoderCommand.h"
#include "convert/ProcessRunner.h"
#include "tests/convert/TestFiles.h"
#include "tests/support/WindowsTestFolder.h"

#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <windows.h>

namespace {

using quillaro::RunResult;
using Lines = std::vector<std::string>;

// The fake encoder, told what to do by its arguments.
RunResult run(Lines arguments, std::optional<int> style = 0, quillaro::PumpEvents pump = {},
              std::string program = fakeEncoder()) {
    quillaro::Command command{std::move(program), {}};
    for (std::string& argument : arguments)
        command.arguments.push_back({std::move(argument)});
    return quillaro::runProcess(command, style, pump);
}

TEST(RunAndWaitOnWindows, GivesWhatTheChildDidAndShowsItsWindowAsAsked) {
    // 259 is STILL_ACTIVE: a runner that polls the exit code would wait for
    // ever on a child that ends with it.
    for (const int code : {3, 259, 0x7FFFFFFF}) {
        const RunResult result = run({"exit " + std::to_string(code)});
        EXPECT_EQ(std::pair(result.outcome, result.value()),
                  std::pair(RunResult::Outcome::Exited, code));
    }
    EXPECT_EQ(run({"spam 10000"}).stderrTail,
              std::string(quillaro::stderrTailBytes - 1, '.') + "\n");
    // Were its input ours (a console, a pipe, a file), a child that reads
    // would wait or take it.
    ASSERT_TRUE(std::freopen(fakeEncoder().c_str(), "rb", stdin));
    EXPECT_EQ(run({"stdin"}).stderrTail, "read 0");

    // Omitted, negative, 6 and anything past it are "minimised without focus":
    // SW_SHOWMINNOACTIVE, which is 7; Windows' own 6 would take the focus.
    Lines shown{run({"show"}, std::nullopt).stderrTail};
    for (int style = -1; style <= 7; ++style)
        shown.push_back(run({"show"}, style).stderrTail);
    EXPECT_EQ(shown, (Lines{"1 7", "1 7", "1 0", "1 1", "1 2", "1 3", "1 4", "1 5", "1 7", "1 7"}));
}

TEST(RunAndWaitOnWindows, RunsTheEncoderWithTheFixedCommand) {
    // The program folder ends in a backslash only at a drive root. The fake
    // encoder tells what it got; the videos need not exist.
    WindowsTestFolder folder;
    folder.make("Program Files\\");
    folder.make("Prógram 日本\\");
    const char* drive = std::getenv("QUILLARO_TEST_DRIVE");
    const std::pair<std::string, std::string> rows[] = {
        {folder.path + "Program Files", R"(C:\Videos\clip.wmv)"},
        {folder.path + "Prógram 日本", R"(\\server\share\My Vidéos\clip one.wmv)"},
        {drive ? drive + std::string("\\") : folder.path, R"(C:\clip.WMV)"}};
    for (const auto& [programFolder, input] : rows) {
        const std::string encoder = quillaro::encoderPath(programFolder);
        EXPECT_EQ(encoder, programFolder + "\\ffmpeg.exe");
        ASSERT_TRUE(CopyFileW(quillaro::toUtf16(fakeEncoder()).c_str(),
                              quillaro::toUtf16(encoder).c_str(), FALSE));
        auto command = quillaro::encoderCommand(encoder, input, quillaro::outputPathFor(input));
        command.arguments.insert(command.arguments.begin(), {"args"});
        EXPECT_EQ(quillaro::runProcess(command, 0, {}).stderrTail,
                  "-i\n" + input + "\n-b\n600\n-vcodec\nmpeg4\n-ab\n128\n-acodec\naac\n" +
                      input.substr(0, input.size() - 3) + "mp4\n");
        DeleteFileW(quillaro::toUtf16(encoder).c_str());
    }
}

TEST(RunAndWaitOnWindows, ARunStartedFromThePumpEndsBeforeTheOuterOne) {
    // The outer child ends long before the inner one, beneath which the outer
    // call is suspended: it must still wait, then report its own child's code.
    Lines order;
    int innerPumps = 0;
    const RunResult outer = run({"sleep 0.05", "exit 5"}, 0, [&] {
        if (order.empty())
            order.push_back("inner " + std::to_string(run({"sleep 0.4", "exit 4"}, 0, [&] {
                                                          ++innerPumps;
                                                      }).value()));
    });
    order.push_back("outer " + std::to_string(outer.value()));
    EXPECT_EQ(order, (Lines{"inner 4", "outer 5"}));
    EXPECT_GT(innerPumps, 1) << "the window is kept alive while a child runs";
}

// Handles open in this process, found by asking after every small handle
// value: GetProcessHandleCount is no help under Wine, where it counts nothing.
int openHandleCount() {
    int count = 0;
    for (DWORD flags = 0, value = 4; value < 65536; value += 4)
        count += GetHandleInformation(reinterpret_cast<HANDLE>(ULONG_PTR{value}), &flags) ? 1 : 0;
    return count;
}

TEST(RunAndWaitOnWindows, AFailedStartGivesANegativeResultAtOnceAndNoRunLeavesAHandle) {
    WindowsTestFolder folder;
    const std::string cannotStart[] = {folder.path + "ffmpeg.exe", folder.make("clip.exe")};
    run({"exit 0"}); // the first run may load libraries that keep handles
    const int before = openHandleCount();
    for (int i = 0; i < 10; ++i) {
        run({"spam 10"}, 0, [] {});
        const RunResult result = run(
            {}, 0, [] { ADD_FAILURE() << "a failed start waits for nothing"; }, cannotStart[i % 2]);
        EXPECT_TRUE(result.outcome == RunResult::Outcome::NotStarted && result.startError > 0)
            << cannotStart[i % 2];
        EXPECT_EQ(result.value(), result.startError + quillaro::startFailureBase);
    }
    EXPECT_LE(openHandleCount(), before + 4);
}

} // namespace
