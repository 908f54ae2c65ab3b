#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillaro {

// Turns the Open dialog's result into full paths, in the dialog's order.
// The result is empty (cancel), one full path, or a folder followed by names,
// all separated by NUL characters; folder and name are joined with exactly
// one separator. An empty folder, where the names share none (two drives),
// leaves each name whole.
std::vector<std::string> pathsFromOpenDialogResult(std::string_view result, char separator);

} // namespace quillaro
