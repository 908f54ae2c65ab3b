#include "filelist/FolderScan.h"

#include "filelist/FolderWalk.h"

#include <utility>

namespace quillaro {

void addAllWmvFilesInFolder(std::string_view chosenFolder, const AppendPaths& appendPaths,
                            std::function<void()> pumpEvents, const FolderScanOptions& options) {
    const FolderLister& lister = options.lister;
    std::vector<std::string> found;
    const auto handOver = [&] {
        if (!found.empty()) {
            appendPaths(found);
            found.clear();
        }
    };
    // Whatever has been found goes into the list before any other handler
    // runs, so the window shows progress and a handler run from the pump
    // appends behind it, never in the middle of it.
    EventPump pump(
        [&] {
            handOver();
            if (pumpEvents)
                pumpEvents();
        },
        options.pumpInterval);
    // One pass before the walk starts, so the window shows the busy pointer
    // at once, however fast or slow the first folder turns out to be.
    pump.pumpNow();

    std::vector<std::string> folders{folderPathWithSeparator(chosenFolder, lister.separator)};
    CollectSubFolders(folders, pump, lister);

    for (const std::string& folder : folders) {
        for (const std::string& name : ListMatchingFiles(folder, "*.wmv", pump, lister)) {
            // Names starting with "~" are the temporary copies some programs
            // leave beside a file they are writing.
            if (name.front() == '~')
                continue;
            found.push_back(folder + name);
        }
        pump.poll();
    }
    handOver();
}

} // namespace quillaro
