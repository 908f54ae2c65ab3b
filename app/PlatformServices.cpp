#include "app/PlatformServices.h"

#include "base/ProgramFolder.h"
#include "convert/ErrorFile.h"

#include <cstdio>
#include <cstdlib>
#include <random>

#include <QCoreApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QPoint>
#include <QTime>
#include <QUrl>

namespace {

void showSystemMessage(QWidget* owner, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), text, QMessageBox::Ok,
                    owner);
    // File names are shown as they are, never read as markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool askSystemYesNo(QWidget* owner, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), text,
                    QMessageBox::Yes | QMessageBox::No, owner);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

double drawSeededByClock() {
    // Seeded from the seconds since midnight, as the start-up draw always was.
    std::minstd_rand generator(
        static_cast<unsigned>(QTime::currentTime().msecsSinceStartOfDay() / 1000));
    return std::uniform_real_distribution<double>(0.0, 1.0)(generator);
}

void endProgramNow() {
    // Closing the window ends the program even from inside a running batch
    // or folder scan, so leave without unwinding back through them. A running
    // encoder is not ours to stop: it goes on and finishes its file, but
    // with no one left to trim its error file, it may no longer grow it. A
    // sleep block held as a descriptor goes with us: the kernel closes it,
    // and the encoder never inherited it.
    quillaro::sealErrorFilesOfRunningChildren();
    std::fflush(nullptr);
    std::_Exit(0);
}

} // namespace

PlatformServices PlatformServices::system() {
    PlatformServices services;
    services.programFolder = quillaro::runningProgramFolder();
    services.chooseFiles = [](QWidget* owner, const QString& title, const QString& filter) {
        return QFileDialog::getOpenFileNames(owner, title, QString(), filter);
    };
    services.chooseFolder = [](QWidget* owner, const QString& title) {
        return QFileDialog::getExistingDirectory(owner, title);
    };
    services.showMessage = showSystemMessage;
    services.askYesNo = askSystemYesNo;
    services.cursorPosition = [] { return QCursor::pos(); };
    services.randomDraw = drawSeededByClock;
    services.openWebPage = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    services.keepAwake = keepSystemAwake;
    services.endProgram = endProgramNow;
    return services;
}
