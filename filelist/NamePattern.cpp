#include "filelist/NamePattern.h"

#include <algorithm>
#include <cstddef>

namespace quillaro {

namespace {

// Folded to capitals, as NTFS orders its names: "_" then sorts after the
// letters, as a Windows user sees it.
constexpr char foldAsciiCase(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// UTF-8 continuation bytes belong to the character before them.
constexpr bool isContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

} // namespace

bool nameMatchesPattern(std::string_view name, std::string_view pattern) {
    // Greedy matching with one point to come back to: the last "*" seen and
    // the place in the name it has swallowed up to. Linear in practice and
    // never exponential, whatever the pattern.
    size_t n = 0;
    size_t p = 0;
    size_t starAt = std::string_view::npos;
    size_t resumeAt = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starAt = p++;
            resumeAt = n;
        } else if (p < pattern.size() && pattern[p] == '?') {
            ++p;
            ++n;
            while (n < name.size() && isContinuationByte(name[n]))
                ++n;
        } else if (p < pattern.size() && foldAsciiCase(pattern[p]) == foldAsciiCase(name[n])) {
            ++p;
            ++n;
        } else if (starAt != std::string_view::npos) {
            p = starAt + 1;
            n = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

bool nameLessIgnoringCase(std::string_view a, std::string_view b) {
    const auto folded = std::lexicographical_compare_three_way(
        a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
            return static_cast<unsigned char>(foldAsciiCase(x)) <=>
                   static_cast<unsigned char>(foldAsciiCase(y));
        });
    if (folded != 0)
        return folded < 0;
    return a < b;
}

} // namespace quillaro
