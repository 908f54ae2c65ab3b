#include "filelist/NamePattern.h"

#include <gtest/gtest.h>
#include <string_view>

namespace {

struct PatternCase {
    std::string_view name;
    std::string_view pattern;
    bool matches;
};

class NameMatchesPattern : public testing::TestWithParam<PatternCase> {};

TEST_P(NameMatchesPattern, AsTheFileSystemWould) {
    const PatternCase& c = GetParam();
    EXPECT_EQ(quillaro::nameMatchesPattern(c.name, c.pattern), c.matches)
        << "name \"" << c.name << "\" pattern \"" << c.pattern << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NameMatchesPattern,
    testing::Values(PatternCase{"clip.wmv", "*.wmv", true}, PatternCase{"CLIP.WMV", "*.wmv", true},
                    PatternCase{"Clip.Wmv", "*.WMV", true}, PatternCase{".wmv", "*.wmv", true},
                    PatternCase{"~clip.wmv", "*.wmv", true}, PatternCase{"a.b.wmv", "*.wmv", true},
                    // The extension must be the whole of the name's end.
                    PatternCase{"clip.wmvx", "*.wmv", false},
                    PatternCase{"clip.wmv.part", "*.wmv", false},
                    PatternCase{"clipwmv", "*.wmv", false}, PatternCase{"wmv", "*.wmv", false},
                    PatternCase{"clip.mwv", "*.wmv", false}, PatternCase{"", "*.wmv", false},
                    // Backtracking past an early false match of the literal part.
                    PatternCase{"x.wmv.wmv", "*.wmv", true}, PatternCase{"a.wm.wmv", "*.wmv", true},
                    PatternCase{"abc", "a?c", true}, PatternCase{"ac", "a?c", false},
                    // "?" takes one character, not one byte.
                    PatternCase{"a\xC3\xA9"
                                "c",
                                "a?c", true},
                    PatternCase{"anything", "*", true}, PatternCase{"", "*", true},
                    PatternCase{"", "", true}, PatternCase{"a", "", false},
                    PatternCase{"abcabd", "*ab?", true},
                    PatternCase{"aaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*c", false}));

struct OrderCase {
    std::string_view before;
    std::string_view after;
};

class NameLessIgnoringCase : public testing::TestWithParam<OrderCase> {};

TEST_P(NameLessIgnoringCase, OrdersOneWayOnly) {
    const OrderCase& c = GetParam();
    EXPECT_TRUE(quillaro::nameLessIgnoringCase(c.before, c.after)) << c.before << " < " << c.after;
    EXPECT_FALSE(quillaro::nameLessIgnoringCase(c.after, c.before)) << c.after << " < " << c.before;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NameLessIgnoringCase,
    testing::Values(OrderCase{"a.wmv", "B.wmv"}, OrderCase{"A.wmv", "b.wmv"},
                    // Ties without regard to case fall back to the exact bytes.
                    OrderCase{"A.wmv", "a.wmv"}, OrderCase{"B.WMV", "b.wmv"},
                    OrderCase{"ab", "ABC"}, OrderCase{"", "a"},
                    // "_" lies between the capitals and the small letters in ASCII;
                    // letters of either case come before it, as in a Windows folder.
                    OrderCase{"B", "_"}, OrderCase{"b", "_"},
                    // Bytes above 127 (UTF-8) after all ASCII, not before it.
                    OrderCase{"z", "\xC3\xA9"}));

TEST(NameLessIgnoringCaseSelf, IsIrreflexive) {
    EXPECT_FALSE(quillaro::nameLessIgnoringCase("Same", "Same"));
}

} // namespace
