#include "filelist/FileListModel.h"

int FileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count())
        return {};
    if (role == Qt::DisplayRole)
        return m_paths.at(index.row());
    return {};
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (section == 0 && orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return m_headerText;
    return {};
}

void FileListModel::setHeaderText(const QString& text) {
    m_headerText = text;
    emit headerDataChanged(Qt::Horizontal, 0, 0);
}

void FileListModel::setText(int row, const QString& path) {
    m_paths[row] = path;
    const QModelIndex changed = index(row);
    emit dataChanged(changed, changed, {Qt::DisplayRole});
}

void FileListModel::append(const QString& path) {
    beginInsertRows({}, count(), count());
    m_paths.append(path);
    endInsertRows();
}

void FileListModel::append(const QStringList& paths) {
    if (paths.isEmpty())
        return;
    beginInsertRows({}, count(), count() + static_cast<int>(paths.size()) - 1);
    m_paths.append(paths);
    endInsertRows();
}

void FileListModel::removeAt(int row) {
    beginRemoveRows({}, row, row);
    m_paths.removeAt(row);
    endRemoveRows();
}
