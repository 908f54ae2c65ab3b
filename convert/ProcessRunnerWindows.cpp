#include "convert/ProcessRunner.h"
#include "windows/WindowsHandle.h"
#include "windows/WindowsText.h"

#include <algorithm>
#include <array>
#include <memory>
#include <vector>
#include <windows.h>
#include <winioctl.h>

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

RunResult runProcess(const Command& command, std::optional<int> windowStyle, EventPump& pump,
                     const std::string& watchedFile) {
    (void)watchedFile; // not watched yet
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
    while (WaitForSingleObject(process.get(), static_cast<DWORD>(waitMilliseconds(pump))) ==
           WAIT_TIMEOUT) {
        trim();
        pump.poll();
    }

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
