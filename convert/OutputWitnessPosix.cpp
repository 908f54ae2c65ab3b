#include "convert/OutputWitness.h"
#include "convert/UniqueFd.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
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

// Why the file must stay if another open file description refers to it, or
// nothing when it is ours alone: a write lease is only granted to the one
// opener of a file. Where leases are not to be had, nobody can tell.
std::optional<LeftOutput> openElsewhere(int fd) {
#if defined(F_SETLEASE) && defined(F_SETSIG)
    // An open by someone else while the lease is held would be told to us
    // by a signal, by default SIGIO, which would end the program; SIGURG is
    // ignored unless handled.
    if (::fcntl(fd, F_SETSIG, SIGURG) != 0)
        return LeftOutput::Unsure;
    if (::fcntl(fd, F_SETLEASE, F_WRLCK) != 0)
        return errno == EAGAIN ? LeftOutput::InUse : LeftOutput::Unsure;
    ::fcntl(fd, F_SETLEASE, F_UNLCK);
    return std::nullopt;
#else
    (void)fd;
    return LeftOutput::Unsure;
#endif
}

} // namespace

// Through the links to its open files that /proc keeps.
void OutputWitness::look(const RunningChild& encoder) {
    if (m_seen.held || m_cannotTell)
        return;
    const std::string openFiles = "/proc/" + std::to_string(encoder.pid) + "/fd";
    if (!std::exchange(m_probed, true)) {
        m_seen.watched =
            UniqueFd(::open(openFiles.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)).valid();
        m_cannotTell = !m_seen.watched;
    }
    struct stat wanted {};
    if (!m_seen.watched || ::lstat(m_output.c_str(), &wanted) != 0)
        return;
    DIR* const entries = ::opendir(openFiles.c_str());
    if (!entries)
        return;
    while (const dirent* entry = ::readdir(entries)) {
        struct stat open {};
        if (entry->d_name[0] != '.' && ::fstatat(::dirfd(entries), entry->d_name, &open, 0) == 0 &&
            sameFile(open, wanted)) {
            m_seen.held = idOf(wanted);
            break;
        }
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
    if (!fd.valid())
        return LeftOutput::Unsure;
    struct stat opened {};
    std::optional<LeftOutput> objection = LeftOutput::Unsure;
    if (::fstat(fd.get(), &opened) == 0 && sameFile(named, opened))
        objection = openElsewhere(fd.get());
    // Only the very file our encoder was seen holding is its work.
    if (!objection && !witness.watched)
        objection = LeftOutput::Unsure;
    else if (!objection && witness.held != idOf(opened))
        objection = LeftOutput::NotOurs;
    // The name must still lead to the file that was looked at.
    struct stat again {};
    if (!objection && (::lstat(output.c_str(), &again) != 0 || !sameFile(again, opened) ||
                       ::unlink(output.c_str()) != 0))
        objection = LeftOutput::Unsure;
    return objection.value_or(LeftOutput::Removed);
}

} // namespace quillaro
