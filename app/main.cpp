#include "app/Form1.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillaro"));

    Form1 window;
    window.Form_Load();
    window.show();
    return app.exec();
}
