#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QString>
#include <QStringList>

// The file list: the queue of input paths in the order they were added.
// Rows hold nothing but the path; the view shows them in a single column.
class FileListModel : public QAbstractListModel {
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void setHeaderText(const QString& text);

    int count() const { return static_cast<int>(m_paths.size()); }
    const QString& text(int row) const { return m_paths.at(row); }
    void setText(int row, const QString& path);

    // Appends at the end; tests nothing, never sorts, keeps duplicates.
    void append(const QString& path);
    void append(const QStringList& paths);
    void removeAt(int row);

private:
    QList<QString> m_paths;
    QString m_headerText;
};
