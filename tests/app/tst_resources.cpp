// The pictures Quillaro shows, read the way the window reads them: the button
// pictures built into the program and the pointer files beside it.

#include "app/CursorHotSpot.h"

#include <span>

#include <QFile>
#include <QImage>
#include <QTest>

namespace {
const QString resourcesDir = QStringLiteral(QUILLARO_RESOURCES_DIR);
}

class TestResources : public QObject {
    Q_OBJECT

private slots:
    void picture_data();
    void picture();
    void handHotSpotIsOnTheFingertip();
};

void TestResources::picture_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");

    QTest::newRow("hand pointer") << resourcesDir + "/HAND-M.CUR" << QSize(32, 32);
    QTest::newRow("drag pointer") << resourcesDir + "/drag.ico" << QSize(32, 32);
    QTest::newRow("Add WMV File(s)") << ":/media-file.png" << QSize(32, 32);
    QTest::newRow("Add WMV File(s), 2x") << ":/media-file@2x.png" << QSize(64, 64);
    QTest::newRow("Add All WMV File(s) In Folder") << ":/open-folder.png" << QSize(32, 32);
    QTest::newRow("Add All WMV File(s) In Folder, 2x") << ":/open-folder@2x.png" << QSize(64, 64);
    QTest::newRow("Convert") << ":/convert.png" << QSize(32, 32);
    QTest::newRow("Convert, 2x") << ":/convert@2x.png" << QSize(64, 64);
    QTest::newRow("application icon")
        << resourcesDir + "/app-icon/quillaro-64.png" << QSize(64, 64);
}

void TestResources::picture() {
    QFETCH(QString, path);
    QFETCH(QSize, size);

    // The pointer files need Qt's ICO plugin at run time; PNG is built in.
    const QImage image = QImage(path).convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(image.size(), size);
    QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(image.pixel(size.width() / 2, size.height() / 2)), 255);
}

void TestResources::handHotSpotIsOnTheFingertip() {
    QFile file(resourcesDir + "/HAND-M.CUR");
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const auto hotSpot = quillaro::cursorHotSpot(std::as_bytes(std::span(bytes)));
    QCOMPARE(hotSpot, (quillaro::HotSpot{6, 0}));

    const QImage image = QImage::fromData(bytes, "ICO").convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(qAlpha(image.pixel(hotSpot->x, hotSpot->y)), 255);
}

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
