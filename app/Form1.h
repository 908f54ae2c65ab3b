#pragma once

#include "app/PlatformServices.h"
#include "filelist/CommonDialog.h"

#include <memory>
#include <string>
#include <vector>

#include <QPersistentModelIndex>
#include <QWidget>

namespace quillaro {
class BatchConversion;
}

class FileListModel;
class FileListView;
class Pointers;
class QDragMoveEvent;
class QDropEvent;
class QProgressBar;
class QPushButton;
class TwoStateButton;
class WindowGoneWatch;

// The program's window: the file list, the three commands and the progress
// bar. Its handlers carry the names of the control and the event they answer;
// the work they do lives with the file list and the conversion.
class Form1 : public QWidget {
    Q_OBJECT

public:
    explicit Form1(PlatformServices services = PlatformServices::system(),
                   QWidget* parent = nullptr);
    ~Form1() override;

    void Form_Load();
    void Form_Unload();

    void Check1_Click();
    void Check2_Click();
    void Check3_Click();

    void Check1_MouseMove();
    void Check2_MouseMove();
    void Check3_MouseMove();
    void Form_MouseMove();
    void ProgressBar1_MouseMove();
    void ListView1_MouseMove(Qt::MouseButtons Button, const QPoint& position);

    // Dropping files onto the list, and removing and reordering its entries
    // with the mouse.
    void ListView1_OLEDragOver(QDragMoveEvent& event);
    void ListView1_OLEDragDrop(QDropEvent& event);
    void ListView1_DblClick();
    void ListView1_ItemClick(const QModelIndex& Item);
    void ListView1_MouseDown();
    void ListView1_MouseUp();
    int listMousePointer() const;

    // Paths given at start-up, in order: a folder as Check3 adds the one
    // chosen, anything else as a dropped file.
    void addStartupPaths(const std::vector<std::string>& paths);

    void AddFileToList(std::string path);
    // A path that Qt handed over as text.
    void AddFileToList(const QString& path);
    FileListModel& fileList() const;

    int MousePointer() const;
    void setMousePointer(int value);
    // Long work (a folder scan, the batch) shows the busy pointer. Work may
    // start while other work hands the window its turn: the default pointer
    // returns when the last of it ends.
    void beginBusy();
    void endBusy();

    // The bar's value as a percentage.
    void setProgressValue(float percent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void addFolderToList(const std::string& folder);
    // A file that stands beside the program; empty when its folder is unknown.
    std::string programFile(const char* name) const;
    void applyHoverRule(int pointer);
    std::unique_ptr<SleepBlock> keepAwakeForBatch();
    void prepareListView1();
    bool routeListView1Event(QObject* watched, QEvent* event);

    PlatformServices m_services;

    FileListView* ListView1 = nullptr;
    TwoStateButton* Check1 = nullptr;
    TwoStateButton* Check2 = nullptr;
    TwoStateButton* Check3 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QPushButton* Command1 = nullptr;
    CommonDialog CommonDialog1;

    std::unique_ptr<Pointers> m_pointers;
    std::unique_ptr<WindowGoneWatch> m_windowGone;
    // The Convert batch; it outlives one click, since a click during the
    // batch may ask it to stop.
    std::unique_ptr<quillaro::BatchConversion> m_conversion;
    int m_busyWork = 0;

    // The reorder gesture: a button is held on the list, and the entry that
    // holds the dragged path (it turns invalid when that entry is removed).
    bool MouseIsDown = false;
    QPersistentModelIndex DragItem;
};
