// The pictures Quillaro shows: the button pictures built into the program and
// the pointer files that stand beside it, read the way the window reads them.

#include "app/CursorHotSpot.h"

#include <cstddef>
#include <span>

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTest>

namespace {

const QString resourcesDir = QStringLiteral(QUILLARO_RESOURCES_DIR);

bool isTransparent(const QImage& image, int x, int y) {
    return qAlpha(image.pixel(x, y)) == 0;
}

int opaquePixelCount(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) == 255;
    return count;
}

bool cornersTransparent(const QImage& image) {
    const int right = image.width() - 1;
    const int bottom = image.height() - 1;
    return isTransparent(image, 0, 0) && isTransparent(image, right, 0) &&
           isTransparent(image, 0, bottom) && isTransparent(image, right, bottom);
}

// The smallest rectangle holding every pixel that is not fully transparent.
QRect drawnArea(const QImage& image) {
    QRect area;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (!isTransparent(image, x, y))
                area |= QRect(x, y, 1, 1);
    return area;
}

QImage readImage(const QString& path, const QByteArray& format) {
    QImageReader reader(path, format);
    const QImage image = reader.read();
    if (image.isNull())
        qWarning("%s: %s", qPrintable(path), qPrintable(reader.errorString()));
    return image.convertToFormat(QImage::Format_ARGB32);
}

} // namespace

class TestResources : public QObject {
    Q_OBJECT

private slots:
    void pointerFileReadsAsPicture_data();
    void pointerFileReadsAsPicture();
    void handHotSpotIsTheFingertip();
    void dragPictureIsCentred();
    void picture_data();
    void picture();
};

void TestResources::pointerFileReadsAsPicture_data() {
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("format");

    QTest::newRow("hand pointer") << "HAND-M.CUR" << QByteArray("cur");
    QTest::newRow("drag pointer") << "drag.ico" << QByteArray("ico");
}

void TestResources::pointerFileReadsAsPicture() {
    QFETCH(QString, fileName);
    QFETCH(QByteArray, format);

    const QImage image = readImage(resourcesDir + '/' + fileName, format);

    QCOMPARE(image.size(), QSize(32, 32));
    QVERIFY(cornersTransparent(image));
    // An outline and a fill, nothing half-transparent that would look smudged
    // on some backgrounds.
    QVERIFY(opaquePixelCount(image) > 100);
    bool hasBlack = false;
    bool hasWhite = false;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            QVERIFY2(qAlpha(pixel) == 0 || qAlpha(pixel) == 255,
                     qPrintable(QStringLiteral("pixel %1,%2 is half transparent").arg(x).arg(y)));
            hasBlack |= pixel == qRgb(0, 0, 0);
            hasWhite |= pixel == qRgb(255, 255, 255);
        }
    }
    QVERIFY(hasBlack);
    QVERIFY(hasWhite);
}

void TestResources::handHotSpotIsTheFingertip() {
    const QString path = resourcesDir + QStringLiteral("/HAND-M.CUR");
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();

    const auto hotSpot = quillaro::cursorHotSpot(
        std::as_bytes(std::span<const char>(bytes.constData(), size_t(bytes.size()))));

    QVERIFY(hotSpot.has_value());
    QCOMPARE(*hotSpot, (quillaro::HotSpot{6, 0}));
    // The fingertip is the top of the drawing, and the hot spot lies on it.
    const QImage image = readImage(path, "cur");
    QVERIFY(!isTransparent(image, hotSpot->x, hotSpot->y));
    QCOMPARE(drawnArea(image).top(), hotSpot->y);
}

void TestResources::dragPictureIsCentred() {
    // An icon file carries no hot spot, so the pointer built from it takes the
    // picture's centre: the move arrows must meet there.
    const QImage image = readImage(resourcesDir + QStringLiteral("/drag.ico"), "ico");
    const QRect area = drawnArea(image);

    QCOMPARE(area.center(), QPoint(16, 16));
    QVERIFY(!isTransparent(image, 16, 16));
}

void TestResources::picture_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");

    QTest::newRow("Add WMV File(s)") << ":/media-file.svg" << QSize(32, 32);
    QTest::newRow("Add All WMV File(s) In Folder") << ":/open-folder.svg" << QSize(32, 32);
    QTest::newRow("Convert") << ":/convert.svg" << QSize(32, 32);
    QTest::newRow("application icon") << resourcesDir + "/quillaro.svg" << QSize(64, 64);
}

void TestResources::picture() {
    QFETCH(QString, path);
    QFETCH(QSize, size);

    // Built into the program (or installed beside it), and readable: the
    // SVG image plugin is present.
    QVERIFY(QFile::exists(path));
    const QImage image = readImage(path, "svg");

    QCOMPARE(image.size(), size);
    QVERIFY(opaquePixelCount(image) > size.width() * size.height() / 4);
}

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
