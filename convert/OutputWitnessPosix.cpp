#include "convert/OutputWitness.h"
#include "convert/UniqueFd.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#ifdef __linux__
#include <sys/inotify.h>
#endif
#include <sys/stat.h>
#include <unistd.h>

namespace quillaro {

namespace {

bool sameFile(const struct stat& one, const struct stat& other) {
    return one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

FileId idOf(const struct stat& status) {
    return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

std::int64_t nanoseconds(const timespec& time) {
    return std::int64_t{time.tv_sec} * 1'000'000'000 + time.tv_nsec;
}

FileFacts factsOf(const struct stat& status) {
    return {static_cast<std::uint64_t>(status.st_size), nanoseconds(status.st_mtim),
            nanoseconds(status.st_ctim)};
}

// Told of every write, change of its record and writer letting it go of
// the file `pin` holds, from now on; none where the system cannot tell.
UniqueFd watchChanges(int pin) {
#ifdef __linux__
    UniqueFd changes(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    const std::string file = "/proc/self/fd/" + std::to_string(pin);
    if (changes.valid() && ::inotify_add_watch(changes.get(), file.c_str(),
                                               IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE) < 0)
        changes.reset();
    return changes;
#else
    (void)pin;
    return UniqueFd();
#endif
}

using Since = FileWitness::Since;

// What was done to the file, going on from `since` with what `changes` has
// to tell: a writer's work and then its letting go, and nothing after, is an
// encoder's last writes before it ended. Reading forgets it. With no watch
// (-1), nothing is told.
Since changesSince(int changes, Since since) {
#ifdef __linux__
    alignas(inotify_event) char events[4096];
    for (ssize_t got; (got = ::read(changes, events, sizeof events)) > 0;) {
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(events + at);
            if (since != Since::Nothing || (event->mask & IN_Q_OVERFLOW))
                return Since::More; // changed after the letting go, or unknown
            if (event->mask & IN_CLOSE_WRITE)
                since = Since::WrittenThenLetGo;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
#else
    (void)changes;
#endif
    return since;
}

// A write lease is only granted to the one opener of a file: while we hold
// it, no other program has the file open, and one that opens it now waits
// until we let go. Why the file must stay when there is none to be had.
class Lease {
public:
    explicit Lease(int fd)
        : m_fd(fd) {
#if defined(F_SETLEASE) && defined(F_SETSIG)
        // An open by someone else while the lease is held would be told to
        // us by a signal, by default SIGIO, which would end the program;
        // SIGURG is ignored unless handled.
        if (::fcntl(fd, F_SETSIG, SIGURG) != 0)
            m_refusal = LeftOutput::Unsure;
        else if (::fcntl(fd, F_SETLEASE, F_WRLCK) != 0)
            m_refusal = errno == EAGAIN ? LeftOutput::InUse : LeftOutput::Unsure;
#else
        m_refusal = LeftOutput::Unsure;
#endif
    }
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    ~Lease() {
#if defined(F_SETLEASE)
        if (!m_refusal)
            ::fcntl(m_fd, F_SETLEASE, F_UNLCK);
#endif
    }

    const std::optional<LeftOutput>& refusal() const {
        return m_refusal;
    }

private:
    int m_fd;
    std::optional<LeftOutput> m_refusal;
};

} // namespace

std::optional<FileId> fileIdentity(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return std::nullopt;
    return idOf(status);
}

// Through the links to its open files that /proc keeps.
void OutputWitness::look(const RunningChild& encoder) {
    if (m_cannotTell)
        return;
    const std::string openFiles = "/proc/" + std::to_string(encoder.pid) + "/fd/";
    if (!std::exchange(m_probed, true)) {
        m_seen.watched =
            UniqueFd(::open(openFiles.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)).valid();
        m_cannotTell = !m_seen.watched;
        if (m_cannotTell)
            return;
    }
    // Still held by the descriptor it was seen by: its facts as they are now,
    // and what was done to it until then is the encoder's. Read and looked
    // at in this order, so that nothing done after the encoder let it go is
    // forgotten.
    struct stat pinned {};
    struct stat open {};
    if (m_seen.pin.valid()) {
        const Since since = changesSince(m_seen.changes.get(), m_seen.since);
        if (::fstat(m_seen.pin.get(), &pinned) == 0 &&
            ::stat((openFiles + m_heldAs).c_str(), &open) == 0 && sameFile(open, pinned)) {
            m_seen.facts = factsOf(pinned);
            m_seen.since = Since::Nothing;
            return;
        }
        m_seen.since = since;
    }
    struct stat wanted {};
    if (::lstat(m_output.c_str(), &wanted) != 0)
        return;
    DIR* const entries = ::opendir(openFiles.c_str());
    if (!entries)
        return;
    while (const dirent* entry = ::readdir(entries)) {
        if (entry->d_name[0] == '.' || ::fstatat(::dirfd(entries), entry->d_name, &open, 0) != 0 ||
            !sameFile(open, wanted))
            continue;
        // Opened from the encoder's own descriptor, and checked after: the
        // encoder may have closed it and used the number again meanwhile.
        UniqueFd pin(::openat(::dirfd(entries), entry->d_name, O_PATH | O_CLOEXEC));
        if (pin.valid() && ::fstat(pin.get(), &pinned) == 0 && sameFile(pinned, wanted)) {
            m_seen.held = idOf(pinned);
            m_seen.changes = watchChanges(pin.get());
            m_seen.since = Since::Nothing;
            m_seen.pin = std::move(pin);
            m_seen.facts = factsOf(pinned);
            m_heldAs = entry->d_name;
        }
        break;
    }
    ::closedir(entries);
}

LeftOutput removeLeftOutput(const std::string& output, const FileWitness& witness) {
    struct stat named {};
    if (::lstat(output.c_str(), &named) != 0)
        return errno == ENOENT ? LeftOutput::None : LeftOutput::Unsure;
    // Our encoder, run as us, makes a regular file with one name; it is
    // opened only once it is known to be one (a FIFO would block the open).
    if (!S_ISREG(named.st_mode) || named.st_nlink != 1 || named.st_uid != ::geteuid())
        return LeftOutput::NotPlain;

    const UniqueFd fd(::open(output.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat opened {};
    if (!fd.valid() || ::fstat(fd.get(), &opened) != 0 || !sameFile(named, opened))
        return LeftOutput::Unsure;
    const Lease lease(fd.get());
    if (lease.refusal())
        return *lease.refusal();
    // Only the very file our encoder was seen holding is its work: held by
    // the pin, its number can have gone to no other file. And it is that
    // work only if nobody has written to it since; with the lease, nobody
    // can from here on.
    if (!witness.watched)
        return LeftOutput::Unsure;
    if (!witness.pin.valid() || witness.held != idOf(opened))
        return LeftOutput::NotOurs;
    const Since since = changesSince(witness.changes.get(), witness.since);
    if (since == Since::More || (since == Since::Nothing && (::fstat(fd.get(), &opened) != 0 ||
                                                             factsOf(opened) != witness.facts)))
        return LeftOutput::Unsure;
    // The name must still lead to the file that was looked at.
    struct stat again {};
    if (::lstat(output.c_str(), &again) != 0 || !sameFile(again, opened) ||
        ::unlink(output.c_str()) != 0)
        return LeftOutput::Unsure;
    return LeftOutput::Removed;
}

} // namespace quillaro
