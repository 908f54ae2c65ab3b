// A tiny Windows program the runner tests start. It reports on its standard
// error, which is what the runner keeps:
//   exit N   ends with code N          args A B ...  writes each argument on a line
//   show     writes the show state     stdin         writes how much it could read
//   sleep MS waits, then ends with 0   spam N        writes N dots, then "END"
#include <string>
#include <windows.h> // with shellapi.h, for CommandLineToArgvW

namespace {

void writeError(const std::string& text) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text.data(), static_cast<DWORD>(text.size()),
              &written, nullptr);
}

std::string utf8(const wchar_t* text) {
    std::string narrow(WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr),
                       '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow.data(), int(narrow.size()), nullptr, nullptr);
    narrow.pop_back();
    return narrow;
}

} // namespace

int main() {
    int count = 0;
    // Split as Windows splits them, in UTF-16: main's char** would pass them
    // through the ANSI code page.
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
    const std::wstring mode = count > 1 ? argv[1] : L"";
    const int number = count > 2 ? _wtoi(argv[2]) : 0;

    if (mode == L"exit")
        return number;
    if (mode == L"args") {
        for (int i = 2; i < count; ++i)
            writeError(utf8(argv[i]) + "\n");
    } else if (mode == L"show") {
        STARTUPINFOW startup{};
        GetStartupInfoW(&startup);
        writeError(std::to_string((startup.dwFlags & STARTF_USESHOWWINDOW) != 0) + " " +
                   std::to_string(startup.wShowWindow));
    } else if (mode == L"stdin") {
        char buffer[256];
        DWORD read = 0;
        unsigned long total = 0;
        while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &read, nullptr) &&
               read > 0)
            total += read;
        writeError("read " + std::to_string(total));
    } else if (mode == L"sleep") {
        Sleep(static_cast<DWORD>(number));
    } else if (mode == L"spam") {
        writeError(std::string(static_cast<size_t>(number), '.') + "END");
    } else {
        return 99;
    }
    return 0;
}
