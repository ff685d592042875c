#pragma once
// How often a window's event processing turns the event loop.

#include <chrono>

namespace leitzahl {

// Whether a window's ProcessEvents should turn its event loop now: at most every
// 10 ms, since a million turns would cost about a second; events that have waited
// less than that are handled at a later call.
bool EventsAreDue(std::chrono::steady_clock::time_point& lastTurn);

}  // namespace leitzahl
