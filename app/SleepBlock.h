#pragma once

#include <memory>

class QString;

// While it lives, the system does not go to sleep on idle (the screen may
// still turn off); destroying it lets the system sleep again.
class SleepBlock {
public:
    virtual ~SleepBlock() = default;
};

// The system's own block: the login manager's sleep inhibitor on Linux (the
// desktop portal's inside a Flatpak sandbox), the thread's execution state on
// Windows. `why` is what tools listing the blocks show. Where the system offers
// none, the result blocks nothing and nothing is said. Never waits on a bus.
std::unique_ptr<SleepBlock> keepSystemAwake(const QString& why);
