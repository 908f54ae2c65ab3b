#pragma once

#include "base/EntryId.h"

#include <string>
#include <vector>

#include <QAbstractListModel>
#include <QString>

// The file list: the queue of input paths in the order they were added.
// Rows hold nothing but the path; the view shows them in a single column.
//
// A path is kept exactly as it came: on POSIX the bytes of the name, which
// need not be valid UTF-8; on Windows UTF-8, converted to UTF-16 at the
// system's calls. Only the text shown is decoded, and may lose what cannot be.
//
// Each entry also carries a number of its own, given when it is added and
// never reused, so that a batch can tell one entry from another that holds
// the same path. It travels with the path when entries exchange places.
class FileListModel : public QAbstractListModel {
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void setHeaderText(const QString& text);

    int count() const { return static_cast<int>(m_entries.size()); }
    const std::string& path(int row) const { return m_entries.at(row).path; }
    quillaro::EntryId id(int row) const { return m_entries.at(row).id; }
    // The path as shown.
    QString displayText(int row) const;

    // Appends at the end; tests nothing, never sorts, keeps duplicates.
    void append(std::string path);
    void append(std::vector<std::string>& paths);
    void removeAt(int row);
    // The two entries change places, each with its number.
    void exchange(int row, int otherRow);

private:
    struct Entry {
        std::string path;
        quillaro::EntryId id;
    };

    std::vector<Entry> m_entries;
    quillaro::EntryId m_nextId = 1;
    QString m_headerText;
};

// A path that Qt handed over as text (a dialog's answer, a typed name) in
// the form the list keeps.
std::string pathFromQString(const QString& path);
// The text shown for a kept path.
QString displayTextOfPath(const std::string& path);
