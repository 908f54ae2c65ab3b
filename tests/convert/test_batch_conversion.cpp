#include "convert/BatchConversion.h"
#include "tests/convert/TestFiles.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#ifdef _WIN32
#include "windows/WindowsText.h"

#include <windows.h>
#else
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
// bar, recorded. Each pass may be made to last longer than a pump interval.
class BatchTest : public testing::Test, public quillaro::BatchWindow {
protected:
    std::size_t entryCount() const override { return entries.size(); }
    std::string entryText(std::size_t position) const override {
        return entries.at(position - 1).first;
    }
    quillaro::EntryId entryId(std::size_t position) const override {
        return entries.at(position - 1).second;
    }
    void setProgress(float percent) override {
        progress.push_back(percent);
        std::this_thread::sleep_for(passTime);
    }
    void setBusy(bool) override {}
    void pumpEvents() override {
        ++pumps;
        onPump();
    }

    // An input file whose lines tell the fake encoder what to do, listed.
    std::string add(const std::string& name, const std::string& directives = {}) {
        writeFile(folder.file(name), directives);
        return addPath(folder.file(name));
    }
    std::string addPath(const std::string& path) {
        entries.push_back({path, nextId++});
        return path;
    }
    void remove(std::size_t position) {
        entries.erase(entries.begin() + static_cast<long>(position) - 1);
        batch.entriesRemoved(position, 1);
    }

    TempFolder folder;
    quillaro::BatchConversion batch;
    std::vector<std::pair<std::string, quillaro::EntryId>> entries;
    quillaro::EntryId nextId = 1;
    std::vector<float> progress;
    std::chrono::milliseconds passTime{0};
    int pumps = 0;
    std::function<void()> onPump = [] {}; // what a handler does meanwhile
};

TEST_F(BatchTest, EachFileNotConvertedIsNamedAndNoFileOfAnotherIsOverwrittenOrRemoved) {
#ifdef _WIN32
    const std::string crashed = "encoder crashed with status 0xC0000005: Crashed";
    const std::string cannotStart = quillaro::windowsErrorText(ERROR_FILE_NOT_FOUND);
#else
    const std::string crashed = "encoder killed by signal 9 (SIGKILL): Crashed";
    const std::string cannotStart = std::generic_category().message(ENOENT);
#endif
    const std::string failedNotOurs = "encoder exit code 1 (output kept: not a plain file of ours)";
    // What the encoder does, why the file is not converted, whether an
    // output stays (another program's, or the good one).
    const std::tuple<std::string, const char*, std::string, bool> rows[] = {
        {"raced", "race", "output exists", true},
        {"held", "hold 1\nexit 1", "encoder exit code 1 (output kept: another program has it open)",
         true},
        // Progress lines are rewritten with a carriage return; the last words
        // follow a megabyte that the runner lets go meanwhile, and blanks.
        {"crashed", "partial\nstderr frame=1\rCrashed\r\ncrash", crashed, false},
        {"half",
         "partial\nspam 1000000\nsleep 0.1\nstderr  Conversion failed! \r\nstderr \t\nexit 1",
         "encoder exit code 1: Conversion failed!", false},
        {"folder", "folder\nexit 1", failedNotOurs, true},
        {"linked", "hardlink\nexit 1", failedNotOurs, true},
#ifndef _WIN32 // Windows lets only administrators make links to files, and Wine none
        {"symlink", "symlink\nexit 1", failedNotOurs, true},
#endif
        {"none", "nooutput", "no output written", false},
        {"empty", "empty", "no output written", false},
        {"good", "", "", true},
    };
    writeFile(folder.file("old.mp4"), "keep me");
    std::filesystem::create_directory(folder.file("dir.wmv"));
    std::vector<NotConverted> expected{{add("old.wmv"), "output exists"},
                                       {add("done.mp4", "mp4 bytes"), "would replace the input"},
                                       {addPath(folder.file("dir.wmv")), "is a folder"},
                                       {addPath(folder.file("gone.wmv")), "input not found"}};
#ifndef _WIN32 // named pipes in the file system are POSIX's
    ::mkfifo(folder.file("pipe.wmv").c_str(), 0600);
    expected.push_back({addPath(folder.file("pipe.wmv")), "not a regular file"});
#endif
    for (const auto& [name, directives, reason, stays] : rows) {
        if (add(name + ".wmv", directives); !reason.empty())
            expected.push_back({entries.back().first, reason});
    }
    addPath(entries.back().first); // listed twice: converted once, and not a failure
    EXPECT_EQ(batch.run(*this, fakeEncoder()).notConverted, expected);
    for (const auto& [name, directives, reason, stays] : rows)
        EXPECT_EQ(exists(std::filesystem::symlink_status(folder.file(name + ".mp4"))), stays)
            << name;
    EXPECT_EQ(readFile(folder.file("old.mp4")) + readFile(folder.file("done.mp4")) +
                  readFile(folder.file("held.mp4")),
              "keep memp4 bytestheirs");

    // No encoder run pumps here, yet every pass past the first finds a pump due.
    entries = {{expected[0].entry, nextId++}};
    expected = {expected[0], {add("late.wmv"), "encoder could not start: " + cannotStart}};
    passTime = std::chrono::milliseconds(11);
    pumps = 0;
    EXPECT_EQ(batch.run(*this, folder.file("missing")).notConverted, expected);
    EXPECT_EQ(pumps, 2);
}

TEST_F(BatchTest, TheListChangingDuringABatchSkipsNothingAndIsReported) {
    // While the second of a, b, c, d converts: what is done to the list; then
    // the outputs made, the bar at each pass, and the entries not reached.
    const auto at = [this](char name, const char* extension = ".wmv") {
        return folder.file(name + std::string(extension));
    };
    const std::tuple<std::function<void()>, std::string, std::vector<float>, std::string> rows[] = {
        {[&] { remove(1); }, "abcd", {25, 50, 66.666664f, 100, 0}, ""},
        {[&] { remove(2); }, "abcd", {25, 50, 66.666664f, 100, 0}, ""},
        {[&] { remove(3); }, "abd", {25, 50, 100, 0}, ""},
        // An added entry counts in the bar and takes a place, but is not converted.
        {[&] {
             entries.insert(entries.begin() + 2, {at('e'), nextId++});
             remove(1);
         },
         "abc",
         {25, 50, 50, 75, 0},
         "d"},
        // d moved to the top, behind the batch: b is met again and not redone.
        {[&] { std::rotate(entries.begin(), entries.end() - 1, entries.end()); },
         "abc",
         {25, 50, 75, 100, 0},
         "d"},
    };
    for (const char name : std::string("abcde"))
        writeFile(at(name), "");
    passTime = std::chrono::milliseconds(11); // a pump is due at every chance
    for (const auto& [change, converted, bar, left] : rows) {
        entries.clear();
        progress.clear();
        for (const char name : std::string("abcd"))
            addPath(at(name));
        onPump = [&, done = false]() mutable {
            if (progress.size() == 2 && !std::exchange(done, true))
                change();
        };
        const auto notConverted = batch.run(*this, fakeEncoder()).notConverted;
        std::string made;
        for (const char name : std::string("abcde")) {
            if (std::filesystem::remove(at(name, ".mp4")))
                made += name;
        }
        std::vector<NotConverted> notReached;
        for (const char name : left)
            notReached.push_back({at(name), "not reached (the list changed)"});
        EXPECT_EQ(made, converted);
        EXPECT_EQ(progress, bar) << converted;
        EXPECT_EQ(notConverted, notReached) << converted;
    }
}

TEST(EndReport, ShowsEachNameOnItsOwnLine) {
    // Control characters, line and paragraph separators, direction overrides
    // and bytes that are not UTF-8 (a Latin-1 letter, a cut sequence, an
    // overlong "/", a surrogate) are shown as escapes, the rest as it is.
    const std::string name = "/v/a\nb\tc\rd\x1b[m\x7f\u2028\u202e\u0085\u00e9\u6f22 "
                             "lat\xe9\xe6\x97/\xc0\xaf\xed\xa0\x80.wmv";
    const std::string shown = "/v/a\\nb\\tc\\rd\\x1b[m\\x7f\\u2028\\u202e\\u0085\u00e9\u6f22 "
                              "lat\\xe9\\xe6\\x97/\\xc0\\xaf\\xed\\xa0\\x80.wmv \u2014 why\\nnot";
    const quillaro::BatchOutcome outcome{12, std::vector<NotConverted>(11, {name, "why\nnot"}),
                                         true};
    std::string lines;
    for (int k = 0; k < 10; ++k)
        lines += "\n" + shown;
    EXPECT_EQ(quillaro::endReport(outcome),
              "Stopped.\n\n11 of 12 files were not converted:" + lines + "\n\u2026and 1 more.");
    EXPECT_EQ(quillaro::endReport({12, {}, false}), "Done.");
}

} // namespace
