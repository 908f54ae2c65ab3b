#include "convert/EncoderCommand.h"
#include "convert/OutputWitness.h"
#include "tests/convert/TestFiles.h"

#include <gtest/gtest.h>
#include <tuple>

namespace {

using quillaro::LeftOutput;

TEST(OutputWitness, TheCleanUpRemovesOnlyTheFileTheEncoderWasSeenHolding) {
    const bool watched = encoderWatched();
#ifdef __linux__ // its /proc shows them
    EXPECT_TRUE(watched);
#endif
    // What the encoder does, and what is done with what it leaves. More
    // rows, through the batch, are in test_batch_conversion.cpp.
    const std::tuple<std::string, LeftOutput> rows[] = {
        {"partial\nsleep 0.3\nexit 1", watched ? LeftOutput::Removed : LeftOutput::Unsure},
        {"hardlink\nexit 1", LeftOutput::NotPlain},
#ifdef __linux__ // Linux tells what was done to the file since it was last seen held
        // The encoder's own writes up to its very end; written to after it
        // let go, or removed, and the new file given the same inode number
        // where nothing holds the old one.
        {"partial\nsleep 0.3\npartial\ncrash", LeftOutput::Removed},
        {"partial\nsleep 0.3\nclose\nscrawl\nexit 1", LeftOutput::Unsure},
        {"partial\nsleep 0.3\nclose\nreplace\nexit 1", LeftOutput::NotOurs},
#endif
    };
    TempFolder folder;
    quillaro::EventPump idle;
    int row = 0;
    for (const auto& [directives, left] : rows) {
        const std::string input = folder.file(std::to_string(++row) + ".wmv");
        const std::string output = quillaro::outputPathFor(input);
        writeFile(input, directives);
        quillaro::OutputWitness witness(output);
        quillaro::runProcess(quillaro::encoderCommand(fakeEncoder(), input, output), 0, idle,
                             [&](const quillaro::RunningChild& child) { witness.look(child); });
        EXPECT_EQ(quillaro::removeLeftOutput(output, witness.seen()), left) << directives;
        EXPECT_EQ(std::filesystem::exists(output), left != LeftOutput::Removed) << directives;
    }
}

} // namespace
