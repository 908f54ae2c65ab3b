#include "filelist/AddFolder.h"

#include "filelist/FileListModel.h"
#include "filelist/FolderScan.h"

#include <QCoreApplication>
#include <QDir>

QString BrowseForFolder(QWidget* owner, const QString& title,
                        const std::function<QString(QWidget*, const QString&)>& chooseFolder) {
    if (!chooseFolder)
        return {};
    return QDir::toNativeSeparators(chooseFolder(owner, title));
}

void addWmvFilesInFolderToList(const std::string& folder, FileListModel& list) {
    quillaro::addAllWmvFilesInFolder(
        folder, [&list](std::vector<std::string>& paths) { list.append(paths); },
        [] { QCoreApplication::processEvents(); });
}
