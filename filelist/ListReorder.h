#pragma once

class FileListModel;
class QModelIndex;
class QPersistentModelIndex;

// One step of dragging an entry through the list: the entry `dragItem`, which
// holds the dragged path, and the entry `hit` under the pointer exchange
// their paths. Nothing happens, and false is returned, when either is no
// entry of `list` (a removed drag item included) or both hold the same path.
bool exchangeWithDragItem(FileListModel& list, const QPersistentModelIndex& dragItem,
                          const QModelIndex& hit);
