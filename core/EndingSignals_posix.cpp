// Ending signals on Linux: the temporary file removed, then the usual death by the signal.
#include "core/EndingSignals.h"

#include "core/SystemFile.h"

#include <csignal>
#include <vector>

namespace leitzahl {

namespace {

void (*runAtEnd)() = nullptr;

// Only calls that are safe in a signal handler: unlink, sigaction, raise. The signal
// then ends the program as usual, so that the caller sees 128 + its number.
extern "C" void EndOnSignal(int number)
{
    RemovePendingTemporaryFile();
    if (runAtEnd != nullptr) {
        runAtEnd();
    }
    std::signal(number, SIG_DFL);
    std::raise(number);
}

}  // namespace

void HandleEndingSignals(void (*atEnd)())
{
    runAtEnd = atEnd;
    // Every signal whose default ends the program, except those of a fault in it.
    std::vector<int> numbers{SIGINT,  SIGTERM,   SIGHUP,  SIGQUIT, SIGUSR1, SIGUSR2,  SIGALRM,
                             SIGXCPU, SIGVTALRM, SIGPROF, SIGIO,   SIGPWR,  SIGSTKFLT};
    for (int number = SIGRTMIN; number <= SIGRTMAX; ++number) {
        numbers.push_back(number);
    }
    for (const int number : numbers) {
        struct sigaction now {};
        if (sigaction(number, nullptr, &now) == 0 && now.sa_handler != SIG_IGN) {
            std::signal(number, EndOnSignal);
        }
    }
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace leitzahl
