#pragma once

#include <functional>

#include <QString>
#include <QStringList>

class QWidget;

// The Open dialog as the add-files command uses it: configured through
// properties, shown with ShowOpen(), and answering in FileName with either
// one full path, or the folder followed by the chosen names, all separated by
// NUL characters, or an empty string when cancelled.
class CommonDialog {
public:
    using Chooser =
        std::function<QStringList(QWidget* owner, const QString& title, const QString& filter)>;

    CommonDialog(QWidget* owner, Chooser chooser);

    QString FileName;
    QString DialogTitle;
    // Pairs of description and pattern, each followed by "|".
    QString Filter;

    // Shows the dialog modally; FileName is left as it was on cancel.
    void ShowOpen();

    // The dialog's answer in the form described above, for the chosen files
    // as Qt's dialog gives them; every path in it clean and absolute. Names
    // from several folders follow the folder they share, ending in its
    // separator, or an empty folder and full paths when they share none.
    static QString resultFor(const QStringList& chosenFiles);
    // The filter in Qt's "Description (patterns)" form.
    static QString qtFilter(const QString& filter);

private:
    QWidget* m_owner;
    Chooser m_chooser;
};
