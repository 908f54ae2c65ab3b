// Starts with files hand them to the window already open, on Windows: this
// test is that window, and the program's own copies beside it the starts.

#include "app/HandOver.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <windows.h>

#include <QDeadlineTimer>
#include <QProcess>
#include <QTest>

class TestHandOver : public QObject {
    Q_OBJECT

    QStringList m_received;

private slots:
    void initTestCase() {
        const auto received = [this](auto paths) {
            for (auto& path : paths)
                m_received << path.c_str();
        };
        QCOMPARE(quillaro::handOverOrReceive({}, received), quillaro::HandOver::Receiving);
        // The copies link only the platform they run on, not this test's.
        qunsetenv("QT_QPA_PLATFORM");
    }

    // Explorer's burst: one start per file, all at once, racing. Another
    // thread starts them, as Explorer does from its own process: this one
    // must answer each while the others start.
    void everyStartHandsItsFileOver() {
        QStringList sent;
        for (int i = 0; i < 20; ++i)
            sent << QStringLiteral("C:\\Vidéos\\Ünï λ %1.wmv").arg(i);
        std::atomic<int> failed = -1; // until all have ended
        std::jthread starter([&] {
            QProcess copies[20];
            for (int i = 0; i < 20; ++i)
                copies[i].start(qApp->applicationDirPath() + "/quillaro.exe", {sent[i]});
            const QDeadlineTimer deadline(120000);
            failed = std::ranges::count_if(copies, [&](QProcess& copy) {
                return !copy.waitForFinished(deadline.remainingTime()) || copy.exitCode() != 0;
            });
        });
        QTRY_VERIFY_WITH_TIMEOUT(failed >= 0, 150000);
        QCOMPARE(failed.load(), 0);
        m_received.sort();
        sent.sort();
        QCOMPARE(m_received, sent);
    }

    // Any program may send any window a WM_COPYDATA: only a whole message of
    // this version, with absolute paths, adds anything.
    void takesOnlyAWholeHandOver_data() {
        QTest::addColumn<quint32>("magic");
        QTest::addColumn<quint32>("version");
        QTest::addColumn<QStringList>("folderAndPaths");
        QTest::addColumn<int>("bytesCut"); // from the message's end
        QTest::addColumn<QStringList>("added");

        const QStringList one{"C:\\Vid", "C:\\Vid\\a.wmv"};
        const quint32 ours = 0x51484f56;
        QTest::newRow("a file") << ours << 1u << one << 0 << QStringList{one[1]};
        QTest::newRow("a share") << ours << 1u << QStringList{"C:\\", "\\\\pc\\v\\b.wmv"} << 0
                                 << QStringList{"\\\\pc\\v\\b.wmv"};
        QTest::newRow("another program's") << 0x1234u << 1u << one << 0 << QStringList{};
        QTest::newRow("another version") << ours << 2u << one << 0 << QStringList{};
        QTest::newRow("relative") << ours << 1u << QStringList{"C:\\", "a.wmv"} << 0
                                  << QStringList{};
        QTest::newRow("no paths") << ours << 1u << QStringList{"C:\\"} << 0 << QStringList{};
        QTest::newRow("last path not ended") << ours << 1u << one << 2 << QStringList{};
        QTest::newRow("half a character") << ours << 1u << one << 1 << QStringList{};
        QTest::newRow("no version") << ours << 1u << QStringList{} << 4 << QStringList{};
    }
    void takesOnlyAWholeHandOver() {
        QFETCH(quint32, magic);
        QFETCH(quint32, version);
        QFETCH(QStringList, folderAndPaths);
        QFETCH(int, bytesCut);
        QFETCH(QStringList, added);

        QByteArray bytes(reinterpret_cast<const char*>(&version), sizeof version);
        for (const QString& text : folderAndPaths)
            bytes += QByteArray(reinterpret_cast<const char*>(text.utf16()),
                                (text.size() + 1) * 2); // with its NUL
        bytes.chop(bytesCut);
        COPYDATASTRUCT message{magic, static_cast<DWORD>(bytes.size()), bytes.data()};
        const HWND window = FindWindowExW(HWND_MESSAGE, nullptr, L"Quillaro.HandOver.1", nullptr);
        QVERIFY(window);
        m_received.clear();
        const LRESULT taken =
            SendMessageW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&message));
        QCOMPARE(taken, added.isEmpty() ? FALSE : TRUE);
        QCOMPARE(m_received, added);
    }
};

QTEST_MAIN(TestHandOver)

#include "tst_hand_over.moc"
