#include "app/Form1.h"
#include "app/Pointers.h"
#include "app/StartUp.h"
#include "app/TwoStateButton.h"
#include "filelist/FileListModel.h"
#include "filelist/FileListView.h"
#include "tests/support/TestServices.h"

#include <QBuffer>
#include <QHeaderView>
#include <QImage>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

class TestForm1 : public QObject {
    Q_OBJECT

private slots:
    void controls_data();
    void controls();
    void windowAndTexts();
    void tabOrderStartsOnHiddenCommand();
    void centeredPosition_data();
    void centeredPosition();
    void homePageDraw_data();
    void homePageDraw();
    void handPointerFile_data();
    void handPointerFile();
    void hoverRules_data();
    void hoverRules();
    void busyShowsOverTheList();
    void addFiles_data();
    void addFiles();
    void closingEndsTheProgram();

private:
    std::shared_ptr<ServiceLog> m_log;
    std::unique_ptr<Form1> makeForm(const QString& programFolder = {},
                                    std::shared_ptr<QStringList> chosenFiles = {});
};

std::unique_ptr<Form1> TestForm1::makeForm(const QString& programFolder,
                                           std::shared_ptr<QStringList> chosenFiles) {
    m_log = std::make_shared<ServiceLog>();
    auto form = std::make_unique<Form1>(testServices(m_log, programFolder, std::move(chosenFiles)));
    form->Form_Load();
    return form;
}

void TestForm1::controls_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("caption");

    QTest::newRow("list") << "ListView1" << QRect(8, 8, 425, 121) << "";
    QTest::newRow("add files") << "Check1" << QRect(8, 136, 137, 81) << "Add WMV File(s)";
    QTest::newRow("add folder") << "Check3" << QRect(152, 136, 137, 81)
                                << "Add All WMV File(s) In Folder";
    QTest::newRow("convert") << "Check2" << QRect(296, 136, 137, 81) << "Convert";
    QTest::newRow("bar") << "ProgressBar1" << QRect(8, 225, 425, 25) << "";
    QTest::newRow("hidden command") << "Command1" << QRect(-48, 176, 41, 33) << "Command1";
}

void TestForm1::controls() {
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, caption);

    auto form = makeForm();
    auto* control = form->findChild<QWidget*>(name);
    QVERIFY(control);
    QCOMPARE(control->geometry(), geometry);
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        QCOMPARE(button->text(), caption);
        QVERIFY(!button->isChecked());
    }
    if (auto* command = qobject_cast<TwoStateButton*>(control)) {
        QCOMPARE(command->iconSize(), QSize(32, 32));
        QVERIFY(!command->icon().isNull());
        QCOMPARE(command->font().pointSizeF(), 11.25);
        QVERIFY(command->font().bold());
    }
}

void TestForm1::windowAndTexts() {
    auto form = makeForm();
    QCOMPARE(form->windowTitle(), QStringLiteral("Quillaro"));
    QCOMPARE(form->size(), QSize(441, 259));
    QCOMPARE(form->minimumSize(), form->maximumSize());
    QVERIFY(!(form->windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(form->palette().color(QPalette::Window), QColor(Qt::white));
    QCOMPARE(form->windowIcon().pixmap(32).toImage().pixelColor(16, 16).alpha(), 0);

    auto* list = form->findChild<FileListView*>("ListView1");
    QCOMPARE(list->model()->headerData(0, Qt::Horizontal).toString(),
             QStringLiteral("WMV File(s)"));
    QCOMPARE(list->header()->sectionSize(0), 353);
    QCOMPARE(list->toolTip(),
             QStringLiteral("Drag and drop files here. Double-click item to remove it. Move bar to "
                            "right and out of window to reveal full names."));
    QVERIFY(list->font().bold());
    QCOMPARE(list->font().pointSizeF(), 9.0);
    QCOMPARE(list->fileList()->count(), 0);

    auto* bar = form->findChild<QProgressBar*>("ProgressBar1");
    QCOMPARE(bar->value(), 0);
    QVERIFY(!bar->isTextVisible());
    QCOMPARE(bar->palette().color(QPalette::Base), QColor(Qt::white));
    form->setProgressValue(100.0f / 3.0f);
    QCOMPARE(form->progressValue(), 100.0f / 3.0f);
    QCOMPARE(bar->value() * 100 / bar->maximum(), 33);
}

void TestForm1::tabOrderStartsOnHiddenCommand() {
    auto form = makeForm();
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Command1"));

    QStringList visited;
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(visited, (QStringList{"Check1", "Check2", "ListView1", "Check3", "Command1"}));
}

void TestForm1::centeredPosition_data() {
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QSize>("window");
    QTest::addColumn<QPoint>("expected");

    QTest::newRow("full hd") << QSize(1920, 1080) << QSize(447, 288) << QPoint(737, 396);
    QTest::newRow("odd difference") << QSize(1024, 768) << QSize(441, 259) << QPoint(292, 255);
    QTest::newRow("screen smaller than window")
        << QSize(300, 200) << QSize(447, 288) << QPoint(-74, -44);
}

void TestForm1::centeredPosition() {
    QFETCH(QSize, screen);
    QFETCH(QSize, window);
    QFETCH(QPoint, expected);
    QCOMPARE(::centeredPosition(screen, window), expected);
}

void TestForm1::homePageDraw_data() {
    QTest::addColumn<double>("draw");
    QTest::addColumn<bool>("opens");

    QTest::newRow("1") << 0.0 << false;
    QTest::newRow("6") << 0.0599 << false;
    QTest::newRow("7, low end") << 0.06 << true;
    QTest::newRow("7, high end") << 0.0699 << true;
    QTest::newRow("8") << 0.07 << false;
    QTest::newRow("100") << 0.9999 << false;
}

void TestForm1::homePageDraw() {
    QFETCH(double, draw);
    QFETCH(bool, opens);

    QList<QUrl> opened;
    OpenHomePageAtRandom([draw] { return draw; }, [&](const QUrl& url) { opened << url; });
    QCOMPARE(opened.size(), opens ? 1 : 0);
    if (opens)
        QCOMPARE(opened.front(), QUrl(QString::fromLatin1(homePageAddress)));
}

namespace {

// A real cursor file: Qt writes the picture as an icon, and the header is
// turned into a cursor's with the given hot spot.
QByteArray cursorFile(int hotX, int hotY) {
    QImage picture(32, 32, QImage::Format_ARGB32);
    picture.fill(Qt::black);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "ICO");
    bytes[2] = 2;
    bytes[10] = static_cast<char>(hotX);
    bytes[12] = static_cast<char>(hotY);
    return bytes;
}

} // namespace

void TestForm1::handPointerFile_data() {
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<bool>("present");
    QTest::addColumn<QPoint>("hotSpot");

    QTest::newRow("hand") << cursorFile(9, 2) << true << QPoint(9, 2);
    QTest::newRow("missing") << QByteArray() << false << QPoint();
    QTest::newRow("not a cursor") << QByteArray("not a cursor at all") << true << QPoint();
    QTest::newRow("icon, no hot spot")
        << cursorFile(0, 0).replace(2, 1, "\x01", 1) << true << QPoint();
}

void TestForm1::handPointerFile() {
    QFETCH(QByteArray, contents);
    QFETCH(bool, present);
    QFETCH(QPoint, hotSpot);

    QTemporaryDir folder;
    if (present) {
        QFile file(folder.filePath("HAND-M.CUR"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }

    auto form = makeForm(folder.path());
    form->setMousePointer(Pointer::Custom);
    if (hotSpot.isNull()) {
        // Start-up goes on; the custom setting looks like the default pointer.
        QCOMPARE(form->cursor().shape(), Qt::ArrowCursor);
    } else {
        QCOMPARE(form->cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(form->cursor().hotSpot(), hotSpot);
    }
}

void TestForm1::hoverRules_data() {
    QTest::addColumn<int>("before");
    QTest::addColumn<QString>("over");
    QTest::addColumn<int>("after");

    for (const char* button : {"Check1", "Check2", "Check3"}) {
        QTest::addRow("%s shows the hand", button) << Pointer::Default << button << Pointer::Custom;
        QTest::addRow("%s keeps busy", button) << Pointer::Busy << button << Pointer::Busy;
    }
    for (const char* place : {"Form1", "ListView1", "ProgressBar1"}) {
        QTest::addRow("%s ends the hand", place) << Pointer::Custom << place << Pointer::Default;
        QTest::addRow("%s keeps busy", place) << Pointer::Busy << place << Pointer::Busy;
    }
}

void TestForm1::hoverRules() {
    QFETCH(int, before);
    QFETCH(QString, over);
    QFETCH(int, after);

    auto form = makeForm();
    form->setObjectName("Form1");
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    QWidget* target = over == "Form1" ? form.get() : form->findChild<QWidget*>(over);
    if (auto* list = qobject_cast<FileListView*>(target))
        target = list->viewport();

    form->setMousePointer(before);
    QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), QPointF(3, 3), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    QCOMPARE(form->MousePointer(), after);
}

void TestForm1::busyShowsOverTheList() {
    auto form = makeForm();
    auto* viewport = form->findChild<FileListView*>("ListView1")->viewport();
    form->setMousePointer(Pointer::Busy);
    QCOMPARE(form->cursor().shape(), Qt::WaitCursor);
    QCOMPARE(viewport->cursor().shape(), Qt::WaitCursor);
    form->setMousePointer(Pointer::Default);
    QCOMPARE(viewport->cursor().shape(), Qt::ArrowCursor);
}

void TestForm1::addFiles_data() {
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QStringList>("chosen");
    QTest::addColumn<QStringList>("expected");

    const QString a = "/videos/a.wmv", b = "/videos/b.wmv", c = "/videos/c.wmv";
    QTest::newRow("one file") << QStringList{} << QStringList{a} << QStringList{a};
    QTest::newRow("three files, dialog order")
        << QStringList{} << QStringList{c, a, b} << QStringList{c, a, b};
    QTest::newRow("appended behind") << QStringList{b} << QStringList{a, c} << QStringList{b, a, c};
    QTest::newRow("duplicates kept")
        << QStringList{a, b} << QStringList{a, b} << QStringList{a, b, a, b};
    QTest::newRow("cancel") << QStringList{a, b} << QStringList{} << QStringList{a, b};
    QTest::newRow("any extension")
        << QStringList{} << QStringList{"/videos/notes.txt"} << QStringList{"/videos/notes.txt"};
}

void TestForm1::addFiles() {
    QFETCH(QStringList, listed);
    QFETCH(QStringList, chosen);
    QFETCH(QStringList, expected);

    auto chosenFiles = std::make_shared<QStringList>(chosen);
    auto form = makeForm({}, chosenFiles);
    for (const QString& path : listed)
        form->AddFileToList(path);

    auto* check1 = form->findChild<TwoStateButton*>("Check1");
    QTest::mouseClick(check1, Qt::LeftButton);

    // One click shows one dialog: the reset of the button starts nothing.
    QCOMPARE(m_log->dialogsShown, 1);
    QCOMPARE(check1->Value(), 0);
    QCOMPARE(m_log->dialogTitle,
             QStringLiteral("Add File(s) - Hold Ctrl or Shift to select multiple files"));
    QCOMPARE(m_log->dialogFilter, QStringLiteral("Windows Media Video Files (*.wmv)"));

    QStringList entries;
    for (int row = 0; row < form->fileList().count(); ++row)
        entries << form->fileList().text(row);
    QCOMPARE(entries, expected);
    QCOMPARE(form->MousePointer(), Pointer::Default);
}

void TestForm1::closingEndsTheProgram() {
    auto form = makeForm();
    form->show();
    form->close();
    QCOMPARE(m_log->endRequests, 1);
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
