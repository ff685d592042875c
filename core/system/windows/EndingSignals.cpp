// Ending signals on Windows: Ctrl+C and Ctrl+Break end the program with 128 + N as on Linux.
#include "core/system/EndingSignals.h"

#include <csignal>
#include <cstdlib>
#include <initializer_list>

namespace leitzahl {

void CatchEndingSignals(void (*handler)(int))
{
    for (const int number : {SIGINT, SIGTERM, SIGBREAK}) {
        std::signal(number, handler);
    }
}

// Runs on the console's own thread. The C runtime's default for a raised signal would
// exit with 3, which a script reads as "converted, with warning".
void EndBySignal(int number)
{
    std::_Exit(128 + number);
}

}  // namespace leitzahl
