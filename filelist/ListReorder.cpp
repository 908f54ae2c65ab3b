#include "filelist/ListReorder.h"

#include "filelist/FileListModel.h"

#include <QPersistentModelIndex>

namespace {

bool isEntryOf(const FileListModel& list, const QModelIndex& index) {
    return index.isValid() && index.model() == &list && index.row() < list.count();
}

} // namespace

bool exchangeWithDragItem(FileListModel& list, const QPersistentModelIndex& dragItem,
                          const QModelIndex& hit) {
    if (!isEntryOf(list, dragItem) || !isEntryOf(list, hit))
        return false;
    const int from = dragItem.row();
    const int to = hit.row();
    if (list.path(to) == list.path(from))
        return false;
    list.exchange(from, to);
    return true;
}
