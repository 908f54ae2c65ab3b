#include "base/EventPump.h"
#include "filelist/FolderLister.h"
#include "filelist/NamePattern.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace quillaro {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

constexpr int readFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
#ifdef O_PATH
// Passing through a folder needs no right to list it.
constexpr int passFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
#else
constexpr int passFlags = readFlags;
#endif

// A descriptor of the folder, however deep: a path longer than the system
// takes whole (PATH_MAX) is opened one name at a time, each relative to the
// folder before it.
int openFolder(const std::string& folder) {
    const int whole = open(folder.c_str(), readFlags);
    if (whole >= 0 || errno != ENAMETOOLONG)
        return whole;
    int at = folder.front() == '/' ? open("/", passFlags) : AT_FDCWD;
    size_t start = folder.find_first_not_of('/');
    while (start != std::string::npos && at != -1) {
        const size_t end = std::min(folder.find('/', start), folder.size());
        const size_t nextStart = folder.find_first_not_of('/', end);
        const int next = openat(at, folder.substr(start, end - start).c_str(),
                                nextStart == std::string::npos ? readFlags : passFlags);
        if (at != AT_FDCWD)
            close(at);
        at = next;
        start = nextStart;
    }
    return at;
}

DirHandle listFolder(const std::string& folder) {
    const int fd = openFolder(folder);
    if (fd < 0)
        return nullptr;
    DIR* dir = fdopendir(fd);
    if (!dir)
        close(fd);
    return DirHandle(dir);
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
    const int fd = openFolder(folder);
    if (fd < 0)
        return std::nullopt;
    struct stat info {};
    const bool known = fstat(fd, &info) == 0;
    close(fd);
    return known ? std::optional(idOf(info)) : std::nullopt;
}

bool listPosixSubFolders(const std::string& folder, std::vector<SubFolder>& subFolders,
                         EventPump& pump) {
    const DirHandle dir = listFolder(folder);
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
    const DirHandle dir = listFolder(folder);
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
