#include "convert/ChildWatch.h"
#include "convert/ProcessRunner.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
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
#include <utility>
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
// the cheapest, and it can be sealed against growing.
UniqueFd openAnonymousFile() {
#ifdef MFD_CLOEXEC
    const int memory = ::memfd_create("quillaro-stderr", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (memory >= 0)
        return UniqueFd(memory);
#endif
    // A file on disk cannot be sealed: whatever the child leaves running
    // with it can go on filling it, the disk rather than the memory.
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

// Once sealed, a memory file can no longer grow (nor change, where the
// system allows): a process the child left behind with it can write no
// more, and is told so (EPERM) rather than killed.
void sealFile(int fd) {
#ifdef F_SEAL_GROW
    if (::fcntl(fd, F_ADD_SEALS, F_SEAL_GROW | F_SEAL_SHRINK | F_SEAL_WRITE) != 0)
        ::fcntl(fd, F_ADD_SEALS, F_SEAL_GROW | F_SEAL_SHRINK);
#else
    (void)fd;
#endif
}

// The error files of the children running now, so that the program, ending,
// can seal them: a child that outlives it must not fill the memory either.
class RunningErrorFiles {
public:
    void add(int fd) {
        const std::lock_guard lock(m_mutex);
        m_fds.push_back(fd);
    }
    void remove(int fd) {
        const std::lock_guard lock(m_mutex);
        m_fds.erase(std::find(m_fds.begin(), m_fds.end(), fd));
    }
    void sealAll() {
        const std::lock_guard lock(m_mutex);
        for (const int fd : m_fds)
            sealFile(fd);
    }

private:
    std::mutex m_mutex;
    std::vector<int> m_fds;
};

RunningErrorFiles& runningErrorFiles() {
    static RunningErrorFiles files;
    return files;
}

// The child's standard error. The child appends to it; while it runs, all
// but the end is punched out, so that however much it writes, the memory (or
// disk) held stays a few hundred KiB, plus what it writes between two looks.
// Once the child has ended it is sealed.
class ErrorFile {
public:
    ErrorFile()
        : m_fd(openAnonymousFile()) {
        if (m_fd.valid())
            runningErrorFiles().add(m_fd.get());
    }
    ErrorFile(const ErrorFile&) = delete;
    ErrorFile& operator=(const ErrorFile&) = delete;
    ~ErrorFile() {
        if (m_fd.valid())
            runningErrorFiles().remove(m_fd.get());
    }

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

    void seal() {
        if (m_fd.valid())
            sealFile(m_fd.get());
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

// Looks whether the child holds the watched file open, through the links to
// its open files that /proc keeps. Only the child's own descriptors count:
// another program writing the same path is no evidence.
class OutputWitness {
public:
    OutputWitness(const std::string& path, pid_t pid)
        : m_path(path)
        , m_openFiles("/proc/" + std::to_string(pid) + "/fd") {}

    void look() {
        if (m_path.empty() || m_seen.held)
            return;
        if (!std::exchange(m_probed, true))
            m_seen.watched =
                UniqueFd(::open(m_openFiles.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)).valid();
        struct stat wanted {};
        if (!m_seen.watched || ::lstat(m_path.c_str(), &wanted) != 0)
            return;
        DIR* const entries = ::opendir(m_openFiles.c_str());
        if (!entries)
            return;
        while (const dirent* entry = ::readdir(entries)) {
            struct stat open {};
            if (entry->d_name[0] != '.' &&
                ::fstatat(::dirfd(entries), entry->d_name, &open, 0) == 0 &&
                open.st_dev == wanted.st_dev && open.st_ino == wanted.st_ino) {
                m_seen.held = FileId{static_cast<std::uint64_t>(wanted.st_dev),
                                     static_cast<std::uint64_t>(wanted.st_ino)};
                break;
            }
        }
        ::closedir(entries);
    }

    const FileWitness& seen() const { return m_seen; }

private:
    std::string m_path;
    std::string m_openFiles;
    bool m_probed = false;
    FileWitness m_seen;
};

// A descriptor that becomes readable the moment the child ends, where the
// system has them.
UniqueFd openPidfd(pid_t pid) {
#ifdef SYS_pidfd_open
    return UniqueFd(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
#else
    (void)pid;
    return UniqueFd();
#endif
}

// Looks after the child (see WatchChildUntil), then reaps it. Without a
// pidfd, waitpid is asked now and then. A child reaped by someone else
// cannot report its end; it counts as ended with code 0.
class ChildWatcher {
public:
    ChildWatcher(pid_t pid, ErrorFile& errors, OutputWitness& witness)
        : m_pid(pid)
        , m_pidfd(openPidfd(pid))
        , m_errors(errors)
        , m_witness(witness) {}

    bool watchUntil(EventPump::Clock::time_point deadline) {
        for (;;) {
            m_witness.look();
            m_errors.trim();
            const int wait = millisecondsToNextLook(deadline);
            if (m_pidfd.valid()) {
                pollfd entry{m_pidfd.get(), POLLIN, 0};
                const int ready = ::poll(&entry, 1, wait);
                if (ready > 0 || (ready < 0 && errno != EINTR))
                    return reap();
            } else {
                const pid_t got = ::waitpid(m_pid, &m_status, WNOHANG);
                if (got != 0 && !(got < 0 && errno == EINTR))
                    return ended(got);
                const timespec slice{0, wait * 1'000'000L};
                ::nanosleep(&slice, nullptr);
            }
            if (EventPump::Clock::now() >= deadline)
                return false;
        }
    }

    int status() const { return m_status; }

private:
    // Ended, not yet reaped: what it wrote is trimmed a last time and sealed
    // before its end is made known.
    bool reap() {
        closeErrorFile();
        pid_t got;
        do
            got = ::waitpid(m_pid, &m_status, 0);
        while (got < 0 && errno == EINTR);
        if (got != m_pid)
            m_status = 0;
        return true;
    }

    bool ended(pid_t got) {
        if (got != m_pid)
            m_status = 0;
        closeErrorFile();
        return true;
    }

    void closeErrorFile() {
        m_errors.trim();
        m_errors.seal();
    }

    pid_t m_pid;
    UniqueFd m_pidfd;
    ErrorFile& m_errors;
    OutputWitness& m_witness;
    int m_status = 0;
};

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

void sealErrorFilesOfRunningChildren() {
    runningErrorFiles().sealAll();
}

RunResult runProcess(const Command& command, std::optional<int> windowStyle, EventPump& pump,
                     const std::string& watchedFile) {
    // There is no window to show on POSIX.
    (void)windowStyle;

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

    OutputWitness witness(watchedFile, pid);
    ChildWatcher watcher(pid, errors, witness);
    watchBesidePump(pump, [&](auto deadline) { return watcher.watchUntil(deadline); });
    const int status = watcher.status();

    RunResult result;
    result.watchedFile = witness.seen();
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
