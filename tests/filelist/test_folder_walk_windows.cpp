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

// The scan's result, each path without the first `prefixLength` characters.
Paths scan(const std::string& chosenFolder, size_t prefixLength) {
    Paths found;
    quillaro::addAllWmvFilesInFolder(chosenFolder,
                                     [&](Paths& batch) {
                                         for (const std::string& path : batch)
                                             found.push_back(path.substr(prefixLength));
                                     },
                                     {});
    return found;
}

// The folders in `folder`, in the order the file system lists them.
Paths listingOrder(const std::string& folder) {
    Paths names;
    WIN32_FIND_DATAW entry{};
    const HANDLE find = FindFirstFileW(quillaro::toUtf16(folder + "*").c_str(), &entry);
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
    // A and B as the file system lists them; A1, a level deeper, after both.
    Paths expected = {"a.wmv"};
    for (const std::string& name : listingOrder(tree.path()))
        expected.push_back(name + (name == "A" ? "\\x.wmv" : "\\y.wmv"));
    expected.push_back("A\\A1\\z.wmv");

    EXPECT_EQ(scan(tree.path(), tree.path().size()), expected);
}

TEST(FolderScanOnWindows, FindsWhatTheRulesSayAndNothingElse) {
    struct Row {
        const char* what;
        Paths entries;
        std::vector<std::pair<const char*, DWORD>> attributes;
        Paths found;
    };
    constexpr DWORD hidden = FILE_ATTRIBUTE_HIDDEN;
    constexpr DWORD system = FILE_ATTRIBUTE_SYSTEM;
    const Row rows[] = {
        {"capitals", {"UP.WMV", "Mixed.WmV"}, {}, {"Mixed.WmV", "UP.WMV"}},
        {"hidden and system files are found",
         {"h.wmv", "s.wmv", "hs.wmv"},
         {{"h.wmv", hidden}, {"s.wmv", system}, {"hs.wmv", hidden | system}},
         {"h.wmv", "hs.wmv", "s.wmv"}},
        {"hidden and system folders are not entered",
         {"H\\", "H\\in.wmv", "S\\", "S\\in.wmv", "V\\", "V\\in.wmv"},
         {{"H\\", hidden}, {"S\\", system}},
         {"V\\in.wmv"}},
        // Matched on the long name only: the system's own match also tries
        // short names, where "a.wmvx" is "AWMVX~1.WMV".
        {"near misses", {"a.wmvx", "a long name.wmvx", "b.wmv.txt", "wmv", ".wmv"}, {}, {".wmv"}},
        {"a leading tilde", {"~a.wmv", "b~.wmv"}, {}, {"b~.wmv"}},
        {"a folder named like a video", {"d.wmv\\", "d.wmv\\in.wmv"}, {}, {"d.wmv\\in.wmv"}},
        {"names outside any code page",
         {"Vidéos 日本\\", "Vidéos 日本\\clip é.wmv", "Ελληνικά.wmv"},
         {},
         {"Vidéos 日本\\clip é.wmv", "Ελληνικά.wmv"}},
    };
    for (const Row& row : rows) {
        const WindowsTestFolder tree;
        for (const std::string& entry : row.entries)
            tree.make(entry);
        for (const auto& [entry, attributes] : row.attributes)
            SetFileAttributesW(quillaro::toUtf16(tree.path() + entry).c_str(), attributes);
        Paths found = scan(tree.path(), tree.path().size());
        std::sort(found.begin(), found.end());
        EXPECT_EQ(found, row.found) << row.what;
    }
}

TEST(FolderScanOnWindows, ADriveRootGivesOneBackslash) {
    // Needs a drive whose root the test may fill: scripts/wine-run gives one;
    // on Windows, name a spare one ("R:") in QUILLARO_TEST_DRIVE.
    const char* drive = std::getenv("QUILLARO_TEST_DRIVE");
    if (!drive || !*drive)
        GTEST_SKIP() << "no QUILLARO_TEST_DRIVE";
    const std::string root = std::string(drive) + "\\";
    const Paths made = {root + "quillaro a.wmv", root + "Quillaro Sub\\b.wmv"};
    CreateDirectoryW(quillaro::toUtf16(root + "Quillaro Sub").c_str(), nullptr);
    for (const std::string& file : made)
        CloseHandle(CreateFileW(quillaro::toUtf16(file).c_str(), GENERIC_WRITE, 0, nullptr,
                                CREATE_ALWAYS, 0, nullptr));
    const Paths found = scan(root, 0);
    for (const std::string& file : made)
        DeleteFileW(quillaro::toUtf16(file).c_str());
    RemoveDirectoryW(quillaro::toUtf16(root + "Quillaro Sub").c_str());

    EXPECT_EQ(found, made);
}

TEST(FolderWalkOnWindows, KnowsAFolderWhateverPathNamesIt) {
    const WindowsTestFolder tree;
    tree.make("Sub\\");
    tree.make("Other\\");
    const std::string file = tree.make("file.wmv");
    const auto identify = quillaro::FolderLister::platform().identify;
    const auto sub = identify(tree.path() + "Sub\\");
    ASSERT_TRUE(sub.has_value());
    for (const char* same : {"Sub", "SUB\\", "Other\\..\\Sub\\"})
        EXPECT_EQ(identify(tree.path() + same), sub) << same;
    EXPECT_NE(identify(tree.path() + "Other\\"), sub);
    EXPECT_EQ(identify(file), std::nullopt);

    // Folders that cannot be read are passed over.
    const std::string gone = tree.path() + "gone\\";
    EXPECT_EQ(identify(gone), std::nullopt);
    quillaro::EventPump pump;
    Paths folders{gone};
    quillaro::CollectSubFolders(folders, pump);
    EXPECT_EQ(folders, Paths{gone});
    EXPECT_TRUE(quillaro::ListMatchingFiles(gone, "*.wmv").empty());
    EXPECT_TRUE(quillaro::ListMatchingFiles(file, "*.wmv").empty());
}

} // namespace
