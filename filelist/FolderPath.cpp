#include "filelist/FolderPath.h"

namespace quillaro {

std::string folderPathWithSeparator(std::string_view folder, char separator) {
    std::string path(folder);
    if (path.empty() || path.back() != separator)
        path += separator;
    return path;
}

} // namespace quillaro
