#include "app/Form1.h"
#include "app/Pointers.h"
#include "app/TwoStateButton.h"
#include "convert/Utf8Path.h"
#include "filelist/FileListModel.h"
#include "tests/support/TestServices.h"

#include <filesystem>
#include <fstream>

#include <QTest>
#include <QtCore>

// The "Add All WMV File(s) In Folder" command, through the window's handler
// into the real list, on folders made for each row.
class TestAddFolder : public QObject {
    Q_OBJECT

private slots:
    // `answers`: what the picker gives, one per showing, after the path of a
    // fresh folder that holds `files`; none is a cancel. A second answer goes
    // to a click made while the first scan hands the window its turn. The
    // folder's "a.wmv" is listed before the click.
    void check3_data() {
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QByteArrayList>("files");
        QTest::addColumn<QByteArrayList>("expected");
        QTest::newRow("level order behind the list; the root with a final separator")
            << QStringList{"/"} << QByteArrayList{"A/A1/a1.wmv", "B/b.wmv", "A/a.wmv", "a.wmv"}
            << QByteArrayList{"a.wmv", "a.wmv", "A/a.wmv", "B/b.wmv", "A/A1/a1.wmv"};
        QTest::newRow("cancel") << QStringList{} << QByteArrayList{"a.wmv"}
                                << QByteArrayList{"a.wmv"};
        QTest::newRow("a scan inside a scan ends first")
            << QStringList{"/O/", "/I"}
            << QByteArrayList{"O/o.wmv", "O/P/p.wmv", "I/i.wmv", "I/J/j.wmv"}
            << QByteArrayList{"a.wmv", "I/i.wmv", "I/J/j.wmv", "O/o.wmv", "O/P/p.wmv"};
        // Listed with the exact bytes of their names, one beside its look-alike.
        if (QDir::separator() == '/')
            QTest::newRow("names that are not UTF-8")
                << QStringList{""}
                << QByteArrayList{"lat\xe9.wmv", "twin\xff.wmv", "twin\xef\xbf\xbd.wmv"}
                << QByteArrayList{"a.wmv", "lat\xe9.wmv", "twin\xef\xbf\xbd.wmv", "twin\xff.wmv"};
    }

    void check3() {
        QFETCH(QStringList, answers);
        QFETCH(QByteArrayList, files);
        QFETCH(QByteArrayList, expected);
        const QTemporaryDir dir;
        const QByteArray root = QFile::encodeName(dir.path()) + '/';
        for (const QByteArray& file : files) {
            const auto path = quillaro::pathFromUtf8((root + file).toStdString());
            std::filesystem::create_directories(path.parent_path());
            QVERIFY(std::ofstream(path));
        }

        // The titles of the pickers and the messages shown, in order.
        QStringList asked;
        PlatformServices services = testServices(std::make_shared<ServiceLog>());
        services.showMessage = [&](QWidget*, const QString& text) { asked << text; };
        services.chooseFolder = [&](QWidget* owner, const QString& title) {
            asked << (qobject_cast<Form1*>(owner) ? title : "another owner");
            return asked.size() > answers.size() ? QString()
                                                 : dir.path() + answers[asked.size() - 1];
        };
        const auto form = std::make_unique<Form1>(std::move(services));
        form->show();
        form->AddFileToList(dir.filePath("a.wmv"));
        form->setMousePointer(Pointer::Custom);
        auto* check3 = form->findChild<TwoStateButton*>("Check3");
        int pointerDuring = -1;
        // A timer can only fire while a scan hands the window its turn.
        QTimer::singleShot(0, form.get(), [&] {
            pointerDuring = form->MousePointer();
            if (asked.size() < answers.size())
                QTest::mouseClick(check3, Qt::LeftButton);
        });
        QTest::mouseClick(check3, Qt::LeftButton);

        QByteArrayList listed;
        for (int row = 0; row < form->fileList().count(); ++row)
            listed << QByteArray::fromStdString(form->fileList().path(row)).mid(root.size());
        for (QByteArray& path : expected)
            path.replace('/', QDir::separator().toLatin1());
        QCOMPARE(listed, expected);
        // One click shows one picker, the button's reset nothing; no message.
        QCOMPARE(asked,
                 QStringList(qMax<qsizetype>(1, answers.size()), "Please select folder to add:"));
        QCOMPARE(check3->Value(), 0);
        // Busy (11) while the scan runs, then the default (0); a cancel leaves
        // the pointer alone (99).
        QCOMPARE(QString("%1 %2").arg(pointerDuring).arg(form->MousePointer()),
                 answers.isEmpty() ? "-1 99" : "11 0");
    }
};

QTEST_MAIN(TestAddFolder)
#include "tst_add_folder.moc"
