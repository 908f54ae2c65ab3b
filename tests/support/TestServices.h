#pragma once

#include "app/PlatformServices.h"

#include <memory>

#include <QPoint>
#include <QStringList>
#include <QUrl>

// What the window asked of the desktop during a test.
struct ServiceLog {
    QStringList messages;
    QList<QUrl> openedPages;
    int dialogsShown = 0;
    QString dialogTitle;
    QString dialogFilter;
    int endRequests = 0;
};

// Desktop services for a window under test: nothing is shown and the program
// never ends; what the window asked for is written to the returned log.
// The Open dialog answers with `chosenFiles`, which a test may change.
inline PlatformServices testServices(const std::shared_ptr<ServiceLog>& log,
                                     const QString& programFolder = {},
                                     std::shared_ptr<QStringList> chosenFiles = {}) {
    if (!chosenFiles)
        chosenFiles = std::make_shared<QStringList>();
    PlatformServices services;
    services.programFolder = programFolder;
    services.chooseFiles = [log, chosenFiles](QWidget*, const QString& title,
                                              const QString& filter) {
        ++log->dialogsShown;
        log->dialogTitle = title;
        log->dialogFilter = filter;
        return *chosenFiles;
    };
    services.chooseFolder = [log](QWidget*, const QString& title) {
        ++log->dialogsShown;
        log->dialogTitle = title;
        return QString();
    };
    services.showMessage = [log](QWidget*, const QString& text) { log->messages << text; };
    services.askYesNo = [log](QWidget*, const QString& text) {
        log->messages << text;
        return false;
    };
    services.cursorPosition = [] { return QPoint(0, 0); };
    services.randomDraw = [] { return 0.5; };
    services.openWebPage = [log](const QUrl& url) { log->openedPages << url; };
    services.endProgram = [log] { ++log->endRequests; };
    return services;
}
