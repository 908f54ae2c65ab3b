#pragma once

#include <functional>
#include <string>

#include <QPoint>
#include <QSize>
#include <QString>

class QUrl;
class QWidget;

// The maker's home page, opened now and then at start-up.
inline constexpr char homePageAddress[] = "https://quillaro.example.org/";

// Where a window of outer size `window` sits centred on a screen of size
// `screen`. Negative results (a screen smaller than the window) are kept.
QPoint centeredPosition(QSize screen, QSize window);

// Places the window at the centre of the primary screen, task bar included.
// Not shown yet, it is centred once more on its frame once that is known.
void CenterForm(QWidget& form);

// True when the path, as the file list keeps paths, names something that
// exists (a file or a folder).
bool FileExists(const std::string& path);

// Draws a number from 1 to 100 and opens the home page when it is 7.
void OpenHomePageAtRandom(const std::function<double()>& randomDraw,
                          const std::function<void(const QUrl&)>& openWebPage);
