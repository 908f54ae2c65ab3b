#include "convert/EncoderOutput.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <optional>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillaro {

namespace {

bool sameFile(const struct stat& one, const struct stat& other) {
    return one.st_dev == other.st_dev && one.st_ino == other.st_ino;
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

LeftOutput removeLeftOutput(const std::string& output, const FileWitness& witness) {
    struct stat named {};
    if (::lstat(output.c_str(), &named) != 0)
        return errno == ENOENT ? LeftOutput::None : LeftOutput::Unsure;
    // Our encoder, run as us, makes a regular file with one name; it is
    // opened only once it is known to be one (a FIFO would block the open).
    if (!S_ISREG(named.st_mode) || named.st_nlink != 1 || named.st_uid != ::geteuid())
        return LeftOutput::NotPlain;

    const int fd = ::open(output.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return LeftOutput::Unsure;
    struct stat opened {};
    std::optional<LeftOutput> objection = LeftOutput::Unsure;
    if (::fstat(fd, &opened) == 0 && sameFile(named, opened))
        objection = openElsewhere(fd);
    // Only the very file our encoder was seen holding is its work.
    const FileId id{static_cast<std::uint64_t>(opened.st_dev),
                    static_cast<std::uint64_t>(opened.st_ino)};
    if (!objection && !witness.watched)
        objection = LeftOutput::Unsure;
    else if (!objection && witness.held != id)
        objection = LeftOutput::NotOurs;
    // The name must still lead to the file that was looked at.
    struct stat again {};
    if (!objection && (::lstat(output.c_str(), &again) != 0 || !sameFile(again, opened) ||
                       ::unlink(output.c_str()) != 0))
        objection = LeftOutput::Unsure;
    ::close(fd);
    return objection.value_or(LeftOutput::Removed);
}

} // namespace quillaro
