#pragma once

#include <optional>

#include <QCursor>

class QWidget;

// Pointer settings, as numbers: the window keeps one (default, busy or its
// custom picture) and the list keeps its own (default, arrow or its picture).
namespace Pointer {
inline constexpr int Default = 0;
inline constexpr int Arrow = 1;
inline constexpr int Busy = 11;
inline constexpr int Custom = 99;
} // namespace Pointer

// Shows the window's and the list's pointer settings. A window setting other
// than the default shows over the whole window, the list included; with the
// default, the list shows its own.
class Pointers {
public:
    Pointers(QWidget& window, QWidget& list);

    int window() const { return m_window; }
    void setWindow(int value);
    void setWindowPicture(std::optional<QCursor> picture);

    int list() const { return m_list; }
    void setList(int value);
    void setListPicture(std::optional<QCursor> picture);

private:
    std::optional<QCursor> cursorFor(int value, const std::optional<QCursor>& picture) const;
    void apply();

    QWidget& m_windowWidget;
    QWidget& m_listWidget;
    int m_window = Pointer::Default;
    int m_list = Pointer::Default;
    std::optional<QCursor> m_windowPicture;
    std::optional<QCursor> m_listPicture;
};
