#pragma once

#include <QTreeView>

class FileListModel;

// The list control that shows the file list: report view, one column, no
// sorting, one selected entry at a time.
class FileListView : public QTreeView {
    Q_OBJECT

public:
    explicit FileListView(QWidget* parent = nullptr);

    FileListModel* fileList() const { return m_model; }

private:
    FileListModel* m_model;
};
