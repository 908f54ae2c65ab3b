#include "filelist/DroppedFiles.h"

#include <algorithm>

#include <QDir>
#include <QMimeData>
#include <QUrl>

bool offersFileList(const QMimeData* data) {
    if (!data || !data->hasUrls())
        return false;
    const QList<QUrl> urls = data->urls();
    return std::all_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
}

QStringList droppedFilePaths(const QMimeData* data) {
    if (!offersFileList(data))
        return {};
    QStringList paths;
    for (const QUrl& url : data->urls())
        paths.append(QDir::toNativeSeparators(url.toLocalFile()));
    return paths;
}

Qt::DropAction readOnlyDropAction(Qt::DropActions possible) {
    if (possible.testFlag(Qt::CopyAction))
        return Qt::CopyAction;
    if (possible.testFlag(Qt::LinkAction))
        return Qt::LinkAction;
    return Qt::IgnoreAction;
}
