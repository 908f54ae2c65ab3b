#include "convert/ChildWatch.h"
#include "convert/ProcessRunner.h"
#include "win32/WindowsHandle.h"
#include "win32/WindowsText.h"

#include <array>
#include <optional>
#include <utility>
#include <vector>
#include <windows.h>

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
                     const LookAtChild& look) {
    RunResult result;

    // CreateProcessW may write into the command line, so it gets its own copy.
    std::wstring commandLine = toUtf16(commandLineText(command, CommandLineFlavour::Windows));

    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const UniqueHandle nullDevice = adoptHandle(
        CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    &inheritable, OPEN_EXISTING, 0, nullptr));
    ErrorFile errors;
    HANDLE errorOutput = errors.valid() ? errors.native() : nullDevice.get();

    std::vector<HANDLE> handles;
    for (HANDLE handle : {nullDevice.get(), errors.native()}) {
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
    const RunningChild child{started.dwProcessId, errors.native()};
    watchBesidePump(pump, [&](EventPump::Clock::time_point deadline) {
        for (;;) {
            if (look)
                look(child);
            errors.trim();
            const DWORD wait = static_cast<DWORD>(millisecondsToNextLook(deadline));
            if (WaitForSingleObject(process.get(), wait) != WAIT_TIMEOUT)
                break;
            if (EventPump::Clock::now() >= deadline)
                return false;
        }
        errors.closeAfterEnd();
        return true;
    });

    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    result.exitCode = static_cast<int>(code);
    if (isCrashStatus(code))
        result.outcome = RunResult::Outcome::Crashed;
    result.stderrTail = errors.tail();
    return result;
}

} // namespace quillaro
