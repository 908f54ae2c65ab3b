#include "convert/ProcessRunner.h"
#include "tests/convert/TestFiles.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <signal.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using quillaro::Command;
using quillaro::RunResult;

Command shell(const std::string& script) {
    return Command{"/bin/sh", {{"-c"}, {script}}};
}

TEST(ProcessRunner, ReturnsTheExitCodeOrAtOnceTheStartFailure) {
    TempFolder folder;
    writeFile(folder.file("not-executable"), "#!/bin/sh\n");
    const std::pair<Command, int> rows[] = {
        {shell("exit 0"), 0},
        {shell("exit 255"), 255},
        {shell("kill -SEGV $$"), 128 + SIGSEGV},
        {Command{folder.file("missing"), {}}, ENOENT + quillaro::startFailureBase},
        {Command{folder.file("not-executable"), {}}, EACCES + quillaro::startFailureBase},
    };
    for (const auto& [command, value] : rows) {
        int pumps = 0;
        EXPECT_EQ(quillaro::RunAndWait(command, std::nullopt, [&] { ++pumps; }), value);
        EXPECT_TRUE(value >= 0 || pumps == 0) << "a failed start waits for nothing";
    }
}

// Bytes of memory or disk that the runner's error file holds, found among
// this process's descriptors.
long long errorFileBytes() {
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        struct stat status {};
        if (std::filesystem::read_symlink(fd, error).string().find("quillaro-stderr") !=
                std::string::npos &&
            ::stat(fd.path().c_str(), &status) == 0)
            return static_cast<long long>(status.st_blocks) * 512;
    }
    return -1;
}

TEST(ProcessRunner, KeepsOnlyTheTailOfStandardErrorAndGivesNothingElseOfOurs) {
    // Were our standard input or a descriptor without close-on-exec passed on,
    // the child would copy /bin/sh or find the descriptor. What it wrote
    // before its last words is let go while it runs.
    const int saved = ::dup(STDIN_FILENO);
    const int ours = ::open("/bin/sh", O_RDONLY);
    ::dup2(ours, STDIN_FILENO);
    long long held = -1;
    const RunResult result = quillaro::runProcess(
        shell("head -c 9000000 /dev/zero >&2; sleep 0.3; cat >&2; [ -e /proc/$$/fd/" +
              std::to_string(ours) + " ] && echo leaked >&2"),
        0, [&] { held = errorFileBytes(); });
    ::dup2(saved, STDIN_FILENO);
    ::close(saved);
    ::close(ours);
    EXPECT_EQ(result.stderrTail, std::string(quillaro::stderrTailBytes, '\0'));
    EXPECT_TRUE(held >= 0 && held < 1024 * 1024) << held;
}

TEST(ProcessRunner, NestedCallReturnsFirst) {
    std::vector<std::string> order;
    // The outer child ends long before the inner one: the outer call must still
    // wait for the inner call, then report its own child's code.
    const auto pump = [&] {
        if (order.empty())
            order.push_back("inner " + std::to_string(quillaro::RunAndWait(
                                           shell("sleep 0.3; exit 4"), 0, [] {})));
    };
    order.push_back("outer " +
                    std::to_string(quillaro::RunAndWait(shell("sleep 0.05; exit 5"), 0, pump)));
    EXPECT_EQ(order, (std::vector<std::string>{"inner 4", "outer 5"}));
}

TEST(ProcessRunner, ChildOutlivesTheProgram) {
    TempFolder folder;
    const std::string done = folder.file("done");
    const pid_t program = ::fork();
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
        ::usleep(50'000);
    EXPECT_EQ(readFile(done), "finished\n");
}

} // namespace
