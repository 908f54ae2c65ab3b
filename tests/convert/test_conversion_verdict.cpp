#include "convert/ConversionVerdict.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

using namespace quillaro;
using Kind = Mp4Track::Kind;

TEST(ProblemLine, IsFfmpegsOwnLastWordNeverATagOfTheInput) {
    // Ends of ffmpeg 5.1's messages, as it wrote them for real inputs (a
    // header alone, a file with DRM and cover pictures), and titles made to
    // look like its words.
    const std::pair<const char*, const char*> rows[] = {
        {"  libpostproc    56.  6.100 / 56.  6.100\n"
         "/v/t.wmv: Invalid data found when processing input\n",
         "Invalid data found when processing input"},
        {"[mp4 @ 0x562da8e00580] Could not find tag for codec mpeg4 in stream #0\nCould not write"
         " header for output file #0 (incorrect codec parameters ?): Invalid argument\n"
         "Error initializing output stream 0:1 -- \n[aac @ 0x562da8df5a80] Qavg: nan\nConversion "
         "failed!\n",
         "Could not find tag for codec mpeg4 in stream #0"},
        {"Error initializing output stream 0:1 --\n", "Error initializing output stream 0:1 --"},
        {"[asf @ 0x55d0] [wmv3 @ 0x55d1] bad\r\n  title : x\r\nConversion failed!", "bad"},
        {"Conversion failed!\n    title : Decoder (codec none) not found\n", "Conversion failed!"},
    };
    for (const auto& [messages, line] : rows)
        EXPECT_EQ(problemLine(messages, "/v/t.wmv"), line) << messages;
}

TEST(Verdict, AnMp4IsJudgedByWhatItsInputPromised) {
    const auto mp4 = [](double seconds, std::vector<Mp4Track> tracks) {
        return Mp4Reading{Mp4Reading::Kind::Whole, std::move(tracks), seconds};
    };
    const Mp4Reading unfinished{Mp4Reading::Kind::Incomplete, {}, 0};
    const Mp4Track picture{Kind::Picture, 25, 1}, sound{Kind::Sound, 40, 1};
    // Bytes declared and on disk, seconds, picture and sound streams.
    const auto asf = [](std::uint64_t declared, std::uint64_t actual, std::optional<double> seconds,
                        int pictures, int sounds) {
        return AsfReading{AsfReading::Kind::Asf,
                          {declared, actual, seconds, pictures, sounds, 0, false}};
    };
    const std::string cut = " converted (the input is damaged or cut short)";
    // The promise, the output, what it lacks, and whether the disk was full after the run.
    const std::tuple<AsfReading, Mp4Reading, std::string, bool> rows[] = {
        {asf(9, 9, 1.04, 1, 1), mp4(0.9, {picture, sound}), "", false},
        {asf(9, 9, 1.0, 1, 1), mp4(1, {{Kind::Picture, 0, 0}, sound}),
         "no picture written (the encoder could not decode the video)", false},
        {asf(9, 9, 1.0, 1, 1), mp4(1, {picture, {Kind::Other, 9, 1}}),
         "no sound written (the encoder could not decode the sound)", false},
        {asf(9, 9, 135, 0, 1), mp4(56.4, {sound}), "only 0:56 of 2:15" + cut, false},
        {asf(9, 9, 40.61, 0, 1), mp4(0.89, {sound}), "only 0:00.9 of 0:40.6" + cut, false},
        {asf(9, 9, 4000, 0, 1), mp4(3930, {sound}), "", false},
        {asf(9, 9, 4000, 0, 1), mp4(3000, {sound}), "only 50:00 of 1:06:40" + cut, false},
        {asf(234522, 219899, 0.97, 1, 0), mp4(0.97, {picture}), "only 93% of the input" + cut,
         false},
        {asf(9, 9, std::nullopt, 1, 0), mp4(0.001, {picture}), "", false}, // a live capture
        {{}, unfinished, "the MP4 has no index (the encoder did not finish it)", false},
        {{}, {}, "the output is not an MP4 file", false},
        // Only a run that fell short blames the disk.
        {{}, unfinished, "the disk is full (free some space and convert again)", true},
        {asf(9, 9, 1.0, 0, 1), mp4(1, {sound}), "", true},
    };
    for (const auto& [promise, output, lack, diskFull] : rows)
        EXPECT_EQ(
            verdictAfterRun({{}, "", promise, 9, output, diskFull}),
            (Verdict{lack.empty() ? Verdict::Kind::Converted : Verdict::Kind::NotWhole, lack}))
            << lack;
}
