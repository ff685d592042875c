// The command-line converter leitzahl-cli: its arguments handed to the core.
#include "cli/CommandLine.h"
#include "core/system/EndingSignals.h"
#include "core/system/windows/WideText.h"

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

int Run(const std::vector<std::string>& arguments)
{
    // A save cut short leaves no temporary file behind, and the console its code page.
    leitzahl::HandleEndingSignals(RestoreConsole);
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
