#include "filelist/OpenDialogResult.h"

#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace std::string_literals;
using Paths = std::vector<std::string>;

TEST(OpenDialogResult, GivesTheChosenPathsInOrder) {
    const std::vector<std::tuple<std::string, char, Paths>> cases = {
        {"", '\\', {}}, // cancelled
        {"C:\\Videos\\clip.wmv", '\\', {"C:\\Videos\\clip.wmv"}},
        {"C:\\Videos\0b.wmv\0a.wmv\0c.wmv"s,
         '\\',
         {"C:\\Videos\\b.wmv", "C:\\Videos\\a.wmv", "C:\\Videos\\c.wmv"}},
        {"C:\\\0a.wmv\0b.wmv"s, '\\', {"C:\\a.wmv", "C:\\b.wmv"}},
        {"\\\\server\\clips\0a.wmv\0a.wmv"s,
         '\\',
         {"\\\\server\\clips\\a.wmv", "\\\\server\\clips\\a.wmv"}},
        {"/\0a.wmv"s, '/', {"/a.wmv"}},
        {"\0C:\\a.wmv\0D:\\b.wmv"s, '\\', {"C:\\a.wmv", "D:\\b.wmv"}},
        {"/home/me/odd name.WMV ", '/', {"/home/me/odd name.WMV "}},
    };
    for (const auto& [result, separator, expected] : cases)
        EXPECT_EQ(quillaro::pathsFromOpenDialogResult(result, separator), expected) << result;
}

} // namespace
