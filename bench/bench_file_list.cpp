// 100,000 entries added one by one to the shown window, then the first paint.

#include "app/Form1.h"
#include "filelist/FileListModel.h"

#include <cstdio>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPixmap>

namespace {

constexpr int entries = 100'000;

double residentMegabytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0.0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').front().toDouble() / 1024.0;
    }
    return 0.0;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    PlatformServices services = PlatformServices::system();
    services.randomDraw = [] { return 0.5; };
    Form1 window(services);
    window.Form_Load();
    window.show();
    QApplication::processEvents();

    QStringList paths;
    paths.reserve(entries);
    for (int i = 0; i < entries; ++i)
        paths << QStringLiteral("/home/user/Videos/holiday %1/clip %2.wmv").arg(i / 100).arg(i);

    const double rssBefore = residentMegabytes();
    QElapsedTimer timer;
    timer.start();
    for (const QString& path : paths)
        window.AddFileToList(path);
    const qint64 addMs = timer.elapsed();
    window.grab(); // the first paint of the full list
    const qint64 totalMs = timer.elapsed();
    const double rssGrowth = residentMegabytes() - rssBefore;

    std::printf("entries: %d\n", window.fileList().count());
    std::printf("AddFileToList x %d: %lld ms\n", entries, static_cast<long long>(addMs));
    std::printf("first paint: %lld ms\n", static_cast<long long>(totalMs - addMs));
    std::printf("RSS growth: %.1f MB\n", rssGrowth);
    std::printf("file-list-100k: %lld ms, %.1f MB (goal <= 300 ms, <= 40 MB)\n",
                static_cast<long long>(totalMs), rssGrowth);
    return 0;
}
