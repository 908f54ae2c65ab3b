// The window as its user meets it: its controls and pointers, and the file
// list as the handlers fill and reorder it (the two Add commands, drops, and
// gestures with the mouse and keys).

#include "app/Form1.h"
#include "app/Pointers.h"
#include "app/StartUp.h"
#include "app/TwoStateButton.h"
#include "base/CommandLine.h"
#include "base/Utf8Path.h"
#include "filelist/FileListModel.h"
#include "filelist/FileListView.h"
#include "tests/support/TestServices.h"

#include <fstream>
#if __has_include(<xcb/xcb.h>)
#include <xcb/xcb.h>
#endif

#include <QTest>
#include <QtWidgets>

namespace fs = std::filesystem;

class TestForm1 : public QObject {
    Q_OBJECT

    // The program's folder, named in bytes that are not UTF-8 (on Windows,
    // whose names are UTF-16, with one outside ASCII).
    const QTemporaryDir m_temp;
    const std::string m_folder =
        m_temp.path().toStdString() + (QDir::separator() == '/' ? "/prog\xe9" : "/prog\xc3\xa9");
    const fs::path m_program = quillaro::pathFromUtf8(m_folder);
    std::shared_ptr<ServiceLog> m_log;
    std::unique_ptr<Form1> m_form;
    FileListView* m_list = nullptr;
    QPoint m_screenPosition;
    int m_top = 0;

    void makeForm(const QStringList& entries = {}, const QStringList& chosenFiles = {},
                  std::function<QString(QWidget*, const QString&)> chooseFolder = {}) {
        m_log = std::make_shared<ServiceLog>();
        auto services = testServices(m_log, {}, chosenFiles);
        services.programFolder = m_folder;
        services.cursorPosition = [this] { return m_screenPosition; };
        services.chooseFolder = std::move(chooseFolder);
        m_form = std::make_unique<Form1>(std::move(services));
        m_form->Form_Load();
        for (const QString& entry : entries)
            m_form->AddFileToList(entry);
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        m_list = m_form->findChild<FileListView*>("ListView1");
        m_screenPosition = QPoint(700, 335);
        m_top = topRow();
    }

    // The list's paths, exactly; the selected one in brackets.
    QByteArrayList listed() const {
        QByteArrayList paths;
        for (int row = 0; row < m_form->fileList().count(); ++row) {
            const auto path = QByteArray::fromStdString(m_form->fileList().path(row));
            paths << (m_list->selectionModel()->isRowSelected(row) ? '[' + path + ']' : path);
        }
        return paths;
    }

    // The list's paths for names under `root`, a path in bytes ending in '/'.
    static QByteArrayList native(const QByteArray& root, QByteArrayList names) {
        for (QByteArray& name : names)
            name = QByteArray(root + name).replace('/', QDir::separator().toLatin1());
        return names;
    }

    int topRow() const { return m_list->indexAt(QPoint(10, 1)).row(); }

    // A row, or "e" for the list space below the last entry.
    QPoint pointFor(const QString& where) const {
        return where == "e" ? QPoint(10, m_list->viewport()->rect().bottom() - 2)
                            : m_list->visualRect(m_form->fileList().index(where.toInt())).center();
    }

    // Space-separated steps: p, m, r or c (press, move, release, double-click
    // event) at a place for pointFor(), moves with the buttons held; lost, a
    // release that never reaches the list; Right or Middle, the button from
    // then on; a key (Del, Down, ...); y304, the pointer's screen row; top5 or
    // end5, row 5 scrolled to the view's top or bottom.
    void run(const QString& steps) {
        Qt::MouseButton button = Qt::LeftButton;
        Qt::MouseButtons held;
        for (const QString& step : steps.split(' ', Qt::SkipEmptyParts)) {
            // Qt numbers these events in that order.
            const auto kind = QStringLiteral("prcm").indexOf(step[0]);
            const auto type = QEvent::Type(QEvent::MouseButtonPress + kind);
            if (step == "Right" || step == "Middle") {
                button = step == "Right" ? Qt::RightButton : Qt::MiddleButton;
            } else if (step == "lost") {
                held = {};
            } else if (kind >= 0) {
                const QPoint at = pointFor(step.mid(1));
                if (type != QEvent::MouseMove)
                    held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
                QMouseEvent event(type, at, m_list->viewport()->mapToGlobal(at),
                                  type == QEvent::MouseMove ? Qt::NoButton : button, held, {});
                QApplication::sendEvent(m_list->viewport(), &event);
            } else if (step[0] == 'y') {
                m_screenPosition.setY(step.mid(1).toInt());
            } else if (step.startsWith("top") || step.startsWith("end")) {
                m_list->scrollTo(m_form->fileList().index(step.mid(3).toInt()),
                                 step[0] == 't' ? QAbstractItemView::PositionAtTop
                                                : QAbstractItemView::PositionAtBottom);
                m_top = topRow();
            } else {
                const QKeyCombination key = QKeySequence(step)[0];
                QTest::keyClick(m_list, key.key(), key.keyboardModifiers());
            }
        }
    }

private slots:
    void initTestCase() {
        QVERIFY(fs::create_directory(m_program));
        QVERIFY(fs::copy_file(QUILLARO_RESOURCES_DIR "/drag.ico", m_program / "drag.ico"));
    }
    // Qt cannot remove names that are not UTF-8.
    void cleanupTestCase() { fs::remove_all(quillaro::pathFromUtf8(m_temp.path().toStdString())); }
    void cleanup() { m_form.reset(); }

    // What the user sees before doing anything, where Tab takes the focus,
    // where the pointer changes, where the window sits and whether the maker's
    // home page opens.
    void firstLook() {
        makeForm();
        QVERIFY(!(m_form->windowFlags() & Qt::WindowMaximizeButtonHint) &&
                m_form->minimumSize() == m_form->maximumSize());
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
        // Where Tab takes the focus; the list's column and its help.
        QStringList read;
        for (int tab = 0; tab < 6; ++tab, QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab))
            read << QApplication::focusWidget()->objectName();
        read << m_list->model()->headerData(0, Qt::Horizontal).toString()
             << QString::number(m_list->header()->sectionSize(0)) << m_list->toolTip();
        // Each control as assistive tools read it, then its place, then the
        // pointer after moves over it from the arrow (1) and from busy (11).
        // The commands read as push buttons with no checked state, the list
        // after its column, the bar after what it measures; the focus holder,
        // off the window, says nothing. The custom hand (99) shows over the
        // buttons, else the default (0); busy stays busy and shows as the
        // hourglass (w), over the list too, which a click left with a pointer
        // of its own.
        for (const char* name :
             {"Form1", "ListView1", "Check1", "Check3", "Check2", "ProgressBar1", "Command1"}) {
            QWidget* control =
                qstrcmp(name, "Form1") ? m_form->findChild<QWidget*>(name) : m_form.get();
            QAccessibleInterface* tool = QAccessible::queryAccessibleInterface(control);
            QDebug line = QDebug(&read.emplaceBack()).nospace().noquote();
            line << QMetaEnum::fromType<QAccessible::Role>().valueToKey(tool->role()) << ' '
                 << tool->text(QAccessible::Name) + (tool->state().checkable ? " checkable " : " ")
                 << (control == m_form.get() ? control->rect() : control->geometry());
            QWidget* target = control == m_list ? m_list->viewport() : control;
            if (target != control)
                QTest::mouseClick(target, Qt::LeftButton);
            for (int before : {Pointer::Arrow, Pointer::Busy}) {
                m_form->setMousePointer(before);
                QMouseEvent move(QEvent::MouseMove, {3, 3}, {3, 3}, Qt::NoButton, {}, {});
                QApplication::sendEvent(target, &move);
                line << ' ' << m_form->MousePointer()
                     << (target->cursor().shape() == Qt::WaitCursor ? "w" : "");
            }
        }
        QCOMPARE(read,
                 (QStringList{"Command1", "Check1", "Check2", "ListView1", "Check3", "Command1",
                              "WMV File(s)", "353",
                              "Drag and drop files here. Double-click item to remove it. "
                              "Move bar to right and out of window to reveal full names.",
                              "Window Quillaro QRect(0,0 441x259) 0 11w",
                              "Tree WMV File(s) QRect(8,8 425x121) 0 11w",
                              "Button Add WMV File(s) QRect(8,136 137x81) 99 11w",
                              "Button Add All WMV File(s) In Folder QRect(152,136 137x81) 99 11w",
                              "Button Convert QRect(296,136 137x81) 99 11w",
                              "ProgressBar Conversion progress QRect(8,225 425x25) 0 11w",
                              "NoRole  QRect(-48,176 41x33) 1 11w"}));
        auto* check1 = m_form->findChild<TwoStateButton*>("Check1");
        QAccessible::queryAccessibleInterface(check1)->actionInterface()->doAction(
            QAccessibleActionInterface::pressAction());
        QTRY_COMPARE(std::pair(m_log->messages.size(), check1->Value()),
                     std::pair(qsizetype(2), 0));

        // Pictures drawn for screens of twice the density are used there.
        for (const char* name : {"Check1", "Check2", "Check3"})
            QCOMPARE(m_form->findChild<TwoStateButton*>(name)->icon().pixmap({32, 32}, 2.0).size(),
                     QSize(64, 64));

        // Centred, even on a screen smaller than the window: at negative coordinates.
        QCOMPARE(::centeredPosition({300, 200}, {447, 288}), QPoint(-74, -44));
        QList<double> opened;
        for (double draw : {0.0599, 0.06, 0.0699, 0.07})
            OpenHomePageAtRandom(
                [draw] { return draw; },
                [&](const QUrl& url) { opened << (url == QUrl(homePageAddress) ? draw : -1); });
        QCOMPARE(opened, (QList<double>{0.06, 0.0699}));
    }

    // HAND-M.CUR beside the program: none, a cursor, an icon. An unreadable
    // picture must not stop start-up: the hand then looks like the default.
    // The hand's picture is 32 pixels, clear in its corner and opaque at its
    // hot spot, the fingertip; the pointer files need Qt's ICO plugin at run time.
    void handPointerFile() {
        QStringList shown;
        for (const std::string copiedFrom : {"", "HAND-M.CUR", "drag.ico"}) {
            fs::remove(m_program / "HAND-M.CUR");
            QVERIFY(copiedFrom.empty() || fs::copy_file(QUILLARO_RESOURCES_DIR "/" + copiedFrom,
                                                        m_program / "HAND-M.CUR"));
            makeForm();
            m_form->setMousePointer(Pointer::Custom);
            const QCursor hand = m_form->cursor();
            const QImage image = hand.pixmap().toImage();
            const QPoint tip = hand.hotSpot();
            shown << (hand.shape() != Qt::BitmapCursor
                          ? QString("default")
                          : QString::asprintf("%d at %d,%d alpha %d %d", image.width(), tip.x(),
                                              tip.y(), qAlpha(image.pixel(0, 0)),
                                              qAlpha(image.pixel(tip))));
        }
        QCOMPARE(shown, (QStringList{"default", "32 at 6,0 alpha 0 255", "default"}));
    }

    // Notices as Qt's X11 platform hands them to native filters: this window
    // destroyed by another client ends the program as a close does; a fake
    // notice (sent, 0x80), another window's, or an unmap notice does not.
    void x11WindowDestroyedFromOutside() {
#ifdef XCB_DESTROY_NOTIFY
        QString ends;
        for (uint8_t type : {XCB_DESTROY_NOTIFY, XCB_DESTROY_NOTIFY | 0x80, XCB_UNMAP_NOTIFY})
            for (int other : {0, 1}) {
                makeForm();
                xcb_destroy_notify_event_t notice{type, 0, 0, 0,
                                                  xcb_window_t(m_form->winId() + other)};
                qintptr result = 0;
                QAbstractEventDispatcher::instance()->filterNativeEvent("xcb_generic_event_t",
                                                                        &notice, &result);
                ends += QString::number(m_log->programEnds);
            }
        QCOMPARE(ends, "100000");
#endif
    }

    // A click on Check1 (Add files) or Check3 (Add folder), or paths given at
    // start-up, while the list holds "T/a.wmv", where "T" is a fresh folder
    // that holds `files`, X/in and L, a link to X/in. `answers`: for Check1 the
    // files the Open dialog gives, with "/" as Qt gives them; for Check3 the
    // folders the picker gives, one per showing, a second one to a click made
    // while the first scan hands the window its turn; none is a cancel. At
    // start-up, the arguments, relative ones to "T" made current, which also
    // checks its name: each goes in as a drop adds it, a folder as Check3 adds
    // it. The rules for the paths themselves are in test_command_line.
    void add_data() {
        QTest::addColumn<QString>("way");
        QTest::addColumn<QByteArrayList>("files");
        QTest::addColumn<QByteArrayList>("answers");
        QTest::addColumn<QByteArrayList>("added");
        const auto row = [](const char* name, const char* way, const QByteArrayList& files,
                            const QByteArrayList& answers, const QByteArrayList& added) {
            QTest::newRow(name) << QString(way) << files << answers << added;
        };
        row("files in dialog order, duplicates kept", "Check1", {},
            {"T/c.WMV", "T/a.wmv", "T/b.wmv"}, {"c.WMV", "a.wmv", "b.wmv"});
        row("files cancelled", "Check1", {}, {}, {});
        // Typed names: clean paths naming the file that the file system finds.
        if (QDir::separator() == '/') {
            row("files through a link and back, from two folders, a new name", "Check1", {},
                {"T/L/../b.wmv", "T/L/../../c.wmv", "T/L/new.wmv"},
                {"X/b.wmv", "c.wmv", "L/new.wmv"});
            row("a file through a link and back", "Check1", {}, {"T/L/../b.wmv"}, {"X/b.wmv"});
        } else { // Windows itself reads ".." as text.
            row("files back out of a folder, from two folders", "Check1", {},
                {"T/X/../b.wmv", "T/X/in/../../c.wmv"}, {"b.wmv", "c.wmv"});
        }
        row("folder cancelled", "Check3", {"a.wmv"}, {}, {});
        // Level order; a root with a final separator and one without.
        row("a folder scan inside a scan ends first", "Check3",
            {"O/o.wmv", "O/P/p.wmv", "I/i.wmv", "I/J/j.wmv"}, {"T/O/", "T/I"},
            {"I/i.wmv", "I/J/j.wmv", "O/o.wmv", "O/P/p.wmv"});
        row("start-up files in order, one missing", "start-up", {"b.wmv"},
            {"b.wmv", "no.wmv", "a.wmv"}, {"b.wmv", "no.wmv", "a.wmv"});
        // Names kept to the byte: not UTF-8, one beside its look-alike, in
        // byte order; on Windows, whose names are UTF-16, beyond ASCII.
        const bool bytes = QDir::separator() == '/';
        const QByteArray file = bytes ? "lat\xe9.wmv" : "\xc3\x9cn\xce\xbb.wmv";
        const QByteArray dir = bytes ? "D\xff" : "Vid\xc3\xa9os";
        const QByteArrayList inDir =
            bytes ? QByteArrayList{"D\xff/twin\xef\xbf\xbd.wmv", "D\xff/twin\xff.wmv"}
                  : QByteArrayList{"Vid\xc3\xa9os/z.wmv"};
        row("start-up folders between files", "start-up",
            QByteArrayList{"F/x.wmv", "F/G/y.wmv", "F/n.txt", file} + inDir, {file, "F", dir},
            QByteArrayList{file, "F/x.wmv", "F/G/y.wmv"} + inDir);
    }

    void add() {
        QFETCH(QString, way);
        QFETCH(QByteArrayList, files);
        QFETCH(QByteArrayList, answers);
        QFETCH(QByteArrayList, added);
        // A fresh folder named after the row; its path in bytes, ending in '/'.
        const QString tree = QDir(m_temp.path()).canonicalPath() + '/' + QTest::currentDataTag();
        const QByteArray root = QFile::encodeName(tree) + '/';
        QVERIFY(QDir(tree).mkpath("X/in") && QFile::link("X/in", tree + "/L"));
        for (const QByteArray& file : files) {
            const auto path = quillaro::pathFromUtf8((root + file).toStdString());
            fs::create_directories(path.parent_path());
            std::ofstream{path};
        }
        QStringList picked;
        std::vector<std::string> given;
        bool folders = false;
        for (QByteArray& answer : answers) {
            if (answer.startsWith('T'))
                answer = root.chopped(1) + answer.mid(1);
            picked << QString::fromUtf8(answer);
            given.push_back(answer.toStdString());
            folders |= fs::is_directory(quillaro::pathFromUtf8(root.toStdString()) /
                                        quillaro::pathFromUtf8(given.back()));
        }
        // The pickers' titles go to the log, with the messages shown.
        makeForm({QDir::toNativeSeparators(tree + "/a.wmv")},
                 way == "Check1" ? picked : QStringList(),
                 [&](QWidget* owner, const QString& title) {
                     m_log->messages << (qobject_cast<Form1*>(owner) ? title : "another owner");
                     return picked.value(m_log->messages.size() - 1);
                 });
        const QByteArrayList expected = listed();
        m_form->setMousePointer(Pointer::Custom);
        auto* button = m_form->findChild<TwoStateButton*>(way == "Check1" ? "Check1" : "Check3");
        int pointerDuring = -1;
        // A timer can only fire while a scan hands the window its turn. The
        // pointer is read once any scan started from there has ended too.
        QTimer::singleShot(0, m_form.get(), [&] {
            if (way == "Check3" && m_log->messages.size() < picked.size())
                QTest::mouseClick(button, Qt::LeftButton);
            pointerDuring = m_form->MousePointer();
        });
        if (way == "start-up") {
            const fs::path before = fs::current_path();
            fs::current_path(quillaro::pathFromUtf8(root.toStdString()));
            m_form->addStartupPaths(quillaro::absolutePaths(given, quillaro::currentFolder()));
            fs::current_path(before);
        } else {
            QTest::mouseClick(button, Qt::LeftButton);
        }
        // A second Open dialog, cancelled, adds nothing again.
        if (way == "Check1")
            QTest::mouseClick(button, Qt::LeftButton);

        QCOMPARE(listed(), expected + native(root, added));
        // One click shows one dialog, the button's reset nothing; no message.
        const QStringList openDialog{"Add File(s) - Hold Ctrl or Shift to select multiple files",
                                     "Windows Media Video Files (*.wmv)"};
        QCOMPARE(m_log->messages, way == "Check1"   ? openDialog + openDialog
                                  : way == "Check3" ? QStringList(qMax<qsizetype>(1, picked.size()),
                                                                  "Please select folder to add:")
                                                    : QStringList());
        // Busy (11) while a folder is scanned, then the default (0); otherwise
        // the pointer is left alone (99). The button is up again.
        QCOMPARE(
            QString("%1 %2 %3").arg(pointerDuring).arg(m_form->MousePointer()).arg(button->Value()),
            folders ? "11 0 0" : "-1 99 0");
    }

    // Entries (a letter each), steps, and what follows: the entries with the
    // selected one in brackets, the list's pointer setting (0 default, 1
    // arrow, 99 custom), whether drag.ico shows, how many rows it scrolled.
    void gesture_data() {
        QTest::addColumn<QStringList>("row");
        const auto row = [](const char* name, const QStringList& r) { QTest::newRow(name) << r; };
        // Entries change places; any button drags.
        row("right, then middle button", {"ABCD", "Right p0 m1 r Middle p1 m3 r", "BDC[A] 1"});
        row("same text, case counts", {"AaAB", "p0 m1 m2 m3", "aBA[A] 99 drag.ico"});
        row("below the view", {"ABCDEFGHIJ", "p0 m9", "[A]BCDEFGHIJ 99 drag.ico"});
        row("never clicked an entry", {"ABC", "pe m0 m2", "ABC 0"});
        // The last drag goes on after a press on empty space, not before it.
        row("released, then on", {"ABCD", "p0 m1 r m2 pe m3 r", "BDC[A] 1"});
        // A message box took the release: moves without a button reorder nothing.
        row("release lost", {"ABCD", "p0 m1 lost m2 m3", "B[A]CD 99 drag.ico"});
        row("up at row 304", {"ABCDEFGHIJKL", "top5 y304 p6 m5", "ABCDE[G]FHIJKL 99 drag.ico -1"});
        row("not at row 305", {"ABCDEFGHIJKL", "top5 y305 p6 m5", "ABCDE[G]FHIJKL 99 drag.ico"});
        row("not at row 364", {"ABCDEFGHIJKL", "end6 y364 p5 m6", "ABCDEG[F]HIJKL 99 drag.ico"});
        row("down at row 365", {"ABCDEFGHIJKL", "end6 y365 p5 m6", "ABCDEG[F]HIJKL 99 drag.ico 1"});
        // Double-clicks on empty space, then on the second of three.
        row("double-clicks", {"ABC", "p0 r pe r ce r p1 r c1 r", "A[C] 1"});
        // A removal ends the drag: only a fresh entry click starts one. Shift+Delete
        // removes nothing, Delete and the keypad's remove C, then D.
        row("Delete ends a drag", {"ABCD", "p0 r Down Down Shift+Del Del Num+Del pe m1", "AB 1"});
    }

    void gesture() {
        QFETCH(QStringList, row);
        makeForm(row[0].split(QString(), Qt::SkipEmptyParts));
        run(row[1]);
        QStringList state{listed().join(), QString::number(m_form->listMousePointer())};
        if (m_list->viewport()->cursor().shape() == Qt::BitmapCursor)
            state << "drag.ico";
        if (topRow() != m_top)
            state << QString::number(topRow() - m_top);
        QCOMPARE(state.join(' '), row[2]);
    }

    // "/..." are files, named by their bytes and dragged as a file manager
    // does, percent-encoded; others are web addresses. An accepted drop
    // appends the files with exactly those bytes.
    void drop_data() {
        QTest::addColumn<QByteArrayList>("dragged");
        QTest::addColumn<Qt::DropActions>("allowed");
        QTest::addColumn<Qt::DropAction>("answer");
        const auto row = [](const char* name, const QByteArrayList& dragged, Qt::DropAction answer,
                            Qt::DropActions allowed = Qt::CopyAction | Qt::MoveAction) {
            QTest::newRow(name) << dragged << allowed << answer;
        };
        row("text without files", {}, Qt::IgnoreAction);
        row("in order, as given: listed, a folder, any type or name",
            {"/videos/first.wmv", "/videos/Holiday 2009", "/Vidéos/ Clip  ÜBER #1%.TXT "},
            Qt::CopyAction);
        if (QDir::separator() == '/')
            row("names that are not UTF-8, one beside its look-alike",
                {"/v/lat\xe9.wmv", "/v/twin\xff.wmv", "/v/twin\xef\xbf\xbd.wmv"}, Qt::CopyAction);
        row("a file and a web address", {"/videos/a.wmv", "https://example.com/a.wmv"},
            Qt::IgnoreAction);
        // Answering a move would have the source delete the files it lent us.
        row("a source that only moves", {"/videos/a.wmv"}, Qt::IgnoreAction, Qt::MoveAction);
    }

    void drop() {
        QFETCH(QByteArrayList, dragged);
        QFETCH(Qt::DropActions, allowed);
        QFETCH(Qt::DropAction, answer);
        makeForm({"/videos/first.wmv", "/videos/second.wmv"});
        // Entry clicks and a reorder ahead of the drag leave drops welcome.
        run("p0 m1 r p1 r");
        const QByteArrayList expected = listed();
        QMimeData data;
        data.setText("/videos/a.wmv");
        QList<QUrl> urls;
        for (const QByteArray& item : dragged)
            urls << QUrl::fromEncoded(item.startsWith('/') ? "file://" + item.toPercentEncoding("/")
                                                           : item);
        if (!urls.isEmpty())
            data.setUrls(urls);
        for (QEvent::Type type : {QEvent::DragEnter, QEvent::DragMove, QEvent::Drop}) {
            // It passes over an entry and lands on empty space: the place does
            // not matter. A drop after a refusal, which the toolkit would not
            // send, must still add nothing.
            QDragMoveEvent event(pointFor(type == QEvent::DragMove ? "0" : "e"), allowed, &data,
                                 Qt::LeftButton, {}, type);
            if (type == QEvent::Drop && answer == Qt::IgnoreAction)
                m_form->ListView1_OLEDragDrop(event);
            else
                QApplication::sendEvent(m_list->viewport(), &event);
            QCOMPARE(event.isAccepted() ? event.dropAction() : Qt::IgnoreAction, answer);
        }
        QCOMPARE(listed(),
                 expected + native({}, answer != Qt::IgnoreAction ? dragged : QByteArrayList()));
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
