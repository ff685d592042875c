#include "ui/shared/EventThrottle.h"

namespace leitzahl {

bool EventsAreDue(std::chrono::steady_clock::time_point& lastTurn)
{
    const auto now = std::chrono::steady_clock::now();
    if (now - lastTurn < std::chrono::milliseconds(10)) {
        return false;
    }
    lastTurn = now;
    return true;
}

}  // namespace leitzahl
