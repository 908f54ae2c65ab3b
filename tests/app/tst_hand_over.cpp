// Starts with files hand them to the window already open, on Windows: this
// test is that window, and the program's own copies beside it the starts.

#include "app/HandOver.h"

#include <algorithm>
#include <atomic>
#include <thread>

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
};

QTEST_MAIN(TestHandOver)

#include "tst_hand_over.moc"
