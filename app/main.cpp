#include "app/CommandLine.h"
#include "app/Form1.h"
#include "app/HandOver.h"
#include "app/HandOverBurst.h"

#include <QApplication>
#include <QTimer>

namespace {
// Explorer starts the processes for one choice within this of each other.
constexpr int burstQuietMs = 500;
} // namespace

int main(int argc, char* argv[]) {
    quillaro::CommandLine commandLine(argc, argv);
    QApplication app(commandLine.toolkitArgc(), commandLine.toolkitArgv());
    QApplication::setApplicationName(QStringLiteral("Quillaro"));

    const std::vector<std::string> paths =
        quillaro::absolutePaths(commandLine.pathArguments(), quillaro::currentFolder());
    quillaro::HandOverBurst burst;
    QTimer burstEnd;
    burstEnd.setSingleShot(true);
    burstEnd.setInterval(burstQuietMs);
    const auto join = [&](std::vector<std::string> list) {
        burst.add(std::move(list));
        burstEnd.start();
    };
    if (quillaro::handOverOrReceive(paths, join))
        return 0;

    Form1 window;
    window.Form_Load();
    window.show();
    QObject::connect(&burstEnd, &QTimer::timeout, &window, [&] {
        window.addStartupPaths(burst.take());
        window.raise();
        window.activateWindow();
    });
    // This start's own files may race with others started with them.
    join(paths);
    return app.exec();
}
