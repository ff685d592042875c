#include "ui/shared/EventThrottle.h"

namespace leitzahl {

bool EventsAreDue(std::chrono::steady_clock::time_point& lastTurn)
{
    // Called once per entry, the clock alone would cost more than the work between two
    // calls: it is read at every 64th call only.
    constexpr unsigned kCallsPerReading = 64;
    static thread_local unsigned calls = 0;
    if (++calls % kCallsPerReading != 0) {
        return false;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now - lastTurn < std::chrono::milliseconds(10)) {
        return false;
    }
    lastTurn = now;
    return true;
}

}  // namespace leitzahl
