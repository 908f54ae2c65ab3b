#pragma once

#include <cstddef>
#include <optional>
#include <span>

namespace quillaro {

struct HotSpot {
    int x = 0;
    int y = 0;
    friend bool operator==(const HotSpot&, const HotSpot&) = default;
};

// Reads the hot spot of the first image in a Windows cursor (.cur) file.
// Returns nothing when the bytes are not a cursor file or the hot spot lies
// outside the image it belongs to.
std::optional<HotSpot> cursorHotSpot(std::span<const std::byte> file);

} // namespace quillaro
