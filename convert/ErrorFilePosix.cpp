#include "convert/ErrorFile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <sys/mman.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace quillaro {

namespace {

// A memory file is the cheapest, and it can be sealed against growing.
int openAnonymousFile() {
#ifdef MFD_CLOEXEC
    const int memory = ::memfd_create("quillaro-stderr", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (memory >= 0)
        return memory;
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
    return named;
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

} // namespace

ErrorFile::ErrorFile()
    : m_file(openAnonymousFile()) {
    if (valid())
        runningErrorFiles().add(m_file);
}

ErrorFile::~ErrorFile() {
    if (!valid())
        return;
    runningErrorFiles().remove(m_file);
    ::close(m_file);
}

bool ErrorFile::valid() const {
    return m_file >= 0;
}

// All but the end is punched out, so that the memory (or disk) held stays a
// few hundred KiB, plus what the child writes between two looks.
void ErrorFile::trim() {
#ifdef FALLOC_FL_PUNCH_HOLE
    struct stat status {};
    if (!valid() || ::fstat(m_file, &status) != 0)
        return;
    const off_t keepFrom = errorFileFreeUpTo(status.st_size, m_freedUpTo);
    if (keepFrom != m_freedUpTo && ::fallocate(m_file, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE,
                                               m_freedUpTo, keepFrom - m_freedUpTo) == 0)
        m_freedUpTo = keepFrom;
#endif
}

void ErrorFile::closeAfterEnd() {
    trim();
    if (valid())
        sealFile(m_file);
}

std::string ErrorFile::tail() const {
    struct stat status {};
    if (!valid() || ::fstat(m_file, &status) != 0 || status.st_size <= 0)
        return {};
    const off_t size = status.st_size;
    off_t offset = std::max<off_t>(0, size - static_cast<off_t>(stderrTailBytes));
    std::string tail(static_cast<std::size_t>(size - offset), '\0');
    std::size_t filled = 0;
    while (filled < tail.size()) {
        const ssize_t got = ::pread(m_file, tail.data() + filled, tail.size() - filled, offset);
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

void sealErrorFilesOfRunningChildren() {
    runningErrorFiles().sealAll();
}

} // namespace quillaro
