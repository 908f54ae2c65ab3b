#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillaro {

// Joins a folder and a name with exactly one separator: none is added when the
// folder already ends in one (a drive root such as "C:\\"). Nothing else in
// the folder is touched, so a network folder keeps its leading "\\\\".
std::string joinFolderAndName(std::string_view folder, std::string_view name, char separator);

// Turns the Open dialog's result into full paths, in the dialog's order.
// The result is empty (cancel), one full path, or a folder followed by names,
// all separated by NUL characters.
std::vector<std::string> pathsFromOpenDialogResult(std::string_view result, char separator);

} // namespace quillaro
