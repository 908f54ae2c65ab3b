#pragma once

#include "convert/ProcessRunner.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillaro {

// What a batch needs of the window it works for.
class BatchWindow {
public:
    virtual ~BatchWindow() = default;

    virtual std::size_t entryCount() const = 0;
    // Position counts from 1, in list order.
    virtual std::string entryText(std::size_t position) const = 0;
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
    std::size_t taken = 0; // entries the batch went through
    std::vector<NotConverted> notConverted;
    bool stopped = false; // ended early on request, entries left over
};

using ProcessRunner =
    std::function<RunResult(const Command&, std::optional<int> windowStyle, const PumpEvents&)>;

// The Convert command's loop over the list. One batch runs at a time; while
// it runs, the window pumps events, so a second Convert press can reach us:
// it may ask the running batch to stop instead of starting another.
class BatchConversion {
public:
    explicit BatchConversion(ProcessRunner runner = runProcess);

    // Converts the entries that were in the list when it started, one after
    // another, with `encoder`. Nothing is done while a batch is already running.
    BatchOutcome run(BatchWindow& window, const std::string& encoder);

    bool isRunning() const { return m_running; }

    // The running batch ends as soon as the current encoder run returns.
    void requestStop();

private:
    std::optional<std::string> convertEntry(BatchWindow& window, const std::string& encoder,
                                            const std::string& entry);

    ProcessRunner m_runner;
    bool m_running = false;
    bool m_stopRequested = false;
};

// The window style of every encoder run: hidden.
inline constexpr int encoderWindowStyle = 0;

// The most failures listed one by one in the end report.
inline constexpr std::size_t reportedFailuresLimit = 10;

inline constexpr std::string_view noFilesAddedText = "No files added.";
inline constexpr std::string_view stopQuestionText = "Stop converting after the current file?";

std::string encoderNotFoundText(std::string_view encoder);

// "Done." (or "Stopped."), followed by the entries that were not converted.
std::string endReport(const BatchOutcome& outcome);

} // namespace quillaro
