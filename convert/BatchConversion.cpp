#include "convert/BatchConversion.h"

#include "convert/EncoderCommand.h"
#include "convert/EntryChecks.h"
#include "convert/OutputWitness.h"

#include <algorithm>
#include <chrono>
#include <optional>

namespace quillaro {

namespace {

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
    EventPump pump([&window] { window.pumpEvents(); }, runnerPumpInterval);
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
    const std::optional<FileId> input = fileIdentity(entry);
    const auto madeKey = [&]() -> std::optional<std::array<std::uint64_t, 4>> {
        const std::optional<FileId> made = fileIdentity(output);
        if (!input || !made)
            return std::nullopt;
        return std::array{input->volume, input->file, made->volume, made->file};
    };

    // Never ask the encoder to write over a file: its answer to "Overwrite?"
    // is not ours to give.
    const OutputBeforeRun before = lookAtOutput(entry, output);
    if (before.state == OutputBeforeRun::State::Present)
        if (const auto key = madeKey())
            if (const auto converted = m_converted.find(*key); converted != m_converted.end())
                return converted->second; // listed twice, converted once
    const AsfReading promise =
        before.state == OutputBeforeRun::State::Absent ? readAsfHeader(entry) : AsfReading{};
    if (auto refusal = verdictBeforeRun(before, promise))
        return std::move(*refusal);

    // Sound alone by its header: any picture the encoder finds is a cover.
    const bool soundOnly = promise.kind == AsfReading::Kind::Asf &&
                           promise.header.soundStreams > 0 && promise.header.pictureStreams == 0;
    OutputWitness witness(output);
    const RunResult result = runProcess(
        encoderCommand(encoder, entry, output, soundOnly ? Picture::Drop : Picture::Keep),
        encoderWindowStyle, pump, [&witness](const RunningChild& child) { witness.look(child); });
    RunFacts facts{result, entry, promise, fileBytes(output), {}};
    if (needsCleanUp(result, facts.outputBytes))
        facts.output = removeLeftOutput(output, witness.seen());
    else
        facts.output = readMp4Index(output);
    facts.diskFull = diskAlmostFull(output);
    Verdict verdict = verdictAfterRun(facts);
    if (verdict.kind != Verdict::Kind::NotConverted)
        if (const auto key = madeKey())
            m_converted.emplace(*key, verdict);
    return verdict;
}

} // namespace quillaro
