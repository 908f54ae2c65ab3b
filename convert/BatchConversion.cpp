#include "convert/BatchConversion.h"

#include "base/Utf8Path.h"
#include "convert/EncoderCommand.h"
#include "convert/EncoderOutput.h"
#include "convert/VisibleText.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <system_error>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace quillaro {

namespace fs = std::filesystem;

namespace {

// The bytes written at `path`, 0 when there is no file.
std::uint64_t fileBytes(const fs::path& path) {
    std::error_code error;
    const auto size = fs::file_size(path, error);
    return error ? 0 : size;
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

#ifdef _WIN32
// No name longer than 255 UTF-16 units can be made on Windows, and what the
// system answers when asked about one differs, down to "not found".
bool nameTooLongForWindows(const fs::path& path) {
    return path.filename().wstring().size() > 255;
}
#else
bool nameTooLongForWindows(const fs::path&) {
    return false;
}
#endif

// A dangling symbolic link is there too: writing through it would create a
// file somewhere else. Only a plain file is read: a named pipe would block.
OutputBeforeRun lookAtOutput(const std::string& entry, const std::string& output) {
    OutputBeforeRun look;
    const fs::path outputPath = pathFromUtf8(output);
    std::error_code error;
    const fs::file_status status = fs::symlink_status(outputPath, error);
    if (nameTooLongForWindows(outputPath) || error == std::errc::filename_too_long)
        look.state = OutputBeforeRun::State::NameTooLong;
    else if (status.type() == fs::file_type::none) {
        look.state = OutputBeforeRun::State::CannotExamine;
        look.error = error.message();
    } else if (status.type() != fs::file_type::not_found) {
        look.state = OutputBeforeRun::State::Present;
        look.isTheInput = isSameFile(pathFromUtf8(entry), outputPath);
        if (status.type() == fs::file_type::regular)
            look.reading = readMp4Index(output).kind;
    }
    return look;
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
        Verdict verdict;
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
        status->verdict = convertEntry(encoder, window.entryText(position), pump);
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
        else if (status->verdict.kind == Verdict::Kind::NotWhole)
            outcome.notWhole.push_back({window.entryText(position), status->verdict.reason});
        else if (status->verdict.kind == Verdict::Kind::NotConverted)
            outcome.notConverted.push_back({window.entryText(position), status->verdict.reason});
    }
    return outcome;
}

Verdict BatchConversion::convertEntry(const std::string& encoder, const std::string& entry,
                                      EventPump& pump) {
    if (auto problem = inputProblem(entry))
        return {Verdict::Kind::NotConverted, std::move(*problem)};
    const std::string output = outputPathFor(entry);
    const fs::path outputPath = pathFromUtf8(output);

    // Never ask the encoder to write over a file: its answer to "Overwrite?"
    // is not ours to give.
    const OutputBeforeRun before = lookAtOutput(entry, output);
    if (before.state == OutputBeforeRun::State::Present)
        if (const auto converted = m_converted.find(entry); converted != m_converted.end())
            return converted->second; // listed twice, converted once
    const AsfReading promise =
        before.state == OutputBeforeRun::State::Absent ? readAsfHeader(entry) : AsfReading{};
    if (auto refusal = verdictBeforeRun(before, promise))
        return std::move(*refusal);

    // Sound alone by its header: any picture the encoder finds is a cover.
    const bool soundOnly = promise.kind == AsfReading::Kind::Asf &&
                           promise.header.soundStreams > 0 && promise.header.pictureStreams == 0;
    const RunResult result = runProcess(
        encoderCommand(encoder, entry, output, soundOnly ? Picture::Drop : Picture::Keep),
        encoderWindowStyle, pump, output);
    RunFacts facts{result, entry, promise, fileBytes(outputPath), {}, LeftOutput::None};
    if (needsCleanUp(result, facts.outputBytes))
        facts.left = removeLeftOutput(output, result.watchedFile);
    else
        facts.output = readMp4Index(output);
    Verdict verdict = verdictAfterRun(facts);
    if (verdict.kind != Verdict::Kind::NotConverted)
        m_converted.emplace(entry, verdict);
    return verdict;
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

namespace {

// "<heading>" and a line per entry, at most `reportedFailuresLimit` of them.
std::string reportList(const std::vector<NotConverted>& entries, const std::string& heading) {
    std::string list = "\n\n" + heading;
    for (std::size_t k = 0; k < entries.size() && k < reportedFailuresLimit; ++k)
        list += '\n' + visibleText(entries[k].entry) + " \u2014 " + visibleText(entries[k].reason);
    if (entries.size() > reportedFailuresLimit)
        list += "\n\u2026and " + std::to_string(entries.size() - reportedFailuresLimit) + " more.";
    return list;
}

} // namespace

std::string endReport(const BatchOutcome& outcome) {
    std::string report = outcome.stopped ? "Stopped." : "Done.";
    const std::string listed = " of " + std::to_string(outcome.listed) + " files were ";
    if (!outcome.notWhole.empty())
        report += reportList(outcome.notWhole, std::to_string(outcome.notWhole.size()) + listed +
                                                   "converted, but not whole (their MP4 is kept):");
    if (!outcome.notConverted.empty())
        report += reportList(outcome.notConverted, std::to_string(outcome.notConverted.size()) +
                                                       listed + "not converted:");
    return report;
}

} // namespace quillaro
