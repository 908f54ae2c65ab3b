#pragma once

#include <string_view>

namespace quillaro {

// Whether `name` matches the wildcard `pattern` ("*" any run of characters,
// "?" any one character), ASCII letters compared without regard to case.
bool nameMatchesPattern(std::string_view name, std::string_view pattern);

// Orders names without regard to ASCII case, letters taken as capitals (so
// "_" follows them, as in a Windows folder); names equal that way are ordered
// by their exact bytes, so the order is total and repeatable.
bool nameLessIgnoringCase(std::string_view a, std::string_view b);

} // namespace quillaro
