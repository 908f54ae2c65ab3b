#include "app/Form1.h"
#include "app/Pointers.h"
#include "app/TwoStateButton.h"
#include "filelist/FileListModel.h"
#include "tests/support/TestServices.h"

#include <memory>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// The "Add All WMV File(s) In Folder" command, through the window's handler
// into the real list, on folders made for each test.
class TestAddFolder : public QObject {
    Q_OBJECT

private slots:
    void appendsInFolderOrder_data();
    void appendsInFolderOrder();
    void cancelAddsNothing();
    void busyPointerDuringScanOnly();
    void secondScanFromInsideRunsToItsEnd();

private:
    struct Picker {
        QStringList answers; // taken one per use; empty once used up
        int shown = 0;
        QString title;
        QWidget* owner = nullptr;
    };

    std::unique_ptr<Form1> makeForm(const std::shared_ptr<Picker>& picker);
    static void makeFiles(const QTemporaryDir& dir, const QStringList& relativePaths);
    static QStringList listed(const Form1& form);
    static void clickCheck3(Form1& form);

    std::shared_ptr<ServiceLog> m_log;
};

std::unique_ptr<Form1> TestAddFolder::makeForm(const std::shared_ptr<Picker>& picker) {
    m_log = std::make_shared<ServiceLog>();
    PlatformServices services = testServices(m_log);
    services.chooseFolder = [picker](QWidget* owner, const QString& title) {
        ++picker->shown;
        picker->title = title;
        picker->owner = owner;
        return picker->answers.isEmpty() ? QString() : picker->answers.takeFirst();
    };
    auto form = std::make_unique<Form1>(std::move(services));
    form->Form_Load();
    form->show();
    return form;
}

void TestAddFolder::makeFiles(const QTemporaryDir& dir, const QStringList& relativePaths) {
    for (const QString& relative : relativePaths) {
        const QString path = dir.filePath(relative);
        if (relative.endsWith('/')) {
            QVERIFY(QDir().mkpath(path));
            continue;
        }
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
}

QStringList TestAddFolder::listed(const Form1& form) {
    QStringList texts;
    for (int row = 0; row < form.fileList().count(); ++row)
        texts << form.fileList().text(row);
    return texts;
}

void TestAddFolder::clickCheck3(Form1& form) {
    QTest::mouseClick(form.findChild<TwoStateButton*>("Check3"), Qt::LeftButton);
}

void TestAddFolder::appendsInFolderOrder_data() {
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("alreadyListed");
    QTest::addColumn<QString>("chosenSuffix");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("level order, A1 after B")
        << QStringList{"A/A1/a1.wmv", "B/b.wmv", "A/a.wmv", "r.wmv", "~r.wmv"} << QStringList{}
        << "" << QStringList{"r.wmv", "A/a.wmv", "B/b.wmv", "A/A1/a1.wmv"};
    QTest::newRow("chosen with its final separator")
        << QStringList{"a.wmv", "S/s.wmv"} << QStringList{} << "/"
        << QStringList{"a.wmv", "S/s.wmv"};
    QTest::newRow("behind what is listed, duplicates kept")
        << QStringList{"a.wmv"} << QStringList{"/x/first.wmv", "@a.wmv"} << ""
        << QStringList{"/x/first.wmv", "@a.wmv", "a.wmv"};
}

void TestAddFolder::appendsInFolderOrder() {
    QFETCH(QStringList, files);
    QFETCH(QStringList, alreadyListed);
    QFETCH(QString, chosenSuffix);
    QFETCH(QStringList, expected);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    makeFiles(dir, files);
    const QString root = QDir::cleanPath(dir.path()) + '/';
    const auto withRoot = [&](const QString& p) {
        if (p.startsWith('/'))
            return p;
        return root + (p.startsWith('@') ? p.mid(1) : p);
    };

    auto picker = std::make_shared<Picker>();
    picker->answers << QDir::cleanPath(dir.path()) + chosenSuffix;
    auto form = makeForm(picker);
    for (const QString& p : alreadyListed)
        form->AddFileToList(withRoot(p));

    clickCheck3(*form);

    QStringList want;
    for (const QString& p : expected)
        want << withRoot(p);
    QCOMPARE(listed(*form), want);
    // One click shows one picker: the button's reset starts nothing.
    QCOMPARE(picker->shown, 1);
    QCOMPARE(picker->title, QStringLiteral("Please select folder to add:"));
    QCOMPARE(picker->owner, form.get());
    QCOMPARE(form->findChild<TwoStateButton*>("Check3")->Value(), 0);
    QVERIFY(m_log->messages.isEmpty());
}

void TestAddFolder::cancelAddsNothing() {
    auto picker = std::make_shared<Picker>();
    auto form = makeForm(picker);
    form->AddFileToList("/x/kept.wmv");
    form->setMousePointer(Pointer::Custom);

    clickCheck3(*form);

    QCOMPARE(picker->shown, 1);
    QCOMPARE(listed(*form), QStringList{"/x/kept.wmv"});
    QCOMPARE(form->MousePointer(), Pointer::Custom);
    QVERIFY(m_log->messages.isEmpty());
}

void TestAddFolder::busyPointerDuringScanOnly() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    makeFiles(dir, {"a.wmv", "Sub/b.wmv"});
    auto picker = std::make_shared<Picker>();
    picker->answers << dir.path();
    auto form = makeForm(picker);

    // A timer can only fire while the scan hands the window its turn.
    int pointerDuring = -1;
    QTimer::singleShot(0, form.get(), [&] { pointerDuring = form->MousePointer(); });
    clickCheck3(*form);

    QCOMPARE(pointerDuring, Pointer::Busy);
    QCOMPARE(form->MousePointer(), Pointer::Default);
    QCOMPARE(form->fileList().count(), 2);
    QVERIFY(m_log->messages.isEmpty());
}

void TestAddFolder::secondScanFromInsideRunsToItsEnd() {
    QTemporaryDir outer;
    QTemporaryDir inner;
    QVERIFY(outer.isValid() && inner.isValid());
    makeFiles(outer, {"o1.wmv", "O/o2.wmv", "O/P/o3.wmv"});
    makeFiles(inner, {"i1.wmv", "I/i2.wmv"});
    auto picker = std::make_shared<Picker>();
    picker->answers << outer.path() << inner.path();
    auto form = makeForm(picker);

    QStringList listedWhenInnerEnded;
    int pointerAfterInner = -1;
    QTimer::singleShot(0, form.get(), [&] {
        clickCheck3(*form);
        listedWhenInnerEnded = listed(*form);
        pointerAfterInner = form->MousePointer();
    });
    clickCheck3(*form);

    const QString o = QDir::cleanPath(outer.path()) + '/';
    const QString i = QDir::cleanPath(inner.path()) + '/';
    QCOMPARE(picker->shown, 2);
    // The inner scan was complete before the outer one went on, and the
    // outer one's files follow in their own order, none lost or doubled.
    QCOMPARE(listedWhenInnerEnded, (QStringList{i + "i1.wmv", i + "I/i2.wmv"}));
    QCOMPARE(listed(*form), (QStringList{i + "i1.wmv", i + "I/i2.wmv", o + "o1.wmv", o + "O/o2.wmv",
                                         o + "O/P/o3.wmv"}));
    QCOMPARE(pointerAfterInner, Pointer::Default);
    QCOMPARE(form->MousePointer(), Pointer::Default);
}

QTEST_MAIN(TestAddFolder)
#include "tst_add_folder.moc"
