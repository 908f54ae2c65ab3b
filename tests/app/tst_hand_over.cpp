// Starts with files hand them to the window already open, on Windows: this
// test is that window, and the program's own copies beside it the starts.

#include "app/HandOver.h"

#include <atomic>
#include <memory>
#include <thread>
#include <windows.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QTest>

class TestHandOver : public QObject {
    Q_OBJECT

    QStringList m_received;

private slots:
    void initTestCase() {
        const auto received = [this](std::vector<std::string> paths) {
            for (const std::string& path : paths)
                m_received << QString::fromStdString(path);
        };
        QCOMPARE(quillaro::handOverOrReceive({}, received), quillaro::HandOver::Receiving);
    }
    void init() { m_received.clear(); }

    // Explorer's burst: one start per file, all at once, racing. They are
    // started by another thread, as Explorer starts them from its own
    // process: this thread must answer each while the others start.
    void everyStartHandsItsFileOver() {
        QStringList sent;
        for (int i = 0; i < 20; ++i)
            sent << QStringLiteral("C:\\Vidéos\\Ünï λ %1.wmv").arg(i);
        const QString program = QCoreApplication::applicationDirPath() + "/quillaro.exe";
        QList<int> codes;
        std::atomic<bool> ended = false;
        std::jthread starter([&] {
            // The program links the platform it runs on only, not the test's.
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.remove("QT_QPA_PLATFORM");
            std::vector<std::unique_ptr<QProcess>> copies;
            for (const QString& path : sent) {
                copies.push_back(std::make_unique<QProcess>());
                copies.back()->setProcessEnvironment(environment);
                copies.back()->start(program, {path});
            }
            const QDeadlineTimer deadline(120000);
            for (const auto& copy : copies)
                codes << (copy->waitForFinished(int(deadline.remainingTime())) ? copy->exitCode()
                                                                               : -1);
            ended = true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(ended, 150000);
        QCOMPARE(codes, QList<int>(20, 0));
        m_received.sort();
        sent.sort();
        QCOMPARE(m_received, sent);
    }

    // What a start sends: its version, then its folder and each path, each
    // ended by a NUL ('|' here).
    void onlyAWellFormedMessageIsTaken_data() {
        QTest::addColumn<quint64>("magic");
        QTest::addColumn<quint32>("version");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("taken");
        const quint64 magic = 0x51484f56;
        QTest::newRow("ours") << magic << 1u << QString("C:\\f|C:\\a.wmv|\\\\s\\v\\b.wmv|")
                              << QStringList{"C:\\a.wmv", "\\\\s\\v\\b.wmv"};
        QTest::newRow("another magic")
            << magic + 1 << 1u << QString("C:\\f|C:\\a.wmv|") << QStringList();
        QTest::newRow("another version")
            << magic << 2u << QString("C:\\f|C:\\a.wmv|") << QStringList();
        QTest::newRow("not ended") << magic << 1u << QString("C:\\f|C:\\a.wmv") << QStringList();
        QTest::newRow("relative path") << magic << 1u << QString("C:\\f|a.wmv|") << QStringList();
        QTest::newRow("no path") << magic << 1u << QString("C:\\f|") << QStringList();
    }
    void onlyAWellFormedMessageIsTaken() {
        QFETCH(quint64, magic);
        QFETCH(quint32, version);
        QFETCH(QString, text);
        QFETCH(QStringList, taken);
        text.replace('|', QChar(0));
        QByteArray bytes(reinterpret_cast<const char*>(&version), sizeof version);
        bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
        COPYDATASTRUCT message{magic, static_cast<DWORD>(bytes.size()), bytes.data()};
        const HWND window = FindWindowExW(HWND_MESSAGE, nullptr, L"Quillaro.HandOver.1", nullptr);
        QVERIFY(window);
        QCOMPARE(SendMessageW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&message)),
                 LRESULT(!taken.isEmpty()));
        QCOMPARE(m_received, taken);
    }
};

QTEST_MAIN(TestHandOver)

#include "tst_hand_over.moc"
