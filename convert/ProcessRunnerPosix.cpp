#include "convert/ProcessRunner.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <system_error>
#include <time.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace quillaro {

namespace {

class UniqueFd {
public:
    explicit UniqueFd(int fd = -1)
        : fd_(fd) {}
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }

private:
    int fd_;
};

std::string errorText(int error) {
    return std::generic_category().message(error);
}

// A file with no name for the child's standard error: nothing is left behind
// whatever happens to either process, and unlike a pipe it never makes the
// child die of a broken pipe when this program ends first. A memory file is
// the cheapest.
UniqueFd openAnonymousFile() {
#ifdef MFD_CLOEXEC
    const int memory = ::memfd_create("quillaro-stderr", MFD_CLOEXEC);
    if (memory >= 0)
        return UniqueFd(memory);
#endif
    std::error_code error;
    std::string folder = std::filesystem::temp_directory_path(error).string();
    if (error || folder.empty())
        folder = "/tmp";
    std::string name = folder + "/quillaro-stderr-XXXXXX";
    const int named = ::mkostemp(name.data(), O_CLOEXEC);
    if (named >= 0)
        ::unlink(name.c_str());
    return UniqueFd(named);
}

// The child's standard error. The child appends to it; while it runs, all
// but the end is punched out, so that however much it writes, the memory (or
// disk) held stays a few hundred KiB, plus what it writes between two looks
// (a pump interval, unless a handler keeps us longer).
class ErrorFile {
public:
    ErrorFile()
        : m_fd(openAnonymousFile()) {}

    int fd() const { return m_fd.get(); }

    void trim() {
#ifdef FALLOC_FL_PUNCH_HOLE
        struct stat status {};
        if (!m_fd.valid() || ::fstat(m_fd.get(), &status) != 0)
            return;
        const off_t keepFrom = errorFileFreeUpTo(status.st_size, m_freedUpTo);
        if (keepFrom != m_freedUpTo &&
            ::fallocate(m_fd.get(), FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, m_freedUpTo,
                        keepFrom - m_freedUpTo) == 0)
            m_freedUpTo = keepFrom;
#endif
    }

    std::string tail() const {
        struct stat status {};
        if (!m_fd.valid() || ::fstat(m_fd.get(), &status) != 0 || status.st_size <= 0)
            return {};
        const off_t size = status.st_size;
        off_t offset = std::max<off_t>(0, size - static_cast<off_t>(stderrTailBytes));
        std::string tail(static_cast<std::size_t>(size - offset), '\0');
        std::size_t filled = 0;
        while (filled < tail.size()) {
            const ssize_t got =
                ::pread(m_fd.get(), tail.data() + filled, tail.size() - filled, offset);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            filled += static_cast<std::size_t>(got);
            offset += got;
        }
        tail.resize(filled);
        return tail;
    }

private:
    UniqueFd m_fd;
    off_t m_freedUpTo = 0;
};

// Waits on a pidfd, which becomes readable the moment the child ends. Returns
// false when pidfds are not available here, before any wait.
bool waitOnPidfd(pid_t pid, EventPump& pump, ErrorFile& errors) {
#ifdef SYS_pidfd_open
    const UniqueFd pidfd(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
    if (!pidfd.valid())
        return false;
    for (;;) {
        pollfd entry{pidfd.get(), POLLIN, 0};
        const int ready = ::poll(&entry, 1, waitMilliseconds(pump));
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return false;
        errors.trim();
        pump.poll();
    }
#else
    (void)pid;
    (void)pump;
    (void)errors;
    return false;
#endif
}

// Reaps the child, pumping events while it runs. A child reaped by someone
// else cannot report its end; it counts as ended with code 0.
int reap(pid_t pid, EventPump& pump, ErrorFile& errors) {
    for (;;) {
        int status = 0;
        const pid_t got = ::waitpid(pid, &status, WNOHANG);
        if (got == pid)
            return status;
        if (got < 0 && errno != EINTR)
            return 0;
        errors.trim();
        pump.poll();
        const timespec slice{0, 2'000'000};
        ::nanosleep(&slice, nullptr);
    }
}

int waitForEnd(pid_t pid, EventPump& pump, ErrorFile& errors) {
    if (waitOnPidfd(pid, pump, errors)) {
        int status = 0;
        pid_t got;
        do
            got = ::waitpid(pid, &status, 0);
        while (got < 0 && errno == EINTR);
        return got == pid ? status : 0;
    }
    return reap(pid, pump, errors);
}

RunResult notStarted(int error) {
    RunResult result;
    result.outcome = RunResult::Outcome::NotStarted;
    result.startError = error;
    result.startErrorText = errorText(error);
    return result;
}

class SpawnSetup {
public:
    SpawnSetup() {
        ::posix_spawn_file_actions_init(&actions_);
        ::posix_spawnattr_init(&attributes_);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
    ~SpawnSetup() {
        ::posix_spawnattr_destroy(&attributes_);
        ::posix_spawn_file_actions_destroy(&actions_);
    }

    void standardStreams(int input, int output, int error) {
        ::posix_spawn_file_actions_adddup2(&actions_, input, STDIN_FILENO);
        ::posix_spawn_file_actions_adddup2(&actions_, output, STDOUT_FILENO);
        ::posix_spawn_file_actions_adddup2(&actions_, error, STDERR_FILENO);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
        // Descriptors opened elsewhere without close-on-exec must not reach
        // the encoder either.
        ::posix_spawn_file_actions_addclosefrom_np(&actions_, STDERR_FILENO + 1);
#endif
    }

    // The child starts with no blocked signals and every signal at its
    // default, whatever this program ignores or blocks.
    void cleanSignals() {
        sigset_t none;
        sigemptyset(&none);
        sigset_t all;
        sigfillset(&all);
        ::posix_spawnattr_setsigmask(&attributes_, &none);
        ::posix_spawnattr_setsigdefault(&attributes_, &all);
        ::posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }

    int spawn(pid_t* pid, const std::vector<std::string>& arguments) {
        std::vector<char*> argv;
        argv.reserve(arguments.size() + 1);
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        return ::posix_spawn(pid, arguments.front().c_str(), &actions_, &attributes_, argv.data(),
                             environ);
    }

private:
    posix_spawn_file_actions_t actions_;
    posix_spawnattr_t attributes_;
};

} // namespace

RunResult runProcess(const Command& command, std::optional<int> windowStyle, EventPump& pump,
                     const std::string& watchedFile) {
    (void)watchedFile; // not watched yet
    // There is no window to show on POSIX; the style is only normalised.
    (void)normaliseWindowStyle(windowStyle);

    const UniqueFd nullDevice(::open("/dev/null", O_RDWR | O_CLOEXEC));
    if (!nullDevice.valid())
        return notStarted(errno);
    ErrorFile errors;

    SpawnSetup setup;
    setup.standardStreams(nullDevice.get(), nullDevice.get(),
                          errors.fd() >= 0 ? errors.fd() : nullDevice.get());
    setup.cleanSignals();

    pid_t pid = 0;
    const int spawnError = setup.spawn(&pid, command.argv());
    if (spawnError != 0)
        return notStarted(spawnError);

    const int status = waitForEnd(pid, pump, errors);

    RunResult result;
    if (WIFSIGNALED(status)) {
        result.outcome = RunResult::Outcome::Crashed;
        result.signal = WTERMSIG(status);
    } else {
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 0;
    }
    result.stderrTail = errors.tail();
    return result;
}

} // namespace quillaro
