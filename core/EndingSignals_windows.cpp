// Ending signals on Windows: Ctrl+C and Ctrl+Break end the program with 128 + N as on Linux.
#include "core/EndingSignals.h"

#include "core/SystemFile.h"

#include <csignal>
#include <cstdlib>

namespace leitzahl {

namespace {

void (*runAtEnd)() = nullptr;

// Runs on the console's own thread. The C runtime's default for a raised signal would
// exit with 3, which a script reads as "converted, with warning".
extern "C" void EndOnSignal(int number)
{
    RemovePendingTemporaryFile();
    if (runAtEnd != nullptr) {
        runAtEnd();
    }
    std::_Exit(128 + number);
}

}  // namespace

void HandleEndingSignals(void (*atEnd)())
{
    runAtEnd = atEnd;
    for (const int number : {SIGINT, SIGTERM, SIGBREAK}) {
        std::signal(number, EndOnSignal);
    }
}

}  // namespace leitzahl
