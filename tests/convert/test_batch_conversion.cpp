#include "convert/BatchConversion.h"
#include "tests/convert/TempFolder.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

namespace {

using quillaro::NotConverted;

// Stands in for the window too: its list and bar, recorded.
class BatchTest : public testing::Test, public quillaro::BatchWindow {
protected:
    std::size_t entryCount() const override { return entries.size(); }
    std::string entryText(std::size_t position) const override { return entries.at(position - 1); }
    void setProgress(float percent) override { progress.push_back(percent); }
    void setBusy(bool) override {}
    void pumpEvents() override { onPump(); }

    // An input file whose lines tell the fake encoder what to do.
    std::string video(const std::string& name, const std::string& directives = {}) {
        writeFile(folder.file(name), directives);
        return folder.file(name);
    }

    TempFolder folder;
    quillaro::BatchConversion batch;
    std::vector<std::string> entries;
    std::vector<float> progress;
    std::function<void()> onPump = [] {}; // what a handler does while an encoder runs
};

TEST_F(BatchTest, FailuresAreNamedAndNoFileIsOverwrittenOrLeftBroken) {
    const std::tuple<std::string, const char*, const char*> rows[] = {
        {"quiet", "exit 2", "encoder exit code 2"},
        {"half", "partial\nstderr Conversion failed!\nexit 1",
         "encoder exit code 1: Conversion failed!"},
        {"crash", "partial\nstderr Segmentation fault\ncrash", "encoder crash: Segmentation fault"},
        {"none", "nooutput", "no output written"},
        {"empty", "empty", "no output written"},
        {"good", "", ""},
    };
    writeFile(folder.file("old.mp4"), "keep me");
    entries = {video("old.wmv"), video("done.mp4", "mp4 bytes")};
    std::vector<NotConverted> expected{{entries[0], "output exists"},
                                       {entries[1], "would replace the input"}};
    for (const auto& [name, directives, reason] : rows) {
        entries.push_back(video(name + ".wmv", directives));
        if (*reason)
            expected.push_back({entries.back(), reason});
    }
    EXPECT_EQ(batch.run(*this, FAKE_ENCODER_SCRIPT).notConverted, expected);
    for (const auto& [name, directives, reason] : rows)
        EXPECT_EQ(std::filesystem::exists(folder.file(name + ".mp4")), !*reason) << name;
    EXPECT_EQ(readFile(folder.file("old.mp4")), "keep me");
    EXPECT_EQ(readFile(folder.file("done.mp4")), "mp4 bytes");
    entries = {video("late.wmv")};
    EXPECT_EQ(batch.run(*this, folder.file("missing")).notConverted.at(0).reason,
              "encoder could not start: " + std::generic_category().message(ENOENT));
}

TEST_F(BatchTest, BarAndPassesFollowTheListAsItIsAtEachPass) {
    // Entries removed by double-click end the batch before their turn; added
    // ones count in the bar but are not converted by this batch.
    const std::tuple<std::size_t, std::vector<float>> rows[] = {
        {3, {33.333332f, 66.666664f, 100.0f, 0.0f}},
        {1, {100.0f / 3, 0.0f}},
        {5, {100.0f / 3, 40.0f, 60.0f, 0.0f}}};
    for (const auto& [size, bar] : rows) {
        const std::string tag = std::to_string(size);
        entries = {video(tag + "-1.wmv", "sleep 0.1"), video(tag + "-2.wmv"),
                   video(tag + "-3.wmv")};
        progress.clear();
        onPump = [&, size = size] { entries.resize(size, "/x/added.wmv"); };
        EXPECT_TRUE(batch.run(*this, FAKE_ENCODER_SCRIPT).notConverted.empty());
        EXPECT_EQ(progress, bar);
    }
}

TEST_F(BatchTest, AStopRequestEndsOnlyItsOwnBatch) {
    entries = {video("last.wmv", "sleep 0.1")};
    // Asked during the last file, it leaves nothing undone.
    onPump = [this] { batch.requestStop(); };
    EXPECT_EQ(quillaro::endReport(batch.run(*this, FAKE_ENCODER_SCRIPT)), "Done.");
    entries = {video("1.wmv"), video("2.wmv")};
    onPump = [] {};
    EXPECT_EQ(batch.run(*this, FAKE_ENCODER_SCRIPT).taken, 2u);
}

TEST(EndReport, ListsAtMostTenFailures) {
    quillaro::BatchOutcome outcome{12, std::vector<NotConverted>(11, {"/v/a.wmv", "why"}), true};
    std::string lines;
    for (int k = 0; k < 10; ++k)
        lines += "\n/v/a.wmv \u2014 why";
    EXPECT_EQ(quillaro::endReport(outcome),
              "Stopped.\n\n11 of 12 files were not converted:" + lines + "\n\u2026and 1 more.");
    outcome.notConverted.pop_back();
    EXPECT_TRUE(quillaro::endReport(outcome).ends_with(lines));
}

} // namespace
