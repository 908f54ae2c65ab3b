#include "filelist/NamePattern.h"

#include <gtest/gtest.h>
#include <string_view>
#include <tuple>
#include <utility>

namespace {

TEST(FolderNames, MatchPatternLikeTheFileSystem) {
    const std::tuple<std::string_view, std::string_view, bool> cases[] = {
        {"CLIP.WMV", "*.wmv", true},
        {"Clip.Wmv", "*.WMV", true},
        {".wmv", "*.wmv", true},
        // A false start of the literal part must not end the match.
        {"x.wmv.wmv", "*.wmv", true},
        {"a.wm.wmv", "*.wmv", true},
        {"clip.wmvx", "*.wmv", false},
        {"clipwmv", "*.wmv", false},
        {"", "*.wmv", false},
        // "?" takes one character, not one byte of it.
        {"a\xC3\xA9z", "a?z", true},
        {"az", "a?z", false},
        // Never exponential, whatever the pattern.
        {"aaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*c", false},
    };
    for (const auto& [name, pattern, matches] : cases)
        EXPECT_EQ(quillaro::nameMatchesPattern(name, pattern), matches)
            << '"' << name << "\" against \"" << pattern << '"';
}

TEST(FolderNames, OrderWithoutRegardToCaseAsInAWindowsFolder) {
    const std::pair<std::string_view, std::string_view> inOrder[] = {
        {"a.wmv", "B.wmv"},
        // Equal but for case: the exact bytes decide, so the order is total.
        {"A.wmv", "a.wmv"},
        {"ab", "ABC"},
        // Letters of either case come before "_", as in a Windows folder.
        {"b", "_"},
        {"B", "_"},
        {"z", "\xC3\xA9"},
    };
    for (const auto& [before, after] : inOrder) {
        EXPECT_TRUE(quillaro::nameLessIgnoringCase(before, after)) << before << " < " << after;
        EXPECT_FALSE(quillaro::nameLessIgnoringCase(after, before)) << after << " < " << before;
    }
}

} // namespace
