#include "base/ProgramFolder.h"

#ifdef _WIN32
#include "win32/WindowsText.h"

#include <windows.h>
#else
#include <unistd.h>
#endif

namespace quillaro {

#ifdef _WIN32
std::string runningProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD size =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (size == 0)
            return {};
        // A name that filled the buffer may have been cut short.
        if (size < path.size()) {
            path.resize(size);
            return folderOfProgramPath(toUtf8(path), '\\');
        }
        path.resize(path.size() * 2);
    }
}
#else
std::string runningProgramFolder() {
    // The kernel's link names the program file itself, whatever link it was
    // started through, and as bytes: no text decoding can change it.
    std::string path(256, '\0');
    for (;;) {
        const ssize_t size = readlink("/proc/self/exe", path.data(), path.size());
        if (size < 0)
            return {};
        if (static_cast<size_t>(size) < path.size()) {
            path.resize(static_cast<size_t>(size));
            return folderOfProgramPath(path, '/');
        }
        path.resize(path.size() * 2);
    }
}
#endif

std::string folderOfProgramPath(std::string_view programPath, char separator) {
    const size_t last = programPath.rfind(separator);
    if (last == std::string_view::npos)
        return {};
    std::string_view folder = programPath.substr(0, last);
    if (folder.empty() || folder.back() == ':')
        folder = programPath.substr(0, last + 1);
    return std::string(folder);
}

std::string programFile(std::string_view programFolder, std::string_view name, char separator) {
    if (programFolder.empty())
        return {};
    std::string path(programFolder);
    path += separator;
    path += name;
    return path;
}

std::string_view encoderFileName() {
#ifdef _WIN32
    return "ffmpeg.exe";
#else
    return "ffmpeg";
#endif
}

} // namespace quillaro
