#include "convert/BatchConversion.h"
#include "tests/convert/TempFolder.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <tuple>
#include <vector>

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
    std::string run(const std::string& encoder = FAKE_ENCODER_SCRIPT) {
        return quillaro::endReport(batch.run(*this, encoder));
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
    // Name, what the encoder does, why it is not converted, whether an
    // output stays: one of another program's, or the good one.
    const std::tuple<std::string, const char*, const char*, bool> rows[] = {
        {"raced", "race", "output exists", true},
        {"held", "hold 2\nexit 1", "encoder exit code 1 (output kept: another program has it open)",
         true},
        {"killed", "partial\nstderr Killed\nkill KILL",
         "encoder killed by signal 9 (SIGKILL): Killed", false},
        {"half", "partial\nstderr Conversion failed!\nexit 1",
         "encoder exit code 1: Conversion failed!", false},
        {"quiet", "exit 2", "encoder exit code 2", false},
        {"none", "nooutput", "no output written", false},
        {"empty", "empty", "no output written", false},
        {"good", "", nullptr, true},
    };
    writeFile(folder.file("old.mp4"), "keep me");
    ::mkfifo(folder.file("pipe.wmv").c_str(), 0600);
    std::filesystem::create_directory(folder.file("dir.wmv"));
    const std::vector<NotConverted> special{
        {add("old.wmv"), "output exists"},
        {add("done.mp4", "mp4 bytes"), "would replace the input"},
        {addPath(folder.file("pipe.wmv")), "not a regular file"},
        {addPath(folder.file("dir.wmv")), "is a folder"},
        {addPath(folder.file("gone.wmv")), "input not found"}};
    std::vector<std::string> lines;
    for (const auto& [entry, reason] : special)
        lines.push_back(entry + " \u2014 " + reason);
    for (const auto& [name, directives, reason, stays] : rows) {
        add(name + ".wmv", directives);
        if (reason)
            lines.push_back(entries.back().first + " \u2014 " + reason);
    }
    addPath(entries.back().first); // listed twice: converted once, and no failure
    std::string expected = "Done.\n\n12 of 14 files were not converted:";
    for (std::size_t k = 0; k < 10; ++k)
        expected += "\n" + lines[k];
    EXPECT_EQ(run(), expected + "\n\u2026and 2 more.");
    EXPECT_EQ(lines.size(), 12u);
    for (const auto& [name, directives, reason, stays] : rows)
        EXPECT_EQ(std::filesystem::exists(folder.file(name + ".mp4")), stays) << name;
    EXPECT_EQ(readFile(folder.file("old.mp4")), "keep me");
    EXPECT_EQ(readFile(folder.file("done.mp4")), "mp4 bytes");
    EXPECT_EQ(readFile(folder.file("held.mp4")), "theirs");

    entries.clear();
    add("late.wmv");
    EXPECT_EQ(run(folder.file("missing")),
              "Done.\n\n1 of 1 files were not converted:\n" + folder.file("late.wmv") +
                  " \u2014 encoder could not start: " + std::generic_category().message(ENOENT));
}

TEST_F(BatchTest, TheListChangingDuringABatchSkipsNothingAndIsReported) {
    // While the second of a, b, c, d converts: what is done to the list,
    // then the outputs there at the end and what the report says after "Done.".
    const auto at = [this](char name) { return folder.file(std::string(1, name) + ".wmv"); };
    const std::tuple<std::function<void()>, const char*, std::string> rows[] = {
        {[&] { remove(1); }, "abcd", ""},
        {[&] { remove(2); }, "abcd", ""},
        {[&] { remove(3); }, "abd", ""},
        {[&] {
             addPath(at('e'));
             remove(1);
         },
         "abcd", ""},
        // d moved to the top, behind the batch: b is met again and not redone.
        {[&] { std::rotate(entries.begin(), entries.end() - 1, entries.end()); }, "abc",
         "\n\n1 of 4 files were not converted:\n" + at('d') +
             " \u2014 not reached (the list changed)"},
        {[&] { batch.requestStop(); }, "ab",
         "\n\n2 of 4 files were not converted:\n" + at('c') + " \u2014 not reached (stopped)\n" +
             at('d') + " \u2014 not reached (stopped)"},
    };
    passTime = std::chrono::milliseconds(11); // a pump is due at every chance
    for (const auto& [change, converted, report] : rows) {
        entries.clear();
        for (const char name : {'a', 'b', 'c', 'd', 'e'}) {
            writeFile(at(name), "");
            std::filesystem::remove(folder.file(std::string(1, name) + ".mp4"));
        }
        for (const char name : {'a', 'b', 'c', 'd'})
            addPath(at(name));
        onPump = [&, done = false]() mutable {
            if (progress.size() == 2 && !std::exchange(done, true))
                change();
        };
        progress.clear();
        const std::string said = run();
        std::string made;
        for (const char name : {'a', 'b', 'c', 'd', 'e'})
            if (std::filesystem::exists(folder.file(std::string(1, name) + ".mp4")))
                made += name;
        EXPECT_EQ(made, converted) << said;
        EXPECT_EQ(said,
                  (report.find("stopped") != std::string::npos ? "Stopped." : "Done.") + report);
    }
}

TEST_F(BatchTest, EventsAreHandledAcrossTheBatchWhateverBecomesOfEachEntry) {
    // Outputs there already, and an encoder that cannot start: no run
    // pumps, yet every pass past the first finds a pump due.
    writeFile(folder.file("a.mp4"), "x");
    writeFile(folder.file("b.mp4"), "x");
    for (const char* name : {"a.wmv", "b.wmv", "c.wmv", "d.wmv"})
        add(name);
    passTime = std::chrono::milliseconds(11);
    run(folder.file("missing"));
    EXPECT_EQ(pumps, 4);
}

TEST_F(BatchTest, TheBarFollowsTheListAsItIsAtEachPass) {
    // Entries added count in the bar but are not converted by this batch.
    for (const char* name : {"1.wmv", "2.wmv", "3.wmv"})
        add(name, "sleep 0.05");
    onPump = [&] {
        if (entries.size() < 5)
            addPath("/x/added.wmv");
    };
    EXPECT_EQ(run(), "Done.");
    EXPECT_EQ(progress, (std::vector<float>{100.0f / 3, 40.0f, 60.0f, 0.0f}));
}

TEST(EndReport, ShowsEachNameOnItsOwnLine) {
    const std::pair<std::string, std::string> rows[] = {
        {"/v/a.wmv", "/v/a.wmv"},
        {"/v/a\nb\tc\rd\x1b[31m\x7f.wmv", "/v/a\\nb\\tc\\rd\\x1b[31m\\x7f.wmv"},
        {"/v/\u2028\u202e\u0085\u00e9\u6f22.wmv", "/v/\\u2028\\u202e\\u0085\u00e9\u6f22.wmv"},
        // Not UTF-8: a Latin-1 name, a cut sequence, an overlong slash, a surrogate.
        {"/v/lat\xe9\xe6\x97/\xc0\xaf\xed\xa0\x80.wmv",
         "/v/lat\\xe9\\xe6\\x97/\\xc0\\xaf\\xed\\xa0\\x80.wmv"},
    };
    for (const auto& [entry, shown] : rows)
        EXPECT_EQ(quillaro::endReport({1, {{entry, "why"}}, false}),
                  "Done.\n\n1 of 1 files were not converted:\n" + shown + " \u2014 why");
    const quillaro::BatchOutcome eleven{12, std::vector<NotConverted>(11, {"/v/a.wmv", "why"}),
                                        true};
    std::string lines;
    for (int k = 0; k < 10; ++k)
        lines += "\n/v/a.wmv \u2014 why";
    EXPECT_EQ(quillaro::endReport(eleven),
              "Stopped.\n\n11 of 12 files were not converted:" + lines + "\n\u2026and 1 more.");
}

} // namespace
