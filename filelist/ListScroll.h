#pragma once

#include <optional>

namespace quillaro {

// While an entry is dragged through the list, a pointer above this screen row
// brings the entry before the dragged one into view...
inline constexpr int scrollUpAboveScreenRow = 305;
// ...and a pointer below this one brings the entry after it into view.
inline constexpr int scrollDownBelowScreenRow = 364;

// The row to bring into view right after the dragged path has moved to `row`
// (0-based) of a list of `count` rows, with the pointer at `screenRow` pixels
// from the top of the screen; nothing when the pointer is between the two
// rows or there is no entry on that side. Only the screen position counts,
// never where the window or the list are.
std::optional<int> rowToRevealAfterExchange(int screenRow, int row, int count);

} // namespace quillaro
