#include "app/Form1.h"
#include "app/Pointers.h"
#include "app/TwoStateButton.h"
#include "convert/EncoderCommand.h"
#include "filelist/FileListModel.h"
#include "tests/convert/TestFiles.h"
#include "tests/support/TestServices.h"

#include <QTest>
#include <QtWidgets>

#ifdef _WIN32
#include <windows.h>
#endif

class TestConvert : public QObject {
    Q_OBJECT

private slots:
    // Refused at once, pointer and bar left as they were: an empty list (even
    // with no encoder), then no encoder. Once the fake encoder runs, Convert
    // pressed during the first file is answered No, and that file changes
    // places with the last, which is then removed: the batch keeps its place
    // and knows the first done where it now stands. Pressed during the next, Yes.
    // The system is kept awake from the start of the batch to its report.
    void convertWithTheFakeEncoder() {
        const QTemporaryDir videos; // the program folder, too
        const QString folder = QDir::toNativeSeparators(videos.path());
        const QString encoder = QString::fromStdString(quillaro::encoderPath(folder.toStdString()));
        const auto log = std::make_shared<ServiceLog>();
        PlatformServices services = testServices(log, folder);
        services.askYesNo = [log, yes = false](QWidget*, const QString& text) mutable {
            log->messages << text;
            return std::exchange(yes, true);
        };
        services.keepAwake = [log](const QString& why) {
            log->messages << "keep awake: " + why;
            struct Logged : SleepBlock {
                std::shared_ptr<ServiceLog> log;
                explicit Logged(std::shared_ptr<ServiceLog> to)
                    : log(std::move(to)) {}
                ~Logged() override { log->messages << "let sleep"; }
            };
            return std::make_unique<Logged>(log);
        };
        Form1 form(std::move(services));
        form.Form_Load();
        auto* check2 = form.findChild<TwoStateButton*>("Check2");
        // What the user sees, in hundredths of a percent.
        const auto bar = [&] { return form.findChild<QProgressBar*>("ProgressBar1")->value(); };
        form.setMousePointer(Pointer::Custom);
        form.setProgressValue(42.0f);
        QTest::mouseClick(check2, Qt::LeftButton);
        for (const QString name : {"1", "2", "3"}) {
            const QString video = folder + QDir::separator() + name + ".wmv";
            writeFile(video.toStdString(), "sleep 0.2");
            form.AddFileToList(video);
        }
        QTest::mouseClick(check2, Qt::LeftButton);
        QCOMPARE(std::pair(form.MousePointer(), bar()), std::pair(Pointer::Custom, 4200));

        QVERIFY(QFile::copy(QString::fromStdString(fakeEncoder()), encoder));
        QList<std::pair<int, int>> pressed; // the bar and the pointer at each press
        QTimer timer;
        connect(&timer, &QTimer::timeout, &form, [&] {
            if (pressed.isEmpty() || pressed.last().first != bar()) {
                pressed.append({bar(), form.MousePointer()});
                check2->click();
                if (pressed.size() == 1) {
                    form.fileList().exchange(0, 2);
                    form.fileList().removeAt(0);
                }
            }
        });
        timer.start(20);
        QTest::mouseClick(check2, Qt::LeftButton);
        QCOMPARE(pressed,
                 (QList<std::pair<int, int>>{{3333, Pointer::Busy}, {5000, Pointer::Busy}}));
        QCOMPARE(form.MousePointer(), Pointer::Default);
        QCOMPARE(QDir(videos.path()).entryList({"*.mp4"}), (QStringList{"1.mp4", "2.mp4"}));
        const QString question = "Stop converting after the current file?";
        QCOMPARE(log->messages,
                 (QStringList{"No files added.", "The encoder was not found: " + encoder,
                              "keep awake: Converting 3 files", question, question, "let sleep",
                              "Stopped."}));
#ifdef _WIN32
        // The real block as Windows keeps it for the window's thread; the
        // window takes and drops it as the log above shows.
        auto block = keepSystemAwake("Converting 1 file");
        const EXECUTION_STATE during = SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
        block.reset();
        QCOMPARE(std::pair(during, SetThreadExecutionState(ES_CONTINUOUS)),
                 std::pair(EXECUTION_STATE(ES_CONTINUOUS | ES_SYSTEM_REQUIRED),
                           EXECUTION_STATE(ES_CONTINUOUS)));
#endif
    }
};

QTEST_MAIN(TestConvert)
#include "tst_convert.moc"
