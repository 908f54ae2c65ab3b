#include "convert/EncoderCommand.h"
#include "tests/convert/FakeMp4.h"
#include "tests/convert/TestFiles.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <tuple>

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <unistd.h>
#endif

namespace {

using quillaro::RunResult;

#ifdef _WIN32
// Asks after every small handle value: GetProcessHandleCount is no help under
// Wine, where it counts nothing.
int openHandleCount() {
    int count = 0;
    for (DWORD flags = 0, value = 4; value < 65536; value += 4)
        count += GetHandleInformation(reinterpret_cast<HANDLE>(ULONG_PTR{value}), &flags) ? 1 : 0;
    return count;
}
#else
int openHandleCount() {
    return int(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}));
}
#endif

TEST(RunAndWait, GivesWhatTheChildDidAtOnceAndLeavesNoHandle) {
    // Were our input passed on (a console, a pipe, a file), a child that
    // reads it would wait or take it.
    ASSERT_TRUE(std::freopen(fakeEncoder().c_str(), "rb", stdin));
    TempFolder folder;
    writeFile(folder.file("clip.exe"), "neither a script nor a program");
    const std::tuple<const char*, int, std::string> rows[] = {
        {"stdin", 0, "read 0"},
#ifdef _WIN32
        // 259 is STILL_ACTIVE: a runner that polls the exit code would wait
        // for ever on a child that ends with it.
        {"exit 259", 259, ""},
        {"exit 2147483647", 0x7FFFFFFF, ""},
        {"crash", static_cast<int>(0xC0000005), ""},
#else
        {"exit 255", 255, ""},
        {"crash", 128 + SIGKILL, ""},
#endif
    };
    run({"exit 0"}); // the first run may load libraries that keep handles
    const int handles = openHandleCount();
    for (int round = 0; round < 3; ++round) {
        for (const auto& [directive, value, tail] : rows) {
            const RunResult result = run({directive});
            EXPECT_EQ(std::pair(result.value(), result.stderrTail), std::pair(value, tail))
                << directive;
        }
        for (const std::string& program : {folder.file("missing"), folder.file("clip.exe")}) {
            const RunResult result = run(
                "", 0, [] { ADD_FAILURE() << "a failed start waits for nothing"; }, program);
            EXPECT_TRUE(result.outcome == RunResult::Outcome::NotStarted && result.startError > 0);
            EXPECT_EQ(result.value(), result.startError + quillaro::startFailureBase);
        }
    }
    EXPECT_LE(openHandleCount(), handles + 4);
#ifdef _WIN32
    // The encoder runs hidden. Omitted, 6 and anything past it are "minimised
    // without focus", SW_SHOWMINNOACTIVE (7): Windows' own 6 would take the focus.
    std::string shown;
    for (const std::optional<int> style : std::vector<std::optional<int>>{std::nullopt, 0, 3, 6, 7})
        shown += run({"show"}, style).stderrTail + ",";
    EXPECT_EQ(shown, "7,0,3,7,7,");
#endif
}

#ifndef _WIN32
TEST(RunAndWait, ChildOutlivesTheProgram) {
    // The window is closed while the encoder runs: the program ends at once,
    // and the encoder's later writes must not kill it.
    TempFolder folder;
    const std::string input = folder.file("clip.wmv"), output = folder.file("clip.mp4");
    writeFile(input, "sleep 0.3\nstderr " + std::string(100000, '.'));
    if (::fork() == 0) {
        quillaro::RunAndWait(quillaro::encoderCommand(fakeEncoder(), input, output), 0,
                             [] { ::_exit(0); });
        ::_exit(1);
    }
    for (int tries = 0; tries < 100 && readFile(output).empty(); ++tries)
        ::usleep(50'000);
    EXPECT_EQ(readFile(output), fakeMp4("mp4 of " + input + "\n"));
}
#endif

} // namespace
