#include "FakeFolderTree.h"
#include "filelist/EventPump.h"
#include "filelist/FolderScan.h"
#include "filelist/FolderWalk.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace {

using Paths = std::vector<std::string>;

struct ScanResult {
    Paths paths;
    int batches = 0;
    int pumps = 0;
};

ScanResult scan(FakeFolderTree& tree, const std::string& chosen,
                std::chrono::nanoseconds interval = quillaro::EventPump::defaultInterval,
                std::function<void(ScanResult&)> onPump = {}) {
    ScanResult result;
    quillaro::FolderScanOptions options;
    options.lister = tree.lister();
    options.pumpInterval = interval;
    quillaro::addAllWmvFilesInFolder(
        chosen,
        [&](Paths& batch) {
            ++result.batches;
            result.paths.insert(result.paths.end(), batch.begin(), batch.end());
        },
        [&] {
            ++result.pumps;
            if (onPump)
                onPump(result);
        },
        options);
    return result;
}

struct ScanCase {
    const char* what;
    std::function<void(FakeFolderTree&)> build;
    std::string chosen;
    Paths expected;
};

class FolderScanOnTree : public testing::TestWithParam<ScanCase> {};

TEST_P(FolderScanOnTree, AppendsInFolderOrder) {
    const ScanCase& c = GetParam();
    FakeFolderTree tree;
    c.build(tree);
    EXPECT_EQ(scan(tree, c.chosen).paths, c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FolderScanOnTree,
    testing::Values(
        ScanCase{"the chosen folder's own file, then the sub-folder's",
                 [](FakeFolderTree& t) {
                     t.addFolder("C:\\Videos\\", {"Sub"}, {"a.wmv"});
                     t.addFolder("C:\\Videos\\Sub\\", {}, {"b.wmv"});
                 },
                 "C:\\Videos",
                 {"C:\\Videos\\a.wmv", "C:\\Videos\\Sub\\b.wmv"}},
        ScanCase{"level order: A1 comes after B, being one level deeper",
                 [](FakeFolderTree& t) {
                     t.addFolder("C:\\V\\", {"A", "B"}, {"v.wmv"});
                     t.addFolder("C:\\V\\A\\", {"A1"}, {"a.wmv"});
                     t.addFolder("C:\\V\\B\\", {"B1"}, {"b.wmv"});
                     t.addFolder("C:\\V\\A\\A1\\", {}, {"a1.wmv"});
                     t.addFolder("C:\\V\\B\\B1\\", {"B11"}, {"b1.wmv"});
                     t.addFolder("C:\\V\\B\\B1\\B11\\", {}, {"b11.wmv"});
                 },
                 "C:\\V\\",
                 {"C:\\V\\v.wmv", "C:\\V\\A\\a.wmv", "C:\\V\\B\\b.wmv", "C:\\V\\A\\A1\\a1.wmv",
                  "C:\\V\\B\\B1\\b1.wmv", "C:\\V\\B\\B1\\B11\\b11.wmv"}},
        ScanCase{"a drive root keeps its one separator",
                 [](FakeFolderTree& t) {
                     t.addFolder("C:\\", {"Sub"}, {"a.wmv"});
                     t.addFolder("C:\\Sub\\", {}, {"b.wmv"});
                 },
                 "C:\\",
                 {"C:\\a.wmv", "C:\\Sub\\b.wmv"}},
        ScanCase{"a network folder keeps its leading separators",
                 [](FakeFolderTree& t) { t.addFolder("\\\\server\\share\\", {}, {"a.wmv"}); },
                 "\\\\server\\share",
                 {"\\\\server\\share\\a.wmv"}},
        ScanCase{"only names starting with ~ are skipped; capitals and other names as found",
                 [](FakeFolderTree& t) {
                     t.addFolder("C:\\V\\", {},
                                 {"~a.wmv", "a~b.wmv", "b.wmv~", "C.WMV", "d.mp4", "e.wmv.mp4", "~",
                                  "f.wmv"});
                 },
                 "C:\\V",
                 {"C:\\V\\a~b.wmv", "C:\\V\\C.WMV", "C:\\V\\f.wmv"}},
        ScanCase{"a folder that cannot be read is passed over and the walk goes on",
                 [](FakeFolderTree& t) {
                     t.addFolder("C:\\V\\", {"A", "B"}, {"v.wmv"});
                     t.addFolder("C:\\V\\A\\", {"A1"}, {"a.wmv"});
                     t.addFolder("C:\\V\\A\\A1\\", {}, {"a1.wmv"});
                     t.addFolder("C:\\V\\B\\", {}, {"b.wmv"});
                     t.makeUnreadable("C:\\V\\A\\");
                 },
                 "C:\\V",
                 {"C:\\V\\v.wmv", "C:\\V\\B\\b.wmv"}},
        ScanCase{"a sub-folder listed but gone before it is looked at",
                 [](FakeFolderTree& t) {
                     t.addFolder("C:\\V\\", {"Gone", "B"}, {});
                     t.addFolder("C:\\V\\B\\", {}, {"b.wmv"});
                 },
                 "C:\\V",
                 {"C:\\V\\B\\b.wmv"}},
        ScanCase{"a chosen folder that does not exist adds nothing",
                 [](FakeFolderTree&) {},
                 "C:\\Nowhere",
                 {}},
        ScanCase{"a link back to the chosen folder is not followed round",
                 [](FakeFolderTree& t) {
                     t.addFolder("C:\\V\\", {"A"}, {"v.wmv"});
                     t.addFolder("C:\\V\\A\\", {"Up"}, {"a.wmv"});
                     t.linkFolder("C:\\V\\A\\Up\\", "C:\\V\\");
                 },
                 "C:\\V",
                 {"C:\\V\\v.wmv", "C:\\V\\A\\a.wmv"}},
        ScanCase{"two ways to one folder: its files are added once, by the first way found",
                 [](FakeFolderTree& t) {
                     t.addFolder("C:\\V\\", {"A", "B"}, {});
                     t.addFolder("C:\\V\\A\\", {"Shared"}, {});
                     t.addFolder("C:\\V\\B\\", {"Also"}, {});
                     t.addFolder("C:\\V\\A\\Shared\\", {}, {"s.wmv"});
                     t.linkFolder("C:\\V\\B\\Also\\", "C:\\V\\A\\Shared\\");
                 },
                 "C:\\V",
                 {"C:\\V\\A\\Shared\\s.wmv"}}));

TEST(CollectSubFolders, AppendsBelowEveryGivenFolderInLevelOrder) {
    FakeFolderTree tree;
    tree.addFolder("C:\\X\\", {"X1"}, {});
    tree.addFolder("C:\\X\\X1\\", {"X11"}, {});
    tree.addFolder("C:\\X\\X1\\X11\\", {}, {});
    tree.addFolder("D:\\Y\\", {"Y1", "Y2"}, {});
    tree.addFolder("D:\\Y\\Y1\\", {}, {});
    tree.addFolder("D:\\Y\\Y2\\", {}, {});
    // A given folder without its final separator still yields proper paths.
    std::vector<std::string> folders{"C:\\X\\", "D:\\Y"};
    quillaro::EventPump noPump;
    quillaro::CollectSubFolders(folders, noPump, tree.lister());
    EXPECT_EQ(folders, (Paths{"C:\\X\\", "D:\\Y", "C:\\X\\X1\\", "D:\\Y\\Y1\\", "D:\\Y\\Y2\\",
                              "C:\\X\\X1\\X11\\"}));
}

TEST(FolderPathWithSeparator, EndsInExactlyOne) {
    struct Case {
        const char* folder;
        char separator;
        const char* expected;
    };
    for (const Case& c : {Case{"C:\\", '\\', "C:\\"}, Case{"C:\\Videos", '\\', "C:\\Videos\\"},
                          Case{"C:\\Videos\\", '\\', "C:\\Videos\\"},
                          Case{"\\\\server\\share", '\\', "\\\\server\\share\\"},
                          Case{"/", '/', "/"}, Case{"/home/v", '/', "/home/v/"},
                          // Only the given separator counts as one.
                          Case{"C:/Videos/", '\\', "C:/Videos/\\"}})
        EXPECT_EQ(quillaro::folderPathWithSeparator(c.folder, c.separator), c.expected) << c.folder;
}

FakeFolderTree wideTree(int subFolders, int filesEach) {
    FakeFolderTree tree;
    std::vector<std::string> names;
    for (int i = 0; i < subFolders; ++i)
        names.push_back(std::to_string(1000 + i));
    tree.addFolder("C:\\W\\", names, {});
    for (const std::string& name : names) {
        std::vector<std::string> files;
        for (int j = 0; j < filesEach; ++j)
            files.push_back(std::to_string(j).append(".wmv"));
        tree.addFolder(std::string("C:\\W\\").append(name).append("\\"), {}, files);
    }
    return tree;
}

TEST(FolderScanPump, IsPacedByTimeNotByEntries) {
    FakeFolderTree tree = wideTree(100, 20);
    const ScanResult result = scan(tree, "C:\\W", std::chrono::hours(1));
    // Only the one pass at the start, not one per folder or file.
    EXPECT_EQ(result.pumps, 1);
    EXPECT_EQ(result.paths.size(), 2000u);
}

TEST(FolderScanPump, RunsDuringALongWalk) {
    FakeFolderTree tree = wideTree(10, 5);
    quillaro::FolderLister slow = tree.lister();
    const auto listSubFolders = slow.listSubFolders;
    // Each listing takes a while, as on a slow network drive.
    slow.listSubFolders = [listSubFolders](const std::string& path,
                                           std::vector<quillaro::SubFolder>& out,
                                           quillaro::EventPump& pump) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return listSubFolders(path, out, pump);
    };
    quillaro::FolderScanOptions options;
    options.lister = slow;
    options.pumpInterval = std::chrono::milliseconds(4);
    int pumps = 0;
    quillaro::addAllWmvFilesInFolder(
        "C:\\W", [](Paths&) {}, [&] { ++pumps; }, options);
    // Eleven listings of 5 ms each, with a pass at least every 4 ms of work.
    EXPECT_GE(pumps, 5);
}

TEST(FolderScanPump, HandsOverWhatWasFoundBeforeEachPass) {
    FakeFolderTree tree = wideTree(30, 3);
    std::vector<size_t> seenAtPump;
    const ScanResult result =
        scan(tree, "C:\\W", std::chrono::nanoseconds(0),
             [&](ScanResult& sofar) { seenAtPump.push_back(sofar.paths.size()); });
    ASSERT_EQ(result.paths.size(), 90u);
    ASSERT_FALSE(seenAtPump.empty());
    // Every file of a folder already listed is in the list when the window
    // gets its turn, so the pass can show it.
    EXPECT_GT(result.batches, 1);
    EXPECT_EQ(seenAtPump.back(), 90u);
    EXPECT_TRUE(std::is_sorted(seenAtPump.begin(), seenAtPump.end()));
}

TEST(FolderScanPump, ASecondScanFromThePumpRunsToItsEndFirst) {
    FakeFolderTree tree = wideTree(5, 2);
    tree.addFolder("D:\\Other\\", {}, {"o1.wmv", "o2.wmv"});
    const quillaro::FolderLister lister = tree.lister();

    Paths list;
    const auto append = [&](Paths& batch) { list.insert(list.end(), batch.begin(), batch.end()); };
    quillaro::FolderScanOptions options;
    options.lister = lister;
    options.pumpInterval = std::chrono::nanoseconds(0);
    bool nestedStarted = false;
    size_t listSizeBeforeNested = 0;
    const auto pump = [&] {
        if (nestedStarted || list.size() < 4)
            return;
        nestedStarted = true;
        listSizeBeforeNested = list.size();
        quillaro::addAllWmvFilesInFolder("D:\\Other", append, {}, options);
    };
    quillaro::addAllWmvFilesInFolder("C:\\W", append, pump, options);

    ASSERT_TRUE(nestedStarted);
    ASSERT_EQ(list.size(), 12u);
    // The second scan's files sit together where it ran; the first scan's
    // files keep their order around them, none lost or doubled.
    EXPECT_EQ(list[listSizeBeforeNested], "D:\\Other\\o1.wmv");
    EXPECT_EQ(list[listSizeBeforeNested + 1], "D:\\Other\\o2.wmv");
    Paths outer = list;
    outer.erase(outer.begin() + static_cast<long>(listSizeBeforeNested),
                outer.begin() + static_cast<long>(listSizeBeforeNested) + 2);
    FakeFolderTree alone = wideTree(5, 2);
    EXPECT_EQ(outer, scan(alone, "C:\\W").paths);
}

} // namespace
