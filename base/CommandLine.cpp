#include "base/CommandLine.h"

#include "filelist/FolderPath.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#ifdef _WIN32
#include "win32/WindowsText.h"

#include <memory>
#include <windows.h>
// After windows.h, which it builds on.
#include <shellapi.h>
#else
#include <cerrno>
#include <unistd.h>
#endif

namespace quillaro {

CommandLine::CommandLine(int argc, char** argv)
    : CommandLine(argc, argv, systemArguments(argc, argv)) {}

CommandLine::CommandLine(int argc, char** argv, std::vector<std::string> arguments)
    : m_arguments(std::move(arguments))
    , m_given(argv, argv + std::max(argc, 0)) {
    const auto separator = std::find_if(m_given.begin(), m_given.end(), [](const char* given) {
        return !std::strcmp(given, "--");
    });
    m_toolkitArgv.assign(m_given.begin(), separator);
    m_toolkitArgc = static_cast<int>(m_toolkitArgv.size());
    m_toolkitArgv.push_back(nullptr);
}

std::vector<std::string> CommandLine::pathArguments() const {
    // The toolkit keeps the arguments it leaves as they were, in order, so
    // each one is found by its pointer among those given.
    std::vector<size_t> kept;
    for (int i = 1; i < m_toolkitArgc; ++i)
        kept.push_back(static_cast<size_t>(
            std::find(m_given.begin(), m_given.end(), m_toolkitArgv[i]) - m_given.begin()));
    for (size_t i = m_toolkitArgv.size(); i < m_given.size(); ++i)
        kept.push_back(i);
    std::vector<std::string> paths;
    for (const size_t i : kept)
        if (i < m_arguments.size())
            paths.push_back(m_arguments[i]);
    return paths;
}

#ifdef _WIN32
namespace {

// Text in the ANSI code page as UTF-8, which every path of the program is:
// bytes that are not UTF-8 would make a path that cannot even be looked at.
std::string utf8FromAnsi(const char* text) {
    const int size = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(std::max(size, 1)), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), size);
    wide.resize(wide.size() - 1);
    return toUtf8(wide);
}

} // namespace

std::vector<std::string> systemArguments(int argc, char** argv) {
    int count = 0;
    const std::unique_ptr<LPWSTR, decltype(&LocalFree)> wide(
        CommandLineToArgvW(GetCommandLineW(), &count), &LocalFree);
    std::vector<std::string> arguments;
    // Qt's entry point builds argv from this same list, one for one; a
    // program started some other way has only its argv to go by.
    if (!wide || count != argc) {
        for (int i = 0; i < argc; ++i)
            arguments.push_back(utf8FromAnsi(argv[i]));
        return arguments;
    }
    for (int i = 0; i < count; ++i)
        arguments.push_back(toUtf8(wide.get()[i]));
    return arguments;
}

std::string currentFolder() {
    std::wstring folder(GetCurrentDirectoryW(0, nullptr), L'\0');
    const DWORD size = GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data());
    if (size == 0 || size >= folder.size())
        return {};
    folder.resize(size);
    return toUtf8(folder);
}
#else
std::vector<std::string> systemArguments(int argc, char** argv) {
    return {argv, argv + std::max(argc, 0)};
}

std::string currentFolder() {
    std::string folder(256, '\0');
    while (!getcwd(folder.data(), folder.size())) {
        if (errno != ERANGE)
            return {};
        folder.resize(folder.size() * 2);
    }
    folder.resize(std::strlen(folder.c_str()));
    return folder;
}
#endif

namespace {

bool isDriveLetter(std::string_view path) {
    return path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]));
}

// "C:" or "\\server\share" of a Windows path; empty when it has neither.
std::string_view driveOrShare(std::string_view path) {
    if (isDriveLetter(path))
        return path.substr(0, 2);
    if (!path.starts_with("\\\\"))
        return {};
    const size_t server = path.find('\\', 2);
    return server == std::string_view::npos ? path : path.substr(0, path.find('\\', server + 1));
}

std::string absoluteWindowsPath(std::string path, std::string_view currentFolder) {
    std::replace(path.begin(), path.end(), '/', '\\');
    if (path.starts_with("\\\\") || (isDriveLetter(path) && path.size() > 2 && path[2] == '\\'))
        return path;
    if (path.front() == '\\')
        return std::string(driveOrShare(currentFolder)) + path;
    if (isDriveLetter(path)) {
        const std::string_view drive = driveOrShare(currentFolder);
        if (drive.size() != 2 || std::toupper(static_cast<unsigned char>(drive[0])) !=
                                     std::toupper(static_cast<unsigned char>(path[0])))
            return path.insert(2, 1, '\\');
        path.erase(0, 2);
    }
    return folderPathWithSeparator(currentFolder, '\\') + path;
}

} // namespace

std::vector<std::string> absolutePaths(const std::vector<std::string>& arguments,
                                       std::string_view currentFolder, char separator) {
    std::vector<std::string> paths;
    for (const std::string& argument : arguments) {
        if (argument.empty())
            continue;
        if (currentFolder.empty())
            paths.push_back(argument);
        else if (separator == '\\')
            paths.push_back(absoluteWindowsPath(argument, currentFolder));
        else if (argument.front() == separator)
            paths.push_back(argument);
        else
            paths.push_back(folderPathWithSeparator(currentFolder, separator) + argument);
    }
    return paths;
}

} // namespace quillaro
