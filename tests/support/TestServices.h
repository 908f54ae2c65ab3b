#pragma once

#include "app/PlatformServices.h"

#include <memory>
#include <utility>

#include <QPoint>
#include <QStringList>

// What the window asked of the desktop during a test: the texts it showed
// (messages, questions, and the Open dialog's title then its filter) and how
// often it would have ended the program.
struct ServiceLog {
    QStringList messages;
    int programEnds = 0;
};

// Desktop services for a window under test: nothing is shown, no web page
// opens, the system is not kept awake, the program never ends. The Open
// dialog answers `chosenFiles` once, then cancels; the folder picker cancels.
inline PlatformServices testServices(const std::shared_ptr<ServiceLog>& log,
                                     const QString& programFolder = {},
                                     const QStringList& chosenFiles = {}) {
    PlatformServices services;
    services.programFolder = programFolder.toStdString();
    services.chooseFiles = [log, files = chosenFiles](QWidget*, const QString& title,
                                                      const QString& filter) mutable {
        log->messages << title << filter;
        return std::exchange(files, {});
    };
    services.showMessage = [log](QWidget*, const QString& text) { log->messages << text; };
    services.askYesNo = [log](QWidget*, const QString& text) {
        log->messages << text;
        return false;
    };
    services.cursorPosition = [] { return QPoint(0, 0); };
    services.randomDraw = [] { return 0.5; };
    services.openWebPage = [](const QUrl&) {};
    services.endProgram = [log] { ++log->programEnds; };
    return services;
}
