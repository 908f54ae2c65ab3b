#include "convert/BatchConversion.h"

#include "convert/EncoderCommand.h"
#include "convert/EncoderOutput.h"
#include "base/Utf8Path.h"
#include "convert/VisibleText.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>

#ifndef _WIN32
#include <unistd.h>
#endif

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

// Catches what comparing the texts cannot: case-insensitive names, links.
bool isSameFile(const fs::path& input, const fs::path& output) {
    std::error_code error;
    return fs::equivalent(input, output, error) && !error;
}

// Only what the name leads to is looked at, never opened: opening a named
// pipe would wait for a writer, and so would the encoder.
std::optional<std::string> inputProblem(const std::string& entry) {
    std::error_code error;
    switch (fs::status(pathFromUtf8(entry), error).type()) {
    case fs::file_type::regular:
        return std::nullopt;
    case fs::file_type::directory:
        return "is a folder";
    case fs::file_type::not_found:
        return "input not found";
    case fs::file_type::none:
        return "input cannot be examined: " + error.message();
    default:
        return "not a regular file";
    }
}

// With nobody to answer its "Overwrite?", the encoder refuses an output that
// appeared after the batch looked, and says so.
bool refusedExistingOutput(const RunResult& result, const std::string& output) {
    return result.stderrTail.find("File '" + output + "' already exists") != std::string::npos;
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

std::string failureReason(const RunResult& result) {
    const std::string lastLine = lastNonEmptyLine(result.stderrTail);
    switch (result.outcome) {
    case RunResult::Outcome::NotStarted:
        return withDetail("encoder could not start", result.startErrorText);
    case RunResult::Outcome::Crashed:
        if (result.signal != 0) {
            const std::string name = signalName(result.signal);
            return withDetail("encoder killed by signal " + std::to_string(result.signal) +
                                  (name.empty() ? "" : " (" + name + ")"),
                              lastLine);
        }
        return withDetail("encoder crashed with status " + hexadecimal(result.exitCode), lastLine);
    case RunResult::Outcome::Exited:
        break;
    }
    return withDetail("encoder exit code " + std::to_string(result.exitCode), lastLine);
}

std::string keptNote(LeftOutput left) {
    switch (left) {
    case LeftOutput::InUse:
        return " (output kept: another program has it open)";
    case LeftOutput::NotPlain:
        return " (output kept: not a plain file of ours)";
    case LeftOutput::Unsure:
        return " (output kept: cannot tell who wrote it)";
    case LeftOutput::None:
    case LeftOutput::Removed:
        break;
    }
    return {};
}

// The entries listed when a batch started, by number: whether a pass has
// taken each, and why it was not converted.
class Ledger {
public:
    explicit Ledger(const BatchWindow& window) {
        m_entries.reserve(window.entryCount());
        for (std::size_t position = 1; position <= window.entryCount(); ++position)
            m_entries.push_back({window.entryId(position), {}});
        std::sort(m_entries.begin(), m_entries.end(),
                  [](const auto& one, const auto& other) { return one.first < other.first; });
    }

    struct Status {
        bool taken = false;
        std::optional<std::string> reason;
    };

    // Nothing for an entry added since the start.
    Status* find(EntryId id) {
        const auto found = std::lower_bound(
            m_entries.begin(), m_entries.end(), id,
            [](const auto& entry, EntryId wanted) { return entry.first < wanted; });
        return found != m_entries.end() && found->first == id ? &found->second : nullptr;
    }

private:
    std::vector<std::pair<EntryId, Status>> m_entries;
};

class RunningFlag {
public:
    explicit RunningFlag(bool& running)
        : m_running(running) {
        m_running = true;
    }
    RunningFlag(const RunningFlag&) = delete;
    RunningFlag& operator=(const RunningFlag&) = delete;
    ~RunningFlag() { m_running = false; }

private:
    bool& m_running;
};

} // namespace

void BatchConversion::requestStop() {
    if (m_running)
        m_stopRequested = true;
}

void BatchConversion::entriesRemoved(std::size_t position, std::size_t count) {
    if (!m_running)
        return;
    const auto removedUpTo = [&](std::size_t last) {
        return last < position ? 0 : std::min(count, last - position + 1);
    };
    m_taken -= removedUpTo(m_taken);
    m_end -= removedUpTo(m_end);
}

BatchOutcome BatchConversion::run(BatchWindow& window, const std::string& encoder) {
    BatchOutcome outcome;
    if (m_running)
        return outcome;
    const RunningFlag running(m_running);
    m_stopRequested = false;
    m_taken = 0;
    m_end = window.entryCount();
    m_converted.clear();
    Ledger ledger(window);

    // One schedule for the whole batch, runs and the work between them alike,
    // however short each is.
    EventPump pump([&window] { window.pumpEvents(); },
                   std::chrono::milliseconds(pumpIntervalMilliseconds));
    for (;;) {
        pump.poll();
        if (m_stopRequested || m_taken >= m_end)
            break;
        const std::size_t position = ++m_taken;
        window.setBusy(true);
        const std::size_t c = window.entryCount();
        if (position > c)
            break; // entries removed without a word to the batch
        window.setProgress(
            static_cast<float>(static_cast<double>(position) / static_cast<double>(c) * 100.0));

        // An entry moved behind the batch's place is met again, and one added
        // since the start may have been moved into its range: neither is run.
        const EntryId id = window.entryId(position);
        Ledger::Status* status = ledger.find(id);
        if (!status || status->taken)
            continue;
        status->taken = true;
        status->reason = convertEntry(encoder, window.entryText(position), pump);
    }
    outcome.stopped = m_stopRequested && m_taken < m_end;
    m_converted.clear();

    window.setBusy(false);
    window.setProgress(0.0f);

    const char* notReached =
        outcome.stopped ? "not reached (stopped)" : "not reached (the list changed)";
    for (std::size_t position = 1; position <= window.entryCount(); ++position) {
        const Ledger::Status* status = ledger.find(window.entryId(position));
        if (!status)
            continue;
        ++outcome.listed;
        if (!status->taken)
            outcome.notConverted.push_back({window.entryText(position), notReached});
        else if (status->reason)
            outcome.notConverted.push_back({window.entryText(position), *status->reason});
    }
    return outcome;
}

std::optional<std::string> BatchConversion::convertEntry(const std::string& encoder,
                                                         const std::string& entry,
                                                         EventPump& pump) {
    if (auto problem = inputProblem(entry))
        return problem;
    const std::string output = outputPathFor(entry);
    const fs::path outputPath = pathFromUtf8(output);

    // Never ask the encoder to write over a file: its answer to "Overwrite?"
    // is not ours to give.
    if (pathExists(outputPath)) {
        if (m_converted.contains(entry))
            return std::nullopt; // listed twice, converted once
        if (isSameFile(pathFromUtf8(entry), outputPath))
            return "would replace the input";
        return "output exists";
    }

    const RunResult result =
        runProcess(encoderCommand(encoder, entry, output), encoderWindowStyle, pump);
    if (refusedExistingOutput(result, output))
        return "output exists";
    if (result.succeeded() && isNonEmptyFile(outputPath)) {
        m_converted.insert(entry);
        return std::nullopt;
    }
    const std::string reason = result.succeeded() ? "no output written" : failureReason(result);
    return reason + keptNote(removeLeftOutput(output));
}

std::optional<std::string> encoderProblem(const std::string& encoder) {
    const auto problem = [&](const char* what) {
        return "The encoder " + std::string(what) + ": " +
               visibleText(encoder.empty() ? std::string(encoderFileName()) : encoder);
    };
    if (encoder.empty())
        return problem("was not found");
    std::error_code error;
    switch (fs::status(pathFromUtf8(encoder), error).type()) {
    case fs::file_type::regular:
        break;
    case fs::file_type::not_found:
        return problem("was not found");
    case fs::file_type::directory:
        return problem("is a folder");
    case fs::file_type::none:
        return problem("cannot be reached") + " (" + error.message() + ")";
    default:
        return problem("is not a regular file");
    }
#ifndef _WIN32
    if (::access(encoder.c_str(), X_OK) != 0)
        return problem("may not be run (no execute permission)");
#endif
    return std::nullopt;
}

std::string endReport(const BatchOutcome& outcome) {
    std::string report = outcome.stopped ? "Stopped." : "Done.";
    const std::size_t failures = outcome.notConverted.size();
    if (failures == 0)
        return report;

    report += "\n\n";
    report += std::to_string(failures) + " of " + std::to_string(outcome.listed) +
              " files were not converted:";
    for (std::size_t k = 0; k < failures && k < reportedFailuresLimit; ++k) {
        const NotConverted& failure = outcome.notConverted[k];
        report += '\n';
        report += visibleText(failure.entry) + " \u2014 " + visibleText(failure.reason);
    }
    if (failures > reportedFailuresLimit)
        report += "\n\u2026and " + std::to_string(failures - reportedFailuresLimit) + " more.";
    return report;
}

} // namespace quillaro
