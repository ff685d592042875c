#include "core/SideBySide.h"

#include <exception>
#include <system_error>
#include <thread>

namespace leitzahl {

void RunSideBySide(const std::function<void()>& first, const std::function<void()>& second)
{
    std::exception_ptr secondFailure;
    std::thread beside;
    try {
        beside = std::thread([&] {
            try {
                second();
            } catch (...) {
                secondFailure = std::current_exception();
            }
        });
    } catch (const std::system_error&) {
        first();
        second();
        return;
    }
    try {
        first();
    } catch (...) {
        beside.join();
        throw;
    }
    beside.join();
    if (secondFailure) {
        std::rethrow_exception(secondFailure);
    }
}

}  // namespace leitzahl
