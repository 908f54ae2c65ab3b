#pragma once

#include "base/EventPump.h"

#include <chrono>
#include <functional>

namespace quillaro {

// How often a running child is looked after: its error file trimmed, its
// open files searched for the watched one. Half of `runnerPumpInterval`, so
// that an output the child holds for a moment only is still seen, and a
// fast writer's error file grows little between two trims.
inline constexpr std::chrono::milliseconds childLookInterval{5};

// Looks after a running child until it has ended (and is done with: reaped,
// its error file sealed), then returns true; or until `deadline`, then
// returns false. Called again, it goes on where it stopped.
using WatchChildUntil = std::function<bool(EventPump::Clock::time_point deadline)>;

// Looks after a child until it has ended, letting `pump` handle window
// events whenever a pass is due meanwhile. Until the first pass is due, this
// thread does it all: a short run costs no thread. From then on a thread of
// its own looks after the child, so that this goes on whatever event loop
// runs here, a modal box's included, and however long a handler keeps the
// pump; so `watchUntil` must touch nothing that belongs to the window.
void watchBesidePump(EventPump& pump, const WatchChildUntil& watchUntil);

// How long to wait for the child's end before looking after it again, so as
// to be back by `deadline`.
int millisecondsToNextLook(EventPump::Clock::time_point deadline);

} // namespace quillaro
