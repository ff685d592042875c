#include "cli/CommandLine.h"
#include "core/SystemFile.h"
#include "core/WideText.h"

#include <csignal>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <malloc.h>
#endif

namespace {

#ifdef _WIN32
// The console's code page belongs to the console, not to this program: it goes back
// to what it was when the program ends, also by Ctrl+C.
UINT consoleCodePage = 0;

void RestoreConsole()
{
    if (consoleCodePage != 0) {
        SetConsoleOutputCP(consoleCodePage);
    }
}
#else
void RestoreConsole() {}
#endif

// A save cut short leaves no temporary file behind; the signal then ends the program
// as usual, so that the caller sees 128 + its number.
extern "C" void EndOnSignal(int number)
{
    leitzahl::RemovePendingTemporaryFile();
    RestoreConsole();
    std::signal(number, SIG_DFL);
    std::raise(number);
}

#ifdef _WIN32
void HandleEndingSignals()
{
    for (const int number : {SIGINT, SIGTERM, SIGBREAK}) {
        std::signal(number, EndOnSignal);
    }
}
#else
// Every signal whose default ends the program, except those of a fault in it. One
// ignored at start (nohup, a script's background job) stays ignored.
void HandleEndingSignals()
{
    std::vector<int> numbers{SIGINT,  SIGTERM, SIGHUP,  SIGQUIT,   SIGUSR1, SIGUSR2, SIGALRM,
                             SIGXCPU, SIGVTALRM, SIGPROF, SIGIO, SIGPWR, SIGSTKFLT};
    for (int number = SIGRTMIN; number <= SIGRTMAX; ++number) {
        numbers.push_back(number);
    }
    for (const int number : numbers) {
        struct sigaction now {};
        if (sigaction(number, nullptr, &now) == 0 && now.sa_handler != SIG_IGN) {
            std::signal(number, EndOnSignal);
        }
    }
    // Past the file-size limit a write fails with EFBIG, and a reader that went away
    // gives EPIPE: both are reported (and cleaned up) like any other failure instead of
    // ending the program, and a saved CSV whose summary finds no reader says so.
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
}
#endif

int Run(const std::vector<std::string>& arguments)
{
    HandleEndingSignals();
    const std::vector<std::string_view> views(arguments.begin(), arguments.end());
    const int status = leitzahl::RunCommandLine(views, stdout, stderr);
    return leitzahl::FinishStandardOutput(status, stdout, stderr);
}

}  // namespace

#ifdef _WIN32
// The command line arrives in UTF-16 and goes on in UTF-8, as the program holds paths.
int wmain(int argc, wchar_t** argv)
{
    // Messages are UTF-8: the console shows their umlauts right.
    consoleCodePage = GetConsoleOutputCP();
    SetConsoleOutputCP(CP_UTF8);
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.push_back(leitzahl::Narrow(argv[i]));
    }
    const int status = Run(arguments);
    RestoreConsole();
    return status;
}
#else
int main(int argc, char** argv)
{
    // Keep freed memory for reuse instead of handing it back at once: the next stage
    // then writes into pages that are already mapped, not fresh ones to fault in.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);  // the largest it takes
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    return Run(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
