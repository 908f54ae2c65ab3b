#include "filelist/FolderScan.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Paths = std::vector<std::string>;

// A fresh folder tree under the temporary folder, removed with all it holds.
class TempTree {
public:
    TempTree() {
        std::string name = (fs::temp_directory_path() / "quillaro-scan-XXXXXX").string();
        if (!mkdtemp(name.data()))
            throw std::runtime_error("no temporary folder");
        root = name + "/";
    }
    ~TempTree() { fs::remove_all(root); }

    // Names ending in "/" are folders, others empty files.
    void make(const std::vector<std::string>& relativePaths) const {
        for (const std::string& relative : relativePaths) {
            fs::create_directories(fs::path(root + relative).parent_path());
            if (relative.back() != '/')
                std::ofstream(root + relative) << "x";
        }
    }

    // Paths found, with the root taken off, and the number of passes through
    // the event pump.
    Paths scan(std::function<void(const Paths&)> onPump = {},
               std::chrono::nanoseconds interval = std::chrono::nanoseconds(0)) const {
        Paths found;
        quillaro::FolderScanOptions options;
        options.pumpInterval = interval;
        options.lister = lister;
        quillaro::addAllWmvFilesInFolder(
            root,
            [&](Paths& batch) {
                for (const std::string& p : batch)
                    found.push_back(p.substr(root.size()));
            },
            [&] {
                ++pumps;
                if (onPump)
                    onPump(found);
            },
            options);
        return found;
    }

    std::string root;
    quillaro::FolderLister lister = quillaro::FolderLister::platform();
    mutable int pumps = 0;
};

struct TreeCase {
    const char* what;
    std::vector<std::string> files;
    Paths expected;
};

class FolderScan : public testing::TestWithParam<TreeCase> {};

TEST_P(FolderScan, FindsVideosFolderByFolder) {
    TempTree tree;
    tree.make(GetParam().files);
    EXPECT_EQ(tree.scan(), GetParam().expected) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Trees, FolderScan,
    testing::Values(TreeCase{"own file first", {"Sub/b.wmv", "a.wmv"}, {"a.wmv", "Sub/b.wmv"}},
                    TreeCase{"level order: A1 after B",
                             {"A/A1/a1.wmv", "B/b.wmv", "A/a.wmv", "r.wmv"},
                             {"r.wmv", "A/a.wmv", "B/b.wmv", "A/A1/a1.wmv"}},
                    TreeCase{"sorted without regard to case",
                             {"b.wmv", "B.WMV", "a.wmv", "A.wmv", "_.wmv", "c/x.wmv", "C/y.wmv"},
                             {"A.wmv", "a.wmv", "B.WMV", "b.wmv", "_.wmv", "C/y.wmv", "c/x.wmv"}},
                    TreeCase{"~ only at the start", {"~a.wmv", "a~b.wmv", "S/~c.wmv"}, {"a~b.wmv"}},
                    TreeCase{"only .wmv files, in any case",
                             {"a.WMV", "c.mp4", "d.wmvx", "dir.wmv/in.wmv", "E/"},
                             {"a.WMV", "dir.wmv/in.wmv"}},
                    TreeCase{"hidden file found, hidden folder not entered",
                             {".hidden/h.wmv", ".h.wmv", "S/.hidden/deep.wmv", "S/s.wmv"},
                             {".h.wmv", "S/s.wmv"}}));

TEST(FolderScanLinks, LinksBackUpTheTreeEndAndEveryFolderIsWalkedOnce) {
    TempTree outside;
    outside.make({"o.wmv"});
    TempTree tree;
    tree.make({"top.wmv", "A/a.wmv"});
    fs::create_symlink(tree.root, tree.root + "A/up");
    fs::create_symlink("..", tree.root + "A/loop");
    fs::create_symlink(outside.root, tree.root + "One");
    fs::create_symlink(outside.root, tree.root + "Two");
    // A link to a file counts as the file, a dangling one and a pipe as nothing.
    fs::create_symlink(outside.root + "o.wmv", tree.root + "linked.wmv");
    fs::create_symlink(outside.root + "gone.wmv", tree.root + "dangling.wmv");
    ASSERT_EQ(mkfifo((tree.root + "pipe.wmv").c_str(), 0600), 0);
    EXPECT_EQ(tree.scan(), (Paths{"linked.wmv", "top.wmv", "A/a.wmv", "One/o.wmv"}));
}

TEST(FolderScanFailures, AFolderRemovedDuringTheWalkIsPassedOver) {
    TempTree tree;
    tree.make({"A/a.wmv", "B/B1/b1.wmv", "B/b.wmv", "C/c.wmv"});
    // B goes once the walk has listed it among the root's folders.
    const auto list = tree.lister.listSubFolders;
    tree.lister.listSubFolders = [&](const std::string& folder, auto& subFolders, auto& pump) {
        if (folder == tree.root + "A/")
            fs::remove_all(tree.root + "B");
        return list(folder, subFolders, pump);
    };
    EXPECT_EQ(tree.scan(), (Paths{"A/a.wmv", "C/c.wmv"}));
}

TEST(FolderScanPump, IsPacedByTimeNotByEntries) {
    TempTree tree;
    for (int i = 0; i < 50; ++i)
        tree.make({std::to_string(i).append("/x.wmv")});
    EXPECT_EQ(tree.scan({}, std::chrono::hours(1)).size(), 50u);
    // The one pass at the start only, not one per folder or file.
    EXPECT_EQ(tree.pumps, 1);
}

TEST(FolderScanPump, WhatWasFoundIsInTheListBeforeEachPass) {
    TempTree tree;
    for (int i = 0; i < 20; ++i)
        tree.make({std::to_string(i).append("/x.wmv")});
    Paths atLastPump;
    const Paths found = tree.scan([&](const Paths& sofar) { atLastPump = sofar; });
    EXPECT_EQ(found.size(), 20u);
    EXPECT_EQ(atLastPump, found);
    EXPECT_GT(tree.pumps, 20);
}

} // namespace
