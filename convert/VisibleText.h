#pragma once

#include <string>
#include <string_view>

namespace quillaro {

// Text as a message shows it: control characters, line and paragraph
// separators, direction overrides and invisible format characters as escapes
// ("\n", "\x1b", "\u2028", "\u200b"), so that a file name cannot begin a line
// of its own, turn the text around or hide a difference; bytes that are not
// UTF-8 as "\xe9", and a backslash as "\\" (but on Windows, where it parts
// the names of a path), so that no escape can be faked.
std::string visibleText(std::string_view text);

} // namespace quillaro
