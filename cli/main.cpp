#include "cli/CommandLine.h"
#include "core/SystemFile.h"

#include <csignal>
#include <malloc.h>
#include <string_view>
#include <vector>

namespace {

// A save cut short leaves no temporary file behind; the signal then ends the program
// as usual, so that the caller sees 128 + its number.
extern "C" void EndOnSignal(int number)
{
    leitzahl::RemovePendingTemporaryFile();
    std::signal(number, SIG_DFL);
    std::raise(number);
}

}  // namespace

int main(int argc, char** argv)
{
    for (const int number : {SIGINT, SIGTERM, SIGHUP}) {
        std::signal(number, EndOnSignal);
    }
    // Keep freed memory for reuse instead of handing it back at once: the next stage
    // then writes into pages that are already mapped, not fresh ones to fault in.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);  // the largest it takes
    mallopt(M_TRIM_THRESHOLD, 1 << 30);

    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    const int status = leitzahl::RunCommandLine(arguments, stdout, stderr);
    return leitzahl::FinishStandardOutput(status, stdout, stderr);
}
