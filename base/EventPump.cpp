#include "base/EventPump.h"

#include <utility>

namespace quillaro {

EventPump::EventPump(std::function<void()> pumpEvents, Clock::duration interval)
    : m_pumpEvents(std::move(pumpEvents))
    , m_interval(interval) {}

void EventPump::pumpNow() {
    if (!m_pumpEvents)
        return;
    m_pumpEvents();
    // Measured after the pass: a handler run from it may itself take long
    // (a nested scan), and the work deserves its full interval afterwards.
    m_lastPump = Clock::now();
}

} // namespace quillaro
