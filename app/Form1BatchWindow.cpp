#include "app/Form1BatchWindow.h"

#include "app/Form1.h"
#include "filelist/FileListModel.h"

#include <utility>

#include <QCoreApplication>

Form1BatchWindow::Form1BatchWindow(Form1& form, quillaro::BatchConversion& batch)
    : m_form(form) {
    const auto removed = [&batch](const QModelIndex&, int first, int last) {
        batch.entriesRemoved(static_cast<std::size_t>(first) + 1,
                             static_cast<std::size_t>(last - first + 1));
    };
    m_removals = QObject::connect(&form.fileList(), &FileListModel::rowsRemoved, removed);
}

Form1BatchWindow::~Form1BatchWindow() {
    QObject::disconnect(m_removals);
    setBusy(false);
}

std::size_t Form1BatchWindow::entryCount() const {
    return static_cast<std::size_t>(m_form.fileList().count());
}

std::string Form1BatchWindow::entryText(std::size_t position) const {
    return m_form.fileList().path(static_cast<int>(position) - 1);
}

quillaro::EntryId Form1BatchWindow::entryId(std::size_t position) const {
    return m_form.fileList().id(static_cast<int>(position) - 1);
}

void Form1BatchWindow::setProgress(float percent) {
    m_form.setProgressValue(percent);
}

// The batch says it is busy at every file, and done once.
void Form1BatchWindow::setBusy(bool busy) {
    if (std::exchange(m_busy, busy) == busy)
        return;
    if (busy)
        m_form.beginBusy();
    else
        m_form.endBusy();
}

void Form1BatchWindow::pumpEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}
