#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace quillaro {

struct NotConverted {
    std::string entry;
    std::string reason;

    friend bool operator==(const NotConverted&, const NotConverted&) = default;
};

// What a batch tells once it ends.
struct BatchOutcome {
    std::size_t listed = 0; // entries listed both when the batch started and when it ended
    std::vector<NotConverted> notConverted; // those of them not converted, in list order
    // Those converted, but whose MP4 lacks something (why, as the reason);
    // the MP4 is kept: the most the encoder could recover.
    std::vector<NotConverted> notWhole;
    bool stopped = false; // ended early on request, entries left over
};

// The most failures listed one by one in the end report.
inline constexpr std::size_t reportedFailuresLimit = 10;

// "Done." (or "Stopped."), followed by the entries converted but not whole,
// then those that were not converted, each name and reason shown as
// visibleText does.
std::string endReport(const BatchOutcome& outcome);

} // namespace quillaro
