#include "convert/BatchConversion.h"
#include "convert/EncoderCommand.h"
#include "tests/convert/FakeMp4.h"
#include "tests/convert/TestFiles.h"
#include "tests/media/MediaBytes.h"

#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

#ifdef _WIN32
#include "win32/WindowsText.h"

#include <windows.h>
#else
#ifdef __linux__
#include <sys/mount.h>
#endif
#include <sys/stat.h>
#endif

namespace quillaro {
void PrintTo(const NotConverted& failure, std::ostream* out) {
    *out << failure.entry << " \u2014 " << failure.reason;
}
} // namespace quillaro

namespace {

using quillaro::NotConverted;

// Stands in for the window too: its list (paths with their numbers) and
// bar, recorded. Each pass lasts longer than a pump interval, so a pump is
// due at every chance.
class BatchTest : public testing::Test, public quillaro::BatchWindow {
protected:
    std::size_t entryCount() const override { return entries.size(); }
    std::string entryText(std::size_t at) const override { return entries.at(at - 1).first; }
    quillaro::EntryId entryId(std::size_t at) const override { return entries.at(at - 1).second; }
    void setProgress(float percent) override {
        progress.push_back(percent);
        std::this_thread::sleep_for(std::chrono::milliseconds(11));
    }
    void setBusy(bool) override {}
    void pumpEvents() override { onPump(); }

    // An input file whose lines tell the fake encoder what to do, listed.
    std::string add(const std::string& name, const std::string& directives = {}) {
        writeFile(folder.file(name), directives);
        return addPath(folder.file(name));
    }
    std::string addPath(const std::string& at) { return entries.emplace_back(at, nextId++).first; }

    TempFolder folder;
    quillaro::BatchConversion batch;
    std::vector<std::pair<std::string, quillaro::EntryId>> entries;
    quillaro::EntryId nextId = 1;
    std::vector<float> progress;
    std::function<void()> onPump = [] {}; // what a handler does meanwhile
};

TEST_F(BatchTest, EachFileNotConvertedIsNamedAndNoFileOfAnotherIsOverwrittenOrRemoved) {
#ifdef _WIN32
    const std::string crashed = "encoder crashed with status 0xC0000005";
    const std::string cannotStart = quillaro::windowsErrorText(ERROR_FILE_NOT_FOUND);
#else
    const std::string crashed = "encoder killed by signal 9 (SIGKILL)";
    const std::string cannotStart = std::generic_category().message(ENOENT);
#endif
    using namespace quillaro::testbytes;
    const std::string contentEncryption = "2211B3FB-BD23-11D2-B4B7-00A0C955FC6E";
    const std::string notPlain = "encoder exit code 1 (output kept: not a plain file of ours)";
    // Where the system does not let us see the encoder's open files (Wine), no
    // output of a failed run can be known as its own: all stay.
    const bool watched = encoderWatched();
    const std::string kept = watched ? "" : " (output kept: cannot tell who wrote it)";
    const std::string refused = "File '" + folder.file("raced.mp4") + "' already exists. Exiting.";
    // ffmpeg shows the input's tags indented, a line break in one too.
    const std::string titled =
        "stderr     title           : x\nstderr                     : File '" +
        folder.file("titled.mp4") + "' already exists. Overwrite? [y/N]\n";
    // What the encoder does, why the file is not converted, whether an
    // output stays (another program's, or the good one). The encoder holds
    // its output a while: so it is seen to be its own.
    const std::tuple<std::string, std::string, std::string, bool> rows[] = {
        // Another program puts the output there while our encoder fails, or
        // just before it starts: kept, and the encoder's words tell why.
        {"raced", "sleep 0.3\nstderr " + refused + "\nexit 1",
         "encoder exit code 1: " + refused +
             (watched ? " (output kept: the encoder was never seen holding it)" : kept),
         true},
        {"held", "hold 1\nexit 1", "encoder exit code 1 (output kept: another program has it open)",
         true},
        // Progress lines are rewritten with a carriage return; the last words
        // follow a megabyte that the runner lets go meanwhile, and blanks.
        {"crashed", "partial\nsleep 0.3\nstderr frame=1\rCrashed\r\ncrash",
         crashed + ": Crashed" + kept, !watched},
        {"half",
         "partial\nsleep 0.3\nstderr " + std::string(1000000, '.') + "\n" + titled +
             "stderr [asf @ 0x55d0] Invalid data found when processing input\nstderr "
             "Conversion failed! \r\nstderr \t\nexit 1",
         "encoder exit code 1: Invalid data found when processing input" + kept, !watched},
        {"folder", "folder\nexit 1", notPlain, true},
        {"none", "nooutput", "no output written", false},
        // A last line longer than the tail the runner keeps: its end, marked as cut.
        {"long", "stderr " + std::string(5000, 'x') + "\nexit 1",
         "encoder exit code 1: \u2026" + std::string(160, 'x'), false},
        {"empty", "empty\nsleep 0.3", "no output written" + kept, !watched},
        {"exited", "partial\nsleep 0.3\nexit 1", "encoder exit code 1" + kept, !watched},
        {"linked", "hardlink\nexit 1", notPlain, true},
#ifdef __linux__ // Linux tells what was done to the file since it was last seen held
        // The encoder's own writes up to its very end; written to after it
        // let go, or removed, and the new file given the same inode number
        // where nothing holds the old one.
        {"rewrote", "partial\nsleep 0.3\npartial\ncrash", crashed, false},
        {"scrawled", "partial\nsleep 0.3\nclose\nscrawl\nexit 1",
         "encoder exit code 1 (output kept: cannot tell who wrote it)", true},
        {"replaced", "partial\nsleep 0.3\nclose\nreplace\nexit 1",
         "encoder exit code 1 (output kept: the encoder was never seen holding it)", true},
#endif
        {"titled", titled, "", true},
    };
    writeFile(folder.file("old.mp4"), "keep me");
    // An interrupted run's MP4: its media, but no index.
    const auto unfinished = fakeMp4("").substr(0, 20) + std::string{0, 0, 0, 12} + "mdat....";
    writeFile(folder.file("cut.mp4"), unfinished);
    std::filesystem::create_directory(folder.file("dir.wmv"));
    std::vector<NotConverted> expected{
        {add("old.wmv"), "output exists"},
        {add("cut.wmv"), "output exists but is incomplete (remove it to convert again)"},
        {add("done.mp4", "mp4 bytes"), "would replace the input"},
        {addPath(folder.file("dir.wmv")), "is a folder"},
        {addPath(folder.file("gone.wmv")), "input not found"},
        {add("drm.wmv", asfHeader(fileProperties(0, 0, 2) + object(contentEncryption, "DRM"))),
         "copy-protected (DRM): cannot be converted"}};
#ifndef _WIN32 // named pipes in the file system are POSIX's
    ::mkfifo(folder.file("pipe.wmv").c_str(), 0600);
    expected.push_back({addPath(folder.file("pipe.wmv")), "not a regular file"});
#endif
    // Past NAME_MAX bytes on POSIX, and past 255 UTF-16 units on Windows.
    expected.push_back({add(std::string(252, 'n') + ".w"), "output name too long"});
    const std::size_t racedAt = entries.size() + 1;
    for (const auto& [name, directives, reason, stays] : rows)
        if (add(name + ".wmv", directives); !reason.empty())
            expected.push_back({entries.back().first, reason});
    // Listed twice, and under another spelling: converted once, and not a failure.
    addPath(entries.back().first);
    addPath(folder.file(std::string(".") + char(std::filesystem::path::preferred_separator) +
                        std::get<0>(rows[std::size(rows) - 1]) + ".wmv"));
#ifdef __linux__
    EXPECT_TRUE(watched); // its /proc shows the encoder's open files
    // A file system of its own, too small to hold anything, where root may mount one.
    struct Unmount {
        std::string at;
        ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
    } full{folder.file("full")};
    std::filesystem::create_directory(full.at);
    if (::mount("tmpfs", full.at.c_str(), "tmpfs", 0, "size=256k") == 0)
        expected.push_back({add("full/big.wmv", "partial\nsleep 0.3\nexit 1"),
                            "the disk is full (free some space and convert again)" + kept});
    else
        std::fprintf(stderr, "*** SKIPPED the full disk: a file system may not be mounted\n");
#endif
    onPump = [&, done = false]() mutable {
        if (progress.size() == racedAt && !std::exchange(done, true))
            writeFile(folder.file("raced.mp4"), "theirs");
    };
    const quillaro::BatchOutcome outcome = batch.run(*this, fakeEncoder());
    EXPECT_EQ(std::pair(outcome.notConverted, outcome.notWhole),
              std::pair(expected, std::vector<NotConverted>()));
    for (const auto& [name, directives, reason, stays] : rows)
        EXPECT_EQ(exists(std::filesystem::symlink_status(folder.file(name + ".mp4"))), stays)
            << name;
    std::string left;
    for (const std::string name : {"old", "done", "held", "raced", "cut"})
        left += readFile(folder.file(name + ".mp4"));
    EXPECT_EQ(left, "keep memp4 bytestheirstheirs" + unfinished);

    // No encoder run pumps here, yet every pass past the first finds a pump due.
    entries = {{expected[0].entry, nextId++}};
    expected = {expected[0], {add("late.wmv"), "encoder could not start: " + cannotStart}};
    int pumps = 0;
    onPump = [&] { ++pumps; };
    EXPECT_EQ(batch.run(*this, folder.file("missing")).notConverted, expected);
    EXPECT_EQ(pumps, 2);
}

TEST_F(BatchTest, TheListChangingDuringABatchSkipsNothingAndIsReported) {
    // While the second of a, b, c, d converts: what is done to the list; then
    // the outputs made, the bar at each pass, and the entry not reached.
    const auto at = [this](char name, const char* extension = ".wmv") {
        return folder.file(name + std::string(extension));
    };
    const auto remove = [this](std::size_t position) {
        entries.erase(entries.begin() + static_cast<long>(position) - 1);
        batch.entriesRemoved(position, 1);
    };
    // An added entry counts in the bar and takes a place, but is not converted.
    // Here it is moved into the batch's range by a removal before it.
    const auto insertE = [&] {
        entries.insert(entries.begin() + 2, {at('e'), nextId++});
        remove(1);
    };
    // d moved to the top, behind the batch: b is met again and not redone.
    const auto dToTop = [&] { std::rotate(entries.begin(), entries.end() - 1, entries.end()); };
    const std::vector<NotConverted> dLeft{{at('d'), "not reached (the list changed)"}};
    const std::tuple<std::function<void()>, std::string, std::vector<float>,
                     std::vector<NotConverted>>
        rows[] = {
            {[&] { remove(2); }, "abcd", {25, 50, 66.666664f, 100, 0}, {}},
            {[&] { remove(3); }, "abd", {25, 50, 100, 0}, {}},
            {insertE, "abc", {25, 50, 50, 75, 0}, dLeft},
            {dToTop, "abc", {25, 50, 75, 100, 0}, dLeft},
        };
    writeFile(at('e'), "");
    for (const auto& [change, converted, bar, left] : rows) {
        entries.clear();
        progress.clear();
        for (const char name : std::string("abcd"))
            add(name + std::string(".wmv"));
        onPump = [&, done = false]() mutable {
            if (progress.size() == 2 && !std::exchange(done, true))
                change();
        };
        const auto notConverted = batch.run(*this, fakeEncoder()).notConverted;
        std::string made;
        for (const char name : std::string("abcde"))
            made += std::filesystem::remove(at(name, ".mp4")) ? std::string(1, name) : "";
        EXPECT_EQ(std::tuple(made, progress, notConverted), std::tuple(converted, bar, left));
    }
}

} // namespace
