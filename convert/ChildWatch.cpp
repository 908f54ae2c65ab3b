#include "convert/ChildWatch.h"

#include "convert/ProcessRunner.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace quillaro {

void watchBesidePump(EventPump& pump, const std::function<void()>& watchUntilEnd) {
    std::mutex mutex;
    std::condition_variable endedSignal;
    bool ended = false;
    std::thread watcher([&] {
        watchUntilEnd();
        const std::lock_guard lock(mutex);
        ended = true;
        endedSignal.notify_one();
    });
    const auto waitForEnd = [&](std::chrono::milliseconds most) {
        std::unique_lock lock(mutex);
        return endedSignal.wait_for(lock, most, [&] { return ended; });
    };
    try {
        while (!waitForEnd(std::chrono::milliseconds(waitMilliseconds(pump))))
            pump.poll();
    } catch (...) {
        // The watcher uses this frame: it must end before the frame goes.
        watcher.join();
        throw;
    }
    watcher.join();
}

} // namespace quillaro
