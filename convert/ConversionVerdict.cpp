#include "convert/ConversionVerdict.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace quillaro {

namespace {

// How much shorter than its input an MP4 may be and still count as whole:
// encoders drop a few frames at either end, more of a short clip.
constexpr double shortfallSeconds = 0.5;
constexpr double shortfallShare = 0.02;

Verdict notConverted(std::string reason) {
    return {Verdict::Kind::NotConverted, std::move(reason)};
}

Verdict notWhole(std::string reason) {
    return {Verdict::Kind::NotWhole, std::move(reason)};
}

std::string withDetail(std::string reason, const std::string& detail) {
    if (!detail.empty())
        reason += ": " + detail;
    return reason;
}

std::string hexadecimal(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

// The most of one of the encoder's lines that a reason shows: about the
// end report's width.
constexpr std::size_t reasonLineBytes = 160;

// `line` within the report's width, "…" where it was cut; never inside
// a UTF-8 sequence.
std::string fittedLine(std::string_view line, bool lostItsStart) {
    const auto isContinuation = [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
    };
    if (lostItsStart || line.size() > reasonLineBytes) {
        if (lostItsStart) {
            std::size_t from = line.size() > reasonLineBytes ? line.size() - reasonLineBytes : 0;
            while (from < line.size() && isContinuation(line[from]))
                ++from;
            return "\u2026" + std::string(line.substr(from));
        }
        std::size_t to = reasonLineBytes;
        while (to > 0 && isContinuation(line[to]))
            --to;
        return std::string(line.substr(0, to)) + "\u2026";
    }
    return std::string(line);
}

std::string failureReason(const RunResult& result, std::string_view input) {
    // A tail cut to its size may begin inside an indented line.
    std::string_view messages = result.stderrTail;
    const bool cut = messages.size() >= stderrTailBytes;
    if (cut)
        messages.remove_prefix(std::min(messages.find_first_of("\r\n"), messages.size()));
    std::string problem = fittedLine(problemLine(messages, input), false);
    if (problem.empty() && cut) {
        // Only the end of one line longer than the tail is left: its end is
        // the best there is, and an empty reason tells nothing.
        std::string_view line = result.stderrTail;
        line = line.substr(0, line.find_last_not_of(" \t\r\n") + 1);
        if (!line.empty() && line.find_first_of("\r\n") == std::string_view::npos)
            problem = fittedLine(line, true);
    }
    switch (result.outcome) {
    case RunResult::Outcome::NotStarted:
        return withDetail("encoder could not start", result.startErrorText);
    case RunResult::Outcome::Crashed:
        if (result.signal != 0) {
            const std::string name = signalName(result.signal);
            return withDetail("encoder killed by signal " + std::to_string(result.signal) +
                                  (name.empty() ? "" : " (" + name + ")"),
                              problem);
        }
        return withDetail("encoder crashed with status " + hexadecimal(result.exitCode), problem);
    case RunResult::Outcome::Exited:
        break;
    }
    return withDetail("encoder exit code " + std::to_string(result.exitCode), problem);
}

std::string keptNote(LeftOutput left) {
    switch (left) {
    case LeftOutput::InUse:
        return " (output kept: another program has it open)";
    case LeftOutput::NotPlain:
        return " (output kept: not a plain file of ours)";
    case LeftOutput::Unsure:
        return " (output kept: cannot tell who wrote it)";
    case LeftOutput::NotOurs:
        // Watching is not instant: an encoder that fails within a few
        // milliseconds of opening its output may have made it unseen.
        return " (output kept: the encoder was never seen holding it)";
    case LeftOutput::None:
    case LeftOutput::Removed:
        break;
    }
    return {};
}

bool hasSamples(const Mp4Reading& output, Mp4Track::Kind kind) {
    return std::any_of(output.tracks.begin(), output.tracks.end(), [kind](const Mp4Track& track) {
        return track.kind == kind && track.samples > 0;
    });
}

// What a whole MP4 lacks of its input's promise, if anything.
std::optional<std::string> shortOfPromise(const AsfHeader& promise, const Mp4Reading& output) {
    if (promise.pictureStreams > 0 && !hasSamples(output, Mp4Track::Kind::Picture))
        return "no picture written (the encoder could not decode the video)";
    if (promise.soundStreams > 0 && !hasSamples(output, Mp4Track::Kind::Sound))
        return "no sound written (the encoder could not decode the sound)";
    const double declared = promise.seconds.value_or(0);
    const bool shorter = output.seconds + shortfallSeconds + shortfallShare * declared < declared;
    const char* cause = " converted (the input is damaged or cut short)";
    if (shorter) {
        const bool tenths = declared < 60;
        return "only " + playTime(output.seconds, tenths) + " of " + playTime(declared, tenths) +
               cause;
    }
    if (promise.cutShort()) {
        // Its length does not show the loss (or is not told): its size does.
        const auto percent =
            std::min<std::uint64_t>(99, promise.actualBytes * 100 / promise.declaredBytes);
        return "only " + std::to_string(percent) + "% of the input" + cause;
    }
    return std::nullopt;
}

// "[asf @ 0x55d0c3a1b2c0] ": the part of the encoder that speaks.
std::string_view withoutContext(std::string_view line) {
    while (line.starts_with('[')) {
        const std::size_t end = line.find("] ");
        if (end == std::string_view::npos ||
            line.substr(0, end).find(" @ ") == std::string_view::npos)
            break;
        line.remove_prefix(end + 2);
    }
    return line;
}

} // namespace

std::optional<Verdict> verdictBeforeRun(const OutputBeforeRun& output, const AsfReading& input) {
    switch (output.state) {
    case OutputBeforeRun::State::NameTooLong:
        return notConverted("output name too long");
    case OutputBeforeRun::State::CannotExamine:
        return notConverted("output cannot be examined: " + output.error);
    case OutputBeforeRun::State::Present:
        if (output.isTheInput)
            return notConverted("would replace the input");
        if (output.reading == Mp4Reading::Kind::Incomplete)
            return notConverted("output exists but is incomplete (remove it to convert again)");
        return notConverted("output exists");
    case OutputBeforeRun::State::Absent:
        break;
    }
    if (input.kind == AsfReading::Kind::Asf && input.header.copyProtected)
        return notConverted("copy-protected (DRM): cannot be converted");
    return std::nullopt;
}

bool needsCleanUp(const RunResult& result, std::uint64_t outputBytes) {
    return !result.succeeded() || outputBytes == 0;
}

Verdict verdictAfterRun(const RunFacts& facts) {
    // A disk found full after a run that fell short names what would mend it.
    const auto* reading = std::get_if<Mp4Reading>(&facts.output);
    if (facts.diskFull && !(reading && reading->kind == Mp4Reading::Kind::Whole)) {
        const auto* left = std::get_if<LeftOutput>(&facts.output);
        const char* full = "the disk is full (free some space and convert again)";
        return left ? notConverted(full + keptNote(*left)) : notWhole(full);
    }
    if (const auto* left = std::get_if<LeftOutput>(&facts.output)) {
        // Whatever stands at the output now is only ever named, never
        // blamed on anyone: the encoder's own words say why it stopped.
        return notConverted((facts.result.succeeded() ? "no output written"
                                                      : failureReason(facts.result, facts.input)) +
                            keptNote(*left));
    }
    const Mp4Reading& output = std::get<Mp4Reading>(facts.output);
    switch (output.kind) {
    case Mp4Reading::Kind::NotMp4:
        return notWhole("the output is not an MP4 file");
    case Mp4Reading::Kind::Incomplete:
        return notWhole("the MP4 has no index (the encoder did not finish it)");
    case Mp4Reading::Kind::Whole:
        break;
    }
    // An input that is not ASF, or whose header does not read, promises nothing.
    if (facts.promise.kind == AsfReading::Kind::Asf)
        if (auto lack = shortOfPromise(facts.promise.header, output))
            return notWhole(std::move(*lack));
    return {};
}

std::string problemLine(std::string_view messages, std::string_view input) {
    std::string_view fromPart, danglingLine, ownAboveDangling;
    bool failed = false;
    // "Error initializing output stream 0:1 --" tells nothing after its
    // "--": the cause stands above it, most often in a part's line.
    bool dangling = false;
    while (!messages.empty()) {
        const std::size_t lineEnd = messages.find_last_of("\r\n");
        std::string_view line =
            lineEnd == std::string_view::npos ? messages : messages.substr(lineEnd + 1);
        messages = messages.substr(0, lineEnd == std::string_view::npos ? 0 : lineEnd);
        line = line.substr(0, line.find_last_not_of(" \t") + 1);
        if (line.empty() || line.starts_with(' ') || line.starts_with('\t'))
            continue;
        if (const std::string_view spoken = withoutContext(line); spoken != line) {
            if (dangling)
                return std::string(spoken);
            // A part of the encoder has a say; ffmpeg's own word comes first.
            if (fromPart.empty())
                fromPart = spoken;
        } else if (line == "Conversion failed!") {
            failed = true;
        } else if (line.ends_with("--")) {
            if (!dangling)
                danglingLine = line;
            dangling = true;
        } else if (dangling) {
            if (ownAboveDangling.empty())
                ownAboveDangling = line;
        } else {
            const std::string named = std::string(input) + ": ";
            return std::string(line.starts_with(named) ? line.substr(named.size()) : line);
        }
    }
    for (const std::string_view told : {ownAboveDangling, fromPart, danglingLine})
        if (!told.empty())
            return std::string(told);
    return failed ? "Conversion failed!" : "";
}

std::string playTime(double seconds, bool tenths) {
    char text[32];
    if (tenths) {
        const long long total = std::llround(std::max(seconds, 0.0) * 10);
        std::snprintf(text, sizeof text, "%lld:%02lld.%lld", total / 600, total % 600 / 10,
                      total % 10);
    } else {
        const long long total = std::llround(std::max(seconds, 0.0));
        if (total >= 3600)
            std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", total / 3600, total % 3600 / 60,
                          total % 60);
        else
            std::snprintf(text, sizeof text, "%lld:%02lld", total / 60, total % 60);
    }
    return text;
}

} // namespace quillaro
