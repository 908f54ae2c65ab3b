#include "tests/convert/TestFiles.h"

#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

// Only POSIX seals the error file for good, and /proc shows what that file
// holds and who holds it.
namespace {

// The status of the runner's error file, found among the open files of a
// process (ours by default).
std::optional<struct stat> errorFileStatus(const std::string& openFiles = "/proc/self/fd") {
    std::error_code error;
    for (const auto& fd : std::filesystem::directory_iterator(openFiles, error)) {
        struct stat status {};
        if (std::filesystem::read_symlink(fd, error).string().find("quillaro-stderr") !=
                std::string::npos &&
            ::stat(fd.path().c_str(), &status) == 0)
            return status;
    }
    return std::nullopt;
}

TEST(ErrorFile, KeepsOnlyTheTailOfStandardErrorAndPassesOnNoDescriptorOfOurs) {
    // One without close-on-exec, as a library might leave it. What the child
    // wrote before its last words is let go while it runs, and it is reaped
    // as soon as it ends, even while a handler keeps the pump from returning
    // (a modal box asking a question).
    TempFolder folder;
    const int ours = ::open("/bin/sh", O_RDONLY);
    const std::string script = "echo $$ >" + folder.file("pid") +
                               "; head -c 9000000 /dev/zero >&2; sleep 0.3; [ -e /proc/$$/fd/" +
                               std::to_string(ours) + " ] && echo leaked >&2";
    long long held = -1;
    bool reaped = false;
    const auto result =
        quillaro::runProcess({"/bin/sh", {{"-c"}, {script}}}, 0, [&, first = true]() mutable {
            for (int waits = 0; first && waits < 500 && !reaped; ++waits) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                const std::string pid = readFile(folder.file("pid"));
                reaped = pid.ends_with('\n') &&
                         !std::filesystem::exists("/proc/" + pid.substr(0, pid.size() - 1));
            }
            first = false;
            if (const auto status = errorFileStatus())
                held = std::max(held, static_cast<long long>(status->st_blocks) * 512);
        });
    ::close(ours);
    EXPECT_EQ(result.stderrTail, std::string(quillaro::stderrTailBytes, '\0'));
    EXPECT_TRUE(reaped && held >= 0 && held < 1024 * 1024) << reaped << ", " << held;
}

TEST(ErrorFile, NothingLeftRunningGrowsTheErrorFile) {
    // A process the encoder left behind writing there, and an encoder still
    // running when the program ends: their writes fail from then on, and
    // they go on.
    const auto grows = [](const std::string& openFiles) {
        const auto before = errorFileStatus(openFiles);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const auto after = errorFileStatus(openFiles);
        return !before || !after || before->st_size != after->st_size ||
               before->st_blocks != after->st_blocks;
    };
    const std::string tail = run({"orphan 1"}).stderrTail;
    // Every line it writes is "orphan PID".
    const std::size_t said = tail.rfind("orphan ");
    ASSERT_NE(said, std::string::npos) << tail;
    const std::string process = "/proc/" + tail.substr(said + 7, tail.find('\n', said) - said - 7);
    EXPECT_FALSE(grows(process + "/fd"));
    const std::string state = readFile(process + "/stat");
    EXPECT_TRUE(!state.empty() && state.find(") Z ") == std::string::npos) << state;

    bool grew = true;
    const auto outlived = run({"scribble 0.5"}, 0, [&, sealed = false]() mutable {
        if (!std::exchange(sealed, true)) {
            quillaro::sealErrorFilesOfRunningChildren();
            grew = grows("/proc/self/fd");
        }
    });
    EXPECT_TRUE(!grew && outlived.succeeded()) << grew;
}

} // namespace
