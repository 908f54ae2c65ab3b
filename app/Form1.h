#pragma once

#include "app/PlatformServices.h"
#include "filelist/CommonDialog.h"

#include <memory>

#include <QWidget>

namespace quillaro {
class BatchConversion;
}

class FileListModel;
class FileListView;
class Pointers;
class QProgressBar;
class QPushButton;
class TwoStateButton;

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
    void ListView1_MouseMove();

    void AddFileToList(const QString& path);
    FileListModel& fileList() const;

    int MousePointer() const;
    void setMousePointer(int value);

    // The bar's value as a percentage, kept exactly as it was set.
    float progressValue() const { return m_progress; }
    void setProgressValue(float percent);

    const PlatformServices& services() const { return m_services; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void applyHoverRule(int pointer);

    PlatformServices m_services;

    FileListView* ListView1 = nullptr;
    TwoStateButton* Check1 = nullptr;
    TwoStateButton* Check2 = nullptr;
    TwoStateButton* Check3 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QPushButton* Command1 = nullptr;
    CommonDialog CommonDialog1;

    std::unique_ptr<Pointers> m_pointers;
    // The Convert batch; it outlives one click, since a click during the
    // batch may ask it to stop.
    std::unique_ptr<quillaro::BatchConversion> m_conversion;
    float m_progress = 0.0f;
};
