#include "filelist/OpenDialogResult.h"

#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

using namespace std::string_literals;
using Paths = std::vector<std::string>;

TEST(OpenDialogResult, GivesTheChosenPathsInOrder) {
    // A root keeps its own separator; names that share no folder stay whole.
    const std::tuple<std::string, char, Paths> cases[] = {
        {"C:\\My Videos\\odd name.WMV ", '\\', {"C:\\My Videos\\odd name.WMV "}},
        {"C:\\Videos\0b.wmv\0a.wmv"s, '\\', {"C:\\Videos\\b.wmv", "C:\\Videos\\a.wmv"}},
        {"/\0a.wmv"s, '/', {"/a.wmv"}},
        {"\0C:\\a.wmv\0D:\\b.wmv"s, '\\', {"C:\\a.wmv", "D:\\b.wmv"}},
    };
    for (const auto& [result, separator, expected] : cases)
        EXPECT_EQ(quillaro::pathsFromOpenDialogResult(result, separator), expected) << result;
}
