// Real conversions through the window's Convert command with the real
// encoder, on names that hurt. convert_end_to_end.sh runs this: it makes the
// clip with the host's ffmpeg, puts the encoder under test in a program folder
// (its name holds a space), and afterwards probes the MP4 of every input with
// ffprobe. That an existing output is never run over is the batch test's to
// show: its fixed argument list and its "output exists" row.

#include "app/Form1.h"
#include "app/TwoStateButton.h"
#include "tests/support/TestServices.h"

#include <QDir>
#include <QFile>
#include <QTest>

class TestConvertEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void convert() {
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
        for (const QString& name : names) {
            QVERIFY(QFile::copy(videos.filePath("source.wmv"), videos.filePath(name)));
            form.AddFileToList(QDir::toNativeSeparators(videos.filePath(name)));
        }
        QTest::mouseClick(form.findChild<TwoStateButton*>("Check2"), Qt::LeftButton);
        QCOMPARE(log->messages, QStringList{"Done."});
    }
};

QTEST_MAIN(TestConvertEndToEnd)
#include "tst_convert_end_to_end.moc"
