#include "convert/ChildWatch.h"
#include "convert/ProcessRunner.h"
#include "win32/WindowsHandle.h"
#include "win32/WindowsText.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <memory>
#include <optional>
#include <vector>
#include <windows.h>
#include <winioctl.h>
#include <winternl.h>

namespace quillaro {

namespace {

// The style numbers are the old show states 0 to 5, but 6 means "minimised
// without focus", which Windows calls SW_SHOWMINNOACTIVE (7); its own 6,
// SW_MINIMIZE, would hand the focus to another window.
WORD showState(int windowStyle) {
    constexpr std::array<WORD, 7> states{SW_HIDE,           SW_SHOWNORMAL,     SW_SHOWMINIMIZED,
                                         SW_SHOWMAXIMIZED,  SW_SHOWNOACTIVATE, SW_SHOW,
                                         SW_SHOWMINNOACTIVE};
    return states.at(static_cast<size_t>(windowStyle));
}

// The child's standard error goes to a nameless temporary file rather than a
// pipe: nobody has to drain it while waiting, and the child never fails on a
// broken pipe if this program ends first. The system deletes the file once
// the last handle to it, ours or the child's, is closed.
UniqueHandle openErrorFile(SECURITY_ATTRIBUTES& inheritable) {
    std::array<wchar_t, MAX_PATH + 1> folder{};
    std::array<wchar_t, MAX_PATH + 1> path{};
    if (GetTempPathW(static_cast<DWORD>(folder.size()), folder.data()) == 0 ||
        GetTempFileNameW(folder.data(), L"qlr", 0, path.data()) == 0)
        return {};
    UniqueHandle file = adoptHandle(CreateFileW(
        path.data(), GENERIC_READ | GENERIC_WRITE,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inheritable, TRUNCATE_EXISTING,
        FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!file)
        DeleteFileW(path.data());
    return file;
}

// All but the end of the error file is zeroed in place while the child
// runs; once the file is sparse, that gives the disk space back, so a child
// that writes without end costs no more than it wrote between two looks.
class ErrorFileTrim {
public:
    explicit ErrorFileTrim(HANDLE file)
        : m_file(file) {}

    void operator()() {
        LARGE_INTEGER size{};
        if (!m_file || !GetFileSizeEx(m_file, &size))
            return;
        const LONGLONG keepFrom = errorFileFreeUpTo(size.QuadPart, m_freedUpTo);
        if (keepFrom == m_freedUpTo)
            return;
        DWORD returned = 0;
        if (!m_sparse)
            m_sparse = DeviceIoControl(m_file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned,
                                       nullptr);
        FILE_ZERO_DATA_INFORMATION zero{};
        zero.FileOffset.QuadPart = m_freedUpTo;
        zero.BeyondFinalZero.QuadPart = keepFrom;
        if (m_sparse && DeviceIoControl(m_file, FSCTL_SET_ZERO_DATA, &zero, sizeof zero, nullptr, 0,
                                        &returned, nullptr))
            m_freedUpTo = keepFrom;
    }

private:
    HANDLE m_file;
    bool m_sparse = false;
    LONGLONG m_freedUpTo = 0;
};

// Locks the error file from its end on, once the child has ended: whatever
// the child left running with the file can no longer grow it while the run
// reads the child's last words; its writes fail (ERROR_LOCK_VIOLATION) and
// nobody is killed. Wine does not enforce such locks. Windows has no way to
// stop it for longer: the lock goes with our handle when the run returns,
// and the temporary file, on disk, then grows until that process ends.
void lockFromEnd(HANDLE file) {
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file, &size))
        return;
    const auto rest = static_cast<std::uint64_t>(MAXLONGLONG - size.QuadPart);
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(size.QuadPart);
    at.OffsetHigh = static_cast<DWORD>(size.QuadPart >> 32);
    LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0,
               static_cast<DWORD>(rest), static_cast<DWORD>(rest >> 32), &at);
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

// Looks whether the child itself holds the watched file open. Only the
// child counts: another program writing the same path is no evidence.
class OutputWitness {
public:
    OutputWitness(const std::string& path, HANDLE errorFile, DWORD pid)
        : m_path(path.empty() ? std::wstring() : toUtf16(path))
        , m_pid(pid) {
        // The child surely uses its error file: whether the system tells
        // that is whether it can tell anything.
        m_seen.watched = !path.empty() && errorFile && usedBy(errorFile, pid).has_value();
        m_cannotTell = !path.empty() && errorFile && !m_seen.watched;
    }

    void look() {
        if (m_path.empty() || m_seen.held || m_cannotTell)
            return;
        // Asking needs no access to the contents, so it stands in the way
        // of no one, and the handle goes at once.
        const UniqueHandle file = adoptHandle(CreateFileW(
            m_path.c_str(), FILE_READ_ATTRIBUTES,
            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
            FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!file)
            return;
        const std::optional<bool> used = usedBy(file.get(), m_pid);
        m_seen.watched = m_seen.watched || used.has_value();
        BY_HANDLE_FILE_INFORMATION information{};
        if (used.value_or(false) && GetFileInformationByHandle(file.get(), &information))
            m_seen.held = FileId{information.dwVolumeSerialNumber,
                                 (std::uint64_t{information.nFileIndexHigh} << 32) |
                                     information.nFileIndexLow};
    }

    const FileWitness& seen() const { return m_seen; }

private:
    std::wstring m_path;
    DWORD m_pid;
    bool m_cannotTell = false;
    FileWitness m_seen;
};

std::string readTail(HANDLE file) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size) || size.QuadPart <= 0)
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
    if (!ReadFile(file, tail.data(), length, &read, &at))
        return {};
    tail.resize(read);
    return tail;
}

// Lets the child inherit exactly the given handles, so no handle another
// part of this program made inheritable leaks into it.
class InheritedHandles {
public:
    explicit InheritedHandles(std::vector<HANDLE> handles)
        : m_handles(std::move(handles)) {
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        m_storage.resize(size);
        auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(m_storage.data());
        if (!InitializeProcThreadAttributeList(list, 1, 0, &size))
            return;
        m_list = list;
        if (!UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, m_handles.data(),
                                       m_handles.size() * sizeof(HANDLE), nullptr, nullptr)) {
            DeleteProcThreadAttributeList(m_list);
            m_list = nullptr;
        }
    }
    ~InheritedHandles() {
        if (m_list)
            DeleteProcThreadAttributeList(m_list);
    }
    InheritedHandles(const InheritedHandles&) = delete;
    InheritedHandles& operator=(const InheritedHandles&) = delete;

    LPPROC_THREAD_ATTRIBUTE_LIST list() const { return m_list; }

private:
    std::vector<HANDLE> m_handles;
    std::vector<unsigned char> m_storage;
    LPPROC_THREAD_ATTRIBUTE_LIST m_list = nullptr;
};

// Exception codes (access violation 0xC0000005 and the like) are how a
// process that crashed ends; ordinary exit codes never have both top bits.
bool isCrashStatus(DWORD code) {
    return (code & 0xC0000000u) == 0xC0000000u;
}

} // namespace

// A running child's error file cannot be sealed here: a lock would go with
// this program.
void sealErrorFilesOfRunningChildren() {}

RunResult runProcess(const Command& command, std::optional<int> windowStyle, EventPump& pump,
                     const std::string& watchedFile) {
    RunResult result;

    // CreateProcessW may write into the command line, so it gets its own copy.
    std::wstring commandLine = toUtf16(commandLineText(command, CommandLineFlavour::Windows));

    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const UniqueHandle nullDevice = adoptHandle(
        CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    &inheritable, OPEN_EXISTING, 0, nullptr));
    const UniqueHandle errorFile = openErrorFile(inheritable);
    HANDLE errorOutput = errorFile ? errorFile.get() : nullDevice.get();

    std::vector<HANDLE> handles;
    for (HANDLE handle : {nullDevice.get(), errorFile.get()}) {
        if (handle)
            handles.push_back(handle);
    }
    const InheritedHandles inherited(handles);

    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof(startup);
    startup.StartupInfo.dwFlags = STARTF_USESHOWWINDOW;
    startup.StartupInfo.wShowWindow = showState(normaliseWindowStyle(windowStyle));
    if (!handles.empty() && inherited.list()) {
        startup.StartupInfo.dwFlags |= STARTF_USESTDHANDLES;
        startup.StartupInfo.hStdInput = nullDevice.get();
        startup.StartupInfo.hStdOutput = nullDevice.get();
        startup.StartupInfo.hStdError = errorOutput;
        startup.lpAttributeList = inherited.list();
    }
    const bool inheritHandles = startup.lpAttributeList != nullptr;

    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, inheritHandles,
                        EXTENDED_STARTUPINFO_PRESENT, nullptr, nullptr, &startup.StartupInfo,
                        &started)) {
        const DWORD error = GetLastError();
        result.outcome = RunResult::Outcome::NotStarted;
        result.startError = static_cast<int>(error);
        result.startErrorText = windowsErrorText(error);
        return result;
    }
    const UniqueHandle process = adoptHandle(started.hProcess);
    adoptHandle(started.hThread).reset();

    // Waiting on the handle, not polling the exit code, so a child that
    // exits with 259 (STILL_ACTIVE) is not taken for a running one.
    ErrorFileTrim trim(errorFile.get());
    OutputWitness witness(watchedFile, errorFile.get(), started.dwProcessId);
    watchBesidePump(pump, [&](EventPump::Clock::time_point deadline) {
        for (;;) {
            witness.look();
            trim();
            const DWORD wait = static_cast<DWORD>(millisecondsToNextLook(deadline));
            if (WaitForSingleObject(process.get(), wait) != WAIT_TIMEOUT)
                break;
            if (EventPump::Clock::now() >= deadline)
                return false;
        }
        trim();
        lockFromEnd(errorFile.get());
        return true;
    });
    result.watchedFile = witness.seen();

    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    result.exitCode = static_cast<int>(code);
    if (isCrashStatus(code))
        result.outcome = RunResult::Outcome::Crashed;
    if (errorFile)
        result.stderrTail = readTail(errorFile.get());
    return result;
}

} // namespace quillaro
