#include "filelist/EventPump.h"
#include "filelist/FolderScan.h"
#include "filelist/FolderWalk.h"
#include "tests/support/WindowsTestFolder.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include <windows.h>

namespace {

using Paths = std::vector<std::string>;

// The scan's result, with the test folder taken off the front of each path.
Paths scan(const std::string& chosenFolder, const std::string& root) {
    Paths found;
    quillaro::addAllWmvFilesInFolder(chosenFolder,
                                     [&](Paths& batch) {
                                         for (const std::string& path : batch)
                                             found.push_back(path.substr(root.size()));
                                     },
                                     {});
    return found;
}

Paths sorted(Paths paths) {
    std::sort(paths.begin(), paths.end());
    return paths;
}

// The names of the folders in `folder` in the order the file system lists them.
Paths listingOrder(const std::string& folder) {
    Paths names;
    WIN32_FIND_DATAW entry{};
    const HANDLE find = FindFirstFileW(quillaro::toUtf16(folder + "*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::string name = quillaro::toUtf8(entry.cFileName);
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileW(find, &entry));
    FindClose(find);
    return names;
}

TEST(FolderScanOnWindows, AddsFolderByFolderInLevelOrder) {
    const WindowsTestFolder tree;
    for (const char* entry :
         {"A\\", "B\\", "A\\A1\\", "a.wmv", "A\\x.wmv", "B\\y.wmv", "A\\A1\\z.wmv"})
        tree.make(entry);
    // A and B in whatever order the file system lists them; A1, one level
    // deeper, after both.
    Paths expected = {"a.wmv"};
    for (const std::string& name : listingOrder(tree.path()))
        expected.push_back(name + (name == "A" ? "\\x.wmv" : "\\y.wmv"));
    expected.push_back("A\\A1\\z.wmv");

    EXPECT_EQ(scan(tree.path(), tree.path()), expected);
}

TEST(FolderScanOnWindows, FindsWhatTheRulesSayAndNothingElse) {
    struct Entry {
        std::string path;
        DWORD attributes = 0;
    };
    struct Row {
        const char* what;
        std::vector<Entry> entries;
        Paths found;
    };
    const Row rows[] = {
        {"extension in capitals", {{"UP.WMV"}, {"Mixed.WmV"}}, {"Mixed.WmV", "UP.WMV"}},
        {"hidden and system files are found",
         {{"h.wmv", FILE_ATTRIBUTE_HIDDEN},
          {"s.wmv", FILE_ATTRIBUTE_SYSTEM},
          {"hs.wmv", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM},
          {"r.wmv", FILE_ATTRIBUTE_READONLY}},
         {"h.wmv", "hs.wmv", "r.wmv", "s.wmv"}},
        {"hidden and system folders are not entered",
         {{"H\\", FILE_ATTRIBUTE_HIDDEN},
          {"H\\in.wmv"},
          {"S\\", FILE_ATTRIBUTE_SYSTEM},
          {"S\\in.wmv"},
          {"V\\"},
          {"V\\in.wmv"}},
         {"V\\in.wmv"}},
        // Matched on the long name only: the system's own match would also
        // try short names such as "AWMVX~1.WMV".
        {"near misses",
         {{"a.wmvx"}, {"a long name.wmvx"}, {"b.wmv.txt"}, {"c.wm"}, {"wmv"}, {".wmv"}},
         {".wmv"}},
        {"a leading tilde is skipped",
         {{"~a.wmv"}, {"b~.wmv"}, {"c~d.wmv"}},
         {"b~.wmv", "c~d.wmv"}},
        {"a folder named like a video is entered, not added",
         {{"dir.wmv\\"}, {"dir.wmv\\in.wmv"}},
         {"dir.wmv\\in.wmv"}},
        {"names outside any code page",
         {{"Vidéos 日本\\"}, {"Vidéos 日本\\clip é ü.wmv"}, {"Ελληνικά.wmv"}},
         {"Vidéos 日本\\clip é ü.wmv", "Ελληνικά.wmv"}},
        {"an empty folder", {}, {}},
    };
    for (const Row& row : rows) {
        const WindowsTestFolder tree;
        for (const Entry& entry : row.entries)
            tree.make(entry.path);
        // Attributes last, so that hidden folders could still be filled.
        for (const Entry& entry : row.entries) {
            if (entry.attributes != 0)
                SetFileAttributesW(quillaro::toUtf16(tree.path() + entry.path).c_str(),
                                   entry.attributes);
        }
        const Paths found = scan(tree.path(), tree.path());
        EXPECT_EQ(sorted(found), sorted(row.found)) << row.what;
        // Every path handed on names a file that opens as it is written.
        for (const std::string& path : found) {
            const HANDLE file =
                CreateFileW(quillaro::toUtf16(tree.path() + path).c_str(), GENERIC_READ,
                            FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
            EXPECT_NE(file, INVALID_HANDLE_VALUE) << path;
            CloseHandle(file);
        }
    }
}

TEST(FolderScanOnWindows, FindsFilesBeyondTheOldPathLimit) {
    const WindowsTestFolder tree;
    std::string folder;
    for (int level = 0; level < 8; ++level) {
        folder += std::string(40, static_cast<char>('a' + level)) + "\\";
        tree.make(folder);
    }
    tree.make(folder + "deep.wmv");
    ASSERT_GT(tree.path().size() + folder.size(), size_t{MAX_PATH});

    EXPECT_EQ(scan(tree.path(), tree.path()), Paths{folder + "deep.wmv"});
}

TEST(FolderScanOnWindows, EntersEveryFolderOnceWhateverLinksLeadThere) {
    const WindowsTestFolder tree;
    for (const char* entry : {"A\\", "B\\", "a.wmv", "A\\x.wmv", "B\\y.wmv"})
        tree.make(entry);
    struct Link {
        const char* at;
        std::string to;
    };
    // Back up to the top, across to a sibling, and to itself.
    for (const Link& link : {Link{"A\\up", tree.path()}, Link{"A\\toB", tree.path() + "B"},
                             Link{"B\\self", tree.path() + "B"}}) {
        if (!CreateSymbolicLinkW(quillaro::toUtf16(tree.path() + link.at).c_str(),
                                 quillaro::toUtf16(link.to).c_str(),
                                 SYMBOLIC_LINK_FLAG_DIRECTORY |
                                     SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE))
            GTEST_SKIP() << "folder links cannot be made here: " << GetLastError();
        // Wine says yes and makes nothing.
        if (GetFileAttributesW(quillaro::toUtf16(tree.path() + link.at).c_str()) ==
            INVALID_FILE_ATTRIBUTES)
            GTEST_SKIP() << "folder links are not really made here";
    }
    EXPECT_EQ(sorted(scan(tree.path(), tree.path())), (Paths{"A\\x.wmv", "B\\y.wmv", "a.wmv"}));
}

TEST(FolderScanOnWindows, ADriveRootGivesOneBackslash) {
    // A drive of its own is needed, whose root the test may fill: scripts/wine-run
    // gives one; on Windows, name a spare one ("R:") in QUILLARO_TEST_DRIVE.
    const char* drive = std::getenv("QUILLARO_TEST_DRIVE");
    if (!drive || !*drive)
        GTEST_SKIP() << "no QUILLARO_TEST_DRIVE";
    const std::string root = std::string(drive) + "\\";
    const std::string folder = root + "Quillaro Sub\\";
    const std::string files[] = {root + "quillaro a.wmv", folder + "b.wmv"};
    ASSERT_TRUE(CreateDirectoryW(quillaro::toUtf16(folder).c_str(), nullptr));
    for (const std::string& file : files)
        CloseHandle(CreateFileW(quillaro::toUtf16(file).c_str(), GENERIC_WRITE, 0, nullptr,
                                CREATE_NEW, 0, nullptr));

    const Paths found = scan(root, "");
    for (const std::string& file : files)
        DeleteFileW(quillaro::toUtf16(file).c_str());
    RemoveDirectoryW(quillaro::toUtf16(folder).c_str());

    EXPECT_EQ(found, (Paths{files[0], files[1]}));
}

TEST(FolderWalkOnWindows, AFolderThatCannotBeReadGivesNothing) {
    const WindowsTestFolder tree;
    const std::string missing = tree.path() + "gone\\";
    quillaro::EventPump pump;
    std::vector<std::string> folders{missing};
    quillaro::CollectSubFolders(folders, pump);
    EXPECT_EQ(folders, Paths{missing});
    EXPECT_TRUE(quillaro::ListMatchingFiles(missing, "*.wmv").empty());
    // A file where a folder is expected.
    const std::string file = tree.make("clip.wmv");
    EXPECT_TRUE(quillaro::ListMatchingFiles(file, "*.wmv").empty());
}

TEST(FolderWalkOnWindows, AFolderIsKnownWhateverPathNamesIt) {
    const WindowsTestFolder tree;
    tree.make("Sub\\");
    tree.make("Other\\");
    tree.make("file.wmv");
    const auto identify = quillaro::FolderLister::platform().identify;
    const auto sub = identify(tree.path() + "Sub\\");
    ASSERT_TRUE(sub.has_value());
    EXPECT_EQ(identify(tree.path() + "Sub"), sub);
    EXPECT_EQ(identify(tree.path() + "SUB\\"), sub);
    EXPECT_EQ(identify(tree.path() + "Other\\..\\Sub\\"), sub);
    EXPECT_NE(identify(tree.path() + "Other\\"), sub);
    EXPECT_EQ(identify(tree.path() + "file.wmv"), std::nullopt);
    EXPECT_EQ(identify(tree.path() + "gone\\"), std::nullopt);
}

} // namespace
