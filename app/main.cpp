#include "base/CommandLine.h"
#include "app/Form1.h"
#include "app/HandOver.h"
#include "base/HandOverBurst.h"

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
    const quillaro::HandOver handOver = quillaro::handOverOrReceive(paths, join);
    if (handOver == quillaro::HandOver::Taken)
        return 0;

    Form1 window;
    window.Form_Load();
    QObject::connect(&burstEnd, &QTimer::timeout, &window, [&] {
        window.addStartupPaths(burst.take());
        window.show();
        window.raise();
        window.activateWindow();
    });
    if (handOver == quillaro::HandOver::Alone || paths.empty()) {
        // Nothing can race this start's own files: the window opens with them.
        window.addStartupPaths(paths);
        window.show();
    } else {
        // Starts racing this one hand theirs over within the burst; the window
        // opens once, with every file of the burst in folder-scan order.
        join(paths);
    }
    return app.exec();
}
