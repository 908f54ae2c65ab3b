#include "convert/ErrorFile.h"

#include <algorithm>
#include <array>
#include <windows.h>
#include <winioctl.h>

namespace quillaro {

namespace {

// The system deletes the file once the last handle to it, ours or the
// child's, is closed. Inheritable: the runner hands it to the child alone.
HANDLE openErrorFile() {
    std::array<wchar_t, MAX_PATH + 1> folder{};
    std::array<wchar_t, MAX_PATH + 1> path{};
    if (GetTempPathW(static_cast<DWORD>(folder.size()), folder.data()) == 0 ||
        GetTempFileNameW(folder.data(), L"qlr", 0, path.data()) == 0)
        return nullptr;
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const HANDLE file = CreateFileW(path.data(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    &inheritable, TRUNCATE_EXISTING,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file != INVALID_HANDLE_VALUE)
        return file;
    DeleteFileW(path.data());
    return nullptr;
}

} // namespace

ErrorFile::ErrorFile()
    : m_file(openErrorFile()) {}

ErrorFile::~ErrorFile() {
    if (valid())
        CloseHandle(m_file);
}

bool ErrorFile::valid() const {
    return m_file != nullptr;
}

// Zeroed in place; once the file is sparse, that gives the disk space back,
// so a child that writes without end costs no more than it wrote between
// two looks.
void ErrorFile::trim() {
    LARGE_INTEGER size{};
    if (!valid() || !GetFileSizeEx(m_file, &size))
        return;
    const LONGLONG keepFrom = errorFileFreeUpTo(size.QuadPart, m_freedUpTo);
    if (keepFrom == m_freedUpTo)
        return;
    DWORD returned = 0;
    if (!m_sparse)
        m_sparse =
            DeviceIoControl(m_file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
    FILE_ZERO_DATA_INFORMATION zero{};
    zero.FileOffset.QuadPart = m_freedUpTo;
    zero.BeyondFinalZero.QuadPart = keepFrom;
    if (m_sparse && DeviceIoControl(m_file, FSCTL_SET_ZERO_DATA, &zero, sizeof zero, nullptr, 0,
                                    &returned, nullptr))
        m_freedUpTo = keepFrom;
}

// Locked from its end on: writes of whatever the child left running fail
// (ERROR_LOCK_VIOLATION) while the run reads the child's last words, and
// nobody is killed. Wine does not enforce such locks. Windows has no way to
// stop it for longer: the lock goes with our handle, and the temporary
// file, on disk, then grows until that process ends.
void ErrorFile::closeAfterEnd() {
    trim();
    LARGE_INTEGER size{};
    if (!valid() || !GetFileSizeEx(m_file, &size))
        return;
    const auto rest = static_cast<std::uint64_t>(MAXLONGLONG - size.QuadPart);
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(size.QuadPart);
    at.OffsetHigh = static_cast<DWORD>(size.QuadPart >> 32);
    LockFileEx(m_file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0,
               static_cast<DWORD>(rest), static_cast<DWORD>(rest >> 32), &at);
}

std::string ErrorFile::tail() const {
    LARGE_INTEGER size{};
    if (!valid() || !GetFileSizeEx(m_file, &size) || size.QuadPart <= 0)
        return {};
    const auto length = static_cast<DWORD>(
        std::min<std::uint64_t>(static_cast<std::uint64_t>(size.QuadPart), stderrTailBytes));
    const std::uint64_t start = static_cast<std::uint64_t>(size.QuadPart) - length;
    // The position is given explicitly: the file pointer is shared with the
    // child's inherited handle and stands at the end of what it wrote.
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(start);
    at.OffsetHigh = static_cast<DWORD>(start >> 32);
    std::string tail(length, '\0');
    DWORD read = 0;
    if (!ReadFile(m_file, tail.data(), length, &read, &at))
        return {};
    tail.resize(read);
    return tail;
}

// A running child's error file cannot be sealed here: a lock would go with
// this program.
void sealErrorFilesOfRunningChildren() {}

} // namespace quillaro
