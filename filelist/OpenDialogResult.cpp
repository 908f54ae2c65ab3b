#include "filelist/OpenDialogResult.h"

#include "filelist/FolderPath.h"

namespace quillaro {

std::vector<std::string> pathsFromOpenDialogResult(std::string_view result, char separator) {
    if (result.empty())
        return {};

    std::vector<std::string_view> parts;
    for (size_t start = 0;;) {
        const size_t end = result.find('\0', start);
        parts.push_back(result.substr(start, end - start));
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }

    if (parts.size() == 1)
        return {std::string(parts.front())};

    const std::string folder =
        parts.front().empty() ? std::string() : folderPathWithSeparator(parts.front(), separator);
    std::vector<std::string> paths;
    paths.reserve(parts.size() - 1);
    for (size_t i = 1; i < parts.size(); ++i)
        paths.push_back(folder + std::string(parts[i]));
    return paths;
}

} // namespace quillaro
