#include "convert/EncoderCommand.h"
#include "convert/OutputWitness.h"
#include "tests/convert/TestFiles.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <tuple>

namespace {

using quillaro::LeftOutput;

TEST(OutputWitness, TheCleanUpRemovesOnlyTheFileTheEncoderWasSeenHolding) {
    const bool watched = encoderWatched();
#ifdef __linux__ // its /proc shows them
    EXPECT_TRUE(watched);
#endif
    // What the encoder does, and what is done with what it leaves.
    const std::tuple<std::string, LeftOutput> rows[] = {
        {"partial\nsleep 0.3\nexit 1", watched ? LeftOutput::Removed : LeftOutput::Unsure},
        {"nooutput\nexit 1", LeftOutput::None},
#ifndef _WIN32
        // Let go, then removed by another program, whose new file gets the
        // same inode number where nothing holds the old one; or written to.
        {"partial\nsleep 0.3\nclose\nreplace\nexit 1", LeftOutput::NotOurs},
        {"partial\nsleep 0.3\nclose\nscrawl\nexit 1", LeftOutput::Unsure},
#endif
        {"hardlink\nexit 1", LeftOutput::NotPlain},
#ifndef _WIN32 // Windows lets only administrators make links to files, and Wine none
        {"symlink\nexit 1", LeftOutput::NotPlain},
#endif
    };
    TempFolder folder;
    quillaro::EventPump idle;
    for (const auto& [directives, left] : rows) {
        const std::string input = folder.file("clip.wmv"), output = folder.file("clip.mp4");
        writeFile(input, directives);
        quillaro::OutputWitness witness(output);
        quillaro::runProcess(quillaro::encoderCommand(fakeEncoder(), input, output), 0, idle,
                             [&](const quillaro::RunningChild& child) { witness.look(child); });
        EXPECT_EQ(quillaro::removeLeftOutput(output, witness.seen()), left) << directives;
        EXPECT_EQ(std::filesystem::exists(std::filesystem::symlink_status(output)),
                  left != LeftOutput::Removed && left != LeftOutput::None)
            << directives;
        std::filesystem::remove_all(folder.path);
        std::filesystem::create_directory(folder.path);
    }
}

} // namespace
