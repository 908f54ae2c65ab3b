// The system kept awake during a batch, as the login manager sees it: a
// private bus stands in for the system's (with_system_bus.sh starts it) and
// python3-dbusmock's template for the login manager, started here once the
// rows without it have run.

#include "app/Form1.h"
#include "app/TwoStateButton.h"
#include "convert/EncoderCommand.h"
#include "tests/convert/TestFiles.h"
#include "tests/support/TestServices.h"

#include <QTest>
#include <QtDBus>
#include <QtWidgets>

namespace {

const QString loginManager = QStringLiteral("org.freedesktop.login1");

// "what who why mode" of each inhibitor the login manager lists; none when
// there is no login manager.
QStringList inhibitors() {
    const QDBusMessage reply = QDBusConnection::systemBus().call(
        QDBusMessage::createMethodCall(loginManager, "/org/freedesktop/login1",
                                       "org.freedesktop.login1.Manager", "ListInhibitors"),
        QDBus::Block, 2000);
    QStringList listed;
    if (reply.type() != QDBusMessage::ReplyMessage)
        return listed;
    const auto list = reply.arguments().constFirst().value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
        QString what, who, why, mode;
        uint uid = 0, pid = 0;
        list.beginStructure();
        list >> what >> who >> why >> mode >> uid >> pid;
        list.endStructure();
        listed << QStringList{what, who, why, mode}.join(' ');
    }
    list.endArray();
    return listed;
}

// The program folder, with the fake encoder, and the videos: `files` of
// them, each taking `seconds` to convert.
QStringList prepareVideos(const QString& folder, int files, const char* seconds) {
    const QString encoder = QString::fromStdString(quillaro::encoderPath(folder.toStdString()));
    QFile::copy(QString::fromStdString(fakeEncoder()), encoder);
    QStringList videos;
    for (int file = 1; file <= files; ++file) {
        videos << folder + QStringLiteral("/%1.wmv").arg(file);
        writeFile(videos.last().toStdString(), std::string("sleep ") + seconds);
    }
    return videos;
}

// The program as the user closes it during a batch of one file: it leaves at
// once, while the encoder goes on.
int closeDuringBatch(const QString& folder) {
    PlatformServices services = testServices(std::make_shared<ServiceLog>(), folder);
    services.keepAwake = keepSystemAwake;
    services.endProgram = PlatformServices::system().endProgram;
    Form1 form(std::move(services));
    form.AddFileToList(folder + "/1.wmv");
    form.show();
    QTimer::singleShot(500, &form, &QWidget::close);
    QTest::mouseClick(form.findChild<TwoStateButton*>("Check2"), Qt::LeftButton);
    return 3; // the batch ended first
}

} // namespace

class TestKeepAwake : public QObject {
    Q_OBJECT

    QProcess m_loginManager;

private slots:
    void initTestCase() {
        if (qEnvironmentVariableIsEmpty("DBUS_SYSTEM_BUS_ADDRESS"))
            QSKIP("Needs a bus of its own: run it through with_system_bus.sh");
    }

    void cleanupTestCase() {
        m_loginManager.terminate();
        m_loginManager.waitForFinished();
    }

    // What the login manager lists whenever the bar moves but the first time
    // (the request may still be on its way), at the stop question asked
    // during the second of three files, answered Yes, and at the report: the
    // block is kept between files and after the stop until the report, and
    // the batch runs as well with no login manager.
    void batch_data() {
        QTest::addColumn<QString>("held");
        QTest::newRow("no login manager") << "";
        QTest::newRow("login manager") << "sleep Quillaro Converting 3 files block";
    }

    void batch() {
        QFETCH(QString, held);
        if (!held.isEmpty() && m_loginManager.state() == QProcess::NotRunning) {
            m_loginManager.start("/usr/bin/python3",
                                 {"-m", "dbusmock", "--system", "--template", "logind"});
            QTRY_VERIFY(
                QDBusConnection::systemBus().interface()->isServiceRegistered(loginManager));
        }
        QStringList noted;
        const auto note = [&](const QString& at) { noted << at + ": " + inhibitors().join(", "); };
        const QTemporaryDir folder;
        PlatformServices services = testServices(std::make_shared<ServiceLog>(), folder.path());
        services.keepAwake = keepSystemAwake;
        services.showMessage = [&](QWidget*, const QString& text) {
            note("report " + text.section('\n', 0, 0));
        };
        services.askYesNo = [&](QWidget*, const QString&) {
            note("stop? yes");
            return true;
        };
        Form1 form(std::move(services));
        for (const QString& video : prepareVideos(folder.path(), 3, "0.5"))
            form.AddFileToList(video);
        auto* check2 = form.findChild<TwoStateButton*>("Check2");
        auto* bar = form.findChild<QProgressBar*>("ProgressBar1");
        const auto percent = [bar] { return bar->value() * 100 / bar->maximum(); };
        connect(bar, &QProgressBar::valueChanged, &form, [&, changes = 0]() mutable {
            if (changes++ > 0)
                note("bar " + QString::number(percent()));
        });
        QTimer timer;
        connect(&timer, &QTimer::timeout, &form, [&, pressed = false]() mutable {
            if (percent() == 66 && !std::exchange(pressed, true))
                check2->click();
        });
        timer.start(50);
        QTest::mouseClick(check2, Qt::LeftButton);
        QCOMPARE(noted, (QStringList{"bar 66: " + held, "stop? yes: " + held, "bar 0: " + held,
                                     "report Stopped.: "}));
    }

    // Closed during a batch, the program leaves at once; the login manager
    // drops the inhibitor then, not once the encoder is done with its file.
    void closedDuringBatch() {
        QVERIFY(m_loginManager.state() == QProcess::Running);
        const QTemporaryDir folder;
        prepareVideos(folder.path(), 1, "4");
        QProcess program;
        program.start(QCoreApplication::applicationFilePath(),
                      {"--close-during-batch", folder.path()});
        QStringList seen;
        while (!program.waitForFinished(50))
            seen << inhibitors().join(", ");
        QCOMPARE(std::pair(program.exitStatus(), program.exitCode()),
                 std::pair(QProcess::NormalExit, 0));
        QVERIFY(seen.contains("sleep Quillaro Converting 1 file block"));
        QTRY_COMPARE_WITH_TIMEOUT(inhibitors(), QStringList(), 2000);
    }
};

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--close-during-batch") == 0)
        return closeDuringBatch(QString::fromLocal8Bit(argv[2]));
    TestKeepAwake test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_keep_awake.moc"
