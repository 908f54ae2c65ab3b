#include "app/Pointers.h"

#include <QWidget>

Pointers::Pointers(QWidget& window, QWidget& list)
    : m_windowWidget(window)
    , m_listWidget(list) {}

void Pointers::setWindow(int value) {
    m_window = value;
    apply();
}

void Pointers::setWindowPicture(std::optional<QCursor> picture) {
    m_windowPicture = std::move(picture);
    apply();
}

void Pointers::setList(int value) {
    m_list = value;
    apply();
}

void Pointers::setListPicture(std::optional<QCursor> picture) {
    m_listPicture = std::move(picture);
    apply();
}

std::optional<QCursor> Pointers::cursorFor(int value, const std::optional<QCursor>& picture) const {
    switch (value) {
    case Pointer::Arrow:
        return QCursor(Qt::ArrowCursor);
    case Pointer::Busy:
        return QCursor(Qt::WaitCursor);
    case Pointer::Custom:
        // Without a picture the custom setting looks like the default.
        return picture;
    default:
        return std::nullopt;
    }
}

void Pointers::apply() {
    const auto show = [](QWidget& widget, const std::optional<QCursor>& cursor) {
        if (cursor)
            widget.setCursor(*cursor);
        else
            widget.unsetCursor();
    };
    const auto windowCursor = cursorFor(m_window, m_windowPicture);
    show(m_windowWidget, windowCursor);
    show(m_listWidget,
         m_window != Pointer::Default ? windowCursor : cursorFor(m_list, m_listPicture));
}
