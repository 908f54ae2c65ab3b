#pragma once

#include "filelist/EventPump.h"
#include "filelist/FolderLister.h"
#include "filelist/NamePattern.h"

#include <map>
#include <set>
#include <string>
#include <vector>

// A canned folder tree for the walk, with Windows paths by default so the
// program's own examples can be written down as they are.
class FakeFolderTree {
public:
    struct Folder {
        quillaro::FolderId id;
        std::vector<quillaro::SubFolder> subFolders;
        std::vector<std::string> files;
    };

    explicit FakeFolderTree(char separator = '\\')
        : m_separator(separator) {}

    // `path` ends in the separator; `subFolders` gives names, each of which
    // must also be added as a folder (or, to stand for a link, share its id).
    void addFolder(const std::string& path, std::vector<std::string> subFolderNames,
                   std::vector<std::string> files) {
        Folder& folder = m_folders[path];
        folder.id = {1, m_nextIndex++};
        for (const std::string& name : subFolderNames)
            folder.subFolders.push_back({name, {}});
        folder.files = std::move(files);
    }

    // Makes `linkPath` lead to the same folder as `targetPath`.
    void linkFolder(const std::string& linkPath, const std::string& targetPath) {
        m_links[linkPath] = targetPath;
    }

    void makeUnreadable(const std::string& path) { m_unreadable.insert(path); }

    std::vector<std::string> listed;

    quillaro::FolderLister lister() {
        quillaro::FolderLister lister;
        lister.separator = m_separator;
        lister.identify = [this](const std::string& path) -> std::optional<quillaro::FolderId> {
            const Folder* folder = find(path);
            if (!folder)
                return std::nullopt;
            return folder->id;
        };
        lister.listSubFolders = [this](const std::string& path,
                                       std::vector<quillaro::SubFolder>& out,
                                       quillaro::EventPump& pump) {
            listed.push_back(path);
            const Folder* folder = find(path);
            if (!folder || m_unreadable.count(path))
                return false;
            for (const quillaro::SubFolder& sub : folder->subFolders) {
                pump.poll();
                const Folder* target = find(path + sub.name + m_separator);
                if (target)
                    out.push_back({sub.name, target->id});
            }
            return true;
        };
        lister.listMatchingNames = [this](const std::string& path, std::string_view pattern,
                                          std::vector<std::string>& out,
                                          quillaro::EventPump& pump) {
            const Folder* folder = find(path);
            if (!folder || m_unreadable.count(path))
                return false;
            for (const std::string& name : folder->files) {
                pump.poll();
                if (quillaro::nameMatchesPattern(name, pattern))
                    out.push_back(name);
            }
            return true;
        };
        return lister;
    }

private:
    // Follows links anywhere along the path, as the file system would, so a
    // link back up the tree really does lead round and round.
    const Folder* find(std::string path) const {
        for (bool followed = true; followed;) {
            followed = false;
            for (const auto& [link, target] : m_links) {
                if (path.compare(0, link.size(), link) == 0) {
                    path = target + path.substr(link.size());
                    followed = true;
                    break;
                }
            }
        }
        const auto it = m_folders.find(path);
        return it == m_folders.end() ? nullptr : &it->second;
    }

    char m_separator;
    std::uint64_t m_nextIndex = 1;
    std::map<std::string, Folder> m_folders;
    std::map<std::string, std::string> m_links;
    std::set<std::string> m_unreadable;
};
