#include "convert/ProcessRunner.h"
#include "tests/convert/TempFolder.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
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

RunResult runQuietly(const Command& command) {
    return quillaro::runProcess(command, 0, {});
}

TEST(ProcessRunner, WindowStyleIsNormalised) {
    const struct {
        std::optional<int> given;
        int used;
    } rows[] = {{std::nullopt, 6}, {-1, 6}, {7, 6}, {0, 0}, {5, 5}, {6, 6}, {3, 3}};
    for (const auto& row : rows)
        EXPECT_EQ(quillaro::normaliseWindowStyle(row.given), row.used)
            << (row.given ? std::to_string(*row.given) : "omitted");
}

TEST(ProcessRunner, ResultValueFollowsTheOutcome) {
    const struct {
        RunResult::Outcome outcome;
        int exitCode, signal, startError;
        std::int32_t value;
    } rows[] = {
        {RunResult::Outcome::Exited, 0, 0, 0, 0},
        {RunResult::Outcome::Exited, 259, 0, 0, 259},
        {RunResult::Outcome::NotStarted, 0, 0, 53, -2147221451},
        {RunResult::Outcome::NotStarted, 0, 0, 2, -2147221502},
        // Windows error numbers can be large; the sum wraps like a 32-bit add.
        {RunResult::Outcome::NotStarted, 0, 0, 0x7FFFFFFF, 0x0003FFFF},
        {RunResult::Outcome::Crashed, 0, 11, 0, 139},
    };
    for (const auto& row : rows) {
        RunResult result;
        result.outcome = row.outcome;
        result.exitCode = row.exitCode;
        result.signal = row.signal;
        result.startError = row.startError;
        EXPECT_EQ(result.value(), row.value) << row.startError;
    }
}

TEST(ProcessRunner, ReturnsTheExitCode) {
    for (int code : {0, 1, 3, 255}) {
        const RunResult result = runQuietly(shell("exit " + std::to_string(code)));
        EXPECT_EQ(result.outcome, RunResult::Outcome::Exited);
        EXPECT_EQ(result.exitCode, code);
        EXPECT_EQ(quillaro::RunAndWait(shell("exit " + std::to_string(code)), {}, {}), code);
    }
}

TEST(ProcessRunner, CrashIsNotAnExitCode) {
    const RunResult result = runQuietly(shell("echo dying >&2; kill -SEGV $$"));
    EXPECT_EQ(result.outcome, RunResult::Outcome::Crashed);
    EXPECT_EQ(result.signal, SIGSEGV);
    EXPECT_FALSE(result.succeeded());
    EXPECT_EQ(result.value(), 128 + SIGSEGV);
    EXPECT_EQ(quillaro::lastNonEmptyLine(result.stderrTail), "dying");
}

TEST(ProcessRunner, StartFailureReturnsAtOnceWithTheBase) {
    TempFolder folder;
    writeFile(folder.file("not-executable"), "#!/bin/sh\n");
    const struct {
        std::string program;
        int error;
    } rows[] = {{folder.file("missing"), ENOENT},
                {folder.file("not-executable"), EACCES},
                {folder.path().string(), EACCES},
                {"", ENOENT}};
    for (const auto& row : rows) {
        int pumps = 0;
        const RunResult result =
            quillaro::runProcess(Command{row.program, {}}, 0, [&pumps] { ++pumps; });
        EXPECT_EQ(result.outcome, RunResult::Outcome::NotStarted) << row.program;
        EXPECT_EQ(result.startError, row.error) << row.program;
        EXPECT_FALSE(result.startErrorText.empty());
        EXPECT_EQ(result.value(), row.error + quillaro::startFailureBase);
        EXPECT_EQ(pumps, 0) << "a failed start waits for nothing";
    }
}

TEST(ProcessRunner, ArgumentsArePassedWithoutAShell) {
    TempFolder folder;
    const std::string record = folder.file("argv");
    const std::vector<std::string> tricky{"$HOME", "a b", "it's", "\"q\"", "*", ";exit 3", "ü", ""};
    Command command{"/bin/sh",
                    {{"-c"}, {R"(for a in "$@"; do printf '%s|' "$a"; done > "$0")"}, {record}}};
    std::string expected;
    for (const std::string& argument : tricky) {
        command.arguments.push_back({argument, true});
        expected += argument + "|";
    }
    EXPECT_EQ(runQuietly(command).exitCode, 0);
    EXPECT_EQ(readFile(record), expected);
}

TEST(ProcessRunner, KeepsTheTailOfStandardError) {
    const RunResult result = runQuietly(
        shell("i=0; while [ $i -lt 200 ]; do echo 'frame=   12 fps=0.0 q=2.0 size=1kB' >&2; "
              "i=$((i+1)); done; printf 'Conversion failed!\\n\\n' >&2; exit 1"));
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.stderrTail.size(), quillaro::stderrTailBytes);
    EXPECT_EQ(quillaro::lastNonEmptyLine(result.stderrTail), "Conversion failed!");
}

TEST(ProcessRunner, StandardInputIsTheNullDevice) {
    // `cat` would wait forever on an inherited terminal or pipe.
    const RunResult result = runQuietly(shell("cat; readlink /proc/$$/fd/0 >&2"));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.stderrTail, "/dev/null\n");
}

TEST(ProcessRunner, NoOtherDescriptorIsInherited) {
    TempFolder folder;
    const int open = ::open(folder.file("held").c_str(), O_CREAT | O_WRONLY, 0600); // no O_CLOEXEC
    ASSERT_GE(open, 0);
    const std::string fd = std::to_string(open);
    const RunResult result =
        runQuietly(shell("[ -e /proc/$$/fd/" + fd + " ] && echo leaked >&2; exit 0"));
    ::close(open);
    EXPECT_EQ(result.stderrTail, "");
}

TEST(ProcessRunner, PumpsEventsWhileTheChildRuns) {
    int pumps = 0;
    const RunResult result = quillaro::runProcess(shell("sleep 0.3"), 0, [&pumps] { ++pumps; });
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_GT(pumps, 0);
}

TEST(ProcessRunner, NestedCallReturnsFirst) {
    std::vector<std::string> order;
    bool nested = false;
    // The outer child ends long before the inner one: the outer call must still
    // wait for the inner call, then report its own child's code.
    const auto pump = [&] {
        if (nested)
            return;
        nested = true;
        order.push_back("inner " +
                        std::to_string(quillaro::RunAndWait(shell("sleep 0.3; exit 4"), 0, [] {})));
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
        // The window closes while the encoder runs: the program ends at once.
        quillaro::RunAndWait(
            shell("sleep 0.3; echo still writing >&2; echo finished > '" + done + "'"), 0,
            [] { ::_exit(0); });
        ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(program, &status, 0), program);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    for (int tries = 0; tries < 100 && readFile(done).empty(); ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(readFile(done), "finished\n");
}

TEST(LastNonEmptyLine, SkipsBlankAndProgressLines) {
    const struct {
        const char* text;
        const char* line;
    } rows[] = {
        {"", ""},
        {"one", "one"},
        {"one\ntwo\n", "two"},
        {"one\r\ntwo\r\n\r\n  \n", "two"},
        {"frame=1\rframe=2\r", "frame=2"},
        {"  padded  \n", "padded"},
        {"\n\n", ""},
    };
    for (const auto& row : rows)
        EXPECT_EQ(quillaro::lastNonEmptyLine(row.text), row.line) << row.text;
}

} // namespace
