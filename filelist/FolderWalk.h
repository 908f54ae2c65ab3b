#pragma once

#include "filelist/FolderLister.h"
#include "filelist/FolderPath.h"

#include <string>
#include <string_view>
#include <vector>

namespace quillaro {

class EventPump;

// Appends to `folders` every folder below the folders in it, in level order:
// first their direct sub-folders in listing order, then the sub-folders of
// those grouped by parent in the order of the parents, and so on to the
// deepest level. Each appended path is its parent's path, the name and one
// separator. Hidden folders are not entered, nor is any folder already
// reached in this walk (a link back up the tree would never end otherwise),
// and a folder that cannot be read or vanishes is passed over.
void CollectSubFolders(std::vector<std::string>& folders, EventPump& pump,
                       const FolderLister& lister = FolderLister::platform());

// Names (not paths) of the files in `folder` that match `pattern` without
// regard to case, hidden files included, in listing order; empty when there
// are none or the folder cannot be read.
std::vector<std::string> ListMatchingFiles(const std::string& folder, std::string_view pattern,
                                           EventPump& pump,
                                           const FolderLister& lister = FolderLister::platform());

} // namespace quillaro
