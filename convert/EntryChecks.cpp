#include "convert/EntryChecks.h"

#include "base/Utf8Path.h"

#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/statvfs.h>
#endif

namespace quillaro {

namespace fs = std::filesystem;

namespace {

// Catches what comparing the texts cannot: case-insensitive names, links.
bool isSameFile(const fs::path& input, const fs::path& output) {
    std::error_code error;
    return fs::equivalent(input, output, error) && !error;
}

#ifdef _WIN32
// No name longer than 255 UTF-16 units can be made on Windows, and what the
// system answers when asked about one differs, down to "not found".
bool nameTooLongForWindows(const fs::path& path) {
    return path.filename().wstring().size() > 255;
}
#else
bool nameTooLongForWindows(const fs::path&) {
    return false;
}
#endif

} // namespace

std::optional<std::string> inputProblem(const std::string& entry) {
    std::error_code error;
    switch (fs::status(pathFromUtf8(entry), error).type()) {
    case fs::file_type::regular:
        return std::nullopt;
    case fs::file_type::directory:
        return "is a folder";
    case fs::file_type::not_found:
        return "input not found";
    case fs::file_type::none:
        return "input cannot be examined: " + error.message();
    default:
        return "not a regular file";
    }
}

// A dangling symbolic link is there too: writing through it would create a
// file somewhere else. Only a plain file is read.
OutputBeforeRun lookAtOutput(const std::string& entry, const std::string& output) {
    OutputBeforeRun look;
    const fs::path outputPath = pathFromUtf8(output);
    std::error_code error;
    const fs::file_status status = fs::symlink_status(outputPath, error);
    if (nameTooLongForWindows(outputPath) || error == std::errc::filename_too_long)
        look.state = OutputBeforeRun::State::NameTooLong;
    else if (status.type() == fs::file_type::none) {
        look.state = OutputBeforeRun::State::CannotExamine;
        look.error = error.message();
    } else if (status.type() != fs::file_type::not_found) {
        look.state = OutputBeforeRun::State::Present;
        look.isTheInput = isSameFile(pathFromUtf8(entry), outputPath);
        if (status.type() == fs::file_type::regular)
            look.reading = readMp4Index(output).kind;
    }
    return look;
}

std::uint64_t fileBytes(const std::string& path) {
    std::error_code error;
    const auto size = fs::file_size(pathFromUtf8(path), error);
    return error ? 0 : size;
}

// Less than an encoder's write buffer or two.
constexpr std::uint64_t almostFullBytes = 1024 * 1024;

#ifdef _WIN32
bool diskAlmostFull(const std::string& output) {
    const fs::path folder = pathFromUtf8(output).parent_path();
    ULARGE_INTEGER available{};
    return GetDiskFreeSpaceExW(folder.empty() ? L"." : folder.c_str(), &available, nullptr,
                               nullptr) &&
           available.QuadPart < almostFullBytes;
}
#else
bool diskAlmostFull(const std::string& output) {
    const fs::path folder = pathFromUtf8(output).parent_path();
    struct statvfs space {};
    return ::statvfs(folder.empty() ? "." : folder.c_str(), &space) == 0 &&
           std::uint64_t{space.f_bavail} * space.f_frsize < almostFullBytes;
}
#endif

} // namespace quillaro
