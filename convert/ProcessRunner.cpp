#include "convert/ProcessRunner.h"

#include <chrono>
#include <cstdint>
#include <cstring>

namespace quillaro {

int normaliseWindowStyle(std::optional<int> windowStyle) {
    if (!windowStyle || *windowStyle < 0 || *windowStyle > 6)
        return defaultWindowStyle;
    return *windowStyle;
}

std::int32_t RunResult::value() const {
    switch (outcome) {
    case Outcome::NotStarted:
        // Added as unsigned so that a large Windows error number wraps the
        // way a 32-bit addition does instead of overflowing.
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(startError) +
                                         static_cast<std::uint32_t>(startFailureBase));
    case Outcome::Crashed:
        return signal != 0 ? 128 + signal : exitCode;
    case Outcome::Exited:
        break;
    }
    return exitCode;
}

RunResult runProcess(const Command& command, std::optional<int> windowStyle,
                     const PumpEvents& pump) {
    EventPump own(pump, runnerPumpInterval);
    return runProcess(command, windowStyle, own);
}

std::int32_t RunAndWait(const Command& command, std::optional<int> windowStyle,
                        const PumpEvents& pump) {
    return runProcess(command, windowStyle, pump).value();
}

std::string signalName(int signal) {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 32))
    if (const char* name = ::sigabbrev_np(signal))
        return std::string("SIG") + name;
#else
    (void)signal;
#endif
    return {};
}

} // namespace quillaro
