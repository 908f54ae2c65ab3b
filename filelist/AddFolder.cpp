#include "filelist/AddFolder.h"

#include "filelist/FileListModel.h"
#include "filelist/FolderScan.h"

#include <string>
#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QStringList>

QString BrowseForFolder(QWidget* owner, const QString& title,
                        const std::function<QString(QWidget*, const QString&)>& chooseFolder) {
    if (!chooseFolder)
        return {};
    return QDir::toNativeSeparators(chooseFolder(owner, title));
}

void addWmvFilesInFolderToList(const QString& folder, FileListModel& list) {
    quillaro::addAllWmvFilesInFolder(
        folder.toStdString(),
        [&list](std::vector<std::string>& paths) {
            QStringList batch;
            batch.reserve(static_cast<qsizetype>(paths.size()));
            for (const std::string& path : paths)
                batch.append(QString::fromStdString(path));
            list.append(batch);
        },
        [] { QCoreApplication::processEvents(); });
}
