#pragma once

#include "app/PlatformServices.h"

#include <memory>

#include <QPoint>
#include <QStringList>
#include <QUrl>

// What the window asked of the desktop during a test.
struct ServiceLog {
    QStringList messages;
    int dialogsShown = 0;
    QString dialogTitle;
    QString dialogFilter;
    int programEnds = 0;
};

// Desktop services for a window under test: nothing is shown, no web page
// opens and the program never ends, it only counts the times it would. The Open dialog answers
// `chosenFiles`.
inline PlatformServices testServices(const std::shared_ptr<ServiceLog>& log,
                                     const QString& programFolder = {},
                                     std::shared_ptr<QStringList> chosenFiles = {}) {
    if (!chosenFiles)
        chosenFiles = std::make_shared<QStringList>();
    PlatformServices services;
    services.programFolder = programFolder.toStdString();
    services.chooseFiles = [log, chosenFiles](QWidget*, const QString& title,
                                              const QString& filter) {
        ++log->dialogsShown;
        log->dialogTitle = title;
        log->dialogFilter = filter;
        return *chosenFiles;
    };
    services.chooseFolder = [](QWidget*, const QString&) { return QString(); };
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
