#include "convert/ChildWatch.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace quillaro {

int millisecondsToNextLook(EventPump::Clock::time_point deadline) {
    using namespace std::chrono;
    const auto left = deadline - EventPump::Clock::now();
    if (left <= EventPump::Clock::duration::zero())
        return 0;
    return static_cast<int>(left >= childLookInterval ? childLookInterval.count()
                                                      : ceil<milliseconds>(left).count());
}

void watchBesidePump(EventPump& pump, const WatchChildUntil& watchUntil) {
    using Clock = EventPump::Clock;
    const auto nextPass = [&pump] {
        const Clock::duration due = pump.timeUntilDue();
        return due >= std::chrono::hours(24) ? Clock::time_point::max() : Clock::now() + due;
    };
    if (watchUntil(nextPass()))
        return;

    std::mutex mutex;
    std::condition_variable endedSignal;
    bool ended = false;
    std::thread watcher([&] {
        while (!watchUntil(Clock::time_point::max())) {
        }
        const std::lock_guard lock(mutex);
        ended = true;
        endedSignal.notify_one();
    });
    const auto endedWithin = [&](int milliseconds) {
        std::unique_lock lock(mutex);
        return endedSignal.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                    [&] { return ended; });
    };
    try {
        do
            pump.poll();
        while (!endedWithin(millisecondsToNextLook(nextPass())));
    } catch (...) {
        // The watcher uses this frame: it must end before the frame goes.
        watcher.join();
        throw;
    }
    watcher.join();
}

} // namespace quillaro
