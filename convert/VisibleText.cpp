#include "convert/VisibleText.h"

namespace quillaro {

namespace {

// The length of a UTF-8 sequence that starts with `lead`; 0 when none can.
std::size_t sequenceLength(unsigned char lead) {
    if (lead < 0x80)
        return 1;
    if (lead < 0xC2)
        return 0;
    if (lead < 0xE0)
        return 2;
    if (lead < 0xF0)
        return 3;
    return lead < 0xF5 ? 4 : 0;
}

// Windows names hold no control characters, and doubling the separator
// would garble every path.
#ifdef _WIN32
constexpr bool backslashIsSeparator = true;
#else
constexpr bool backslashIsSeparator = false;
#endif

} // namespace

std::string visibleText(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    const auto escape = [&](const char* prefix, unsigned value, int digits) {
        static constexpr char hex[] = "0123456789abcdef";
        shown += prefix;
        for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
            shown += hex[(value >> shift) & 0xF];
    };
    for (std::size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        std::size_t length = sequenceLength(lead);
        char32_t point = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = at + k < text.size() ? static_cast<unsigned char>(text[at + k]) : 0;
            if ((next & 0xC0) != 0x80) {
                length = 0;
                break;
            }
            point = (point << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and points beyond Unicode are not UTF-8.
        if ((length == 3 && (point < 0x800 || (point >= 0xD800 && point <= 0xDFFF))) ||
            (length == 4 && (point < 0x10000 || point > 0x10FFFF)))
            length = 0;

        if (length == 0) {
            escape("\\x", lead, 2);
            ++at;
            continue;
        }
        if (point == '\\' && !backslashIsSeparator)
            shown += "\\\\";
        else if (point == '\n')
            shown += "\\n";
        else if (point == '\r')
            shown += "\\r";
        else if (point == '\t')
            shown += "\\t";
        else if (point < 0x20 || point == 0x7F)
            escape("\\x", point, 2);
        else if ((point >= 0x80 && point <= 0x9F) || (point >= 0x2028 && point <= 0x202E) ||
                 (point >= 0x2066 && point <= 0x2069) || (point >= 0x200B && point <= 0x200F) ||
                 (point >= 0x2060 && point <= 0x2064) || point == 0xFEFF)
            escape("\\u", point, 4);
        else
            shown.append(text.substr(at, length));
        at += length;
    }
    return shown;
}

} // namespace quillaro
