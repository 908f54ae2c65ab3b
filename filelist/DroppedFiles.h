#pragma once

#include <string>
#include <vector>

#include <Qt>

class QMimeData;

// Whether a drag carries a list of files: it offers URLs and every one of
// them names a local file or folder. An empty list of URLs still counts.
bool offersFileList(const QMimeData* data);

// The dragged files and folders as paths with the platform's separators, in
// the form the file list keeps them, in the order the drag source lists
// them; nothing when the drag carries no file list. On POSIX each path holds
// exactly the bytes that the URL percent-encodes, valid UTF-8 or not.
std::vector<std::string> droppedFilePaths(const QMimeData* data);

// How to answer a source that allows `possible`: the dropped files are only
// read, so copy, or else link; never move, which would have the source delete
// its originals. IgnoreAction when the source allows nothing else.
Qt::DropAction readOnlyDropAction(Qt::DropActions possible);
