// Real conversions through the window's Convert command with the real
// encoder, on names that hurt. convert_end_to_end.sh runs this: it makes the
// clip with the host's ffmpeg, puts the encoder under test in a program folder
// (its name holds a space), and afterwards probes every MP4 listed in
// outputs.txt with ffprobe.

#include "app/Form1.h"
#include "app/TwoStateButton.h"
#include "tests/support/TestServices.h"

#include <QDir>
#include <QFile>
#include <QTest>

class TestConvertEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void convertTwice() {
        const QString work = qEnvironmentVariable("QUILLARO_END_TO_END_DIR");
        QVERIFY2(!work.isEmpty(), "run through convert_end_to_end.sh");
        const QDir videos(QDir(work).absoluteFilePath("real videos"));
        // A leading dash, an apostrophe, blanks, letters beyond ASCII (and
        // quotes, where names may hold them); an upper-case extension; dots
        // in a folder name and in a file name.
        QStringList names{"-it's ünï ✓.wmv", "Clip.WMV", "a.dir/my.trip.wmv"};
        if (QDir::separator() == '/')
            names << "say \"cheese\".wmv";
        QVERIFY(videos.mkpath("a.dir"));

        auto log = std::make_shared<ServiceLog>();
        Form1 form(testServices(log, QDir::toNativeSeparators(work + "/program folder")));
        form.Form_Load();
        QStringList inputs, outputs;
        for (const QString& name : names) {
            inputs << QDir::toNativeSeparators(videos.filePath(name));
            outputs << videos.filePath(name.left(name.lastIndexOf('.')) + ".mp4");
            QVERIFY(QFile::copy(videos.filePath("source.wmv"), videos.filePath(name)));
            form.AddFileToList(inputs.last());
        }
        const auto pressConvert = [&] {
            QTest::mouseClick(form.findChild<TwoStateButton*>("Check2"), Qt::LeftButton);
        };

        pressConvert();
        QCOMPARE(log->messages, QStringList{"Done."});
        QList<QByteArray> written;
        for (const QString& output : outputs) {
            QFile file(output);
            QVERIFY(file.open(QIODevice::ReadOnly));
            written << file.readAll();
        }

        // Again: every output is there already and keeps every byte.
        log->messages.clear();
        pressConvert();
        QString report = QString("Done.\n\n%1 of %1 files were not converted:").arg(names.size());
        for (const QString& input : inputs)
            report += "\n" + input + " \u2014 output exists";
        QCOMPARE(log->messages, QStringList{report});
        for (const QString& output : outputs) {
            QFile file(output);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), written.takeFirst());
        }

        QFile list(QDir(work).filePath("outputs.txt"));
        QVERIFY(list.open(QIODevice::WriteOnly));
        for (const QString& output : outputs)
            list.write(videos.relativeFilePath(output).toUtf8() + '\n');
    }
};

QTEST_MAIN(TestConvertEndToEnd)
#include "tst_convert_end_to_end.moc"
