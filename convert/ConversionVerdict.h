#pragma once

#include "convert/OutputWitness.h"
#include "convert/ProcessRunner.h"
#include "media/AsfHeader.h"
#include "media/Mp4Index.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace quillaro {

// What became of one list entry.
struct Verdict {
    enum class Kind {
        Converted,    // a whole MP4 with all that its input promised
        NotWhole,     // an MP4 is kept, but it lacks what `reason` says
        NotConverted, // `reason` says why
    };
    Kind kind = Kind::Converted;
    std::string reason;

    friend bool operator==(const Verdict&, const Verdict&) = default;
};

// What stood at the output path before the encoder was to run.
struct OutputBeforeRun {
    enum class State { Absent, Present, NameTooLong, CannotExamine };
    State state = State::Absent;
    std::string error;       // CannotExamine: the system's words
    bool isTheInput = false; // Present: the input's own file, by another name
    Mp4Reading::Kind reading = Mp4Reading::Kind::NotMp4; // Present, a plain file
};

// Why the encoder is not run for an entry whose input can be read; nothing
// when it is to run.
std::optional<Verdict> verdictBeforeRun(const OutputBeforeRun& output, const AsfReading& input);

// What is known once the encoder has run.
struct RunFacts {
    const RunResult& result;
    std::string_view input;        // the path the encoder was given
    const AsfReading& promise;     // the input's header, read before the run
    std::uint64_t outputBytes = 0; // 0 when missing
    // After a good run with bytes written, its MP4 as read; after any other,
    // what the clean-up did with what it left (removeLeftOutput).
    std::variant<Mp4Reading, LeftOutput> output;
    bool diskFull = false; // the output's file system had (almost) no space left after the run
};

// A run that ended well and wrote something is judged by its MP4; any other
// has its output cleaned up first.
bool needsCleanUp(const RunResult& result, std::uint64_t outputBytes);

Verdict verdictAfterRun(const RunFacts& facts);

// The line of the encoder's messages that names its problem: the last one
// that ffmpeg itself wrote at the margin, other than its closing "Conversion
// failed!"; only when there is none, the last one of its parts' (whose
// "[asf @ 0x55...] " is dropped, as is a leading "<input>: "). A line ending
// in a bare "--" points above itself: the part's line above it is taken, else
// ffmpeg's own line above it, and it only when nothing else is. The input's
// tags are shown indented (a line break in one goes on indented), so nothing
// the input holds can pass for it.
std::string problemLine(std::string_view messages, std::string_view input);

// "1:02:03" or "2:15"; with `tenths`, "0:00.9".
std::string playTime(double seconds, bool tenths);

} // namespace quillaro
