#include "filelist/FolderWalk.h"

#include "base/EventPump.h"

#include <cstddef>
#include <functional>
#include <unordered_set>

namespace quillaro {

namespace {

struct FolderIdHash {
    size_t operator()(const FolderId& id) const noexcept {
        return std::hash<std::uint64_t>{}(id.device * 0x9E3779B97F4A7C15ull ^ id.index);
    }
};

} // namespace

void CollectSubFolders(std::vector<std::string>& folders, EventPump& pump,
                       const FolderLister& lister) {
    std::unordered_set<FolderId, FolderIdHash> walked;
    for (const std::string& folder : folders) {
        if (const auto id = lister.identify(folder))
            walked.insert(*id);
    }

    // Going through the list while appending to it gives level order: each
    // level is appended, parent by parent, behind the level above it.
    std::vector<SubFolder> subFolders;
    for (size_t i = 0; i < folders.size(); ++i) {
        subFolders.clear();
        // A copy, since appending below may move the strings of `folders`.
        const std::string parent = folderPathWithSeparator(folders[i], lister.separator);
        if (!lister.listSubFolders(parent, subFolders, pump))
            continue;
        for (SubFolder& sub : subFolders) {
            if (!walked.insert(sub.id).second)
                continue;
            std::string path = parent;
            path += sub.name;
            path += lister.separator;
            folders.push_back(std::move(path));
        }
        pump.poll();
    }
}

std::vector<std::string> ListMatchingFiles(const std::string& folder, std::string_view pattern,
                                           EventPump& pump, const FolderLister& lister) {
    std::vector<std::string> names;
    if (!lister.listMatchingNames(folderPathWithSeparator(folder, lister.separator), pattern, names,
                                  pump))
        names.clear();
    return names;
}

} // namespace quillaro
