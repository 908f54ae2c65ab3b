#pragma once

#include "app/SleepBlock.h"

#include <functional>
#include <memory>
#include <string>

#include <QString>
#include <QStringList>

class QPoint;
class QUrl;
class QWidget;

// The services of the desktop that the window uses and that a test must be
// able to replace. `system()` gives the real ones.
struct PlatformServices {
    // Folder that holds the running program, without a final separator, in
    // the form the file list keeps paths (the bytes of the name on POSIX).
    // Empty when it cannot be told; then no file beside the program is used.
    std::string programFolder;

    // The Open dialog: shows it with the given title and name filter,
    // allowing several files, and returns the chosen files (empty on cancel).
    std::function<QStringList(QWidget* owner, const QString& title, const QString& filter)>
        chooseFiles;

    // The folder picker: returns the chosen folder, or an empty string.
    std::function<QString(QWidget* owner, const QString& title)> chooseFolder;

    // A message box with an OK button only, no icon, titled with the program's name.
    std::function<void(QWidget* owner, const QString& text)> showMessage;

    // A question with Yes and No buttons; true for Yes.
    std::function<bool(QWidget* owner, const QString& text)> askYesNo;

    // The pointer's position in screen pixels.
    std::function<QPoint()> cursorPosition;

    // A number drawn uniformly from [0, 1), from a generator seeded by the clock.
    std::function<double()> randomDraw;

    // Opens a web page in the user's browser without waiting for it.
    std::function<void(const QUrl&)> openWebPage;

    // Keeps the system from sleeping on idle until the result is destroyed;
    // `why` says what is being done. May give nothing.
    std::function<std::unique_ptr<SleepBlock>(const QString& why)> keepAwake;

    // Ends the program at once, wherever it is called from.
    std::function<void()> endProgram;

    static PlatformServices system();
};
