#pragma once

#include "base/EventPump.h"
#include "convert/Command.h"
#include "convert/ErrorFile.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace quillaro {

// Handles the window events that are waiting, then returns. The runner calls
// it while a child runs so that the window stays alive; it may be empty.
using PumpEvents = std::function<void()>;

// What a start failure's error number is added to (0x80040000 as a signed
// 32-bit value), so that a failed start can never look like an exit code.
inline constexpr std::int32_t startFailureBase = -2147221504;

// Show state used when none is given or the given one is outside 0 to 6.
inline constexpr int defaultWindowStyle = 6;

// Between two event pumps while a child runs: shorter than
// `EventPump::defaultInterval`, as here the work is another process's and
// this thread only waits, so a pass costs nothing the work needs.
inline constexpr std::chrono::milliseconds runnerPumpInterval{10};

// Omitted, below 0 or above 6 gives 6; anything else (5 included) is kept.
// On Windows it is the show state of the child's main window; POSIX has no
// use for it.
int normaliseWindowStyle(std::optional<int> windowStyle);

// A running child, as shown to a look while it runs.
struct RunningChild {
    std::uint32_t pid = 0;
    NativeFile errors; // its standard error, which it surely holds open; may be none
};

// Called every `childLookInterval` while a child runs, from whichever thread
// looks after it then (see ChildWatch.h): it must touch nothing of the window.
using LookAtChild = std::function<void(const RunningChild&)>;

// How one run of a program went.
struct RunResult {
    enum class Outcome {
        Exited,     // ended by itself; `exitCode` holds its code
        Crashed,    // ended abnormally: by a signal on POSIX (`signal`), by an
                    // exception status on Windows (`exitCode` holds it)
        NotStarted, // the start failed; `startError` holds the OS error number
    };

    Outcome outcome = Outcome::Exited;
    int exitCode = 0;
    int signal = 0; // POSIX: the signal that ended it
    int startError = 0;
    std::string startErrorText; // the OS's wording of `startError`, UTF-8
    std::string stderrTail;     // last `stderrTailBytes` bytes the child wrote there

    // The single number `RunAndWait` returns: the exit code; 128 + the signal
    // for a POSIX crash; `startError` + `startFailureBase` (32-bit wrap-around)
    // when the start failed.
    std::int32_t value() const;

    // True only for a normal end with code 0.
    bool succeeded() const { return outcome == Outcome::Exited && exitCode == 0; }
};

// Starts `command` and waits for it to end, letting `pump` handle window
// events whenever a pass is due meanwhile (it may be shared by many runs and
// the work between them), and notices the end at once; `look` is called
// while it runs. The child reads the null device, its output is discarded,
// its standard error goes to an ErrorFile, and nothing else of ours is
// inherited. It is never killed: if this program ends meanwhile, it runs on
// alone. A start failure returns at once, without a pump; a call made from
// inside `pump` runs to its end before the outer call resumes.
RunResult runProcess(const Command& command, std::optional<int> windowStyle, EventPump& pump,
                     const LookAtChild& look = {});

// The same with a pump of its own, due every `runnerPumpInterval`.
RunResult runProcess(const Command& command, std::optional<int> windowStyle,
                     const PumpEvents& pump);

// `runProcess(...).value()`.
std::int32_t RunAndWait(const Command& command, std::optional<int> windowStyle,
                        const PumpEvents& pump);

// The signal's short name ("SIGKILL"), or nothing where the system has none.
std::string signalName(int signal);

} // namespace quillaro
