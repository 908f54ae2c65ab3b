#include "app/StartUp.h"

#include "base/Utf8Path.h"

#include <cmath>
#include <filesystem>
#include <system_error>

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QWidget>

namespace {
// Window positions were worked out in twips, 15 to a pixel at 96 dpi, and in
// single precision; keep that arithmetic so the results agree to the pixel.
constexpr float twipsPerPixel = 15.0f;
constexpr int homePageNumber = 7;
// The window manager frames a window within moments of its showing, or never.
constexpr int frameWaitMs = 5000;

void centreOnPrimaryScreen(QWidget& form) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen)
        form.move(centeredPosition(screen->geometry().size(), form.frameGeometry().size()));
}

// A window is framed only once shown, so its first centring knows the client
// area alone and leaves it off centre by the frame. This centres it once
// more as soon as its frame is known, and never again: a window the user has
// moved stays where he put it.
class FrameCentring : public QObject {
public:
    explicit FrameCentring(QWidget& form)
        : QObject(&form)
        , m_form(form) {
        form.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
        case QEvent::Show:
            QTimer::singleShot(frameWaitMs, this, &FrameCentring::finish);
            [[fallthrough]];
        case QEvent::Move:
        case QEvent::Resize:
            if (m_form.isVisible() && m_form.frameGeometry().size() != m_form.size()) {
                finish();
                centreOnPrimaryScreen(m_form);
            }
            break;
        default:
            break;
        }
        return false;
    }

private:
    void finish() {
        m_form.removeEventFilter(this);
        deleteLater();
    }

    QWidget& m_form;
};
} // namespace

QPoint centeredPosition(QSize screen, QSize window) {
    const auto centre = [](int screenPixels, int windowPixels) {
        const float twips = static_cast<float>(screenPixels - windowPixels) * twipsPerPixel / 2.0f;
        return static_cast<int>(std::lround(twips / twipsPerPixel));
    };
    return {centre(screen.width(), window.width()), centre(screen.height(), window.height())};
}

void CenterForm(QWidget& form) {
    centreOnPrimaryScreen(form);
    if (!form.isVisible())
        new FrameCentring(form); // owned by the form
}

bool FileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(quillaro::pathFromUtf8(path), error);
}

void OpenHomePageAtRandom(const std::function<double()>& randomDraw,
                          const std::function<void(const QUrl&)>& openWebPage) {
    const int n = static_cast<int>(std::floor(randomDraw() * 100.0)) + 1;
    if (n == homePageNumber)
        openWebPage(QUrl(QString::fromLatin1(homePageAddress)));
}
