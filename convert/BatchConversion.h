#pragma once

#include "convert/ConversionVerdict.h"
#include "convert/ProcessRunner.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quillaro {

// A list entry's own number: given when it is added, never reused, and kept
// when entries change places, so that two entries holding the same path
// are still told apart.
using EntryId = std::uint64_t;

// What a batch needs of the window it works for.
class BatchWindow {
public:
    virtual ~BatchWindow() = default;

    virtual std::size_t entryCount() const = 0;
    // Positions count from 1, in list order.
    virtual std::string entryText(std::size_t position) const = 0;
    virtual EntryId entryId(std::size_t position) const = 0;
    virtual void setProgress(float percent) = 0;
    // The hourglass while true, the default pointer after.
    virtual void setBusy(bool busy) = 0;
    virtual void pumpEvents() = 0;
};

struct NotConverted {
    std::string entry;
    std::string reason;

    friend bool operator==(const NotConverted&, const NotConverted&) = default;
};

struct BatchOutcome {
    std::size_t listed = 0; // entries listed both when the batch started and when it ended
    std::vector<NotConverted> notConverted; // those of them not converted, in list order
    // Those converted, but whose MP4 lacks something (why, as the reason);
    // the MP4 is kept: the most the encoder could recover.
    std::vector<NotConverted> notWhole;
    bool stopped = false; // ended early on request, entries left over
};

// The Convert command's loop over the list. One batch runs at a time; while
// it runs, the window handles its events, so the list may change under it
// and a second Convert press can reach us: it may ask the running batch to
// stop instead of starting another.
class BatchConversion {
public:
    // Converts the entries that were in the list when it started, one after
    // another, with `encoder`: each pass takes the entry that stands at the
    // next position then, so a reordering changes what later passes take.
    // Nothing is done while a batch is already running.
    BatchOutcome run(BatchWindow& window, const std::string& encoder);

    bool isRunning() const { return m_running; }

    // The running batch ends as soon as the current encoder run returns.
    void requestStop();

    // The list has lost `count` entries from `position` on. The running batch
    // moves its place with them, so that it skips no entry, and it never
    // goes on to entries added after it started.
    void entriesRemoved(std::size_t position, std::size_t count);

private:
    Verdict convertEntry(const std::string& encoder, const std::string& entry, EventPump& pump);

    bool m_running = false;
    bool m_stopRequested = false;
    std::size_t m_taken = 0; // positions taken so far, the one converting included
    std::size_t m_end = 0;   // the last position the batch takes
    // Inputs converted by the running batch, with what came of each.
    std::unordered_map<std::string, Verdict> m_converted;
};

// The window style of every encoder run: hidden.
inline constexpr int encoderWindowStyle = 0;

// The most failures listed one by one in the end report.
inline constexpr std::size_t reportedFailuresLimit = 10;

inline constexpr std::string_view noFilesAddedText = "No files added.";
inline constexpr std::string_view stopQuestionText = "Stop converting after the current file?";

// Why no batch can run with `encoder` (missing, a folder, not executable...),
// as the message to show; nothing when it can be run. An empty path, from a
// program folder that is not known, is a missing encoder.
std::optional<std::string> encoderProblem(const std::string& encoder);

// "Done." (or "Stopped."), followed by the entries converted but not whole,
// then those that were not converted.
std::string endReport(const BatchOutcome& outcome);

} // namespace quillaro
