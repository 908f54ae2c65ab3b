#include "convert/ChildWatch.h"
#include "convert/ProcessRunner.h"
#include "convert/UniqueFd.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <system_error>
#include <time.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace quillaro {

namespace {

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
    ChildWatcher(pid_t pid, ErrorFile& errors, const LookAtChild& look)
        : m_pid(pid)
        , m_pidfd(openPidfd(pid))
        , m_errors(errors)
        , m_look(look) {}

    bool watchUntil(EventPump::Clock::time_point deadline) {
        for (;;) {
            if (m_look)
                m_look({static_cast<std::uint32_t>(m_pid), m_errors.native()});
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
    // Ended, not yet reaped: what it wrote is made safe before its end is
    // made known.
    bool reap() {
        m_errors.closeAfterEnd();
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
        m_errors.closeAfterEnd();
        return true;
    }

    pid_t m_pid;
    UniqueFd m_pidfd;
    ErrorFile& m_errors;
    const LookAtChild& m_look;
    int m_status = 0;
};

RunResult notStarted(int error) {
    RunResult result;
    result.outcome = RunResult::Outcome::NotStarted;
    result.startError = error;
    result.startErrorText = std::generic_category().message(error);
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

RunResult runProcess(const Command& command, std::optional<int>, EventPump& pump,
                     const LookAtChild& look) {
    const UniqueFd nullDevice(::open("/dev/null", O_RDWR | O_CLOEXEC));
    if (!nullDevice.valid())
        return notStarted(errno);
    ErrorFile errors;

    SpawnSetup setup;
    setup.standardStreams(nullDevice.get(), nullDevice.get(),
                          errors.valid() ? errors.native() : nullDevice.get());
    setup.cleanSignals();

    pid_t pid = 0;
    const int spawnError = setup.spawn(&pid, command.argv());
    if (spawnError != 0)
        return notStarted(spawnError);

    ChildWatcher watcher(pid, errors, look);
    watchBesidePump(pump, [&](auto deadline) { return watcher.watchUntil(deadline); });
    const int status = watcher.status();

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
