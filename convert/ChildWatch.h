#pragma once

#include "base/EventPump.h"

#include <chrono>
#include <functional>

namespace quillaro {

// How often a runner's own thread looks at its running child: trims its
// error file and looks for the watched file among its open ones.
inline constexpr std::chrono::milliseconds childLookInterval{5};

// Runs `watchUntilEnd` (which waits for a child to end, and looks after it
// meanwhile) on a thread of its own, and meanwhile lets `pump` handle window
// events on this one; returns once it has returned. The child is looked
// after whatever event loop is running here, a modal box's included, and
// however long a handler keeps the pump; `watchUntilEnd` must touch nothing
// that belongs to the window.
void watchBesidePump(EventPump& pump, const std::function<void()>& watchUntilEnd);

} // namespace quillaro
