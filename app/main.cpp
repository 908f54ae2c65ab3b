#include "app/CommandLine.h"
#include "app/Form1.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    quillaro::CommandLine commandLine(argc, argv);
    QApplication app(commandLine.toolkitArgc(), commandLine.toolkitArgv());
    QApplication::setApplicationName(QStringLiteral("Quillaro"));

    Form1 window;
    window.Form_Load();
    window.show();
    window.addStartupPaths(
        quillaro::absolutePaths(commandLine.pathArguments(), quillaro::currentFolder()));
    return app.exec();
}
