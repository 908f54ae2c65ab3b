#include "filelist/FileListModel.h"

#include <iterator>
#include <utility>

std::string pathFromQString(const QString& path) {
    return path.toStdString();
}

QString displayTextOfPath(const std::string& path) {
    return QString::fromStdString(path);
}

int FileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count())
        return {};
    if (role == Qt::DisplayRole)
        return displayText(index.row());
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

QString FileListModel::displayText(int row) const {
    return displayTextOfPath(path(row));
}

void FileListModel::append(std::string path) {
    beginInsertRows({}, count(), count());
    m_entries.push_back({std::move(path), m_nextId++});
    endInsertRows();
}

void FileListModel::append(std::vector<std::string>& paths) {
    if (paths.empty())
        return;
    beginInsertRows({}, count(), count() + static_cast<int>(paths.size()) - 1);
    m_entries.reserve(m_entries.size() + paths.size());
    for (std::string& path : paths)
        m_entries.push_back({std::move(path), m_nextId++});
    endInsertRows();
}

void FileListModel::removeAt(int row) {
    beginRemoveRows({}, row, row);
    m_entries.erase(std::next(m_entries.begin(), row));
    endRemoveRows();
}

void FileListModel::exchange(int row, int otherRow) {
    std::swap(m_entries.at(row), m_entries.at(otherRow));
    for (const int changed : {row, otherRow})
        emit dataChanged(index(changed), index(changed), {Qt::DisplayRole});
}
