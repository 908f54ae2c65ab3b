// "Add All WMV File(s) In Folder" through the window's handler into the shown
// window, against `find ROOT -iname '*.wmv'` on the same tree, both warm.
// Then one scan that finds 100,000 files, up to the painted list.

#include "app/Form1.h"
#include "app/TwoStateButton.h"
#include "filelist/FileListModel.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

namespace {

constexpr int runs = 5;

void makeEmptyFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        std::fprintf(stderr, "cannot create %s\n", qPrintable(path));
}

// 10 folders, 10 in each, 49 in each of those: 5,010 folders below the root.
// 100,000 files spread over them, every 50th a video, in either case.
QStringList makeMixedTree(const QString& root) {
    QStringList folders;
    for (int a = 0; a < 10; ++a) {
        const QString pa = QStringLiteral("%1/Year %2").arg(root).arg(2000 + a);
        folders << pa;
        for (int b = 0; b < 10; ++b) {
            const QString pb = QStringLiteral("%1/Trip %2").arg(pa).arg(b);
            folders << pb;
            for (int c = 0; c < 49; ++c)
                folders << QStringLiteral("%1/Day %2").arg(pb).arg(c);
        }
    }
    for (const QString& folder : folders)
        QDir().mkpath(folder);
    for (int i = 0; i < 100'000; ++i) {
        const QString& folder = folders.at(i % folders.size());
        const char* extension = i % 50 != 0    ? (i % 3 ? ".jpg" : ".txt")
                                : i % 100 == 0 ? ".WMV"
                                               : ".wmv";
        makeEmptyFile(QStringLiteral("%1/file %2%3").arg(folder).arg(i).arg(extension));
    }
    return folders;
}

void makeVideoTree(const QString& root) {
    for (int f = 0; f < 100; ++f) {
        const QString folder = QStringLiteral("%1/Camera %2").arg(root).arg(f);
        QDir().mkpath(folder);
        for (int i = 0; i < 1000; ++i)
            makeEmptyFile(QStringLiteral("%1/clip %2.wmv").arg(folder).arg(i));
    }
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double findMs(const QString& root) {
    QProcess find;
    find.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    find.start(QStringLiteral("find"), {root, QStringLiteral("-iname"), QStringLiteral("*.wmv")});
    find.waitForFinished(-1);
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

struct ScanRun {
    double totalMs = 0;
    double longestStallMs = 0;
    int added = 0;
};

// Clicks the command, whose picker answers the tree's root; a zero timer marks
// every pass through the event loop, and the longest gap between two passes
// (or the click and the first, the last and the end) is the longest stall.
ScanRun scanThroughWindow(const PlatformServices& services, bool paint) {
    // A fresh window each time, shown and settled before the clock starts.
    Form1 window(services);
    window.Form_Load();
    window.show();
    QApplication::processEvents();

    QElapsedTimer timer;
    qint64 last = 0;
    qint64 longest = 0;
    QTimer ticker;
    ticker.setInterval(0);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = timer.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    ticker.start();
    timer.start();
    window.findChild<TwoStateButton*>(QStringLiteral("Check3"))->click();
    if (paint)
        window.grab();
    const qint64 end = timer.nsecsElapsed();
    ticker.stop();
    longest = std::max(longest, end - last);

    return {static_cast<double>(end) / 1e6, static_cast<double>(longest) / 1e6,
            window.fileList().count()};
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QTemporaryDir mixed;
    QTemporaryDir videos;
    if (!mixed.isValid() || !videos.isValid())
        return 1;

    QElapsedTimer made;
    made.start();
    const QStringList folders = makeMixedTree(mixed.path());
    makeVideoTree(videos.path());
    std::printf("trees made in %.1f s (%lld folders, 100000 files; 100 folders, 100000 videos)\n",
                static_cast<double>(made.elapsed()) / 1e3, static_cast<long long>(folders.size()));

    QString chosen;
    PlatformServices services = PlatformServices::system();
    services.randomDraw = [] { return 0.5; };
    services.chooseFolder = [&chosen](QWidget*, const QString&) { return chosen; };

    // Warm both, then take the median of alternating runs.
    chosen = mixed.path();
    findMs(mixed.path());
    scanThroughWindow(services, false);
    std::vector<double> find, scan, stall;
    int added = 0;
    for (int i = 0; i < runs; ++i) {
        find.push_back(findMs(mixed.path()));
        const ScanRun run = scanThroughWindow(services, false);
        scan.push_back(run.totalMs);
        stall.push_back(run.longestStallMs);
        added = run.added;
    }
    const double ratio = median(scan) / median(find);
    std::printf("find -iname '*.wmv': %.1f ms (median of %d)\n", median(find), runs);
    std::printf("scan into the window: %.1f ms, %d files added (median of %d)\n", median(scan),
                added, runs);
    std::printf("longest event-loop stall: %.1f ms (worst of %d)\n",
                *std::max_element(stall.begin(), stall.end()), runs);

    chosen = videos.path();
    scanThroughWindow(services, true);
    std::vector<double> big, bigStall;
    for (int i = 0; i < runs; ++i) {
        const ScanRun run = scanThroughWindow(services, true);
        big.push_back(run.totalMs);
        bigStall.push_back(run.longestStallMs);
        added = run.added;
    }
    std::printf("100,000 videos to the painted list: %.1f ms, %d added, longest stall %.1f ms\n",
                median(big), added, *std::max_element(bigStall.begin(), bigStall.end()));

    std::printf("folder-scan: %.2fx find, %.1f ms stall (goal <= 1.5x, <= 50 ms)\n", ratio,
                *std::max_element(stall.begin(), stall.end()));
    return 0;
}
