#include "filelist/ListScroll.h"

#include <gtest/gtest.h>
#include <optional>

namespace {

struct ScrollCase {
    const char* name;
    int screenRow;
    int row;
    int count;
    std::optional<int> expected;
};

class ListScroll : public testing::TestWithParam<ScrollCase> {};

TEST_P(ListScroll, RevealsTheNeighbourOnlyBeyondTheTwoRows) {
    const ScrollCase& c = GetParam();
    EXPECT_EQ(quillaro::rowToRevealAfterExchange(c.screenRow, c.row, c.count), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ListScroll,
    testing::Values(
        // The dragged path has reached the third of ten entries (row 2).
        ScrollCase{"AboveTheUpperRow", 304, 2, 10, 1},
        ScrollCase{"OnTheUpperRow", 305, 2, 10, std::nullopt},
        ScrollCase{"OnTheLowerRow", 364, 2, 10, std::nullopt},
        ScrollCase{"BelowTheLowerRow", 365, 2, 10, 3}, ScrollCase{"TopOfTheScreen", 0, 2, 10, 1},
        ScrollCase{"AboveTheScreen", -40, 2, 10, 1}, ScrollCase{"FarBelow", 5000, 2, 10, 3},
        // Nothing lies beyond the first or the last entry.
        ScrollCase{"FirstEntryHigh", 100, 0, 10, std::nullopt},
        ScrollCase{"SecondEntryHigh", 100, 1, 10, 0},
        ScrollCase{"LastEntryLow", 500, 9, 10, std::nullopt},
        ScrollCase{"BeforeLastLow", 500, 8, 10, 9}, ScrollCase{"FirstEntryLow", 500, 0, 10, 1},
        ScrollCase{"LastEntryHigh", 100, 9, 10, 8},
        ScrollCase{"OnlyEntryHigh", 100, 0, 1, std::nullopt},
        ScrollCase{"OnlyEntryLow", 500, 0, 1, std::nullopt},
        // A row that is no entry of the list reveals nothing.
        ScrollCase{"RowPastTheEnd", 100, 10, 10, std::nullopt},
        ScrollCase{"NegativeRow", 500, -1, 10, std::nullopt},
        ScrollCase{"EmptyList", 100, 0, 0, std::nullopt}),
    [](const testing::TestParamInfo<ScrollCase>& info) { return info.param.name; });

} // namespace
