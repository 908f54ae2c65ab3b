#include "filelist/FolderScan.h"
#include "tests/convert/TestFiles.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace fs = std::filesystem;

using Paths = std::vector<std::string>;

// A fresh folder tree: names ending in "/" are folders, others empty files.
struct TempTree : TempFolder {
    explicit TempTree(const Paths& entries = {}) {
        for (const std::string& entry : entries) {
            fs::create_directories(fs::path(root + entry).parent_path());
            if (entry.back() != '/')
                std::ofstream{root + entry};
        }
    }

    // Paths found, without the root; each pass of the event pump notes how
    // many had been handed over by then.
    Paths scan(std::chrono::nanoseconds pumpInterval = {}) {
        Paths found;
        quillaro::addAllWmvFilesInFolder(
            root, [&](Paths& batch) { found.insert(found.end(), batch.begin(), batch.end()); },
            [&] { foundAtPump.push_back(found.size()); }, {lister, pumpInterval});
        for (std::string& path : found)
            path.erase(0, root.size());
        return found;
    }

    const std::string root = path.string() + "/";
    quillaro::FolderLister lister = quillaro::FolderLister::platform();
    std::vector<size_t> foundAtPump;
};

TEST(FolderScan, FindsVideosFolderByFolder) {
    const std::pair<Paths, Paths> rows[] = {
        // Level order: the folder's own files first, A1 after B and c; each
        // folder sorted without regard to case (letters as capitals, so "_"
        // follows them; bytes beyond ASCII last), ties by exact bytes.
        {{"a/A1/a1.wmv", "B/b.wmv", "a/a.wmv", "\xC3\xA9.wmv", "b.wmv", "B.WMV", "a.wmv", "_.wmv",
          "c/x.wmv"},
         {"a.wmv", "B.WMV", "b.wmv", "_.wmv", "\xC3\xA9.wmv", "a/a.wmv", "B/b.wmv", "c/x.wmv",
          "a/A1/a1.wmv"}},
        // Only .wmv files, in any case, and none whose name starts with "~".
        {{"a.WMV", "c.mp4", "d.wmvx", "x.wmv.wmv", "dir.wmv/in.wmv", "E/", "~a.wmv", "a~b.wmv",
          "S/~c.wmv"},
         {"a.WMV", "a~b.wmv", "x.wmv.wmv", "dir.wmv/in.wmv"}},
        // A hidden file is found, a hidden folder not entered.
        {{".hidden/h.wmv", ".wmv", "S/.hidden/deep.wmv", "S/s.wmv"}, {".wmv", "S/s.wmv"}},
    };
    for (const auto& [entries, found] : rows)
        EXPECT_EQ(TempTree(entries).scan(), found);
}

TEST(FolderScan, DepthHasNoPathLengthLimit) {
    // Deeper than PATH_MAX: made in two halves short enough to make, one then
    // moved into the other, and moved back so that it can be removed.
    std::string upper;
    for (int i = 0; i < 12; ++i)
        upper += std::string(200, 'd') + "/";
    TempTree tree({upper, "B/" + upper + "deep.wmv"});
    ASSERT_EQ(std::rename((tree.root + "B").c_str(), (tree.root + upper + "B").c_str()), 0);
    const Paths found = tree.scan();
    std::rename((tree.root + upper + "B").c_str(), (tree.root + "B").c_str());
    EXPECT_EQ(found, Paths{upper + "B/" + upper + "deep.wmv"});
}

// Links back up the tree end, every folder is walked once, and a folder
// removed during the walk is passed over.
TEST(FolderScanOddTrees, EveryFolderIsWalkedOnceWhileItIsThere) {
    TempTree outside({"o.wmv"}),
        tree({"top.wmv", "A/a.wmv", "B/B1/b1.wmv", "B/b.wmv", "C/C1/c.wmv"});
    fs::create_symlink("..", tree.root + "A/loop");
    fs::create_symlink(outside.root, tree.root + "One");
    fs::create_symlink(outside.root, tree.root + "Two");
    // A link to a file counts as the file, a dangling one and a pipe as nothing.
    fs::create_symlink(outside.root + "o.wmv", tree.root + "linked.wmv");
    fs::create_symlink(outside.root + "gone.wmv", tree.root + "dangling.wmv");
    ASSERT_EQ(mkfifo((tree.root + "pipe.wmv").c_str(), 0600), 0);
    // B goes once the walk has listed it among the root's folders.
    const auto list = tree.lister.listSubFolders;
    tree.lister.listSubFolders = [&](const std::string& folder, auto& subFolders, auto& pump) {
        if (folder == tree.root + "A/")
            fs::remove_all(tree.root + "B");
        return list(folder, subFolders, pump);
    };
    EXPECT_EQ(tree.scan(), (Paths{"linked.wmv", "top.wmv", "A/a.wmv", "One/o.wmv", "C/C1/c.wmv"}));
}

TEST(FolderScanPump, IsPacedByTimeAndWhatWasFoundIsListedBeforeEachPass) {
    Paths entries;
    for (int i = 0; i < 20; ++i)
        entries.push_back(std::to_string(i) + "/x.wmv");
    TempTree tree(entries);
    // The one pass at the start only, not one per folder or file.
    EXPECT_EQ(tree.scan(std::chrono::hours(1)).size(), 20u);
    EXPECT_EQ(tree.foundAtPump, std::vector<size_t>{0});
    tree.scan();
    EXPECT_EQ(tree.foundAtPump.back(), 20u);
}
