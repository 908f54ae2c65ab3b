#include "filelist/ListScroll.h"

namespace quillaro {

std::optional<int> rowToRevealAfterExchange(int screenRow, int row, int count) {
    if (row < 0 || row >= count)
        return std::nullopt;
    if (screenRow < scrollUpAboveScreenRow) {
        if (row >= 1)
            return row - 1;
    } else if (screenRow > scrollDownBelowScreenRow) {
        if (row + 1 < count)
            return row + 1;
    }
    return std::nullopt;
}

} // namespace quillaro
