// The list's handlers: files dropped onto it, removal by double-click and
// reordering by dragging an entry with any mouse button held.

#include "app/Form1.h"
#include "app/PointerFiles.h"
#include "app/Pointers.h"
#include "filelist/DroppedFiles.h"
#include "filelist/FileListModel.h"
#include "filelist/FileListView.h"
#include "filelist/ListReorder.h"
#include "filelist/ListScroll.h"

#include <QDropEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>

namespace {

QModelIndex selectedEntry(const FileListView& list) {
    const QModelIndexList rows = list.selectionModel()->selectedRows();
    return rows.isEmpty() ? QModelIndex() : rows.first();
}

// An invalid index clears the selection.
void selectEntry(FileListView& list, const QModelIndex& entry) {
    list.selectionModel()->setCurrentIndex(entry, QItemSelectionModel::ClearAndSelect |
                                                      QItemSelectionModel::Rows);
}

// The entry under a point of the list's visible area; none outside it, even
// where entries scrolled out of view would lie.
QModelIndex entryAt(const FileListView& list, const QPoint& position) {
    if (!list.viewport()->rect().contains(position))
        return {};
    return list.indexAt(position);
}

// Takes a drag that carries files, telling the source they are only read; a
// source that would take the drop as a move, and delete its originals, is
// refused like any drag without files.
bool answerFileDrop(QDropEvent& event) {
    const Qt::DropAction action = readOnlyDropAction(event.possibleActions());
    if (!offersFileList(event.mimeData()) || action == Qt::IgnoreAction) {
        event.ignore();
        return false;
    }
    event.setDropAction(action);
    event.accept();
    return true;
}

} // namespace

void Form1::prepareListView1() {
    // Dragging an entry reorders the list through the mouse handlers below;
    // the view's own drag and drop stays off, so it starts no system drag and
    // never moves files. Dropped files arrive at the viewport and stay welcome
    // for as long as the window lives.
    ListView1->setDragEnabled(false);
    ListView1->setDragDropMode(QAbstractItemView::NoDragDrop);
    ListView1->viewport()->setAcceptDrops(true);
    ListView1->installEventFilter(this);
}

// Every button takes part alike, and a press on an entry selects it and
// counts as the entry click before any move that follows. The view's own
// mouse handling is kept out: it would select entries as the pointer passes.
bool Form1::routeListView1Event(QObject* watched, QEvent* event) {
    if (watched == ListView1) {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        // The keypad's Delete key counts too.
        if (key->key() != Qt::Key_Delete || (key->modifiers() & ~Qt::KeypadModifier))
            return false;
        ListView1_DblClick();
        return true;
    }

    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        ListView1_MouseDown();
        ListView1->setFocus(Qt::MouseFocusReason);
        const QModelIndex entry =
            entryAt(*ListView1, static_cast<QMouseEvent*>(event)->position().toPoint());
        // A press on empty space selects nothing, so that a double-click
        // there removes nothing.
        selectEntry(*ListView1, entry);
        if (entry.isValid())
            ListView1_ItemClick(entry);
        return true;
    }
    case QEvent::MouseButtonDblClick:
        ListView1_MouseDown();
        ListView1_DblClick();
        return true;
    case QEvent::MouseButtonRelease:
        ListView1_MouseUp();
        return true;
    case QEvent::MouseMove: {
        const auto* move = static_cast<QMouseEvent*>(event);
        ListView1_MouseMove(move->buttons(), move->position().toPoint());
        return move->buttons() != Qt::NoButton;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove:
        ListView1_OLEDragOver(*static_cast<QDragMoveEvent*>(event));
        return true;
    case QEvent::Drop:
        ListView1_OLEDragDrop(*static_cast<QDropEvent*>(event));
        return true;
    default:
        return false;
    }
}

void Form1::ListView1_OLEDragOver(QDragMoveEvent& event) {
    answerFileDrop(event);
}

void Form1::ListView1_OLEDragDrop(QDropEvent& event) {
    if (!answerFileDrop(event))
        return;
    for (std::string& path : droppedFilePaths(event.mimeData()))
        AddFileToList(std::move(path));
}

void Form1::ListView1_DblClick() {
    const QModelIndex entry = selectedEntry(*ListView1);
    if (!entry.isValid())
        return;
    fileList().removeAt(entry.row());
    // The next drag starts from a fresh entry click, never from whatever
    // entry an old reference now points at.
    DragItem = QPersistentModelIndex();
}

void Form1::ListView1_ItemClick(const QModelIndex&) {
    m_pointers->setList(Pointer::Custom);
    // Read again at every click; without a readable picture the list shows
    // its standard pointer.
    m_pointers->setListPicture(loadIconAsPointer(programFile("drag.ico")));
    DragItem = selectedEntry(*ListView1);
}

void Form1::ListView1_MouseDown() {
    MouseIsDown = true;
}

void Form1::ListView1_MouseMove(Qt::MouseButtons Button, const QPoint& position) {
    applyHoverRule(Pointer::Default);
    // A release can go elsewhere, to a message box that came up while the
    // button was held: a move with no button held ends the gesture.
    if (Button == Qt::NoButton)
        MouseIsDown = false;
    if (!MouseIsDown)
        return;

    const QModelIndex hit = entryAt(*ListView1, position);
    if (!exchangeWithDragItem(fileList(), DragItem, hit))
        return;
    selectEntry(*ListView1, hit);
    DragItem = hit;

    const int screenRow = m_services.cursorPosition().y();
    if (const auto reveal =
            quillaro::rowToRevealAfterExchange(screenRow, hit.row(), fileList().count()))
        ListView1->scrollTo(fileList().index(*reveal), QAbstractItemView::EnsureVisible);
}

void Form1::ListView1_MouseUp() {
    MouseIsDown = false;
    m_pointers->setList(Pointer::Arrow);
}

int Form1::listMousePointer() const {
    return m_pointers->list();
}
