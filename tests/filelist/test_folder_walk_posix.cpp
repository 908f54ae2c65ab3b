#include "filelist/EventPump.h"
#include "filelist/FolderScan.h"
#include "filelist/FolderWalk.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Paths = std::vector<std::string>;

// A fresh folder under the temporary folder, removed with all it holds.
class TempTree {
public:
    TempTree() {
        std::string pattern = (fs::temp_directory_path() / "quillaro-walk-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("no temporary folder");
        m_root = pattern + "/";
    }
    ~TempTree() {
        std::error_code ignored;
        fs::permissions(m_root, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(m_root, ignored);
    }

    const std::string& root() const { return m_root; }
    std::string path(const std::string& relative) const { return m_root + relative; }

    void folder(const std::string& relative) const { fs::create_directories(path(relative)); }
    void file(const std::string& relative) const {
        fs::create_directories(fs::path(path(relative)).parent_path());
        std::ofstream(path(relative)) << "x";
    }
    void link(const std::string& relative, const std::string& target) const {
        fs::create_symlink(target, path(relative));
    }

    // The scan's paths with the root taken off, for shorter expectations.
    Paths scan(std::function<void()> pump = {}) const {
        Paths found;
        quillaro::FolderScanOptions options;
        options.pumpInterval = std::chrono::nanoseconds(0);
        quillaro::addAllWmvFilesInFolder(
            m_root,
            [&](Paths& batch) {
                for (const std::string& p : batch) {
                    EXPECT_EQ(p.compare(0, m_root.size(), m_root), 0) << p;
                    found.push_back(p.substr(m_root.size()));
                }
            },
            std::move(pump), options);
        return found;
    }

private:
    std::string m_root;
};

struct TreeCase {
    const char* what;
    std::vector<const char*> files;
    Paths expected;
};

class FolderScanOnDisk : public testing::TestWithParam<TreeCase> {};

TEST_P(FolderScanOnDisk, FindsWhatTheUserExpects) {
    const TreeCase& c = GetParam();
    TempTree tree;
    for (const char* f : c.files) {
        const std::string name(f);
        if (name.back() == '/')
            tree.folder(name);
        else
            tree.file(name);
    }
    EXPECT_EQ(tree.scan(), c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FolderScanOnDisk,
    testing::Values(TreeCase{"own file first, then the sub-folder's",
                             {"a.wmv", "Sub/b.wmv"},
                             {"a.wmv", "Sub/b.wmv"}},
                    TreeCase{"level order: A1 after B",
                             {"A/A1/a1.wmv", "B/b.wmv", "A/a.wmv", "r.wmv"},
                             {"r.wmv", "A/a.wmv", "B/b.wmv", "A/A1/a1.wmv"}},
                    TreeCase{"names sorted without regard to case, ties by exact bytes",
                             {"b.wmv", "B.WMV", "a.wmv", "A.wmv", "c/x.wmv", "C/y.wmv", "_.wmv"},
                             {"A.wmv", "a.wmv", "B.WMV", "b.wmv", "_.wmv", "C/y.wmv", "c/x.wmv"}},
                    TreeCase{"~ only at the start of a name keeps the file out",
                             {"~a.wmv", "a~b.wmv", "Sub/~c.wmv", "Sub/c~.wmv"},
                             {"a~b.wmv", "Sub/c~.wmv"}},
                    TreeCase{
                        "only .wmv, in any case, and only files",
                        {"a.WMV", "b.Wmv", "c.mp4", "d.wmvx", "e.wmv.part", "dir.wmv/inside.wmv"},
                        {"a.WMV", "b.Wmv", "dir.wmv/inside.wmv"}},
                    TreeCase{"hidden folder not entered, hidden file found",
                             {".hidden/h.wmv", ".h.wmv", "Sub/.hidden/deep.wmv", "Sub/s.wmv"},
                             {".h.wmv", "Sub/s.wmv"}},
                    TreeCase{"empty folders and a tree without videos add nothing",
                             {"A/", "B/C/", "B/notes.txt"},
                             {}}));

TEST(FolderScanOnDiskLinks, ALinkBackUpTheTreeEnds) {
    TempTree tree;
    tree.file("top.wmv");
    tree.file("A/a.wmv");
    tree.link("A/up", tree.root());
    tree.link("A/loop", "..");
    tree.link("A/self", ".");
    EXPECT_EQ(tree.scan(), (Paths{"top.wmv", "A/a.wmv"}));
}

TEST(FolderScanOnDiskLinks, LinksOutOfTheTreeAreFollowedOnce) {
    TempTree outside;
    outside.file("o.wmv");
    TempTree tree;
    tree.link("One", outside.root());
    tree.link("Two", outside.root());
    tree.file("Three/t.wmv");
    // A link to a file counts as the file; a dangling one as nothing.
    tree.link("linked.wmv", outside.path("o.wmv"));
    tree.link("dangling.wmv", outside.path("missing.wmv"));
    EXPECT_EQ(tree.scan(), (Paths{"linked.wmv", "One/o.wmv", "Three/t.wmv"}));
}

TEST(FolderScanOnDiskSpecialFiles, APipeNamedLikeAVideoIsNotAdded) {
    TempTree tree;
    tree.file("real.wmv");
    ASSERT_EQ(mkfifo(tree.path("pipe.wmv").c_str(), 0600), 0);
    EXPECT_EQ(tree.scan(), (Paths{"real.wmv"}));
}

TEST(FolderScanOnDiskFailures, AFolderRemovedDuringTheWalkIsPassedOver) {
    TempTree tree;
    tree.file("A/a.wmv");
    tree.file("B/B1/b1.wmv");
    tree.file("B/b.wmv");
    tree.file("C/c.wmv");
    bool removed = false;
    const Paths found = tree.scan([&] {
        // The first pass comes while the chosen folder is being listed,
        // before any sub-folder has been looked into.
        if (!removed)
            fs::remove_all(tree.path("B"));
        removed = true;
    });
    EXPECT_TRUE(removed);
    EXPECT_EQ(found, (Paths{"A/a.wmv", "C/c.wmv"}));
}

TEST(FolderScanOnDiskFailures, AFolderThatCannotBeReadIsPassedOver) {
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not stop the superuser from reading";
    TempTree tree;
    tree.file("A/a.wmv");
    tree.file("Locked/l.wmv");
    tree.file("Locked/Below/b.wmv");
    tree.file("Z/z.wmv");
    fs::permissions(tree.path("Locked"), fs::perms::none);
    const Paths found = tree.scan();
    fs::permissions(tree.path("Locked"), fs::perms::owner_all);
    EXPECT_EQ(found, (Paths{"A/a.wmv", "Z/z.wmv"}));
}

TEST(FolderScanOnDiskFailures, AChosenFolderThatIsGoneAddsNothing) {
    TempTree tree;
    const std::string gone = tree.path("gone");
    int appends = 0;
    quillaro::addAllWmvFilesInFolder(gone, [&](Paths&) { ++appends; }, {});
    EXPECT_EQ(appends, 0);
}

TEST(ListMatchingFilesOnDisk, ReturnsBareNamesWithOrWithoutTheFinalSeparator) {
    TempTree tree;
    tree.file("Sub/x.wmv");
    tree.file("Sub/~y.WMV");
    tree.folder("Sub/z.wmv");
    const std::string folder = tree.path("Sub");
    EXPECT_EQ(quillaro::ListMatchingFiles(folder, "*.wmv"), (Paths{"x.wmv", "~y.WMV"}));
    EXPECT_EQ(quillaro::ListMatchingFiles(folder + "/", "*.wmv"), (Paths{"x.wmv", "~y.WMV"}));
    EXPECT_TRUE(quillaro::ListMatchingFiles(tree.path("none"), "*.wmv").empty());
}

TEST(CollectSubFoldersOnDisk, RootKeepsItsOwnSeparator) {
    // Only the level below "/" is walked, so the test does not walk the whole machine.
    const quillaro::FolderLister lister = quillaro::FolderLister::platform();
    quillaro::FolderLister oneLevel = lister;
    oneLevel.listSubFolders = [&](const std::string& folder, std::vector<quillaro::SubFolder>& out,
                                  quillaro::EventPump& pump) {
        return folder == "/" && lister.listSubFolders(folder, out, pump);
    };
    std::vector<std::string> folders{"/"};
    quillaro::EventPump noPump;
    quillaro::CollectSubFolders(folders, noPump, oneLevel);
    ASSERT_GT(folders.size(), 1u);
    EXPECT_EQ(folders.front(), "/");
    for (size_t i = 1; i < folders.size(); ++i) {
        EXPECT_EQ(folders[i].find('/', 1), folders[i].size() - 1) << folders[i];
        EXPECT_NE(folders[i][1], '/') << folders[i];
    }
}

} // namespace
