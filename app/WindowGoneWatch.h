#pragma once

#include <functional>

#include <QAbstractNativeEventFilter>

class QWidget;

// Tells when the window system destroys the window behind the program's
// back. Under X11 any client may (`xdotool windowclose` does); Qt then only
// sees the window unmapped, as if minimised, and the program would run on
// with no window at all.
class WindowGoneWatch : public QAbstractNativeEventFilter {
public:
    WindowGoneWatch(const QWidget& window, std::function<void()> onGone);

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    const QWidget& m_window;
    std::function<void()> m_onGone;
};
