// Ending signals on Linux: every one whose default ends the program, and the usual death by it.
#include "core/system/EndingSignals.h"

#include <csignal>
#include <vector>

namespace leitzahl {

void CatchEndingSignals(void (*handler)(int))
{
    // Not those of a fault in the program.
    std::vector<int> numbers{SIGINT,  SIGTERM,   SIGHUP,  SIGQUIT, SIGUSR1, SIGUSR2,  SIGALRM,
                             SIGXCPU, SIGVTALRM, SIGPROF, SIGIO,   SIGPWR,  SIGSTKFLT};
    for (int number = SIGRTMIN; number <= SIGRTMAX; ++number) {
        numbers.push_back(number);
    }
    for (const int number : numbers) {
        struct sigaction now {};
        if (sigaction(number, nullptr, &now) == 0 && now.sa_handler != SIG_IGN) {
            std::signal(number, handler);
        }
    }
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
}

// Only calls that are safe in a signal handler; the caller then sees 128 + the number.
void EndBySignal(int number)
{
    std::signal(number, SIG_DFL);
    std::raise(number);
}

}  // namespace leitzahl
