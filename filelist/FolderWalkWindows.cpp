#include "base/EventPump.h"
#include "filelist/FolderLister.h"
#include "filelist/NamePattern.h"
#include "win32/WindowsHandle.h"
#include "win32/WindowsText.h"

#include <memory>
#include <windows.h>

namespace quillaro {

namespace {

struct FindCloser {
    void operator()(HANDLE handle) const noexcept { FindClose(handle); }
};
using FindHandle = std::unique_ptr<void, FindCloser>;

// Deep trees easily pass MAX_PATH; the "\\?\" form lifts that limit but is
// taken literally by the system, so it gets backslashes only.
std::wstring apiPath(const std::string& path) {
    std::wstring wide = toUtf16(path);
    constexpr size_t roomForAName = 12;
    if (wide.size() + roomForAName < MAX_PATH || wide.starts_with(L"\\\\?\\"))
        return wide;
    for (wchar_t& c : wide) {
        if (c == L'/')
            c = L'\\';
    }
    if (wide.starts_with(L"\\\\"))
        return L"\\\\?\\UNC\\" + wide.substr(2);
    if (wide.size() >= 3 && wide[1] == L':' && wide[2] == L'\\')
        return L"\\\\?\\" + wide;
    return wide;
}

bool isDotOrDotDot(const wchar_t* name) {
    return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

// Every entry of `folder` (which ends in a backslash), in the file system's
// own order. Matching is left to the caller: the system's own wildcard match
// also tries the 8.3 short name, where "*.wmv" matches "a.wmvx" ("AD1F~1.WMV").
template <typename OnEntry>
bool forEachEntry(const std::string& folder, EventPump& pump, OnEntry onEntry) {
    WIN32_FIND_DATAW entry{};
    const HANDLE first =
        FindFirstFileExW((apiPath(folder) + L'*').c_str(), FindExInfoBasic, &entry,
                         FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (first == INVALID_HANDLE_VALUE) {
        // An empty drive root has not even "." and "..".
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    }
    const FindHandle find(first);
    do {
        pump.poll();
        if (!isDotOrDotDot(entry.cFileName))
            onEntry(entry);
    } while (FindNextFileW(find.get(), &entry));
    return true;
}

std::optional<FolderId> identifyFolder(const std::string& folder) {
    // Backup semantics open folders; links are followed, so a junction back
    // up the tree has the identity of the folder it leads to.
    const UniqueHandle handle =
        adoptHandle(CreateFileW(apiPath(folder).c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle)
        return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle.get(), &info) ||
        !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::nullopt;
    return FolderId{info.dwVolumeSerialNumber,
                    (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

constexpr DWORD hiddenOrSystem = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

bool listFolderSubFolders(const std::string& folder, std::vector<SubFolder>& subFolders,
                          EventPump& pump) {
    return forEachEntry(folder, pump, [&](const WIN32_FIND_DATAW& entry) {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
            (entry.dwFileAttributes & hiddenOrSystem))
            return;
        std::string name = toUtf8(entry.cFileName);
        // A folder removed since it was listed is simply not there.
        if (const auto id = identifyFolder(folder + name + '\\'))
            subFolders.push_back({std::move(name), *id});
    });
}

bool listFolderMatchingNames(const std::string& folder, std::string_view pattern,
                             std::vector<std::string>& names, EventPump& pump) {
    return forEachEntry(folder, pump, [&](const WIN32_FIND_DATAW& entry) {
        // Hidden and system files are found like any other.
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            return;
        std::string name = toUtf8(entry.cFileName);
        if (nameMatchesPattern(name, pattern))
            names.push_back(std::move(name));
    });
}

} // namespace

FolderLister FolderLister::platform() {
    FolderLister lister;
    lister.identify = identifyFolder;
    lister.listSubFolders = listFolderSubFolders;
    lister.listMatchingNames = listFolderMatchingNames;
    lister.separator = '\\';
    return lister;
}

} // namespace quillaro
