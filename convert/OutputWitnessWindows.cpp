#include "convert/OutputWitness.h"
#include "win32/WindowsHandle.h"
#include "win32/WindowsText.h"

#include <algorithm>
#include <iterator>
#include <utility>
#include <windows.h>
#include <winternl.h>

namespace quillaro {

namespace {

FileId idOf(const BY_HANDLE_FILE_INFORMATION& about) {
    return {about.dwVolumeSerialNumber,
            (std::uint64_t{about.nFileIndexHigh} << 32) | about.nFileIndexLow};
}

std::optional<FileFacts> factsOf(HANDLE file) {
    FILE_BASIC_INFO basic{};
    FILE_STANDARD_INFO standard{};
    if (!GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic) ||
        !GetFileInformationByHandleEx(file, FileStandardInfo, &standard, sizeof standard))
        return std::nullopt;
    return FileFacts{static_cast<std::uint64_t>(standard.EndOfFile.QuadPart),
                     basic.LastWriteTime.QuadPart, basic.ChangeTime.QuadPart};
}

// Whether process `pid` uses `file`, as the system tells it (the
// FileProcessIdsUsingFileInformation class of NtQueryInformationFile);
// nothing where it does not tell, Wine for one.
std::optional<bool> usedBy(HANDLE file, DWORD pid) {
    using Query = NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, FILE_INFORMATION_CLASS);
    static const auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationFile")));
    constexpr auto processIdsUsingFile = static_cast<FILE_INFORMATION_CLASS>(47);
    // A file used by more processes than this is no encoder's output.
    struct {
        ULONG count;
        ULONG_PTR ids[64];
    } users{};
    IO_STATUS_BLOCK status{};
    if (!query || query(file, &status, &users, sizeof users, processIdsUsingFile) < 0)
        return std::nullopt;
    const ULONG_PTR* const end = users.ids + std::min<ULONG>(users.count, std::size(users.ids));
    return std::find(static_cast<const ULONG_PTR*>(users.ids), end, ULONG_PTR{pid}) != end;
}

} // namespace

std::optional<FileId> fileIdentity(const std::string& path) {
    // Asking for no access at all shares with every other opener and reads
    // nothing: a pipe's server is not woken.
    const UniqueHandle file = adoptHandle(CreateFileW(
        toUtf16(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION about{};
    if (!file || !GetFileInformationByHandle(file.get(), &about))
        return std::nullopt;
    return idOf(about);
}

void OutputWitness::look(const RunningChild& encoder) {
    if (m_cannotTell)
        return;
    // The encoder surely uses its error file: whether the system tells that
    // is whether it can tell anything.
    if (!std::exchange(m_probed, true) && encoder.errors) {
        m_seen.watched = usedBy(encoder.errors, encoder.pid).has_value();
        m_cannotTell = !m_seen.watched;
        if (m_cannotTell)
            return;
    }
    // Still used by the encoder: its facts as they are now.
    if (m_seen.pin && usedBy(m_seen.pin.get(), encoder.pid).value_or(false)) {
        if (const auto facts = factsOf(m_seen.pin.get()))
            m_seen.facts = *facts;
        return;
    }
    // Asking needs no access to the contents, so it stands in the way of no
    // one: such a handle is no party to sharing, and may be kept as the pin.
    UniqueHandle file = adoptHandle(
        CreateFileW(toUtf16(m_output).c_str(), FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file)
        return;
    const std::optional<bool> used = usedBy(file.get(), encoder.pid);
    m_seen.watched = m_seen.watched || used.has_value();
    BY_HANDLE_FILE_INFORMATION about{};
    const std::optional<FileFacts> facts =
        used.value_or(false) && GetFileInformationByHandle(file.get(), &about) ? factsOf(file.get())
                                                                               : std::nullopt;
    if (!facts)
        return;
    m_seen.held = idOf(about);
    m_seen.facts = *facts;
    m_seen.pin = std::move(file);
}

LeftOutput removeLeftOutput(const std::string& output, const FileWitness& witness) {
    // Shared with nobody: the open fails while any other program has the
    // file open. The file is then deleted through this very handle, so what
    // goes is exactly what was looked at.
    const UniqueHandle file = adoptHandle(CreateFileW(
        toUtf16(output).c_str(), DELETE | FILE_READ_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
        FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file) {
        switch (GetLastError()) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return LeftOutput::None;
        case ERROR_SHARING_VIOLATION:
            return LeftOutput::InUse;
        default:
            return LeftOutput::Unsure;
        }
    }
    BY_HANDLE_FILE_INFORMATION about{};
    if (!GetFileInformationByHandle(file.get(), &about))
        return LeftOutput::Unsure;
    if ((about.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
        about.nNumberOfLinks != 1)
        return LeftOutput::NotPlain;
    // Only the very file our encoder was seen holding is its work: held by
    // the pin, its number can have gone to no other file. And it is that
    // work only if nobody has written to it since it was last seen held;
    // with no sharing granted, nobody can from here on.
    if (!witness.watched)
        return LeftOutput::Unsure;
    if (!witness.pin || witness.held != idOf(about))
        return LeftOutput::NotOurs;
    if (factsOf(file.get()) != witness.facts)
        return LeftOutput::Unsure;
    FILE_DISPOSITION_INFO dispose{TRUE};
    if (!SetFileInformationByHandle(file.get(), FileDispositionInfo, &dispose, sizeof dispose))
        return LeftOutput::Unsure;
    return LeftOutput::Removed;
}

} // namespace quillaro
