#include "app/Form1.h"
#include "app/Pointers.h"
#include "filelist/FileListModel.h"
#include "filelist/FileListView.h"

#include <initializer_list>
#include <memory>

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QImage>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

namespace {

// The entries that make up a list of `count` distinct paths.
QStringList numberedEntries(int count) {
    QStringList entries;
    for (int i = 0; i < count; ++i)
        entries << QStringLiteral("/videos/clip%1.wmv").arg(i, 2, 10, QLatin1Char('0'));
    return entries;
}

// A drag with a URL for each of `items` ("/..." a local file) and the text
// of a "text:..." item. With text items only, it carries no URL list at all.
std::unique_ptr<QMimeData> dragData(const QStringList& items) {
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString& item : items) {
        if (item.startsWith(QLatin1String("text:")))
            data->setText(item.mid(5));
        else
            urls << (item.startsWith(QLatin1Char('/')) ? QUrl::fromLocalFile(item) : QUrl(item));
    }
    if (!urls.isEmpty() || items.isEmpty())
        data->setUrls(urls);
    return data;
}

} // namespace

class TestListView1 : public QObject {
    Q_OBJECT

private slots:
    void init();
    void gesture_data();
    void gesture();
    void scroll_data();
    void scroll();
    void dragPicture_data();
    void dragPicture();
    void drop_data();
    void drop();

private:
    void makeForm(const QStringList& entries);
    QPoint pointFor(const QString& where) const;
    void mouse(QEvent::Type type, const QPoint& at, Qt::MouseButton button);
    void run(const QStringList& steps, Qt::MouseButton button);
    int selectedRow() const;
    QStringList listed() const;
    void writeDragPicture(const QString& kind);

    std::unique_ptr<QTemporaryDir> m_programFolder;
    std::shared_ptr<QPoint> m_screenPosition;
    std::unique_ptr<Form1> m_form;
    FileListView* m_list = nullptr;
    Qt::MouseButtons m_held;
};

void TestListView1::init() {
    m_programFolder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_programFolder->isValid());
    m_screenPosition = std::make_shared<QPoint>(200, 335);
    m_held = Qt::NoButton;
}

void TestListView1::makeForm(const QStringList& entries) {
    PlatformServices services = PlatformServices::system();
    services.programFolder = m_programFolder->path();
    services.cursorPosition = [position = m_screenPosition] { return *position; };
    services.randomDraw = [] { return 0.5; };
    services.openWebPage = [](const QUrl&) {};
    services.endProgram = [] {};
    m_form = std::make_unique<Form1>(std::move(services));
    m_form->Form_Load();
    for (const QString& entry : entries)
        m_form->AddFileToList(entry);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    m_list = m_form->findChild<FileListView*>(QStringLiteral("ListView1"));
    QVERIFY(m_list);
}

// "3" is the middle of the fourth entry; "empty" is list space below the
// last entry; "outside" is below the list's visible area.
QPoint TestListView1::pointFor(const QString& where) const {
    const QRect area = m_list->viewport()->rect();
    if (where == QLatin1String("empty"))
        return {10, area.bottom() - 2};
    if (where == QLatin1String("outside"))
        return {10, area.bottom() + 20};
    return m_list->visualRect(m_form->fileList().index(where.toInt())).center();
}

void TestListView1::mouse(QEvent::Type type, const QPoint& at, Qt::MouseButton button) {
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick)
        m_held |= button;
    else if (type == QEvent::MouseButtonRelease)
        m_held &= ~button;
    QWidget* viewport = m_list->viewport();
    QMouseEvent event(type, QPointF(at), QPointF(viewport->mapToGlobal(at)),
                      type == QEvent::MouseMove ? Qt::NoButton : button, m_held, Qt::NoModifier);
    QApplication::sendEvent(viewport, &event);
}

// Steps: "press N", "move N", "release", "dclick N" (press, release, double
// click, release, as the platform sends them), and the keys "delete",
// "keypad-delete", "shift-delete" and "down"; N is a row, "empty" or
// "outside".
void TestListView1::run(const QStringList& steps, Qt::MouseButton button) {
    for (const QString& step : steps) {
        const QStringList parts = step.split(QLatin1Char(' '));
        const QString& action = parts.first();
        const QPoint at = parts.size() > 1 ? pointFor(parts.at(1)) : QPoint(10, 10);
        if (parts.size() > 1 && parts.at(1) == QLatin1String("empty"))
            QVERIFY(!m_list->indexAt(at).isValid());
        if (action == QLatin1String("press")) {
            mouse(QEvent::MouseButtonPress, at, button);
        } else if (action == QLatin1String("move")) {
            mouse(QEvent::MouseMove, at, button);
        } else if (action == QLatin1String("release")) {
            mouse(QEvent::MouseButtonRelease, at, button);
        } else if (action == QLatin1String("dclick")) {
            mouse(QEvent::MouseButtonPress, at, button);
            mouse(QEvent::MouseButtonRelease, at, button);
            mouse(QEvent::MouseButtonDblClick, at, button);
            mouse(QEvent::MouseButtonRelease, at, button);
        } else if (action == QLatin1String("delete")) {
            QTest::keyClick(m_list, Qt::Key_Delete);
        } else if (action == QLatin1String("keypad-delete")) {
            QTest::keyClick(m_list, Qt::Key_Delete, Qt::KeypadModifier);
        } else if (action == QLatin1String("shift-delete")) {
            QTest::keyClick(m_list, Qt::Key_Delete, Qt::ShiftModifier);
        } else if (action == QLatin1String("down")) {
            QTest::keyClick(m_list, Qt::Key_Down);
        } else {
            QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
        }
    }
}

int TestListView1::selectedRow() const {
    const QModelIndexList rows = m_list->selectionModel()->selectedRows();
    return rows.size() == 1 ? rows.first().row() : -1;
}

QStringList TestListView1::listed() const {
    QStringList texts;
    for (int row = 0; row < m_form->fileList().count(); ++row)
        texts << m_form->fileList().text(row);
    return texts;
}

void TestListView1::gesture_data() {
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<int>("button");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("selected");
    QTest::addColumn<int>("listPointer");

    const QStringList abcd{"A", "B", "C", "D"};
    const QStringList abc{"A", "B", "C"};

    const std::pair<const char*, Qt::MouseButton> buttons[] = {
        {"left", Qt::LeftButton}, {"right", Qt::RightButton}, {"middle", Qt::MiddleButton}};
    for (const auto& [name, button] : buttons) {
        QTest::addRow("%s: dragged over each entry in turn", name)
            << abcd << int(button)
            << QStringList{"press 0", "move 1", "move 2", "move 3", "release"}
            << QStringList{"B", "C", "D", "A"} << 3 << Pointer::Arrow;
        QTest::addRow("%s: jumps straight to the last", name)
            << abcd << int(button) << QStringList{"press 0", "move 3", "release"}
            << QStringList{"D", "B", "C", "A"} << 3 << Pointer::Arrow;
    }

    const int left = Qt::LeftButton;
    QTest::newRow("resting on the dragged entry")
        << abcd << left << QStringList{"press 1", "move 1", "move 1"} << abcd << 1
        << Pointer::Custom;
    QTest::newRow("the same path stays behind, the drag goes on")
        << QStringList{"A", "A", "B"} << left << QStringList{"press 0", "move 1", "move 2"}
        << QStringList{"B", "A", "A"} << 2 << Pointer::Custom;
    QTest::newRow("empty space below the entries")
        << abc << left << QStringList{"press 0", "move empty"} << abc << 0 << Pointer::Custom;
    QTest::newRow("below the visible list")
        << numberedEntries(20) << left << QStringList{"press 0", "move outside", "release"}
        << numberedEntries(20) << 0 << Pointer::Arrow;
    QTest::newRow("moves after the release")
        << abc << left << QStringList{"press 0", "release", "move 1", "move 2"} << abc << 0
        << Pointer::Arrow;
    QTest::newRow("never clicked an entry")
        << abc << left << QStringList{"press empty", "move 0", "move 2"} << abc << -1
        << Pointer::Default;
    QTest::newRow("press on empty space goes on with the last dragged entry")
        << abcd << left
        << QStringList{"press 0", "move 1", "release", "press empty", "move 3", "release"}
        << QStringList{"B", "D", "C", "A"} << 3 << Pointer::Arrow;
    QTest::newRow("double-click on the second of three")
        << abc << left << QStringList{"dclick 1"} << QStringList{"A", "C"} << 1 << Pointer::Arrow;
    QTest::newRow("double-click on an empty list")
        << QStringList{} << left << QStringList{"dclick empty"} << QStringList{} << -1
        << Pointer::Arrow;
    QTest::newRow("double-click on empty space removes nothing")
        << abc << left << QStringList{"press 0", "release", "dclick empty"} << abc << -1
        << Pointer::Arrow;
    QTest::newRow("Delete removes the selected entry")
        << abc << left << QStringList{"press 2", "release", "delete"} << QStringList{"A", "B"} << 1
        << Pointer::Arrow;
    QTest::newRow("the keypad's Delete")
        << abc << left << QStringList{"press 2", "release", "keypad-delete"}
        << QStringList{"A", "B"} << 1 << Pointer::Arrow;
    QTest::newRow("Shift+Delete is not Delete")
        << abc << left << QStringList{"press 2", "release", "shift-delete"} << abc << 2
        << Pointer::Arrow;
    QTest::newRow("Delete with nothing selected")
        << abc << left << QStringList{"delete"} << abc << -1 << Pointer::Default;
    QTest::newRow("no drag through a double-click-removed entry")
        << abc << left << QStringList{"dclick 1", "press empty", "move 0", "move 1"}
        << QStringList{"A", "C"} << -1 << Pointer::Arrow;
    QTest::newRow("no drag through an entry removed with Delete")
        << abc << left << QStringList{"press 0", "release", "delete", "press empty", "move 0"}
        << QStringList{"B", "C"} << -1 << Pointer::Arrow;
    QTest::newRow("no drag after removing another entry")
        << abc << left
        << QStringList{"press 0", "release", "down", "down", "delete", "press empty", "move 1"}
        << QStringList{"A", "B"} << -1 << Pointer::Arrow;
    QTest::newRow("a fresh click after a removal drags again")
        << abc << left << QStringList{"dclick 1", "press 0", "move 1"} << QStringList{"C", "A"} << 1
        << Pointer::Custom;
}

void TestListView1::gesture() {
    QFETCH(QStringList, entries);
    QFETCH(int, button);
    QFETCH(QStringList, steps);
    QFETCH(QStringList, expected);
    QFETCH(int, selected);
    QFETCH(int, listPointer);

    makeForm(entries);
    writeDragPicture(QStringLiteral("icon"));
    run(steps, Qt::MouseButton(button));

    QCOMPARE(listed(), expected);
    QCOMPARE(selectedRow(), selected);
    QCOMPARE(m_form->listMousePointer(), listPointer);
}

// The dragged entry passes from `from` onto `onto`; `top` is the first
// visible row before. `scrolled` is the direction the list must move: -1 up,
// 0 not at all, 1 down.
void TestListView1::scroll_data() {
    QTest::addColumn<int>("top");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("onto");
    QTest::addColumn<int>("screenRow");
    QTest::addColumn<int>("scrolled");

    for (int row : {304, 305, 364, 365}) {
        QTest::addRow("up onto the top visible entry, row %d", row)
            << 10 << "top+1"
            << "top" << row << (row < 305 ? -1 : 0);
        QTest::addRow("down onto the bottom visible entry, row %d", row)
            << 10 << "bottom-1"
            << "bottom" << row << (row > 364 ? 1 : 0);
    }
    QTest::newRow("onto the first entry, high") << 0 << "1"
                                                << "0" << 100 << 0;
    QTest::newRow("onto the last entry, low") << 39 << "38"
                                              << "39" << 500 << 0;
}

void TestListView1::scroll() {
    QFETCH(int, top);
    QFETCH(QString, from);
    QFETCH(QString, onto);
    QFETCH(int, screenRow);
    QFETCH(int, scrolled);

    makeForm(numberedEntries(40));
    FileListModel& list = m_form->fileList();
    m_list->scrollTo(list.index(top), QAbstractItemView::PositionAtTop);
    if (top == 39)
        m_list->scrollToBottom();
    QScrollBar* bar = m_list->verticalScrollBar();
    const int before = bar->value();
    QVERIFY(bar->maximum() > 0);

    // The rows fully in view before the move.
    const QRect area = m_list->viewport()->rect();
    const int firstShown = m_list->indexAt(QPoint(10, 1)).row();
    int lastShown = firstShown;
    while (lastShown + 1 < list.count() &&
           area.contains(m_list->visualRect(list.index(lastShown + 1))))
        ++lastShown;
    const auto rowOf = [&](const QString& where) {
        if (where.startsWith(QLatin1String("top")))
            return firstShown + where.mid(3).toInt();
        if (where.startsWith(QLatin1String("bottom")))
            return lastShown + where.mid(6).toInt();
        return where.toInt();
    };
    const int fromRow = rowOf(from);
    const int ontoRow = rowOf(onto);

    *m_screenPosition = QPoint(700, screenRow);
    run({QStringLiteral("press %1").arg(fromRow), QStringLiteral("move %1").arg(ontoRow)},
        Qt::LeftButton);
    QCOMPARE(list.text(ontoRow), numberedEntries(40).at(fromRow));

    const int after = bar->value();
    QCOMPARE((after > before) - (after < before), scrolled);
    if (scrolled != 0)
        QVERIFY(area.contains(m_list->visualRect(list.index(ontoRow + scrolled))));
}

void TestListView1::writeDragPicture(const QString& kind) {
    const QString path = m_programFolder->filePath(QStringLiteral("drag.ico"));
    QFile::remove(path);
    if (kind == QLatin1String("icon")) {
        QImage picture(32, 32, QImage::Format_ARGB32);
        picture.fill(Qt::darkBlue);
        QVERIFY(picture.save(path, "ICO"));
    } else if (kind == QLatin1String("garbage")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a picture at all");
    }
}

// The picture is read again at every entry click; without a readable one the
// list shows its standard pointer.
void TestListView1::dragPicture_data() {
    QTest::addColumn<QString>("atFirstClick");
    QTest::addColumn<QString>("atSecondClick");
    QTest::addColumn<int>("shape");

    QTest::newRow("icon") << "icon"
                          << "icon" << int(Qt::BitmapCursor);
    QTest::newRow("missing") << "missing"
                             << "missing" << int(Qt::ArrowCursor);
    QTest::newRow("unreadable") << "garbage"
                                << "garbage" << int(Qt::ArrowCursor);
    QTest::newRow("removed after the first click") << "icon"
                                                   << "missing" << int(Qt::ArrowCursor);
    QTest::newRow("spoilt after the first click") << "icon"
                                                  << "garbage" << int(Qt::ArrowCursor);
    QTest::newRow("placed after the first click") << "missing"
                                                  << "icon" << int(Qt::BitmapCursor);
}

void TestListView1::dragPicture() {
    QFETCH(QString, atFirstClick);
    QFETCH(QString, atSecondClick);
    QFETCH(int, shape);

    makeForm({"A", "B"});
    writeDragPicture(atFirstClick);
    run({"press 0", "release"}, Qt::LeftButton);
    writeDragPicture(atSecondClick);
    run({"press 1"}, Qt::LeftButton);

    QCOMPARE(m_form->listMousePointer(), Pointer::Custom);
    QCOMPARE(int(m_list->viewport()->cursor().shape()), shape);

    run({"release"}, Qt::LeftButton);
    QCOMPARE(m_form->listMousePointer(), Pointer::Arrow);
    QCOMPARE(m_list->viewport()->cursor().shape(), Qt::ArrowCursor);
}

// `before`: mouse steps on the list ahead of the drag. `answer`: the action
// told to the source, IgnoreAction for a refused drag.
void TestListView1::drop_data() {
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("dragged");
    QTest::addColumn<int>("sourceAllows");
    QTest::addColumn<QString>("dropAt");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("added");

    const QStringList none;
    const int copyOrMove = Qt::CopyAction | Qt::MoveAction;
    const int copy = Qt::CopyAction;
    const int refused = Qt::IgnoreAction;
    const QStringList three{"/videos/c.wmv", "/videos/a.wmv", "/videos/b.wmv"};
    const QStringList web{"https://example.com/a.wmv"};
    const QStringList tmp{QDir::tempPath()};
    const QStringList odd{"/Vidéos/ Clip  ÜBER #1%.WMV "};

    QTest::newRow("text without files")
        << none << QStringList{"text:/videos/a.wmv"} << copyOrMove << "0" << refused << none;
    QTest::newRow("three files onto an entry")
        << none << three << copyOrMove << "0" << copy << three;
    QTest::newRow("three files onto empty space")
        << none << three << copyOrMove << "empty" << copy << three;
    QTest::newRow("files with text beside them")
        << none << three + QStringList{"text:words"} << copyOrMove << "0" << copy << three;
    QTest::newRow("a path already listed") << none << QStringList{"/videos/first.wmv"} << copyOrMove
                                           << "0" << copy << QStringList{"/videos/first.wmv"};
    QTest::newRow("another type of file") << none << QStringList{"/docs/notes.txt"} << copyOrMove
                                          << "0" << copy << QStringList{"/docs/notes.txt"};
    QTest::newRow("a folder") << none << tmp << copyOrMove << "0" << copy << tmp;
    QTest::newRow("names kept exactly") << none << odd << copyOrMove << "0" << copy << odd;
    QTest::newRow("an empty file list") << none << none << copyOrMove << "0" << copy << none;
    QTest::newRow("a web address") << none << web << copyOrMove << "0" << refused << none;
    QTest::newRow("a file and a web address")
        << none << QStringList{"/videos/a.wmv"} + web << copyOrMove << "0" << refused << none;
    // Answering a move would have the source delete the files it lent us.
    QTest::newRow("a source that only moves")
        << none << three << int(Qt::MoveAction) << "0" << refused << none;
    QTest::newRow("a source that moves or links")
        << none << three << int(Qt::MoveAction | Qt::LinkAction) << "0" << int(Qt::LinkAction)
        << three;
    QTest::newRow("after dragging an entry") << QStringList{"press 0", "move 1", "release"} << three
                                             << copyOrMove << "0" << copy << three;
}

void TestListView1::drop() {
    QFETCH(QStringList, before);
    QFETCH(QStringList, dragged);
    QFETCH(int, sourceAllows);
    QFETCH(QString, dropAt);
    QFETCH(int, answer);
    QFETCH(QStringList, added);

    makeForm({"/videos/first.wmv", "/videos/second.wmv"});
    run(before, Qt::LeftButton);
    const QStringList listedBefore = listed();
    m_list->selectionModel()->setCurrentIndex(m_form->fileList().index(1),
                                              QItemSelectionModel::ClearAndSelect);
    const int pointer = m_form->MousePointer();

    const auto data = dragData(dragged);
    const QPoint at = pointFor(dropAt);
    const auto allowed = Qt::DropActions(sourceAllows);
    const bool accepted = answer != Qt::IgnoreAction;
    QWidget* viewport = m_list->viewport();

    QDragEnterEvent enter(at, allowed, data.get(), Qt::LeftButton, Qt::NoModifier);
    QDragMoveEvent move(at, allowed, data.get(), Qt::LeftButton, Qt::NoModifier);
    QDropEvent drop(at, allowed, data.get(), Qt::LeftButton, Qt::NoModifier);
    for (QDropEvent* event : std::initializer_list<QDropEvent*>{&enter, &move, &drop}) {
        // After a refusal the toolkit delivers no drop; the handler must
        // still take nothing if one came.
        if (event == &drop && !accepted)
            m_form->ListView1_OLEDragDrop(drop);
        else
            QApplication::sendEvent(viewport, event);
        QCOMPARE(event->isAccepted(), accepted);
        if (accepted)
            QCOMPARE(int(event->dropAction()), answer);
    }

    QStringList expected = listedBefore;
    for (const QString& path : added)
        expected << QDir::toNativeSeparators(path);
    QCOMPARE(listed(), expected);
    // A drop selects nothing new, scrolls nothing and leaves the pointer.
    QCOMPARE(selectedRow(), 1);
    QCOMPARE(m_list->verticalScrollBar()->value(), 0);
    QCOMPARE(m_form->MousePointer(), pointer);
}

QTEST_MAIN(TestListView1)
#include "tst_list_view1.moc"
