#include "filelist/FolderWalk.h"
#include "filelist/NamePattern.h"

#include <gtest/gtest.h>
#include <string_view>

namespace {

TEST(FolderNames, MatchPatternLikeTheFileSystem) {
    struct Case {
        std::string_view name, pattern;
        bool matches;
    };
    for (const Case& c : {
             Case{"clip.wmv", "*.wmv", true},
             Case{"CLIP.WMV", "*.wmv", true},
             Case{"Clip.Wmv", "*.WMV", true},
             Case{".wmv", "*.wmv", true},
             Case{"a.b.wmv", "*.wmv", true},
             // A false start of the literal part must not end the match.
             Case{"x.wmv.wmv", "*.wmv", true},
             Case{"a.wm.wmv", "*.wmv", true},
             Case{"clip.wmvx", "*.wmv", false},
             Case{"clip.wmv.part", "*.wmv", false},
             Case{"clipwmv", "*.wmv", false},
             Case{"", "*.wmv", false},
             // "?" takes one character, not one byte of it.
             Case{"a\xC3\xA9z", "a?z", true},
             Case{"az", "a?z", false},
             Case{"aaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*c", false},
         })
        EXPECT_EQ(quillaro::nameMatchesPattern(c.name, c.pattern), c.matches)
            << '"' << c.name << "\" against \"" << c.pattern << '"';
}

TEST(FolderNames, OrderWithoutRegardToCaseAsInAWindowsFolder) {
    struct Case {
        std::string_view before, after;
    };
    for (const Case& c : {
             Case{"a.wmv", "B.wmv"},
             Case{"A.wmv", "b.wmv"},
             // Equal but for case: the exact bytes decide, so the order is total.
             Case{"A.wmv", "a.wmv"},
             Case{"B.WMV", "b.wmv"},
             Case{"ab", "ABC"},
             // Letters of either case come before "_", as in a Windows folder.
             Case{"b", "_"},
             Case{"B", "_"},
             Case{"z", "\xC3\xA9"},
         }) {
        EXPECT_TRUE(quillaro::nameLessIgnoringCase(c.before, c.after)) << c.before << c.after;
        EXPECT_FALSE(quillaro::nameLessIgnoringCase(c.after, c.before)) << c.after << c.before;
    }
}

TEST(FolderNames, FolderPathEndsInExactlyOneSeparator) {
    struct Case {
        std::string_view folder;
        char separator;
        std::string_view expected;
    };
    for (const Case& c : {
             Case{"C:\\", '\\', "C:\\"},
             Case{"C:\\Videos", '\\', "C:\\Videos\\"},
             Case{"C:\\Videos\\", '\\', "C:\\Videos\\"},
             Case{"\\\\server\\share", '\\', "\\\\server\\share\\"},
             Case{"/", '/', "/"},
             Case{"/home/v", '/', "/home/v/"},
         })
        EXPECT_EQ(quillaro::folderPathWithSeparator(c.folder, c.separator), c.expected) << c.folder;
}

} // namespace
