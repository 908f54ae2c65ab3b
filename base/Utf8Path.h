#pragma once

#include <filesystem>
#include <string>

namespace quillaro {

// Paths travel as UTF-8 text; a plain std::string would be read in the ANSI
// code page by a Windows build, so go through char8_t.
inline std::filesystem::path pathFromUtf8(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

} // namespace quillaro
