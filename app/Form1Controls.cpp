// The window's controls: positions, captions, fonts and tab order.

#include "app/AccessibleControls.h"
#include "app/Form1.h"
#include "app/Pointers.h"
#include "app/TwoStateButton.h"
#include "filelist/FileListView.h"

#include <QIcon>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>

namespace {

constexpr QSize clientSize{441, 259};
constexpr int barSteps = 10000; // hundredths of a percent

const QString listHint = QStringLiteral(
    "Drag and drop files here. Double-click item to remove it. Move bar to right and out of "
    "window to reveal full names.");

QFont arialBold(qreal pointSize) {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(pointSize);
    font.setBold(true);
    return font;
}

void setBackground(QWidget& widget, QPalette::ColorRole role, const QColor& colour) {
    QPalette palette = widget.palette();
    palette.setColor(role, colour);
    widget.setPalette(palette);
}

// A button picture built into the program, drawn at 32 px and at 64 px for
// screens of twice the density.
QIcon buttonPicture(const QString& name) {
    QIcon picture;
    picture.addFile(":/" + name + ".png");
    picture.addFile(":/" + name + "@2x.png");
    return picture;
}

TwoStateButton* makeCommand(QWidget* parent, const char* name, const QString& caption,
                            const QString& picture, QRect geometry) {
    auto* button = new TwoStateButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(caption);
    button->setIcon(buttonPicture(picture));
    button->setFont(arialBold(11.25));
    button->setGeometry(geometry);
    setBackground(*button, QPalette::Button, Qt::white);
    button->setMouseTracking(true);
    return button;
}

} // namespace

void Form1::createControls() {
    installAccessibleControls();
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(clientSize);
    setBackground(*this, QPalette::Window, Qt::white);
    setAutoFillBackground(true);
    setMouseTracking(true);

    // No picture in the title bar or the task bar.
    QPixmap transparent(32, 32);
    transparent.fill(Qt::transparent);
    setWindowIcon(QIcon(transparent));

    // Never seen: it lies left of the client area and only holds the first focus.
    Command1 = new FocusHolder(QStringLiteral("Command1"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(-48, 176, 41, 33);

    ListView1 = new FileListView(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setGeometry(8, 8, 425, 121);
    ListView1->setFont(arialBold(9));
    ListView1->setToolTip(listHint);
    ListView1->viewport()->setMouseTracking(true);
    ListView1->viewport()->installEventFilter(this);
    prepareListView1();

    Check1 = makeCommand(this, "Check1", QStringLiteral("Add WMV File(s)"),
                         QStringLiteral("media-file"), {8, 136, 137, 81});
    Check3 = makeCommand(this, "Check3", QStringLiteral("Add All WMV File(s) In Folder"),
                         QStringLiteral("open-folder"), {152, 136, 137, 81});
    Check2 = makeCommand(this, "Check2", QStringLiteral("Convert"), QStringLiteral("convert"),
                         {296, 136, 137, 81});
    for (TwoStateButton* button : {Check1, Check2, Check3})
        button->installEventFilter(this);
    connect(Check1, &TwoStateButton::Click, this, &Form1::Check1_Click);
    connect(Check2, &TwoStateButton::Click, this, &Form1::Check2_Click);
    connect(Check3, &TwoStateButton::Click, this, &Form1::Check3_Click);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(8, 225, 425, 25);
    ProgressBar1->setRange(0, barSteps);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setFocusPolicy(Qt::NoFocus);
    ProgressBar1->setMouseTracking(true);
    ProgressBar1->installEventFilter(this);
    ProgressBar1->setAccessibleName(QStringLiteral("Conversion progress"));

    setTabOrder(Command1, Check1);
    setTabOrder(Check1, Check2);
    setTabOrder(Check2, ListView1);
    setTabOrder(ListView1, Check3);
    Command1->setFocus();

    m_pointers = std::make_unique<Pointers>(*this, *ListView1->viewport());
}

void Form1::setProgressValue(float percent) {
    ProgressBar1->setValue(qRound(percent * barSteps / 100.0f));
}
