#include "app/Form1.h"
#include "filelist/FileListModel.h"
#include "filelist/FileListView.h"
#include "tests/support/TestServices.h"

#include <QTest>
#include <QtWidgets>

class TestListView1 : public QObject {
    Q_OBJECT

    QTemporaryDir m_programFolder;
    QPoint m_screenPosition;
    std::unique_ptr<Form1> m_form;
    FileListView* m_list = nullptr;
    Qt::MouseButton m_button = Qt::LeftButton;
    Qt::MouseButtons m_held;
    int m_top = 0;

    void makeForm(const QStringList& entries) {
        auto services = testServices(std::make_shared<ServiceLog>(), m_programFolder.path());
        services.cursorPosition = [this] { return m_screenPosition; };
        m_form = std::make_unique<Form1>(std::move(services));
        m_form->Form_Load();
        for (const QString& entry : entries)
            m_form->AddFileToList(entry);
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        m_list = m_form->findChild<FileListView*>("ListView1");
        m_button = Qt::LeftButton;
        m_held = {};
        m_screenPosition = QPoint(700, 335);
        m_top = topRow();
    }

    // A row, or "e" for the list space below the last entry.
    QPoint pointFor(const QString& where) const {
        return where == "e" ? QPoint(10, m_list->viewport()->rect().bottom() - 2)
                            : m_list->visualRect(m_form->fileList().index(where.toInt())).center();
    }

    // Space-separated steps: p, m, r or c (press, move, release, double-click
    // event) at a place for pointFor(), moves with the buttons held; lost, a
    // release that never reaches the list; Right or Middle, the button from
    // then on; a key (Del, Down, ...); y304, the pointer's screen row; top5 or
    // end5, row 5 scrolled to the view's top or bottom; ico:icon, ico:garbage
    // or ico:missing, what drag.ico holds.
    void run(const QString& steps) {
        for (const QString& step : steps.split(' ', Qt::SkipEmptyParts)) {
            static const QHash<QChar, QEvent::Type> mouseEvents{{'p', QEvent::MouseButtonPress},
                                                                {'r', QEvent::MouseButtonRelease},
                                                                {'c', QEvent::MouseButtonDblClick},
                                                                {'m', QEvent::MouseMove}};
            if (step == "Right" || step == "Middle") {
                m_button = step == "Right" ? Qt::RightButton : Qt::MiddleButton;
            } else if (step == "lost") {
                m_held = {};
            } else if (mouseEvents.contains(step[0])) {
                const QEvent::Type type = mouseEvents[step[0]];
                const QPoint at = pointFor(step.mid(1));
                if (type != QEvent::MouseMove)
                    m_held = type == QEvent::MouseButtonRelease ? Qt::NoButton : m_button;
                QMouseEvent event(type, at, m_list->viewport()->mapToGlobal(at),
                                  type == QEvent::MouseMove ? Qt::NoButton : m_button, m_held, {});
                QApplication::sendEvent(m_list->viewport(), &event);
            } else if (step[0] == 'y') {
                m_screenPosition.setY(step.mid(1).toInt());
            } else if (step.startsWith("top") || step.startsWith("end")) {
                m_list->scrollTo(m_form->fileList().index(step.mid(3).toInt()),
                                 step[0] == 't' ? QAbstractItemView::PositionAtTop
                                                : QAbstractItemView::PositionAtBottom);
                m_top = topRow();
            } else if (step.startsWith("ico:")) {
                QFile file(m_programFolder.filePath("drag.ico"));
                file.remove();
                QImage picture(32, 32, QImage::Format_ARGB32);
                picture.fill(Qt::darkBlue);
                QVERIFY(step == "ico:missing" ||
                        (step == "ico:icon" ? picture.save(file.fileName(), "ICO")
                                            : file.open(QIODevice::WriteOnly) && file.write("?")));
            } else {
                const QKeyCombination key = QKeySequence(step)[0];
                QTest::keyClick(m_list, key.key(), key.keyboardModifiers());
            }
        }
    }

    QByteArrayList paths() const {
        QByteArrayList bytes;
        for (int row = 0; row < m_form->fileList().count(); ++row)
            bytes << QByteArray::fromStdString(m_form->fileList().path(row));
        return bytes;
    }

    int topRow() const { return m_list->indexAt(QPoint(10, 1)).row(); }

    QStringList shown() const {
        QStringList texts;
        for (int row = 0; row < m_form->fileList().count(); ++row)
            texts << QString(m_list->selectionModel()->isRowSelected(row) ? "[%1]" : "%1")
                         .arg(m_form->fileList().displayText(row));
        return texts;
    }

private slots:
    // Entries (a letter each), steps, and what follows: the entries with the
    // selected one in brackets, the list's pointer setting (0 default, 1
    // arrow, 99 custom), whether drag.ico shows, how many rows it scrolled.
    void gesture_data() {
        QTest::addColumn<QStringList>("row");
        const auto row = [](const char* name, const char* entries, const char* steps,
                            const char* expected) {
            QTest::newRow(name) << QStringList{entries, steps, expected};
        };
        row("over each entry in turn", "ABCD", "p0 m1 m2 m3 r", "BCD[A] 1");
        row("straight to the last", "ABCD", "p0 m3 r", "DBC[A] 1");
        row("right, then middle button", "ABCD", "Right p0 m1 r Middle p1 m3 r", "BDC[A] 1");
        row("same text, case counts", "AaAB", "p0 m1 m2 m3", "aBA[A] 99 drag.ico");
        row("empty space", "ABC", "p0 me", "[A]BC 99 drag.ico");
        row("below the view", "ABCDEFGHIJ", "p0 m9", "[A]BCDEFGHIJ 99 drag.ico");
        row("never clicked an entry", "ABC", "pe m0 m2", "ABC 0");
        // The last drag goes on after a press on empty space, not before it.
        row("released, then on", "ABCD", "p0 m1 r m2 pe m3 r", "BDC[A] 1");
        // A message box took the release: moves without a button reorder nothing.
        row("release lost", "ABCD", "p0 m1 lost m2 m3", "B[A]CD 99 drag.ico");
        row("up at row 304", "ABCDEFGHIJKL", "top5 y304 p6 m5", "ABCDE[G]FHIJKL 99 drag.ico -1");
        row("not at row 305", "ABCDEFGHIJKL", "top5 y305 p6 m5", "ABCDE[G]FHIJKL 99 drag.ico");
        row("not at row 364", "ABCDEFGHIJKL", "end6 y364 p5 m6", "ABCDEG[F]HIJKL 99 drag.ico");
        row("down at row 365", "ABCDEFGHIJKL", "end6 y365 p5 m6", "ABCDEG[F]HIJKL 99 drag.ico 1");
        row("first at 100, last at 500", "ABC", "y100 p1 m0 r y500 p1 m2", "BC[A] 99 drag.ico");
        // Double-clicks on empty space, then on the second of three.
        row("double-clicks", "ABC", "p0 r pe r ce r p1 r c1 r", "A[C] 1");
        row("double-click on an empty list", "", "pe r ce r", " 1");
        // A removal ends the drag: only a fresh entry click starts one. Shift+Delete
        // removes nothing, Delete and the keypad's remove C, then D.
        row("Delete, no drag after", "ABCD", "p0 r Down Down Shift+Del Del Num+Del pe m1", "AB 1");
        row("no drag through the removed", "ABC", "p1 r c1 r pe m0 m1 p0 m1", "C[A] 99 drag.ico");
        // drag.ico is read again at every entry click.
        row("drag.ico spoilt", "AB", "p0 r ico:garbage p1", "A[B] 99");
        row("drag.ico placed", "AB", "ico:missing p0 r ico:icon p1", "A[B] 99 drag.ico");
    }

    void gesture() {
        QFETCH(QStringList, row);
        makeForm(row[0].split(QString(), Qt::SkipEmptyParts));
        run("ico:icon " + row[1]);
        QStringList state{shown().join(QString()), QString::number(m_form->listMousePointer())};
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
        const Qt::DropActions copyOrMove = Qt::CopyAction | Qt::MoveAction;
        const auto row = [](const char* name, const QByteArrayList& dragged,
                            Qt::DropActions allowed, Qt::DropAction answer) {
            QTest::newRow(name) << dragged << allowed << answer;
        };
        row("text without files", {"text"}, copyOrMove, Qt::IgnoreAction);
        row("in order, as given: listed, a folder, any type or name",
            {"/videos/first.wmv", "/videos/Holiday 2009", "/Vidéos/ Clip  ÜBER #1%.TXT "},
            copyOrMove, Qt::CopyAction);
        if (QDir::separator() == '/')
            row("names that are not UTF-8, one beside its look-alike",
                {"/v/lat\xe9.wmv", "/v/twin\xff.wmv", "/v/twin\xef\xbf\xbd.wmv"}, copyOrMove,
                Qt::CopyAction);
        row("an empty file list", {}, copyOrMove, Qt::CopyAction);
        row("a file and a web address", {"/videos/a.wmv", "https://example.com/a.wmv"}, copyOrMove,
            Qt::IgnoreAction);
        // Answering a move would have the source delete the files it lent us.
        row("a source that only moves", {"/videos/a.wmv"}, Qt::MoveAction, Qt::IgnoreAction);
    }

    void drop() {
        QFETCH(QByteArrayList, dragged);
        QFETCH(Qt::DropActions, allowed);
        QFETCH(Qt::DropAction, answer);
        makeForm({"/videos/first.wmv", "/videos/second.wmv"});
        // Entry clicks and a reorder ahead of the drag leave drops welcome.
        run("p0 m1 r p1 r");
        QByteArrayList expected = paths();

        QMimeData data;
        data.setText("/videos/a.wmv");
        QList<QUrl> urls;
        for (const QByteArray& item : dragged)
            urls << (item.startsWith('/')
                         ? QUrl::fromEncoded("file://" + item.toPercentEncoding("/"))
                         : QUrl(item));
        if (dragged != QByteArrayList{"text"})
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
        for (const QByteArray& path : answer != Qt::IgnoreAction ? dragged : QByteArrayList())
            expected << QByteArray(path).replace('/', QDir::separator().toLatin1());
        QCOMPARE(paths(), expected);
    }
};

QTEST_MAIN(TestListView1)
#include "tst_list_view1.moc"
