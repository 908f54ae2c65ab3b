#include "base/CursorHotSpot.h"

#include <cstdint>

namespace quillaro {

namespace {

// Layout of the file's header: reserved (0), type (2 for a cursor), image
// count, then one 16-byte directory entry per image.
constexpr size_t headerSize = 6;
constexpr size_t entrySize = 16;
constexpr uint16_t cursorType = 2;

uint16_t readU16(std::span<const std::byte> bytes, size_t at) {
    return static_cast<uint16_t>(std::to_integer<unsigned>(bytes[at]) |
                                 std::to_integer<unsigned>(bytes[at + 1]) << 8);
}

// A width or height byte of 0 means 256 pixels.
int imageExtent(std::byte b) {
    const int value = std::to_integer<int>(b);
    return value == 0 ? 256 : value;
}

} // namespace

std::optional<HotSpot> cursorHotSpot(std::span<const std::byte> file) {
    if (file.size() < headerSize + entrySize)
        return std::nullopt;
    if (readU16(file, 0) != 0 || readU16(file, 2) != cursorType || readU16(file, 4) == 0)
        return std::nullopt;

    const auto entry = file.subspan(headerSize, entrySize);
    const HotSpot hotSpot{readU16(entry, 4), readU16(entry, 6)};
    if (hotSpot.x >= imageExtent(entry[0]) || hotSpot.y >= imageExtent(entry[1]))
        return std::nullopt;
    return hotSpot;
}

} // namespace quillaro
