#pragma once

#include <string>
#include <string_view>

namespace quillaro {

// `folder` ending in exactly one separator: one is added unless it already
// ends in one, so a root ("C:\\", "/") keeps its own and a network folder
// keeps its leading "\\\\".
std::string folderPathWithSeparator(std::string_view folder, char separator);

} // namespace quillaro
