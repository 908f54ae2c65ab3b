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

QString CommonDialog::resultFor(const QStringList& chosenFiles) {
    if (chosenFiles.size() == 1)
        return QDir::toNativeSeparators(chosenFiles.front());

    const QDir folder = QFileInfo(chosenFiles.front()).absoluteDir();
    QString result = QDir::toNativeSeparators(folder.absolutePath());
    for (const QString& file : chosenFiles) {
        result += QChar(u'\0');
        // All files of one selection share a folder, so this is the bare name.
        result += QDir::toNativeSeparators(folder.relativeFilePath(file));
    }
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
