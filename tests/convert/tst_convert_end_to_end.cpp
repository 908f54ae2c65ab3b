// Real conversions through the window's Convert command with the real
// encoder, on names that hurt. convert_end_to_end.sh runs this: it makes the
// clip with the host's ffmpeg, puts the encoder under test in a program folder
// (its name holds a space), and afterwards probes the MP4 of every input with
// ffprobe. The clip is one on which an encoder that misreads the bit rates'
// units falls far short of them.

#include "app/Form1.h"
#include "app/TwoStateButton.h"
#include "media/Mp4Index.h"
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
        QString report = QString("Done.\n\n%1 of %1 files were not converted:").arg(names.size());
        QStringList mp4s;
        for (const QString& name : names) {
            const QString path = QDir::toNativeSeparators(videos.filePath(name));
            QVERIFY(QFile::copy(videos.filePath("source.wmv"), path));
            form.AddFileToList(path);
            report += "\n" + path + " \u2014 output exists";
            mp4s << videos.filePath(name.left(name.lastIndexOf('.')) + ".mp4");
        }
        const auto outputs = [&] {
            QByteArray bytes;
            for (QFile file : mp4s)
                bytes += file.open(QIODevice::ReadOnly) ? file.readAll() : "missing";
            return bytes;
        };
        auto* convert = form.findChild<TwoStateButton*>("Check2");
        QTest::mouseClick(convert, Qt::LeftButton);
        QCOMPARE(log->messages, QStringList{"Done."});
        // 600 kbit/s of picture and 128 of sound asked for: the sizes of
        // what the MP4 holds over its duration.
        using Kind = quillaro::Mp4Track::Kind;
        const auto kbits = [](const quillaro::Mp4Reading& mp4, Kind kind) {
            for (const quillaro::Mp4Track& track : mp4.tracks)
                if (track.kind == kind && track.seconds > 0)
                    return track.bytes * 8 / track.seconds / 1000;
            return 0.0;
        };
        for (const QString& path : mp4s) {
            const auto mp4 = quillaro::readMp4Index(path.toStdString());
            const double picture = kbits(mp4, Kind::Picture), sound = kbits(mp4, Kind::Sound);
            QVERIFY2(picture > 250 && sound >= 96,
                     qPrintable(QString("%1: %2, %3 kbit/s").arg(path).arg(picture).arg(sound)));
        }
        // Again: every output is there already, reads as a whole MP4 (not an
        // unfinished one) and keeps every byte; the script probes each one
        // afterwards.
        const QByteArray written = outputs();
        QTest::mouseClick(convert, Qt::LeftButton);
        QCOMPARE(log->messages, (QStringList{"Done.", report}));
        QCOMPARE(outputs(), written);
    }
};

QTEST_MAIN(TestConvertEndToEnd)
#include "tst_convert_end_to_end.moc"
