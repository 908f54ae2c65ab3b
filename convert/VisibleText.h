#pragma once

#include <string>
#include <string_view>

namespace quillaro {

// Text as a message shows it: control characters, line and paragraph
// separators and direction overrides as escapes ("\n", "\x1b", "\u2028"), so
// that a file name cannot begin a line of its own or turn the text around;
// bytes that are not UTF-8 as "\xe9".
std::string visibleText(std::string_view text);

} // namespace quillaro
