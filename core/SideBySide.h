#pragma once
// Two pieces of work at once, on this thread and on one more.

#include <functional>

namespace leitzahl {

// Runs first on this thread while second runs on a thread of its own, and returns when
// both are done; an exception from either reaches the caller. Where no thread can be
// started, runs one after the other.
void RunSideBySide(const std::function<void()>& first, const std::function<void()>& second);

}  // namespace leitzahl
