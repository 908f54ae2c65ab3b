// The pictures Quillaro shows, read the way the window reads them: the button
// pictures built into the program and the pointer files beside it.

#include <QImage>
#include <QTest>

class TestResources : public QObject {
    Q_OBJECT

private slots:
    // Each picture's size, a point that must be opaque (its middle, or the
    // hand's hot spot at the fingertip); the corner is transparent.
    void picture_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QPoint>("opaque");
        const QString resources = QStringLiteral(QUILLARO_RESOURCES_DIR);
        QTest::newRow("hand pointer") << resources + "/HAND-M.CUR" << QSize(32, 32) << QPoint(6, 0);
        QTest::newRow("drag pointer") << resources + "/drag.ico" << QSize(32, 32) << QPoint(16, 16);
        QTest::newRow("application icon")
            << resources + "/app-icon/quillaro-64.png" << QSize(64, 64) << QPoint(32, 32);
        for (const char* name : {"media-file", "open-folder", "convert"}) {
            QTest::addRow("%s", name)
                << QString(":/%1.png").arg(name) << QSize(32, 32) << QPoint(16, 16);
            QTest::addRow("%s, 2x", name)
                << QString(":/%1@2x.png").arg(name) << QSize(64, 64) << QPoint(32, 32);
        }
    }

    void picture() {
        QFETCH(QString, path);
        QFETCH(QSize, size);
        QFETCH(QPoint, opaque);
        // The pointer files need Qt's ICO plugin at run time; PNG is built in.
        const QImage image = QImage(path).convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(image.size(), size);
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(image.pixel(opaque)), 255);
    }
};

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
