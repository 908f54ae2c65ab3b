#include "convert/ProcessRunner.h"
#include "tests/convert/TempFolder.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using quillaro::Command;
using quillaro::RunResult;

Command shell(const std::string& script) {
    return Command{"/bin/sh", {{"-c"}, {script}}};
}

TEST(ProcessRunner, WindowStyleIsNormalised) {
    const struct {
        std::optional<int> given;
        int used;
    } rows[] = {{std::nullopt, 6}, {-1, 6}, {7, 6}, {0, 0}, {5, 5}, {6, 6}};
    for (const auto& row : rows)
        EXPECT_EQ(quillaro::normaliseWindowStyle(row.given), row.used) << row.given.value_or(-99);
}

TEST(ProcessRunner, HowTheChildEnded) {
    const struct {
        const char* script;
        RunResult::Outcome outcome;
        std::int32_t value;
        const char* lastLine;
    } rows[] = {
        {"exit 0", RunResult::Outcome::Exited, 0, ""},
        {"echo oops >&2; exit 1", RunResult::Outcome::Exited, 1, "oops"},
        {"exit 255", RunResult::Outcome::Exited, 255, ""},
        {"echo dying >&2; kill -SEGV $$", RunResult::Outcome::Crashed, 128 + SIGSEGV, "dying"},
    };
    for (const auto& row : rows) {
        const RunResult result = quillaro::runProcess(shell(row.script), 0, {});
        EXPECT_EQ(result.outcome, row.outcome) << row.script;
        EXPECT_EQ(result.value(), row.value) << row.script;
        EXPECT_EQ(quillaro::RunAndWait(shell(row.script), std::nullopt, {}), row.value);
        EXPECT_EQ(quillaro::lastNonEmptyLine(result.stderrTail), row.lastLine);
    }
}

TEST(ProcessRunner, StartFailureReturnsAtOnceWithTheBase) {
    TempFolder folder;
    writeFile(folder.file("not-executable"), "#!/bin/sh\n");
    const struct {
        std::string program;
        int error;
    } rows[] = {{folder.file("missing"), ENOENT},
                {folder.file("not-executable"), EACCES},
                {folder.path().string(), EACCES}};
    for (const auto& row : rows) {
        int pumps = 0;
        const RunResult result =
            quillaro::runProcess(Command{row.program, {}}, 0, [&pumps] { ++pumps; });
        EXPECT_EQ(result.outcome, RunResult::Outcome::NotStarted) << row.program;
        EXPECT_EQ(result.value(), row.error + quillaro::startFailureBase) << row.program;
        EXPECT_FALSE(result.startErrorText.empty());
        EXPECT_EQ(pumps, 0) << "a failed start waits for nothing";
    }
    // Large Windows error numbers wrap around like a 32-bit addition.
    RunResult large;
    large.outcome = RunResult::Outcome::NotStarted;
    large.startError = 0x7FFFFFFF;
    EXPECT_EQ(large.value(), 0x0003FFFF);
}

TEST(ProcessRunner, KeepsTheTailOfStandardError) {
    const RunResult result = quillaro::runProcess(
        shell("i=0; while [ $i -lt 200 ]; do echo 'frame=   12 fps=0.0 q=2.0 size=1kB' >&2; "
              "i=$((i+1)); done; printf 'Conversion failed!\\n\\n' >&2; exit 1"),
        0, {});
    EXPECT_EQ(result.stderrTail.size(), quillaro::stderrTailBytes);
    EXPECT_EQ(quillaro::lastNonEmptyLine(result.stderrTail), "Conversion failed!");
}

TEST(ProcessRunner, ChildGetsTheNullDeviceAndNothingElseOfOurs) {
    TempFolder folder;
    const int held = ::open(folder.file("held").c_str(), O_CREAT | O_WRONLY, 0600); // inheritable
    ASSERT_GE(held, 0);
    // `cat` would wait forever on an inherited terminal or pipe.
    const RunResult result =
        quillaro::runProcess(shell("cat; readlink /proc/$$/fd/0 >&2; [ -e /proc/$$/fd/" +
                                   std::to_string(held) + " ] && echo leaked >&2; exit 0"),
                             0, {});
    ::close(held);
    EXPECT_EQ(result.stderrTail, "/dev/null\n");
}

TEST(ProcessRunner, NestedCallReturnsFirst) {
    std::vector<std::string> order;
    int pumps = 0;
    // The outer child ends long before the inner one: the outer call must still
    // wait for the inner call, then report its own child's code.
    const auto pump = [&] {
        if (pumps++ == 0)
            order.push_back(
                "inner " + std::to_string(quillaro::RunAndWait(shell("sleep 0.3; exit 4"), 0, {})));
    };
    order.push_back("outer " +
                    std::to_string(quillaro::RunAndWait(shell("sleep 0.05; exit 5"), 0, pump)));
    EXPECT_EQ(order, (std::vector<std::string>{"inner 4", "outer 5"}));
}

TEST(ProcessRunner, ChildOutlivesTheProgram) {
    TempFolder folder;
    const std::string done = folder.file("done");
    const pid_t program = ::fork();
    ASSERT_GE(program, 0);
    if (program == 0) {
        // The window is closed while the encoder runs: the program ends at
        // once, and the encoder's later writes must not kill it.
        quillaro::RunAndWait(shell("sleep 0.3; echo still writing >&2; echo finished > " + done), 0,
                             [] { ::_exit(0); });
        ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(program, &status, 0), program);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the pump never ran";
    for (int tries = 0; tries < 100 && readFile(done).empty(); ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(readFile(done), "finished\n");
}

TEST(LastNonEmptyLine, SkipsBlankAndProgressLines) {
    const struct {
        const char* text;
        const char* line;
    } rows[] = {{"", ""},
                {"one\r\ntwo\r\n\r\n  \n", "two"},
                {"frame=1\rframe=2\r", "frame=2"},
                {"  padded  ", "padded"}};
    for (const auto& row : rows)
        EXPECT_EQ(quillaro::lastNonEmptyLine(row.text), row.line) << row.text;
}

} // namespace
