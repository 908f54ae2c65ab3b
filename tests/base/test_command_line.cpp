#include "base/CommandLine.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

using Strings = std::vector<std::string>;

// argv, the exact text of each (empty: argv's own), the arguments the toolkit
// takes out as Qt does, by compacting argv; then what the toolkit was handed
// and the paths left.
TEST(CommandLine, TheToolkitTakesItsOptionsOnlyBeforeTheSeparator) {
    const std::tuple<Strings, Strings, Strings, Strings, Strings> rows[] = {
        {{"quillaro"}, {}, {}, {"quillaro"}, {}},
        // A name that looks like an option; "--" after the first is a name.
        {{"q", "-style", "fusion", "b.wmv", "a dir", "-x", "--", "-reverse", "--", "c"},
         {},
         {"-style", "fusion"},
         {"q", "-style", "fusion", "b.wmv", "a dir", "-x"},
         {"b.wmv", "a dir", "-x", "-reverse", "--", "c"}},
        // Windows hands argv in its ANSI code page; the exact text is used.
        {{"q", "-style", "?n?.wmv", "--", "?"},
         {"q", "-style", "\xc3\x9cn\xc3\xaf.wmv", "--", "\xc3\xa9"},
         {"-style"},
         {"q", "-style", "?n?.wmv"},
         {"\xc3\x9cn\xc3\xaf.wmv", "\xc3\xa9"}},
    };
    for (auto [given, exact, taken, handed, paths] : rows) {
        std::vector<char*> argv;
        for (std::string& argument : given)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        quillaro::CommandLine commandLine(static_cast<int>(given.size()), argv.data(),
                                          exact.empty() ? given : exact);
        int& argc = commandLine.toolkitArgc();
        char** qtArgv = commandLine.toolkitArgv();
        EXPECT_EQ(Strings(qtArgv, qtArgv + argc), handed);
        EXPECT_EQ(qtArgv[argc], nullptr);
        const auto isTaken = [&](char* a) { return std::count(taken.begin(), taken.end(), a); };
        argc = static_cast<int>(std::remove_if(qtArgv, qtArgv + argc, isTaken) - qtArgv);
        EXPECT_EQ(commandLine.pathArguments(), paths) << given.back();
    }
}

// The current folder and the separator, arguments, and the paths in the list.
TEST(CommandLine, PathsAreMadeAbsoluteByJoiningBytes) {
    const std::tuple<std::pair<std::string, char>, Strings, Strings> rows[] = {
        {{"/home/u", '/'},
         {"/v/a.wmv", "b.wmv", "", "./c d/", "../e.wmv"},
         {"/v/a.wmv", "/home/u/b.wmv", "/home/u/./c d/", "/home/u/../e.wmv"}},
        // Names that are not UTF-8, in the folder and in the argument.
        {{"/tmp/prog\xe9", '/'}, {"lat\xe9.wmv"}, {"/tmp/prog\xe9/lat\xe9.wmv"}},
        {{"/", '/'}, {"a.wmv", "/b"}, {"/a.wmv", "/b"}},
        {{"", '/'}, {"a.wmv", "\\b"}, {"a.wmv", "\\b"}},
        {{"C:\\Vid\xc3\xa9os", '\\'},
         {"C:\\V\\a.wmv", "d:/V/b.wmv", "\\\\srv\\s\\c.wmv", "\xc3\x9cn\xc3\xaf clip.wmv",
          "x/y.wmv"},
         {"C:\\V\\a.wmv", "d:\\V\\b.wmv", "\\\\srv\\s\\c.wmv",
          "C:\\Vid\xc3\xa9os\\\xc3\x9cn\xc3\xaf clip.wmv", "C:\\Vid\xc3\xa9os\\x\\y.wmv"}},
        // On the current drive or share; drive-relative names.
        {{"C:\\V", '\\'},
         {"\\a.wmv", "c:b.wmv", "D:c.wmv", "E:"},
         {"C:\\a.wmv", "C:\\V\\b.wmv", "D:\\c.wmv", "E:\\"}},
        {{"\\\\srv\\share\\V", '\\'},
         {"\\a.wmv", "b.wmv"},
         {"\\\\srv\\share\\a.wmv", "\\\\srv\\share\\V\\b.wmv"}},
        {{"C:\\", '\\'}, {"a.wmv"}, {"C:\\a.wmv"}},
    };
    for (const auto& [folder, arguments, paths] : rows)
        EXPECT_EQ(quillaro::absolutePaths(arguments, folder.first, folder.second), paths)
            << folder.first;
}
