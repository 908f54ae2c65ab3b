#include "filelist/FolderScan.h"
#include "tests/support/WindowsTestFolder.h"

#include <gtest/gtest.h>
#include <windows.h>

using Paths = std::vector<std::string>;

// The scan's result, each path without the chosen folder.
static Paths scan(const std::string& folder) {
    Paths found;
    quillaro::addAllWmvFilesInFolder(
        folder, [&](Paths& batch) { found.insert(found.end(), batch.begin(), batch.end()); }, {});
    for (std::string& path : found)
        path.erase(0, folder.size());
    return found;
}

TEST(FolderScanOnWindows, FindsWhatTheRulesSayAndNothingElse) {
    WindowsTestFolder tree;
    for (const char* entry :
         {"UP.WMV", "h.wmv", "hs.wmv", "H\\", "H\\in.wmv", "S\\", "S\\in.wmv", "d.wmv\\",
          "d.wmv\\in.wmv", "d.wmv\\D\\", "d.wmv\\D\\z.wmv", "a.wmvx", "a long name.wmvx", ".wmv",
          "Vidéos 日本\\", "Vidéos 日本\\日本 é.wmv"})
        tree.make(entry);
    // Hidden and system files are found; such folders are not entered.
    for (const auto& [entry, attribute] :
         {std::pair{"h.wmv", FILE_ATTRIBUTE_HIDDEN}, std::pair{"H", FILE_ATTRIBUTE_HIDDEN},
          std::pair{"hs.wmv", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM},
          std::pair{"S", FILE_ATTRIBUTE_SYSTEM}})
        SetFileAttributesW(quillaro::toUtf16(tree.path + entry).c_str(), attribute);
    // Every level is walked. Matched on the long name only: the system's own
    // match also tries short names, where "a.wmvx" is "AWMVX~1.WMV".
    EXPECT_EQ(scan(tree.path), (Paths{".wmv", "h.wmv", "hs.wmv", "UP.WMV", "d.wmv\\in.wmv",
                                      "Vidéos 日本\\日本 é.wmv", "d.wmv\\D\\z.wmv"}));
}

TEST(FolderWalkOnWindows, KnowsAFolderWhateverPathNamesIt) {
    WindowsTestFolder tree;
    const auto identify = quillaro::FolderLister::platform().identify;
    const auto sub = identify(tree.make("Sub\\"));
    ASSERT_TRUE(sub);
    for (const char* same : {"Sub", "SUB\\", "Sub\\..\\Sub\\"})
        EXPECT_EQ(identify(tree.path + same), sub) << same;
    // Files, and folders that cannot be read, are passed over.
    for (const std::string& none : {tree.make("file.wmv"), tree.path + "gone\\"})
        EXPECT_EQ(scan(none), Paths{}) << none;
}
