#include "app/HandOver.h"
#include "base/CommandLine.h"
#include "win32/WindowsHandle.h"
#include "win32/WindowsText.h"

#include <cstdint>
#include <cstring>
#include <cwctype>
#include <limits>
#include <optional>
#include <windows.h>

#include <QCoreApplication>
#include <QObject>

namespace {

// The version is in the names too: a start of another version neither waits
// on this lock nor finds this window, and opens its own.
constexpr wchar_t lockName[] = L"Local\\Quillaro.HandOver.1";
constexpr wchar_t windowClass[] = L"Quillaro.HandOver.1";
// Marks a WM_COPYDATA as ours: any program may send one to any window.
constexpr ULONG_PTR handOverMagic = 0x51484f56; // "QHOV"
constexpr std::uint32_t handOverVersion = 1;
// The lock is held only for a look and a window's creation; one held longer
// belongs to a start that hangs, and must not stop this one.
constexpr DWORD lockTimeoutMs = 3000;

bool isAbsolute(std::wstring_view path) {
    return path.starts_with(L"\\\\") ||
           (path.size() > 2 && std::iswalpha(path[0]) && path[1] == L':' && path[2] == L'\\');
}

// The message: the version, then the sender's current folder and each path,
// every one in UTF-16 and ended by a NUL. Anything else, or nothing to add,
// is refused, and the sender keeps its files.
std::optional<std::vector<std::string>> readHandOver(const COPYDATASTRUCT& message) {
    std::uint32_t version = 0;
    const std::size_t size = message.cbData;
    if (message.dwData != handOverMagic || !message.lpData || size < sizeof version ||
        (size - sizeof version) % sizeof(wchar_t) != 0)
        return std::nullopt;
    // The data is the sender's only while the message is handled, and need
    // not be aligned for its text: copied out first.
    const auto* bytes = static_cast<const unsigned char*>(message.lpData);
    std::memcpy(&version, bytes, sizeof version);
    std::wstring text((size - sizeof version) / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), bytes + sizeof version, size - sizeof version);
    if (version != handOverVersion || text.empty() || text.back() != L'\0')
        return std::nullopt;

    std::vector<std::string> paths;
    std::size_t start = text.find(L'\0') + 1; // past the current folder
    while (start < text.size()) {
        const std::size_t end = text.find(L'\0', start);
        const std::wstring_view path(text.data() + start, end - start);
        if (!isAbsolute(path))
            return std::nullopt;
        paths.push_back(quillaro::toUtf8(path));
        start = end + 1;
    }
    if (paths.empty())
        return std::nullopt;
    return paths;
}

// The window later starts find, message-only so it is never seen. Its
// messages are pumped by Qt's event dispatcher on this thread, so `received`
// runs from the event loop.
class Receiver : public QObject {
public:
    Receiver(std::function<void(std::vector<std::string>)> received, QObject* parent)
        : QObject(parent)
        , m_received(std::move(received)) {
        // Once the window closes, nothing may take paths it would never list.
        connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this,
                [this] { close(); });
    }
    ~Receiver() override { close(); }
    Receiver(const Receiver&) = delete;
    Receiver& operator=(const Receiver&) = delete;

    bool open() {
        WNDCLASSEXW windowType{};
        windowType.cbSize = sizeof windowType;
        windowType.lpfnWndProc = &Receiver::windowProcedure;
        windowType.hInstance = GetModuleHandleW(nullptr);
        windowType.lpszClassName = windowClass;
        if (!RegisterClassExW(&windowType) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
            return false;
        m_window = CreateWindowExW(0, windowClass, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   windowType.hInstance, nullptr);
        if (!m_window)
            return false;
        SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        return true;
    }

private:
    void close() {
        if (m_window)
            DestroyWindow(m_window);
        m_window = nullptr;
    }

    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
        auto* receiver = reinterpret_cast<Receiver*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message != WM_COPYDATA || !receiver)
            return DefWindowProcW(window, message, wParam, lParam);
        std::optional<std::vector<std::string>> paths =
            readHandOver(*reinterpret_cast<const COPYDATASTRUCT*>(lParam));
        if (!paths)
            return FALSE;
        receiver->m_received(std::move(*paths));
        return TRUE;
    }

    std::function<void(std::vector<std::string>)> m_received;
    HWND m_window = nullptr;
};

bool handOverTo(HWND window, const std::vector<std::string>& paths) {
    std::wstring text = quillaro::toUtf16(quillaro::currentFolder()) + L'\0';
    for (const std::string& path : paths)
        text += quillaro::toUtf16(path) + L'\0';
    const std::size_t size = sizeof handOverVersion + text.size() * sizeof(wchar_t);
    if (size > std::numeric_limits<DWORD>::max())
        return false;
    std::vector<unsigned char> bytes(size);
    std::memcpy(bytes.data(), &handOverVersion, sizeof handOverVersion);
    std::memcpy(bytes.data() + sizeof handOverVersion, text.data(), text.size() * sizeof(wchar_t));
    COPYDATASTRUCT message{handOverMagic, static_cast<DWORD>(size), bytes.data()};

    // Only a process the user just started may take the front; it lends
    // that right to the window that will show its files.
    DWORD receiverProcess = 0;
    if (GetWindowThreadProcessId(window, &receiverProcess))
        AllowSetForegroundWindow(receiverProcess);
    // Not SMTO_ABORTIFHUNG: the first start of a burst reads no message until
    // its window is built, which under load takes longer than the system's
    // idea of hung; every start racing it would then open its own window.
    DWORD_PTR taken = FALSE;
    return SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&message),
                               SMTO_BLOCK, quillaro::handOverAnswerTimeoutMs, &taken) &&
           taken == TRUE;
}

} // namespace

namespace quillaro {

HandOver handOverOrReceive(const std::vector<std::string>& paths,
                           std::function<void(std::vector<std::string>)> received) {
    // The first start wins: between looking for the window and opening its
    // own, no other start may look, or two would both find none.
    const UniqueHandle lock = adoptHandle(CreateMutexW(nullptr, FALSE, lockName));
    if (!lock)
        return HandOver::Alone;
    const DWORD waited = WaitForSingleObject(lock.get(), lockTimeoutMs);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED)
        return HandOver::Alone;
    const HWND window = FindWindowExW(HWND_MESSAGE, nullptr, windowClass, nullptr);
    if (!window) {
        auto receiver = std::make_unique<Receiver>(std::move(received), nullptr);
        const bool opened = receiver->open();
        ReleaseMutex(lock.get());
        if (!opened)
            return HandOver::Alone;
        // The window lives as long as the program's event loop can pump it.
        receiver.release()->setParent(QCoreApplication::instance());
        return HandOver::Receiving;
    }
    // Sent without the lock, so that a window that hangs holds up each start
    // for the time-out, not each start for the time-outs of all before it.
    ReleaseMutex(lock.get());
    if (paths.empty())
        return HandOver::Alone;
    return handOverTo(window, paths) ? HandOver::Taken : HandOver::Alone;
}

} // namespace quillaro
