#include "app/Form1.h"

#include "app/Form1BatchWindow.h"
#include "app/PointerFiles.h"
#include "app/Pointers.h"
#include "app/StartUp.h"
#include "app/TwoStateButton.h"
#include "app/WindowGoneWatch.h"
#include "base/ProgramFolder.h"
#include "base/Utf8Path.h"
#include "convert/BatchConversion.h"
#include "convert/EncoderCommand.h"
#include "filelist/AddFolder.h"
#include "filelist/FileListModel.h"
#include "filelist/FileListView.h"
#include "filelist/OpenDialogResult.h"

#include <filesystem>
#include <system_error>

#include <QCloseEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QProgressBar>

namespace {

const QString caption = QStringLiteral("Quillaro");
const QString columnHeader = QStringLiteral("WMV File(s)");
constexpr int columnWidth = 353; // 5300 twips
const QString noFilesAddedText = QStringLiteral("No files added.");
const QString stopQuestionText = QStringLiteral("Stop converting after the current file?");
const QString addFilesTitle =
    QStringLiteral("Add File(s) - Hold Ctrl or Shift to select multiple files");
const QString addFilesFilter = QStringLiteral("Windows Media Video Files (*.wmv)|*.wmv|");
const QString addFolderTitle = QStringLiteral("Please select folder to add:");

} // namespace

Form1::Form1(PlatformServices services, QWidget* parent)
    : QWidget(parent)
    , m_services(std::move(services))
    , CommonDialog1(this, m_services.chooseFiles)
    , m_conversion(std::make_unique<quillaro::BatchConversion>()) {
    createControls();
    // Destroyed from outside, the window is gone as surely as when closed.
    m_windowGone = std::make_unique<WindowGoneWatch>(*this, [this] { Form_Unload(); });
}

Form1::~Form1() = default;

std::string Form1::programFile(const char* name) const {
    return quillaro::programFile(m_services.programFolder, name);
}

void Form1::Form_Load() {
    CenterForm(*this);
    setWindowTitle(caption);

    const std::string handPointer = programFile("HAND-M.CUR");
    if (FileExists(handPointer))
        m_pointers->setWindowPicture(loadCursorFile(handPointer));

    OpenHomePageAtRandom(m_services.randomDraw, m_services.openWebPage);

    fileList().setHeaderText(columnHeader);
    ListView1->setAccessibleName(columnHeader);
    ListView1->header()->resizeSection(0, columnWidth);

    QPalette bar = ProgressBar1->palette();
    bar.setColor(QPalette::Base, Qt::white);
    bar.setColor(QPalette::Window, Qt::white);
    ProgressBar1->setPalette(bar);
}

void Form1::Form_Unload() {
    m_services.endProgram();
}

void Form1::closeEvent(QCloseEvent* event) {
    event->accept();
    Form_Unload();
}

void Form1::Check1_Click() {
    if (Check1->Value() != 1)
        return;
    Check1->setValue(0);

    CommonDialog1.FileName.clear();
    CommonDialog1.DialogTitle = addFilesTitle;
    CommonDialog1.Filter = addFilesFilter;
    CommonDialog1.ShowOpen();

    const auto paths = quillaro::pathsFromOpenDialogResult(pathFromQString(CommonDialog1.FileName),
                                                           quillaro::nativeSeparator);
    for (std::string path : paths)
        AddFileToList(std::move(path));
}

void Form1::Check2_Click() {
    if (Check2->Value() != 1)
        return;
    Check2->setValue(0);

    // Pressed again while files are being written: never start a second pass.
    if (m_conversion->isRunning()) {
        if (m_services.askYesNo(this, stopQuestionText))
            m_conversion->requestStop();
        return;
    }

    if (fileList().count() == 0) {
        m_services.showMessage(this, noFilesAddedText);
        return;
    }

    const std::string encoder = quillaro::encoderPath(m_services.programFolder);
    if (const auto problem = quillaro::encoderProblem(encoder)) {
        m_services.showMessage(this, QString::fromStdString(*problem));
        return;
    }

    auto awake = keepAwakeForBatch();
    Form1BatchWindow window(*this, *m_conversion);
    const quillaro::BatchOutcome outcome = m_conversion->run(window, encoder);
    awake.reset();
    m_services.showMessage(this, QString::fromStdString(quillaro::endReport(outcome)));
}

// A batch runs for hours, often overnight: the system must not sleep through
// it, also between two encoder runs. Once the report shows, the work is done
// and an unattended machine may sleep.
std::unique_ptr<SleepBlock> Form1::keepAwakeForBatch() {
    if (!m_services.keepAwake)
        return nullptr;
    const int files = fileList().count();
    return m_services.keepAwake(files == 1 ? QStringLiteral("Converting 1 file")
                                           : QStringLiteral("Converting %1 files").arg(files));
}

void Form1::Check3_Click() {
    if (Check3->Value() != 1)
        return;
    Check3->setValue(0);

    const QString folder = BrowseForFolder(this, addFolderTitle, m_services.chooseFolder);
    if (folder.isEmpty())
        return;

    addFolderToList(pathFromQString(folder));
}

void Form1::addFolderToList(const std::string& folder) {
    beginBusy();
    addWmvFilesInFolderToList(folder, fileList());
    endBusy();
}

void Form1::addStartupPaths(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        // Anything that is not a folder goes in, even a name that is not
        // there: the report at the end of the batch names it.
        std::error_code error;
        if (std::filesystem::is_directory(quillaro::pathFromUtf8(path), error))
            addFolderToList(path);
        else
            AddFileToList(path);
    }
}

void Form1::AddFileToList(std::string path) {
    fileList().append(std::move(path));
}

void Form1::AddFileToList(const QString& path) {
    AddFileToList(pathFromQString(path));
}

FileListModel& Form1::fileList() const {
    return *ListView1->fileList();
}

int Form1::MousePointer() const {
    return m_pointers->window();
}

void Form1::setMousePointer(int value) {
    m_pointers->setWindow(value);
}

void Form1::beginBusy() {
    ++m_busyWork;
    setMousePointer(Pointer::Busy);
}

void Form1::endBusy() {
    if (--m_busyWork == 0)
        setMousePointer(Pointer::Default);
}

// The busy pointer of long work is never replaced by a hover.
void Form1::applyHoverRule(int pointer) {
    if (MousePointer() == Pointer::Busy)
        return;
    setMousePointer(pointer);
}

void Form1::Check1_MouseMove() {
    applyHoverRule(Pointer::Custom);
}
void Form1::Check2_MouseMove() {
    applyHoverRule(Pointer::Custom);
}
void Form1::Check3_MouseMove() {
    applyHoverRule(Pointer::Custom);
}
void Form1::Form_MouseMove() {
    applyHoverRule(Pointer::Default);
}
void Form1::ProgressBar1_MouseMove() {
    applyHoverRule(Pointer::Default);
}

void Form1::mouseMoveEvent(QMouseEvent* event) {
    // Moves that a control ignored come up here too; only the window's own
    // surface counts.
    if (!childAt(event->position().toPoint()))
        Form_MouseMove();
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ListView1 || watched == ListView1->viewport())
        return routeListView1Event(watched, event) || QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::MouseMove) {
        if (watched == Check1)
            Check1_MouseMove();
        else if (watched == Check2)
            Check2_MouseMove();
        else if (watched == Check3)
            Check3_MouseMove();
        else if (watched == ProgressBar1)
            ProgressBar1_MouseMove();
    }
    return QWidget::eventFilter(watched, event);
}
