#include "convert/BatchConversion.h"
#include "convert/EncoderCommand.h"
#include "tests/convert/TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using quillaro::BatchConversion;
using quillaro::BatchOutcome;
using quillaro::NotConverted;

// The list, bar and pointer of a window, recorded.
class FakeWindow : public quillaro::BatchWindow {
public:
    std::vector<std::string> entries;
    std::vector<float> progress;
    std::vector<bool> busy;
    // Runs at each event pump, as a nested handler would.
    std::function<void()> onPump;

    std::size_t entryCount() const override { return entries.size(); }
    std::string entryText(std::size_t position) const override { return entries.at(position - 1); }
    void setProgress(float percent) override { progress.push_back(percent); }
    void setBusy(bool on) override { busy.push_back(on); }
    void pumpEvents() override {
        if (onPump)
            onPump();
    }
};

// A program folder whose `ffmpeg` is the fake encoder, and a videos folder.
class BatchTest : public testing::Test {
protected:
    void SetUp() override {
        fs::create_directory(folder.path() / "program");
        fs::create_directory(folder.path() / "videos");
        fs::copy_file(FAKE_ENCODER_SCRIPT, encoder);
        ::setenv("FAKE_ENCODER_LOG", log.c_str(), 1);
    }
    void TearDown() override { ::unsetenv("FAKE_ENCODER_LOG"); }

    // An input file whose content tells the fake encoder what to do.
    std::string video(const std::string& name, const std::string& directives = {}) {
        const std::string path = (folder.path() / "videos" / name).string();
        writeFile(path, directives);
        return path;
    }

    std::vector<std::vector<std::string>> runs() const {
        std::vector<std::vector<std::string>> all;
        std::istringstream lines(readFile(log));
        for (std::string line; std::getline(lines, line);) {
            if (line == "run")
                all.emplace_back();
            else if (!all.empty())
                all.back().push_back(line);
        }
        return all;
    }

    BatchOutcome convert(FakeWindow& window) { return batch.run(window, encoder); }

    TempFolder folder;
    std::string encoder = folder.file("program/" + std::string(quillaro::encoderFileName()));
    std::string log = folder.file("encoder.log");
    BatchConversion batch;
};

TEST_F(BatchTest, ThreeEntriesConvertUnderAMovingBar) {
    FakeWindow window;
    window.entries = {video("clip.wmv"), video("Clip.WMV"), video("my.trip.wmv")};
    const auto listBefore = window.entries;

    const BatchOutcome outcome = convert(window);

    EXPECT_EQ(quillaro::endReport(outcome), "Done.");
    EXPECT_EQ(outcome.taken, 3u);
    // Exactly the single-precision values of 100/3, 200/3 and 100, then 0.
    EXPECT_EQ(window.progress, (std::vector<float>{33.333332f, 66.666664f, 100.0f, 0.0f}));
    EXPECT_EQ(window.busy, (std::vector<bool>{true, true, true, false}));
    EXPECT_EQ(window.entries, listBefore);
    for (const char* output : {"clip.mp4", "Clip.mp4", "my.trip.mp4"})
        EXPECT_FALSE(readFile(folder.file(std::string("videos/") + output)).empty()) << output;

    const auto recorded = runs();
    ASSERT_EQ(recorded.size(), 3u);
    const std::vector<std::string> expected{
        "stdin=/dev/null", "arg=-i",  "arg=" + listBefore[2],
        "arg=-b",          "arg=600", "arg=-vcodec",
        "arg=mpeg4",       "arg=-ab", "arg=128",
        "arg=-acodec",     "arg=aac", "arg=" + folder.file("videos/my.trip.mp4")};
    EXPECT_EQ(recorded[2], expected);
}

struct FailureRow {
    const char* name;
    const char* directives;
    const char* reason;
    bool encoderRuns;
};

// Each failing entry is named in the report with its reason, and a failed run
// leaves no output behind.
const FailureRow failureRows[] = {
    {"code.wmv", "stderr Invalid data found\nexit 3", "encoder exit code 3: Invalid data found",
     true},
    {"quiet.wmv", "exit 2", "encoder exit code 2", true},
    {"half.wmv", "partial\nstderr Conversion failed!\nexit 1",
     "encoder exit code 1: Conversion failed!", true},
    {"crash.wmv", "partial\nstderr Segmentation fault\ncrash", "encoder crash: Segmentation fault",
     true},
    {"none.wmv", "nooutput", "no output written", true},
    {"empty.wmv", "empty", "no output written", true},
};

TEST_F(BatchTest, FailedRunsAreReportedAndCleanedUp) {
    for (const FailureRow& row : failureRows) {
        SCOPED_TRACE(row.name);
        FakeWindow window;
        window.entries = {video(row.name, row.directives)};
        const BatchOutcome outcome = convert(window);

        ASSERT_EQ(outcome.notConverted.size(), 1u);
        EXPECT_EQ(outcome.notConverted[0], (NotConverted{window.entries[0], row.reason}));
        EXPECT_FALSE(fs::exists(quillaro::outputPathFor(window.entries[0])));
        EXPECT_EQ(quillaro::endReport(outcome), "Done.\n\n1 of 1 files were not converted:\n" +
                                                    window.entries[0] + " \u2014 " + row.reason);
    }
}

TEST_F(BatchTest, NeverWritesOverAFile) {
    FakeWindow window;
    const std::string existing = video("old.wmv");
    writeFile(folder.file("videos/old.mp4"), "keep me");
    const std::string already = video("done.mp4", "mp4 bytes");
    fs::create_directory_symlink(folder.path() / "videos", folder.path() / "link");
    const std::string sameThroughLink = folder.file("link/../videos/./done.mp4");
    window.entries = {existing, sameThroughLink, video("new.wmv")};

    const BatchOutcome outcome = convert(window);

    EXPECT_EQ(outcome.notConverted,
              (std::vector<NotConverted>{{existing, "output exists"},
                                         {sameThroughLink, "would replace the input"}}));
    EXPECT_EQ(readFile(folder.file("videos/old.mp4")), "keep me");
    EXPECT_EQ(readFile(already), "mp4 bytes");
    ASSERT_EQ(runs().size(), 1u) << "only the new entry reaches the encoder";
}

TEST_F(BatchTest, EncoderThatCannotStartIsReported) {
    FakeWindow window;
    window.entries = {video("a.wmv"), video("b.wmv")};
    const BatchOutcome outcome = batch.run(window, folder.file("program/missing"));
    ASSERT_EQ(outcome.notConverted.size(), 2u);
    EXPECT_EQ(outcome.notConverted[1].reason,
              "encoder could not start: " + std::generic_category().message(ENOENT));
    EXPECT_EQ(window.busy.back(), false);
    EXPECT_EQ(window.progress.back(), 0.0f);
}

TEST_F(BatchTest, StopEndsTheBatchAfterTheCurrentFile) {
    const struct {
        std::size_t stopDuring;
        std::size_t taken;
        const char* report;
    } rows[] = {{1, 1, "Stopped."}, {2, 2, "Stopped."}, {3, 3, "Done."}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.stopDuring);
        fs::remove(log);
        FakeWindow window;
        for (int k = 1; k <= 3; ++k) {
            const std::string name = std::to_string(row.stopDuring) + "-" + std::to_string(k);
            window.entries.push_back(video(name + ".wmv", "sleep 0.1"));
        }
        window.onPump = [&] {
            if (window.progress.size() == row.stopDuring) {
                EXPECT_TRUE(batch.isRunning());
                // A second Convert during the batch starts nothing.
                FakeWindow other;
                other.entries = window.entries;
                EXPECT_EQ(batch.run(other, encoder).taken, 0u);
                batch.requestStop();
            }
        };
        const BatchOutcome outcome = convert(window);
        EXPECT_EQ(outcome.taken, row.taken);
        EXPECT_EQ(runs().size(), row.taken);
        EXPECT_EQ(quillaro::endReport(outcome), row.report);
        EXPECT_FALSE(batch.isRunning());
        // The stop request belongs to that batch only.
        FakeWindow next;
        next.entries = {video(std::to_string(row.stopDuring) + "-next.wmv")};
        EXPECT_EQ(convert(next).taken, 1u);
    }
}

TEST_F(BatchTest, ListChangesDuringTheBatch) {
    const struct {
        const char* name;
        std::function<void(std::vector<std::string>&)> change;
        std::vector<float> progress;
        std::size_t taken;
    } rows[] = {
        // Positions 2 and 3 are gone before their turn: the batch ends.
        {"shrunk", [](auto& entries) { entries.resize(1); }, {100.0f / 3, 0.0f}, 1},
        // Added entries count in the bar but are not converted by this batch.
        {"grown",
         [](auto& entries) {
             entries.insert(entries.end(), {"/x/4.wmv", "/x/5.wmv"});
         },
         {100.0f / 3, 40.0f, 60.0f, 0.0f},
         3},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove(log);
        FakeWindow window;
        for (int k = 1; k <= 3; ++k)
            window.entries.push_back(video(row.name + std::to_string(k) + ".wmv", "sleep 0.1"));
        bool changed = false;
        window.onPump = [&] {
            if (!changed)
                row.change(window.entries);
            changed = true;
        };
        const BatchOutcome outcome = convert(window);
        EXPECT_EQ(window.progress, row.progress);
        EXPECT_EQ(outcome.taken, row.taken);
        EXPECT_EQ(runs().size(), row.taken);
        EXPECT_TRUE(outcome.notConverted.empty());
    }
}

TEST(EndReport, ListsAtMostTenFailures) {
    BatchOutcome outcome;
    outcome.taken = 14;
    for (int k = 1; k <= 12; ++k)
        outcome.notConverted.push_back({"/v/" + std::to_string(k) + ".wmv", "output exists"});
    std::string expected = "Done.\n\n12 of 14 files were not converted:";
    for (int k = 1; k <= 10; ++k)
        expected += "\n/v/" + std::to_string(k) + ".wmv \u2014 output exists";
    expected += "\n\u2026and 2 more.";
    EXPECT_EQ(quillaro::endReport(outcome), expected);

    outcome.notConverted.resize(10);
    outcome.stopped = true;
    const std::string stopped = quillaro::endReport(outcome);
    EXPECT_TRUE(stopped.starts_with("Stopped.\n\n10 of 14 files were not converted:\n")) << stopped;
    EXPECT_TRUE(stopped.ends_with("/v/10.wmv \u2014 output exists")) << stopped;
}

} // namespace
