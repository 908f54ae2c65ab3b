#pragma once

#include "base/EntryId.h"
#include "convert/ConversionVerdict.h"
#include "convert/EndReport.h"
#include "convert/ProcessRunner.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

namespace quillaro {

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
    // What the running batch converted, by the identities of the input and
    // of the MP4 made from it, so that another spelling of a path converted
    // is known for it, and an output put there by anyone else is not.
    std::map<std::array<std::uint64_t, 4>, Verdict> m_converted;
};

// The window style of every encoder run: hidden.
inline constexpr int encoderWindowStyle = 0;

} // namespace quillaro
