// Writes a picture of the window, with a few entries listed, so anyone can
// look at the layout: screenshots/main-window.png in the build folder, and
// main-window-xvfb.png when drawn by a real X server.

#include "app/Form1.h"
#include "tests/support/TestServices.h"

#include <QDir>
#include <QGuiApplication>
#include <QTest>

class TestScreenshot : public QObject {
    Q_OBJECT

private slots:
    void mainWindow();
};

void TestScreenshot::mainWindow() {
    auto log = std::make_shared<ServiceLog>();
    Form1 form(testServices(log, QCoreApplication::applicationDirPath()));
    form.Form_Load();
    form.AddFileToList(QStringLiteral("/home/user/Videos/Holiday 2009/beach.wmv"));
    form.AddFileToList(QStringLiteral("/home/user/Videos/Holiday 2009/a rather long name of a "
                                      "clip that does not fit the column.wmv"));
    form.AddFileToList(QStringLiteral("/home/user/Videos/party.wmv"));
    form.setProgressValue(100.0f / 3.0f);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    const QString folder = QStringLiteral(QUILLARO_SCREENSHOT_DIR);
    QVERIFY(QDir().mkpath(folder));
    const bool offscreen = QGuiApplication::platformName() == QStringLiteral("offscreen");
    const QString file = folder + (offscreen ? QStringLiteral("/main-window.png")
                                             : QStringLiteral("/main-window-xvfb.png"));
    QVERIFY(form.grab().save(file));
    qInfo("wrote %s", qPrintable(file));
}

QTEST_MAIN(TestScreenshot)
#include "tst_screenshot.moc"
