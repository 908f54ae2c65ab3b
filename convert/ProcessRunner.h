#pragma once

#include "base/EventPump.h"
#include "convert/Command.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

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

// How much of the end of the child's standard error is kept. While the child
// runs, a few hundred KiB are held, plus what it writes in a few milliseconds
// (between two looks of the runner), whatever it writes there.
inline constexpr std::size_t stderrTailBytes = 4096;

// While a child runs, its error file may be given back up to here: whole
// 64 KiB blocks at least 64 KiB behind its end (`size`), once that frees
// 256 KiB or more beyond what is free already; otherwise `freedUpTo`.
std::int64_t errorFileFreeUpTo(std::int64_t size, std::int64_t freedUpTo);

// Omitted, below 0 or above 6 gives 6; anything else (5 included) is kept.
int normaliseWindowStyle(std::optional<int> windowStyle);

// Which file a name leads to: on POSIX the device and inode numbers
// (st_dev, st_ino), on Windows the volume serial number and the file index
// (GetFileInformationByHandle). Two names of one file have the same id.
struct FileId {
    std::uint64_t volume = 0;
    std::uint64_t file = 0;

    friend bool operator==(const FileId&, const FileId&) = default;
};

// What was seen of the child and the file it was told to write (see
// runProcess): the one evidence that a file found there afterwards is the
// child's own work, not another program's.
struct FileWitness {
    bool watched = false;       // this system let the runner see the child's open files
    std::optional<FileId> held; // the file at that path the child was seen holding open
};

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
    FileWitness watchedFile;    // only when a file to watch was given

    // The single number `RunAndWait` returns: the exit code; 128 + the signal
    // for a POSIX crash; `startError` + `startFailureBase` (32-bit wrap-around)
    // when the start failed.
    std::int32_t value() const;

    // True only for a normal end with code 0.
    bool succeeded() const { return outcome == Outcome::Exited && exitCode == 0; }
};

// Starts `command` and waits for it to end, letting `pump` handle window
// events whenever a pass is due meanwhile, and notices the end at once. The
// pump may be shared by many runs and the work between them (a batch), so
// that the window is served on time however short each run is.
//
// The child gets the null device as standard input (a program that asks a
// question reads end-of-file instead of waiting forever), its standard output
// is discarded and its standard error goes to an anonymous temporary file,
// never a pipe, so the child does not die of a broken pipe if this program
// ends first; all but the end of that file is freed while the child runs,
// and once it has ended, whatever it left running there can no longer grow
// the file where the system allows (a Linux memory file is sealed for good;
// a Windows file is locked from its end on, only until this call returns).
// No other descriptor or handle of ours is inherited. The child is never
// killed: if this program ends during the wait, it runs on alone.
//
// From the first pump on, the child is looked after (the file trimmed, its
// end noticed and, on POSIX, reaped) by a thread of the call's own, so that
// this goes on while a handler keeps `pump` from returning, a modal box for
// instance; that thread runs no handler and touches no window.
//
// A start failure returns at once, without a pump. A call made from inside
// `pump` runs to its end before the outer call resumes. The window style is
// normalised and, on Windows, is the show state of the child's main window;
// POSIX has no use for it.
//
// With `watchedFile`, the runner also looks, every few milliseconds while the
// child runs, whether the child itself holds the file at that path open, and
// tells which file it was (`RunResult::watchedFile`). A link at that path is
// taken as itself, never followed. Linux shows a process's open files in
// /proc; Windows tells which processes use a file (Wine does not, so there
// nothing is watched).
RunResult runProcess(const Command& command, std::optional<int> windowStyle, EventPump& pump,
                     const std::string& watchedFile = {});

// The same with a pump of its own, due every `runnerPumpInterval`.
RunResult runProcess(const Command& command, std::optional<int> windowStyle,
                     const PumpEvents& pump);

// `runProcess(...).value()`.
std::int32_t RunAndWait(const Command& command, std::optional<int> windowStyle,
                        const PumpEvents& pump);

// Seals the error files of the children running now, for a program that
// ends without waiting for them: they may run on, but can no longer grow
// those files (only memory files can be sealed, on Linux; elsewhere this
// does nothing). Safe to call from the thread that runs the pumps.
void sealErrorFilesOfRunningChildren();

// The signal's short name ("SIGKILL"), or nothing where the system has none.
std::string signalName(int signal);

} // namespace quillaro
