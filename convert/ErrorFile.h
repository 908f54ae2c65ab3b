#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quillaro {

// How much of the end of the child's standard error is kept. While the child
// runs, a few hundred KiB are held, plus what it writes in a few milliseconds
// (between two looks of the runner), whatever it writes there.
inline constexpr std::size_t stderrTailBytes = 4096;

// While a child runs, its error file may be given back up to here: whole
// 64 KiB blocks at least 64 KiB behind its end (`size`), once that frees
// 256 KiB or more beyond what is free already; otherwise `freedUpTo`.
constexpr std::int64_t errorFileFreeUpTo(std::int64_t size, std::int64_t freedUpTo) {
    constexpr std::int64_t kept = 64 * 1024;
    constexpr std::int64_t step = 256 * 1024;
    const std::int64_t keepFrom = (size - kept) / kept * kept;
    return keepFrom - freedUpTo >= step ? keepFrom : freedUpTo;
}

#ifdef _WIN32
using NativeFile = void*; // a HANDLE; null for none
#else
using NativeFile = int; // a descriptor; -1 for none
#endif

// The child's standard error: a file with no name, never a pipe, so that the
// child never dies of a broken pipe if this program ends first, and nothing
// is left behind whatever happens to either process. However much the child
// writes, all but its end is given back while it runs.
class ErrorFile {
public:
    ErrorFile();
    ~ErrorFile();
    ErrorFile(const ErrorFile&) = delete;
    ErrorFile& operator=(const ErrorFile&) = delete;

    // What the child writes to (inheritable on Windows); none when no file
    // could be made.
    NativeFile native() const { return m_file; }
    bool valid() const;

    // While the child runs, every look: frees all but the end.
    void trim();
    // Once the child has ended, before its end is made known: whatever it
    // left running with the file can no longer grow it, where the system
    // allows (a Linux memory file is sealed for good; a Windows file is
    // locked from its end on, for as long as this object lives).
    void closeAfterEnd();
    // The last `stderrTailBytes` bytes written.
    std::string tail() const;

private:
    NativeFile m_file;
    std::int64_t m_freedUpTo = 0;
    bool m_sparse = false; // Windows: zeroed parts give their space back
};

// Seals the error files of the children running now, for a program that
// ends without waiting for them: they may run on, but can no longer grow
// those files (only memory files can be sealed, on Linux; elsewhere this
// does nothing). Safe to call from the thread that runs the pumps.
void sealErrorFilesOfRunningChildren();

} // namespace quillaro
