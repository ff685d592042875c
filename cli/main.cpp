#include "cli/CommandLine.h"

#include <malloc.h>
#include <string_view>
#include <vector>

int main(int argc, char** argv)
{
    // Keep freed memory for reuse instead of handing it back at once: the next stage
    // then writes into pages that are already mapped, not fresh ones to fault in.
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);

    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    return leitzahl::RunCommandLine(arguments, stdout, stderr);
}
