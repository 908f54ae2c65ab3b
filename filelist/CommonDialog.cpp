#include "filelist/CommonDialog.h"

#include <QDir>
#include <QFileInfo>

CommonDialog::CommonDialog(QWidget* owner, Chooser chooser)
    : m_owner(owner)
    , m_chooser(std::move(chooser)) {}

void CommonDialog::ShowOpen() {
    const QStringList chosen = m_chooser(m_owner, DialogTitle, qtFilter(Filter));
    if (!chosen.isEmpty())
        FileName = resultFor(chosen);
}

namespace {

// A chosen file as a clean absolute path naming the same file. Typed names
// can come back as "L/../a.wmv"; POSIX follows the link L before it takes
// "..", so that names a.wmv in the parent of the folder L leads to, not the
// one beside L. Such a folder is resolved as the file system resolves it;
// the name itself is kept, be it a link or a name that does not exist yet.
// A folder that does not exist keeps the path as it came: it names no file,
// and cleaning it as text could name one. Windows takes ".." as text.
QString cleanPathOf(const QString& chosen) {
    // Qt's own absolute forms are already cleaned as text: not that.
    const QString path = QDir::fromNativeSeparators(
        QDir::isAbsolutePath(chosen) ? chosen : QDir::currentPath() + u'/' + chosen);
    const QString clean = QDir::cleanPath(path);
#ifndef Q_OS_WIN
    if (clean != path) {
        const qsizetype nameAt = path.lastIndexOf(u'/') + 1;
        const QString folder = QFileInfo(path.left(nameAt)).canonicalFilePath();
        return folder.isEmpty() ? path : QDir(folder).filePath(path.mid(nameAt));
    }
#endif
    return clean;
}

// The deepest folder, ending in its separator, that holds every path; empty
// when none does (files on two drives).
QString commonFolder(const QStringList& paths) {
    QString folder = paths.front().left(paths.front().lastIndexOf(u'/') + 1);
    for (const QString& path : paths) {
        while (!path.startsWith(folder))
            folder.truncate(folder.size() < 2 ? 0
                                              : folder.lastIndexOf(u'/', folder.size() - 2) + 1);
    }
    return folder;
}

} // namespace

QString CommonDialog::resultFor(const QStringList& chosenFiles) {
    QStringList paths;
    for (const QString& file : chosenFiles)
        paths << cleanPathOf(file);
    if (paths.size() == 1)
        return QDir::toNativeSeparators(paths.front());

    // Files from several folders, typed in, come back under the folder they
    // share, each name relative to it and never with "..".
    const QString folder = commonFolder(paths);
    QString result = QDir::toNativeSeparators(folder);
    for (const QString& path : paths)
        result += QChar(u'\0') + QDir::toNativeSeparators(path.mid(folder.size()));
    return result;
}

QString CommonDialog::qtFilter(const QString& filter) {
    const QStringList parts = filter.split(u'|', Qt::SkipEmptyParts);
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        const QString patterns = QString(parts[i + 1]).replace(u';', u' ');
        // Qt takes the patterns from the description's last parentheses.
        const QString shown = "(" + patterns + ")";
        entries << (description.endsWith(shown) ? description : description + " " + shown);
    }
    return entries.join(";;");
}
