#include "app/Form1.h"
#include "app/Pointers.h"
#include "app/StartUp.h"
#include "app/TwoStateButton.h"
#include "convert/Utf8Path.h"
#include "filelist/FileListView.h"
#include "tests/support/TestServices.h"

#include <filesystem>
#if __has_include(<xcb/xcb.h>)
#include <xcb/xcb.h>
#endif

#include <QAbstractEventDispatcher>
#include <QDir>
#include <QHeaderView>
#include <QTemporaryDir>
#include <QTest>

class TestForm1 : public QObject {
    Q_OBJECT

    std::shared_ptr<ServiceLog> m_log;
    std::unique_ptr<Form1> makeForm(const std::string& programFolder = {}) {
        m_log = std::make_shared<ServiceLog>();
        auto services = testServices(m_log);
        services.programFolder = programFolder;
        auto form = std::make_unique<Form1>(std::move(services));
        form->Form_Load();
        return form;
    }

private slots:
    void controls_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("caption");
        QTest::newRow("list") << "ListView1" << QRect(8, 8, 425, 121) << "";
        QTest::newRow("add files") << "Check1" << QRect(8, 136, 137, 81) << "Add WMV File(s)";
        QTest::newRow("add folder")
            << "Check3" << QRect(152, 136, 137, 81) << "Add All WMV File(s) In Folder";
        QTest::newRow("convert") << "Check2" << QRect(296, 136, 137, 81) << "Convert";
        QTest::newRow("bar") << "ProgressBar1" << QRect(8, 225, 425, 25) << "";
        QTest::newRow("hidden command") << "Command1" << QRect(-48, 176, 41, 33) << "Command1";
    }

    void controls() {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        QFETCH(QString, caption);
        auto form = makeForm();
        auto* control = form->findChild<QWidget*>(name);
        QCOMPARE(control->geometry(), geometry);
        if (auto* button = qobject_cast<QAbstractButton*>(control))
            QCOMPARE(button->text(), caption);
        // Drawn at 64 px for screens of twice the density, never scaled up.
        if (auto* command = qobject_cast<TwoStateButton*>(control)) {
            QCOMPARE(command->icon().pixmap(QSize(32, 32), 1.0).size(), QSize(32, 32));
            QCOMPARE(command->icon().pixmap(QSize(32, 32), 2.0).size(), QSize(64, 64));
        }
    }

    void windowAndList() {
        auto form = makeForm();
        QCOMPARE(form->windowTitle(), QStringLiteral("Quillaro"));
        QCOMPARE(form->minimumSize(), QSize(441, 259));
        QCOMPARE(form->maximumSize(), QSize(441, 259));
        QVERIFY(!(form->windowFlags() & Qt::WindowMaximizeButtonHint));
        auto* list = form->findChild<FileListView*>("ListView1");
        QCOMPARE(list->model()->headerData(0, Qt::Horizontal).toString(),
                 QStringLiteral("WMV File(s)"));
        QCOMPARE(list->header()->sectionSize(0), 353);
        QCOMPARE(
            list->toolTip(),
            QStringLiteral("Drag and drop files here. Double-click item to remove it. Move bar to "
                           "right and out of window to reveal full names."));
    }

    void tabOrderStartsOnHiddenCommand() {
        auto form = makeForm();
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QStringList visited{QApplication::focusWidget()->objectName()};
        for (int i = 0; i < 5; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(visited,
                 (QStringList{"Command1", "Check1", "Check2", "ListView1", "Check3", "Command1"}));
    }

    void centringAndHomePageDraw() {
        // A screen smaller than the window puts it at negative coordinates, as they are.
        QCOMPARE(::centeredPosition({1024, 768}, {441, 259}), QPoint(292, 255));
        QCOMPARE(::centeredPosition({300, 200}, {447, 288}), QPoint(-74, -44));

        const QUrl homePage(QString::fromLatin1(homePageAddress));
        for (const auto& [draw, opens] :
             {std::pair{0.0599, false}, {0.06, true}, {0.0699, true}, {0.07, false}}) {
            QList<QUrl> opened;
            OpenHomePageAtRandom([draw] { return draw; }, [&](const QUrl& url) { opened << url; });
            QCOMPARE(opened, opens ? QList<QUrl>{homePage} : QList<QUrl>{});
        }
    }

    void handPointerFile_data() {
        QTest::addColumn<QString>("copiedFrom");
        QTest::addColumn<QPoint>("hotSpot");
        const QString resources = QStringLiteral(QUILLARO_RESOURCES_DIR);
        QTest::newRow("hand") << resources + "/HAND-M.CUR" << QPoint(6, 0);
        QTest::newRow("missing") << QString() << QPoint();
        QTest::newRow("not a cursor") << resources + "/drag.ico" << QPoint();
    }

    void handPointerFile() {
        QFETCH(QString, copiedFrom);
        QFETCH(QPoint, hotSpot);
        // Beside a program in a folder whose name is not UTF-8 (Windows names
        // are UTF-16: there, one outside ASCII).
        QTemporaryDir dir;
        const std::string folder =
            dir.path().toStdString() + (QDir::separator() == '/' ? "/prog\xe9" : "/prog\xc3\xa9");
        QVERIFY(std::filesystem::create_directory(quillaro::pathFromUtf8(folder)));
        QVERIFY(copiedFrom.isEmpty() ||
                std::filesystem::copy_file(copiedFrom.toStdString(),
                                           quillaro::pathFromUtf8(folder + "/HAND-M.CUR")));
        // An unreadable picture must not stop start-up: the hand looks like the default.
        auto form = makeForm(folder);
        form->setMousePointer(Pointer::Custom);
        QCOMPARE(form->cursor().hotSpot(), hotSpot);
        QCOMPARE(form->cursor().shape(), hotSpot.isNull() ? Qt::ArrowCursor : Qt::BitmapCursor);
    }

    void hoverRules_data() {
        QTest::addColumn<int>("before");
        QTest::addColumn<QString>("over");
        QTest::addColumn<int>("after");
        for (const char* place :
             {"Check1", "Check2", "Check3", "Form1", "ListView1", "ProgressBar1"}) {
            const bool button = QByteArray(place).startsWith("Check");
            QTest::addRow("%s", place) << (button ? Pointer::Default : Pointer::Custom) << place
                                       << (button ? Pointer::Custom : Pointer::Default);
            QTest::addRow("%s, busy", place) << Pointer::Busy << place << Pointer::Busy;
        }
    }

    void hoverRules() {
        QFETCH(int, before);
        QFETCH(QString, over);
        QFETCH(int, after);
        auto form = makeForm();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QWidget* target = over == "Form1" ? form.get() : form->findChild<QWidget*>(over);
        // A click leaves the list its own pointer, which the window's busy one overrides.
        if (auto* list = qobject_cast<FileListView*>(target)) {
            target = list->viewport();
            QTest::mouseClick(target, Qt::LeftButton);
        }
        form->setMousePointer(before);
        QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), QPointF(3, 3), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(target, &move);
        QCOMPARE(form->MousePointer(), after);
        if (after == Pointer::Busy) // the hourglass shows over the list too
            QCOMPARE(target->cursor().shape(), Qt::WaitCursor);
    }

    // Notices as Qt's X11 platform hands them to native filters: the window
    // destroyed by another client ends the program as a close does.
    void x11WindowDestroyedFromOutside() {
#ifdef XCB_DESTROY_NOTIFY
        // The notice (with 0x80, sent by another client: a fake), the window
        // it names (0: this one), how often the program ends.
        const std::tuple<int, int, int> notices[] = {
            {XCB_DESTROY_NOTIFY, 0, 1},
            {XCB_DESTROY_NOTIFY | 0x80, 0, 0},
            {XCB_DESTROY_NOTIFY, 1, 0},
            {XCB_UNMAP_NOTIFY, 0, 0},
        };
        for (const auto& [type, otherWindow, ends] : notices) {
            auto form = makeForm();
            form->show();
            xcb_destroy_notify_event_t notice{};
            notice.response_type = static_cast<uint8_t>(type);
            notice.window = static_cast<xcb_window_t>(form->winId() + otherWindow);
            qintptr result = 0;
            QAbstractEventDispatcher::instance()->filterNativeEvent("xcb_generic_event_t", &notice,
                                                                    &result);
            QCOMPARE(m_log->programEnds, ends);
        }
#endif
    }

    // A picture of the window, for people to look at: screenshots/main-window.png
    // in the build folder, main-window-xvfb.png when a real X server drew it.
    void screenshot() {
        auto form = makeForm(QUILLARO_RESOURCES_DIR);
        form->AddFileToList(QStringLiteral("/home/user/Videos/Holiday 2009/beach.wmv"));
        form->AddFileToList(
            QStringLiteral("/home/user/Videos/Holiday 2009/a rather long name of a clip that "
                           "does not fit the column.wmv"));
        form->setProgressValue(100.0f / 3.0f);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        const bool xvfb = QGuiApplication::platformName() == "xcb";
        const QString folder = QStringLiteral(QUILLARO_SCREENSHOT_DIR);
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(form->grab().save(folder + (xvfb ? "/main-window-xvfb.png" : "/main-window.png")));
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
