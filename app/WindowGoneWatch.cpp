#include "app/WindowGoneWatch.h"

#include <utility>

#include <QCoreApplication>
#include <QWidget>

#if __has_include(<xcb/xcb.h>)
#include <xcb/xcb.h>
#define QUILLARO_WATCH_XCB
#endif

WindowGoneWatch::WindowGoneWatch(const QWidget& window, std::function<void()> onGone)
    : m_window(window)
    , m_onGone(std::move(onGone)) {
    QCoreApplication::instance()->installNativeEventFilter(this);
}

bool WindowGoneWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
#ifdef QUILLARO_WATCH_XCB
    if (eventType != "xcb_generic_event_t")
        return false;
    // Only the server's own notice counts, not one another client sent, and
    // only for the window there is now: when Qt itself replaces the window,
    // the old one's notice comes after.
    const auto* destroyed = static_cast<const xcb_destroy_notify_event_t*>(message);
    const WId current = m_window.internalWinId();
    if (destroyed->response_type == XCB_DESTROY_NOTIFY && current != 0 &&
        destroyed->window == current)
        m_onGone();
#else
    Q_UNUSED(eventType);
    Q_UNUSED(message);
#endif
    return false;
}
