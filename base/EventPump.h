#pragma once

#include <algorithm>
#include <chrono>
#include <functional>

namespace quillaro {

// Hands control back to the window now and then during long work, so it can
// repaint and take input. The pump runs when enough time has passed since it
// last returned, not once per step: a walk over a million entries must not
// mean a million passes through the event loop.
class EventPump {
public:
    using Clock = std::chrono::steady_clock;

    // For work done here, between passes (a folder scan): short enough that
    // the window never waits much longer than this, long enough that pumping
    // costs little next to the work.
    static constexpr std::chrono::milliseconds defaultInterval{15};

    EventPump() = default;
    explicit EventPump(std::function<void()> pumpEvents,
                       Clock::duration interval = defaultInterval);

    // Call between steps of the work: pumps when the interval is up.
    void poll() {
        if (m_pumpEvents && Clock::now() - m_lastPump >= m_interval)
            pumpNow();
    }

    void pumpNow();

    // How long the work may go on before the next pass is due: zero once it
    // is, and for ever when there is nothing to pump.
    Clock::duration timeUntilDue() const {
        if (!m_pumpEvents)
            return Clock::duration::max();
        return std::max(m_lastPump + m_interval - Clock::now(), Clock::duration::zero());
    }

private:
    std::function<void()> m_pumpEvents;
    Clock::duration m_interval = defaultInterval;
    Clock::time_point m_lastPump = Clock::now();
};

} // namespace quillaro
