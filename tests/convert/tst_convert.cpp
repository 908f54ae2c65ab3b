#include "app/Form1.h"
#include "app/Pointers.h"
#include "app/TwoStateButton.h"
#include "filelist/FileListModel.h"
#include "tests/support/TestServices.h"

#include <filesystem>
#include <memory>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

const QString dash = QString::fromUtf8(" \u2014 ");

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The codecs of a file's streams, as ffprobe names them, sorted.
QStringList streamCodecs(const QString& ffprobe, const QString& path) {
    QProcess probe;
    probe.start(ffprobe,
                {"-v", "error", "-show_entries", "stream=codec_name", "-of", "csv=p=0", path});
    probe.waitForFinished(30000);
    QStringList codecs =
        QString::fromUtf8(probe.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    codecs.sort();
    return codecs;
}

} // namespace

class TestConvert : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void nothingStarts_data();
    void nothingStarts();
    void convertPressedDuringBatch_data();
    void convertPressedDuringBatch();
    void realEncoderEndToEnd();

private:
    // A window whose program folder is `programFolder`; Yes/No answers `answer`.
    std::unique_ptr<Form1> makeForm(const QString& programFolder, bool answer = false);
    // A program folder holding the fake encoder as `ffmpeg`.
    QString fakeProgramFolder();
    QString video(const QString& name, const QByteArray& directives = {});
    void pressConvert(Form1& form);
    int encoderRuns() const;

    QTemporaryDir m_folder;
    std::shared_ptr<ServiceLog> m_log;
    QString m_encoderLog;
};

void TestConvert::initTestCase() {
    QVERIFY(m_folder.isValid());
    m_encoderLog = m_folder.filePath("encoder.log");
    qputenv("FAKE_ENCODER_LOG", QFile::encodeName(m_encoderLog));
}

std::unique_ptr<Form1> TestConvert::makeForm(const QString& programFolder, bool answer) {
    m_log = std::make_shared<ServiceLog>();
    PlatformServices services = testServices(m_log, programFolder);
    services.askYesNo = [log = m_log, answer](QWidget*, const QString& text) {
        log->messages << text;
        return answer;
    };
    auto form = std::make_unique<Form1>(std::move(services));
    form->Form_Load();
    form->show();
    return form;
}

QString TestConvert::fakeProgramFolder() {
    const QString folder = m_folder.filePath("fake-program");
    if (!QFile::exists(folder)) {
        QDir().mkpath(folder);
        std::filesystem::copy_file(FAKE_ENCODER_SCRIPT,
                                   QFile::encodeName(folder + "/ffmpeg").toStdString());
    }
    QFile::remove(m_encoderLog);
    return folder;
}

QString TestConvert::video(const QString& name, const QByteArray& directives) {
    const QString path = m_folder.filePath("videos/" + name);
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(directives);
    return path;
}

void TestConvert::pressConvert(Form1& form) {
    auto* check2 = form.findChild<TwoStateButton*>("Check2");
    QVERIFY(check2);
    QTest::mouseClick(check2, Qt::LeftButton);
    QCOMPARE(check2->Value(), 0);
}

int TestConvert::encoderRuns() const {
    return static_cast<int>(fileBytes(m_encoderLog).count("run\n"));
}

void TestConvert::nothingStarts_data() {
    QTest::addColumn<QString>("encoder");
    QTest::addColumn<bool>("withEntry");
    QTest::addColumn<QString>("message");
    const QString missing = "The encoder was not found: %1/ffmpeg";
    QTest::newRow("empty list") << "runnable" << false << "No files added.";
    QTest::newRow("encoder absent") << "absent" << true << missing;
    QTest::newRow("encoder not executable") << "plain file" << true << missing;
    QTest::newRow("encoder is a folder") << "folder" << true << missing;
}

// Refused at once: one message, and pointer and bar stay as they were.
void TestConvert::nothingStarts() {
    QFETCH(QString, encoder);
    QFETCH(bool, withEntry);
    QFETCH(QString, message);
    QString folder = fakeProgramFolder();
    if (encoder != "runnable") {
        folder = m_folder.filePath("program " + encoder);
        QDir().mkpath(encoder == "folder" ? folder + "/ffmpeg" : folder);
        QFile plain(folder + "/ffmpeg");
        QVERIFY(encoder != "plain file" || plain.open(QIODevice::WriteOnly));
    }
    auto form = makeForm(folder);
    if (withEntry)
        form->AddFileToList(video("a.wmv"));
    form->setMousePointer(Pointer::Custom);
    form->setProgressValue(42.0f);

    pressConvert(*form);

    QCOMPARE(m_log->messages, QStringList{message.replace("%1", folder)});
    QCOMPARE(form->MousePointer(), Pointer::Custom);
    QCOMPARE(form->progressValue(), 42.0f);
    QCOMPARE(encoderRuns(), 0);
}

void TestConvert::convertPressedDuringBatch_data() {
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QString>("report");
    QTest::addColumn<int>("runs");
    QTest::newRow("yes: stop") << true << "Stopped." << 1;
    QTest::newRow("no: go on") << false << "Done." << 3;
}

void TestConvert::convertPressedDuringBatch() {
    QFETCH(bool, answer);
    QFETCH(QString, report);
    QFETCH(int, runs);
    auto form = makeForm(fakeProgramFolder(), answer);
    const QString tag = answer ? "yes" : "no";
    for (int k = 1; k <= 3; ++k)
        form->AddFileToList(video(tag + QString::number(k) + ".wmv", "sleep 0.3"));

    int pointerDuringBatch = -1;
    float barDuringBatch = -1;
    QTimer::singleShot(100, form.get(), [&] {
        pointerDuringBatch = form->MousePointer();
        barDuringBatch = form->progressValue();
        form->findChild<TwoStateButton*>("Check2")->click();
    });
    pressConvert(*form);

    QCOMPARE(pointerDuringBatch, Pointer::Busy);
    QCOMPARE(barDuringBatch, 33.333332f);
    QCOMPARE(m_log->messages, (QStringList{"Stop converting after the current file?", report}));
    QCOMPARE(encoderRuns(), runs);
    QCOMPARE(form->MousePointer(), Pointer::Default);
    QCOMPARE(form->progressValue(), 0.0f);
    QCOMPARE(form->fileList().count(), 3);
}

void TestConvert::realEncoderEndToEnd() {
    const QString ffmpeg = QStandardPaths::findExecutable("ffmpeg");
    const QString ffprobe = QStandardPaths::findExecutable("ffprobe");
    if (ffmpeg.isEmpty() || ffprobe.isEmpty())
        QSKIP("needs ffmpeg and ffprobe on the PATH");

    // The program folder holds only a link to the real encoder.
    const QString program = m_folder.filePath("real program");
    QDir().mkpath(program);
    QVERIFY(QFile::link(ffmpeg, program + "/ffmpeg"));

    const QString clip = m_folder.filePath("source.wmv");
    QProcess make;
    make.setStandardInputFile(QProcess::nullDevice());
    make.start(ffmpeg,
               {"-v", "error", "-f", "lavfi", "-i", "testsrc=size=160x120:rate=10:duration=1", "-f",
                "lavfi", "-i", "sine=duration=1", "-c:v", "wmv2", "-c:a", "wmav2", clip});
    QVERIFY(make.waitForFinished(60000));
    QCOMPARE(make.exitCode(), 0);

    struct Entry {
        QString name;
        QString output;
    };
    const QList<Entry> entries{
        {"with space.wmv", "with space.mp4"},
        {"say \"hi\".wmv", "say \"hi\".mp4"},
        {"it's.wmv", "it's.mp4"},
        {QString::fromUtf8("ünïcødé ✓.wmv"), QString::fromUtf8("ünïcødé ✓.mp4")},
        {"-leading.wmv", "-leading.mp4"},
        {"Clip.WMV", "Clip.mp4"},
        {"my.trip.wmv", "my.trip.mp4"},
        {"old.clips/movie.wmv", "old.clips/movie.mp4"},
        {"more.clips/film", "more.clips/film.mp4"}, // no extension at all
    };
    const QString videos = m_folder.filePath("real videos");
    auto form = makeForm(program);
    for (const Entry& entry : entries) {
        const QString path = videos + "/" + entry.name;
        QDir().mkpath(QFileInfo(path).path());
        QVERIFY(QFile::copy(clip, path));
        form->AddFileToList(path);
    }

    pressConvert(*form);
    QCOMPARE(m_log->messages, QStringList{"Done."});
    QCOMPARE(form->progressValue(), 0.0f);
    QCOMPARE(form->MousePointer(), Pointer::Default);

    QList<QByteArray> written;
    for (const Entry& entry : entries) {
        const QString output = videos + "/" + entry.output;
        QCOMPARE(streamCodecs(ffprobe, output), (QStringList{"aac", "mpeg4"}));
        written << fileBytes(output);
    }

    // Again: every output is there already and stays as it is.
    m_log->messages.clear();
    pressConvert(*form);
    QString expected = QString("Done.\n\n%1 of %1 files were not converted:").arg(entries.size());
    for (const Entry& entry : entries)
        expected += "\n" + videos + "/" + entry.name + dash + "output exists";
    QCOMPARE(m_log->messages, QStringList{expected});
    for (int k = 0; k < entries.size(); ++k)
        QCOMPARE(fileBytes(videos + "/" + entries[k].output), written[k]);
}

QTEST_MAIN(TestConvert)
#include "tst_convert.moc"
