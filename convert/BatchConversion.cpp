#include "convert/BatchConversion.h"

#include "convert/EncoderCommand.h"
#include "convert/Utf8Path.h"

#include <filesystem>
#include <system_error>
#include <utility>

namespace quillaro {

namespace fs = std::filesystem;

namespace {

// A dangling symbolic link counts too: writing through it would create a file
// somewhere else.
bool pathExists(const fs::path& path) {
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

bool isNonEmptyFile(const fs::path& path) {
    std::error_code error;
    const auto size = fs::file_size(path, error);
    return !error && size > 0;
}

bool isSameFile(const fs::path& input, const fs::path& output) {
    std::error_code inputError;
    std::error_code outputError;
    const fs::path resolvedInput = fs::weakly_canonical(input, inputError);
    const fs::path resolvedOutput = fs::weakly_canonical(output, outputError);
    if (!inputError && !outputError && resolvedInput == resolvedOutput)
        return true;
    // Catches what the resolved text cannot: case-insensitive names, hard links.
    std::error_code error;
    return fs::equivalent(input, output, error) && !error;
}

std::string withDetail(std::string reason, const std::string& detail) {
    if (!detail.empty())
        reason += ": " + detail;
    return reason;
}

std::string failureReason(const RunResult& result) {
    const std::string lastLine = lastNonEmptyLine(result.stderrTail);
    switch (result.outcome) {
    case RunResult::Outcome::NotStarted:
        return withDetail("encoder could not start", result.startErrorText);
    case RunResult::Outcome::Crashed:
        return withDetail("encoder crash", lastLine);
    case RunResult::Outcome::Exited:
        break;
    }
    return withDetail("encoder exit code " + std::to_string(result.exitCode), lastLine);
}

class RunningFlag {
public:
    RunningFlag(bool& running, bool& stopRequested)
        : m_running(running) {
        m_running = true;
        stopRequested = false;
    }
    RunningFlag(const RunningFlag&) = delete;
    RunningFlag& operator=(const RunningFlag&) = delete;
    ~RunningFlag() { m_running = false; }

private:
    bool& m_running;
};

} // namespace

BatchConversion::BatchConversion(ProcessRunner runner)
    : m_runner(std::move(runner)) {}

void BatchConversion::requestStop() {
    if (m_running)
        m_stopRequested = true;
}

BatchOutcome BatchConversion::run(BatchWindow& window, const std::string& encoder) {
    BatchOutcome outcome;
    if (m_running)
        return outcome;
    const RunningFlag running(m_running, m_stopRequested);

    const std::size_t n = window.entryCount();
    for (std::size_t i = 1; i <= n; ++i) {
        window.setBusy(true);
        // Entries may have been removed while an encoder ran; their positions
        // are gone, and so are the ones after them.
        const std::size_t c = window.entryCount();
        if (i > c)
            break;
        window.setProgress(
            static_cast<float>(static_cast<double>(i) / static_cast<double>(c) * 100.0));

        const std::string entry = window.entryText(i);
        ++outcome.taken;
        if (auto reason = convertEntry(window, encoder, entry))
            outcome.notConverted.push_back({entry, std::move(*reason)});

        if (m_stopRequested) {
            outcome.stopped = i < n;
            break;
        }
    }

    window.setBusy(false);
    window.setProgress(0.0f);
    return outcome;
}

std::optional<std::string> BatchConversion::convertEntry(BatchWindow& window,
                                                         const std::string& encoder,
                                                         const std::string& entry) {
    const std::string output = outputPathFor(entry);
    const fs::path outputPath = pathFromUtf8(output);

    if (isSameFile(pathFromUtf8(entry), outputPath))
        return "would replace the input";
    // Never ask the encoder to write over a file: its answer to "Overwrite?"
    // is not ours to give.
    if (pathExists(outputPath))
        return "output exists";

    const RunResult result = m_runner(encoderCommand(encoder, entry, output), encoderWindowStyle,
                                      [&window] { window.pumpEvents(); });

    std::optional<std::string> reason;
    if (!result.succeeded())
        reason = failureReason(result);
    else if (!isNonEmptyFile(outputPath))
        reason = "no output written";

    // The output did not exist before this run, so whatever a failed run left
    // there is a broken file of ours.
    if (reason) {
        std::error_code ignored;
        fs::remove(outputPath, ignored);
    }
    return reason;
}

std::string encoderNotFoundText(std::string_view encoder) {
    return "The encoder was not found: " + std::string(encoder);
}

std::string endReport(const BatchOutcome& outcome) {
    std::string report = outcome.stopped ? "Stopped." : "Done.";
    const std::size_t failures = outcome.notConverted.size();
    if (failures == 0)
        return report;

    report += "\n\n" + std::to_string(failures) + " of " + std::to_string(outcome.taken) +
              " files were not converted:";
    for (std::size_t k = 0; k < failures && k < reportedFailuresLimit; ++k) {
        const NotConverted& failure = outcome.notConverted[k];
        report += "\n" + failure.entry + " \xE2\x80\x94 " + failure.reason;
    }
    if (failures > reportedFailuresLimit)
        report += "\n\xE2\x80\xA6"
                  "and " +
                  std::to_string(failures - reportedFailuresLimit) + " more.";
    return report;
}

} // namespace quillaro
