#include "cli/CommandLine.h"

#include <string_view>
#include <vector>

int main(int argc, char** argv)
{
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    return leitzahl::RunCommandLine(arguments, stdout, stderr);
}
