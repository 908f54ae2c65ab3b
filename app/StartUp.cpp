#include "app/StartUp.h"

#include "base/Utf8Path.h"

#include <cmath>
#include <filesystem>
#include <system_error>

#include <QGuiApplication>
#include <QScreen>
#include <QUrl>
#include <QWidget>

namespace {
// Window positions were worked out in twips, 15 to a pixel at 96 dpi, and in
// single precision; keep that arithmetic so the results agree to the pixel.
constexpr float twipsPerPixel = 15.0f;
constexpr int homePageNumber = 7;
} // namespace

QPoint centeredPosition(QSize screen, QSize window) {
    const auto centre = [](int screenPixels, int windowPixels) {
        const float twips = static_cast<float>(screenPixels - windowPixels) * twipsPerPixel / 2.0f;
        return static_cast<int>(std::lround(twips / twipsPerPixel));
    };
    return {centre(screen.width(), window.width()), centre(screen.height(), window.height())};
}

void CenterForm(QWidget& form) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    form.move(centeredPosition(screen->geometry().size(), form.frameGeometry().size()));
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
