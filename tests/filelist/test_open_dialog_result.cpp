#include "filelist/OpenDialogResult.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;
using Paths = std::vector<std::string>;

struct DialogCase {
    const char* name;
    std::string result;
    char separator;
    Paths expected;
};

class OpenDialogResult : public testing::TestWithParam<DialogCase> {};

TEST_P(OpenDialogResult, GivesTheChosenPathsInOrder) {
    const DialogCase& c = GetParam();
    EXPECT_EQ(quillaro::pathsFromOpenDialogResult(c.result, c.separator), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Results, OpenDialogResult,
    testing::Values(
        DialogCase{"Cancel", "", '\\', {}},
        DialogCase{"OneFile", "C:\\Videos\\clip.wmv", '\\', {"C:\\Videos\\clip.wmv"}},
        DialogCase{"ThreeFiles",
                   "C:\\Videos\0b.wmv\0a.wmv\0c.wmv"s,
                   '\\',
                   {"C:\\Videos\\b.wmv", "C:\\Videos\\a.wmv", "C:\\Videos\\c.wmv"}},
        DialogCase{"DriveRoot", "C:\\\0a.wmv\0b.wmv"s, '\\', {"C:\\a.wmv", "C:\\b.wmv"}},
        DialogCase{"NetworkFolder",
                   "\\\\server\\share\\clips\0a.wmv\0b.wmv"s,
                   '\\',
                   {"\\\\server\\share\\clips\\a.wmv", "\\\\server\\share\\clips\\b.wmv"}},
        DialogCase{
            "SameFileTwice", "/home/me\0a.wmv\0a.wmv"s, '/', {"/home/me/a.wmv", "/home/me/a.wmv"}},
        DialogCase{"PosixRoot", "/\0a.wmv\0b.wmv"s, '/', {"/a.wmv", "/b.wmv"}},
        DialogCase{
            "OneFileKeepsItsText", "/home/me/odd name.WMV ", '/', {"/home/me/odd name.WMV "}}),
    [](const testing::TestParamInfo<DialogCase>& info) { return info.param.name; });

} // namespace
