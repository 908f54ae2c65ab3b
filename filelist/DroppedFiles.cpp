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

namespace {

std::string keptPathOfFileUrl(const QUrl& url) {
#ifdef Q_OS_WIN
    // Windows names are UTF-16 text, which Qt's string holds exactly.
    return QDir::toNativeSeparators(url.toLocalFile()).toStdString();
#else
    // Decoded here, byte for byte: Qt's text form of the path would turn a
    // name that is not UTF-8 into another name.
    QByteArray path = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    if (!url.host().isEmpty())
        path.prepend("//" + url.host().toUtf8());
    return path.toStdString();
#endif
}

} // namespace

std::vector<std::string> droppedFilePaths(const QMimeData* data) {
    if (!offersFileList(data))
        return {};
    std::vector<std::string> paths;
    for (const QUrl& url : data->urls())
        paths.push_back(keptPathOfFileUrl(url));
    return paths;
}

Qt::DropAction readOnlyDropAction(Qt::DropActions possible) {
    if (possible.testFlag(Qt::CopyAction))
        return Qt::CopyAction;
    if (possible.testFlag(Qt::LinkAction))
        return Qt::LinkAction;
    return Qt::IgnoreAction;
}
