#pragma once

#include "base/EventPump.h"
#include "filelist/FolderLister.h"

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quillaro {

// Receives found paths, a batch at a time, in the order they were found. It
// may take the strings out of the vector.
using AppendPaths = std::function<void(std::vector<std::string>& paths)>;

struct FolderScanOptions {
    FolderLister lister = FolderLister::platform();
    EventPump::Clock::duration pumpInterval = EventPump::defaultInterval;
};

// Appends every file matching "*.wmv" in `chosenFolder` and in all folders
// below it, folder by folder in level order; names starting with "~" are
// left out. Each path is the folder, one separator and the name.
//
// `pumpEvents` runs now and then while the scan works. Whatever was found
// before it runs has already been handed to `appendPaths`, and nothing of the
// scan's state is shared, so a handler run from it, even another scan, sees
// and leaves a consistent list.
void addAllWmvFilesInFolder(std::string_view chosenFolder, const AppendPaths& appendPaths,
                            std::function<void()> pumpEvents,
                            const FolderScanOptions& options = {});

} // namespace quillaro
