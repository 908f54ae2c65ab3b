#pragma once

#include <compare>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillaro {

class EventPump;

// What makes a folder the same folder whatever path leads to it: device and
// inode on POSIX, volume serial number and file ID on Windows.
struct FolderId {
    std::uint64_t device = 0;
    std::uint64_t index = 0;

    auto operator<=>(const FolderId&) const = default;
};

struct SubFolder {
    std::string name;
    FolderId id;
};

// The file-system listings the folder walk is built on. `platform()` gives the
// real ones; tests hand in a canned tree or make a listing fail.
//
// Every folder handed to these ends in `separator`. The listing functions
// return false when the folder cannot be read (no permission, gone); they call
// `pump.poll()` as they go, since a single folder may hold a great many entries.
struct FolderLister {
    // Identity of the folder itself, following links; none when it cannot be read.
    std::function<std::optional<FolderId>(const std::string& folder)> identify;

    // The folders directly inside `folder` that a walk may enter: links to
    // folders included, hidden folders left out. Names only, in listing order.
    std::function<bool(const std::string& folder, std::vector<SubFolder>& subFolders,
                       EventPump& pump)>
        listSubFolders;

    // Names of the files in `folder` whose names match `pattern` without regard
    // to case, hidden ones included, folders never; in listing order.
    std::function<bool(const std::string& folder, std::string_view pattern,
                       std::vector<std::string>& names, EventPump& pump)>
        listMatchingNames;

    // The separator between a folder and a name.
    char separator = '/';

    // The real file system. POSIX has no listing order of its own, so names
    // come sorted without regard to case (ties by exact bytes); Windows keeps
    // the order the file system lists them in.
    static FolderLister platform();
};

} // namespace quillaro
