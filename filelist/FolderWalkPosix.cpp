#include "filelist/EventPump.h"
#include "filelist/FolderLister.h"
#include "filelist/NamePattern.h"

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>

namespace quillaro {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

DirHandle openFolder(const std::string& folder) {
    return DirHandle(opendir(folder.c_str()));
}

FolderId idOf(const struct stat& info) {
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

// The entry's kind as the listing reports it, asking the file system only when
// the listing cannot tell or the entry is a link (whose target decides).
bool statIfNeeded(DIR* dir, const dirent* entry, unsigned char knownType, struct stat& info) {
    if (entry->d_type != DT_UNKNOWN && entry->d_type != DT_LNK && entry->d_type != knownType)
        return false;
    return fstatat(dirfd(dir), entry->d_name, &info, 0) == 0;
}

std::optional<FolderId> identifyPosixFolder(const std::string& folder) {
    struct stat info {};
    if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return std::nullopt;
    return idOf(info);
}

bool listPosixSubFolders(const std::string& folder, std::vector<SubFolder>& subFolders,
                         EventPump& pump) {
    const DirHandle dir = openFolder(folder);
    if (!dir)
        return false;
    while (const dirent* entry = readdir(dir.get())) {
        pump.poll();
        // Names starting with "." are hidden, and this also passes over "." and "..".
        if (entry->d_name[0] == '.')
            continue;
        struct stat info {};
        // A folder gone between listing and looking is simply not there.
        if (statIfNeeded(dir.get(), entry, DT_DIR, info) && S_ISDIR(info.st_mode))
            subFolders.push_back({entry->d_name, idOf(info)});
    }
    std::sort(subFolders.begin(), subFolders.end(), [](const SubFolder& a, const SubFolder& b) {
        return nameLessIgnoringCase(a.name, b.name);
    });
    return true;
}

bool listPosixMatchingNames(const std::string& folder, std::string_view pattern,
                            std::vector<std::string>& names, EventPump& pump) {
    const DirHandle dir = openFolder(folder);
    if (!dir)
        return false;
    while (const dirent* entry = readdir(dir.get())) {
        pump.poll();
        if (!nameMatchesPattern(entry->d_name, pattern))
            continue;
        if (entry->d_type == DT_REG) {
            names.emplace_back(entry->d_name);
            continue;
        }
        // Only plain files, or links to them: a pipe or a device named like a
        // video would leave the encoder waiting on it for ever.
        struct stat info {};
        if (statIfNeeded(dir.get(), entry, DT_REG, info) && S_ISREG(info.st_mode))
            names.emplace_back(entry->d_name);
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return nameLessIgnoringCase(a, b);
    });
    return true;
}

} // namespace

FolderLister FolderLister::platform() {
    FolderLister lister;
    lister.identify = identifyPosixFolder;
    lister.listSubFolders = listPosixSubFolders;
    lister.listMatchingNames = listPosixMatchingNames;
    lister.separator = '/';
    return lister;
}

} // namespace quillaro
