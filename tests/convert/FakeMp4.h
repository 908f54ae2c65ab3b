#pragma once

#include <string>

// The smallest whole MP4 (a file type box and an index holding a one-second
// movie header, no track), with `note` after it in a free box: what the fake
// encoder writes, and what a test finds there.
inline std::string fakeMp4(const std::string& note) {
    const auto box = [](const char* type, const std::string& content) {
        const auto size = static_cast<unsigned>(8 + content.size());
        return std::string{char(size >> 24), char(size >> 16), char(size >> 8), char(size)} + type +
               content;
    };
    const std::string zeros(64, '\0'), unit{0, 1, 0, 0};
    const std::string movieHeader = zeros.substr(0, 12) + std::string{0, 0, 3, char(0xE8)} +
                                    std::string{0, 0, 3, char(0xE8)} + unit + "\1" +
                                    zeros.substr(0, 11) + unit + zeros.substr(0, 12) + unit +
                                    zeros.substr(0, 12) + std::string{0x40, 0, 0, 0} +
                                    zeros.substr(0, 24) + std::string{0, 0, 0, 1};
    return box("ftyp", std::string("isom") + std::string{0, 0, 2, 0} + "isom") +
           box("moov", box("mvhd", movieHeader)) + box("free", note);
}
