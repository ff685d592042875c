// Writes a sort-code file of invented banks in the Bundesbank's fixed-width layout.
// --extended adds the IBAN rule and its version (174 characters), --utf8 writes the file
// as a copy re-saved as UTF-8 would be.
#include "tools/generator/SortCodeFileGenerator.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

using leitzahl::generator::Options;

bool ParseOptions(int argc, char** argv, Options& options, const char*& output)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--records" && i + 1 < argc) {
            options.records = std::strtol(argv[++i], nullptr, 10);
        } else if (arg == "--seed" && i + 1 < argc) {
            options.seed = std::strtoul(argv[++i], nullptr, 10);
        } else if (arg == "--crlf") {
            options.crlf = true;
        } else if (arg == "--no-final-newline") {
            options.finalNewline = false;
        } else if (arg == "--extended") {
            options.extended = true;
        } else if (arg == "--utf8") {
            options.utf8 = true;
        } else if (!arg.starts_with("--") && output == nullptr) {
            output = argv[i];
        } else {
            return false;
        }
    }
    return output != nullptr && options.records >= 0 && options.records <= 99999999;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    const char* output = nullptr;
    if (!ParseOptions(argc, argv, options, output)) {
        std::fputs("Aufruf: leitzahl-generate [--records N] [--seed N] [--crlf] "
                   "[--no-final-newline] [--extended] [--utf8] AUSGABE|-\n",
                   stderr);
        return 2;
    }
    std::FILE* out = std::string_view(output) == "-" ? stdout : std::fopen(output, "wb");
    if (out == nullptr) {
        std::perror(output);
        return 1;
    }
    leitzahl::generator::WriteSortCodeFile(
        options, [out](std::string_view piece) { std::fwrite(piece.data(), 1, piece.size(), out); });
    const bool failed = std::ferror(out) != 0;
    if ((out != stdout && std::fclose(out) != 0) || failed) {
        std::perror(output);
        return 1;
    }
    return 0;
}
