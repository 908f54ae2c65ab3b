// A tiny Windows program the runner tests start as a child. It reports what
// it was given on its standard error, which is what the runner keeps:
//   child_probe exit N        ends with exit code N
//   child_probe args A B ...  writes each argument on a line of its own
//   child_probe show          writes the start-up show flags and show state
//   child_probe stdin         reads standard input to its end, writes the count
//   child_probe sleep MS      waits MS milliseconds, then ends with 0
//   child_probe spam N        writes N bytes of "." and then "END"
//   child_probe crash         dies of an access violation
// Anything else ends with 99.
#include <cstdlib>
#include <string>
#include <windows.h> // with shellapi.h, for CommandLineToArgvW

namespace {

void writeError(const std::string& text) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text.data(), static_cast<DWORD>(text.size()),
              &written, nullptr);
}

std::string utf8(const wchar_t* text) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow.data(), length, nullptr, nullptr);
    narrow.resize(narrow.empty() ? 0 : narrow.size() - 1);
    return narrow;
}

LONG WINAPI endQuietly(EXCEPTION_POINTERS*) {
    // Ends the process with the exception code, without a crash dialog.
    return EXCEPTION_EXECUTE_HANDLER;
}

} // namespace

int main() {
    int count = 0;
    // The arguments as Windows splits them, in UTF-16: main's char** would
    // pass them through the ANSI code page.
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!argv || count < 2)
        return 99;
    const std::wstring mode = argv[1];
    const int number = count > 2 ? _wtoi(argv[2]) : 0;

    if (mode == L"exit")
        return number;
    if (mode == L"args") {
        for (int i = 2; i < count; ++i)
            writeError(utf8(argv[i]) + "\n");
        return 0;
    }
    if (mode == L"show") {
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        GetStartupInfoW(&startup);
        const bool used = (startup.dwFlags & STARTF_USESHOWWINDOW) != 0;
        writeError(std::to_string(used) + " " + std::to_string(startup.wShowWindow));
        return 0;
    }
    if (mode == L"stdin") {
        char buffer[256];
        DWORD read = 0;
        unsigned long total = 0;
        while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &read, nullptr) &&
               read > 0)
            total += read;
        writeError("read " + std::to_string(total));
        return 0;
    }
    if (mode == L"sleep") {
        Sleep(static_cast<DWORD>(number));
        return 0;
    }
    if (mode == L"spam") {
        writeError(std::string(static_cast<size_t>(number), '.') + "END");
        return 0;
    }
    if (mode == L"crash") {
        SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
        SetUnhandledExceptionFilter(endQuietly);
        RaiseException(EXCEPTION_ACCESS_VIOLATION, 0, 0, nullptr);
    }
    return 99;
}
