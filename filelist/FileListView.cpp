#include "filelist/FileListView.h"

#include "filelist/FileListModel.h"

#include <QHeaderView>

FileListView::FileListView(QWidget* parent)
    : QTreeView(parent)
    , m_model(new FileListModel(this)) {
    setModel(m_model);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    // Every row is one line of text; telling the view so keeps layout cheap
    // with hundreds of thousands of entries.
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    // The column is narrower than the list; dragging its divider to the right
    // widens it past the list's edge and the list then scrolls sideways.
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
}
