#include "convert/EndReport.h"

#include "convert/VisibleText.h"

namespace quillaro {

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
