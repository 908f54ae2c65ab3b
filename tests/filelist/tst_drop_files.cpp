#include "app/Form1.h"
#include "filelist/FileListModel.h"
#include "filelist/FileListView.h"

#include <memory>
#include <optional>
#include <tuple>

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <QUrl>

class TestDropFiles : public QObject {
    Q_OBJECT

private slots:
    void drop_data();
    void drop();
    void dropAfterAnEntryClick();

private:
    void makeForm(const QStringList& entries);
    QStringList listed() const;

    std::unique_ptr<Form1> m_form;
    FileListView* m_list = nullptr;
};

void TestDropFiles::makeForm(const QStringList& entries) {
    PlatformServices services = PlatformServices::system();
    services.programFolder = QDir::tempPath();
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

QStringList TestDropFiles::listed() const {
    QStringList texts;
    for (int row = 0; row < m_form->fileList().count(); ++row)
        texts << m_form->fileList().text(row);
    return texts;
}

namespace {

// A drag carrying `urls` (a file URL for each "/..." path, other texts taken
// as they are); no URL list at all when `urls` is null, and `text` when given.
std::unique_ptr<QMimeData> dragData(const std::optional<QStringList>& urls, const QString& text) {
    auto data = std::make_unique<QMimeData>();
    if (urls) {
        QList<QUrl> list;
        for (const QString& url : *urls)
            list << (url.startsWith(QLatin1Char('/')) ? QUrl::fromLocalFile(url) : QUrl(url));
        data->setUrls(list);
    }
    if (!text.isEmpty())
        data->setText(text);
    return data;
}

QStringList nativePaths(const QStringList& paths) {
    QStringList native;
    for (const QString& path : paths)
        native << QDir::toNativeSeparators(path);
    return native;
}

} // namespace

void TestDropFiles::drop_data() {
    QTest::addColumn<bool>("withUrls");
    QTest::addColumn<QStringList>("urls");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("sourceAllows");
    QTest::addColumn<QString>("dropAt");
    QTest::addColumn<int>("answer"); // the action told to the source; IgnoreAction: refused
    QTest::addColumn<QStringList>("added");

    const int copyOrMove = Qt::CopyAction | Qt::MoveAction;
    const int copy = Qt::CopyAction;
    const int ignored = Qt::IgnoreAction;
    const QStringList three{"/videos/c.wmv", "/videos/a.wmv", "/videos/b.wmv"};

    QTest::newRow("text without files") << false << QStringList{} << "/videos/a.wmv" << copyOrMove
                                        << "entry" << ignored << QStringList{};
    QTest::newRow("three files onto an entry")
        << true << three << "" << copyOrMove << "entry" << copy << three;
    QTest::newRow("three files onto empty space")
        << true << three << "" << copyOrMove << "empty" << copy << three;
    QTest::newRow("files with text beside them")
        << true << three << "some words" << copyOrMove << "entry" << copy << three;
    QTest::newRow("a path already listed")
        << true << QStringList{"/videos/first.wmv"} << "" << copyOrMove << "entry" << copy
        << QStringList{"/videos/first.wmv"};
    QTest::newRow("another type of file")
        << true << QStringList{"/docs/notes.txt"} << "" << copyOrMove << "entry" << copy
        << QStringList{"/docs/notes.txt"};
    QTest::newRow("a folder") << true << QStringList{QDir::tempPath()} << "" << copyOrMove
                              << "entry" << copy << QStringList{QDir::tempPath()};
    QTest::newRow("names kept exactly")
        << true << QStringList{"/Vidéos/ Clip  ÜBER #1%.WMV "} << "" << copyOrMove << "entry"
        << copy << QStringList{"/Vidéos/ Clip  ÜBER #1%.WMV "};
    QTest::newRow("an empty file list")
        << true << QStringList{} << "" << copyOrMove << "entry" << copy << QStringList{};
    QTest::newRow("a web address") << true << QStringList{"https://example.com/a.wmv"} << ""
                                   << copyOrMove << "entry" << ignored << QStringList{};
    QTest::newRow("a file and a web address")
        << true << QStringList{"/videos/a.wmv", "https://example.com/b.wmv"} << "" << copyOrMove
        << "entry" << ignored << QStringList{};
    // Answering a move would have the source delete the files it lent us.
    QTest::newRow("a source that only moves")
        << true << three << "" << int(Qt::MoveAction) << "entry" << ignored << QStringList{};
    QTest::newRow("a source that only links")
        << true << three << "" << int(Qt::LinkAction) << "entry" << int(Qt::LinkAction) << three;
    QTest::newRow("a source that moves or links")
        << true << three << "" << int(Qt::MoveAction | Qt::LinkAction) << "entry"
        << int(Qt::LinkAction) << three;
}

void TestDropFiles::drop() {
    QFETCH(bool, withUrls);
    QFETCH(QStringList, urls);
    QFETCH(QString, text);
    QFETCH(int, sourceAllows);
    QFETCH(QString, dropAt);
    QFETCH(int, answer);
    QFETCH(QStringList, added);

    const QStringList before{"/videos/first.wmv", "/videos/second.wmv"};
    makeForm(before);
    m_list->selectionModel()->setCurrentIndex(m_form->fileList().index(1),
                                              QItemSelectionModel::ClearAndSelect);
    const int pointer = m_form->MousePointer();

    const auto data = dragData(withUrls ? std::optional(urls) : std::nullopt, text);
    const QPoint at = dropAt == QLatin1String("entry")
                          ? m_list->visualRect(m_form->fileList().index(0)).center()
                          : QPoint(10, m_list->viewport()->height() - 3);
    const auto allowed = Qt::DropActions(sourceAllows);
    QWidget* viewport = m_list->viewport();
    const bool accepted = answer != Qt::IgnoreAction;

    QDragEnterEvent enter(at, allowed, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QCOMPARE(enter.isAccepted(), accepted);
    QDragMoveEvent move(at, allowed, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
    QCOMPARE(move.isAccepted(), accepted);
    if (accepted) {
        QCOMPARE(int(enter.dropAction()), answer);
        QCOMPARE(int(move.dropAction()), answer);
    }

    // Sent even for a refused drag: the drop itself must not take it either.
    QDropEvent drop(at, allowed, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
    QCOMPARE(drop.isAccepted(), accepted);
    if (accepted)
        QCOMPARE(int(drop.dropAction()), answer);

    QCOMPARE(listed(), before + nativePaths(added));
    // A drop selects nothing new, scrolls nothing and leaves the pointer.
    QCOMPARE(m_list->selectionModel()->selectedRows().value(0).row(), 1);
    QCOMPARE(m_list->verticalScrollBar()->value(), 0);
    QCOMPARE(m_form->MousePointer(), pointer);
}

// Clicking and dragging an entry leaves the list a drop target.
void TestDropFiles::dropAfterAnEntryClick() {
    makeForm({"/videos/a.wmv", "/videos/b.wmv"});
    QWidget* viewport = m_list->viewport();
    const QPoint first = m_list->visualRect(m_form->fileList().index(0)).center();
    const QPoint second = m_list->visualRect(m_form->fileList().index(1)).center();
    for (auto [type, at, held] :
         {std::tuple(QEvent::MouseButtonPress, first, Qt::MouseButtons(Qt::LeftButton)),
          std::tuple(QEvent::MouseMove, second, Qt::MouseButtons(Qt::LeftButton)),
          std::tuple(QEvent::MouseButtonRelease, second, Qt::MouseButtons())}) {
        QMouseEvent event(type, QPointF(at), QPointF(viewport->mapToGlobal(at)),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held,
                          Qt::NoModifier);
        QApplication::sendEvent(viewport, &event);
    }
    QCOMPARE(listed(), (QStringList{"/videos/b.wmv", "/videos/a.wmv"}));
    QVERIFY(viewport->acceptDrops());

    const auto data = dragData(QStringList{"/videos/c.wmv"}, {});
    QDragEnterEvent enter(first, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(first, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
    QCOMPARE(listed(), (QStringList{"/videos/b.wmv", "/videos/a.wmv",
                                    QDir::toNativeSeparators("/videos/c.wmv")}));
}

QTEST_MAIN(TestDropFiles)
#include "tst_drop_files.moc"
