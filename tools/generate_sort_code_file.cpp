// Writes a sort-code file of invented banks in one of the Bundesbank's forms: --form txt
// (fixed width, the default), csv or xml, each also as a ZIP archive (--zip). --extended
// adds the IBAN rule and its version, --utf8 writes the TXT or CSV form as a copy re-saved
// as UTF-8 would be, --bom starts the XML form with a byte-order mark,
// --no-semicolon-names writes ',' where a name would hold ';'.
#include "tools/generator/SortCodeFileGenerator.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string_view>

namespace {

using leitzahl::generator::Options;

bool ParseForm(std::string_view name, Options::Form& form)
{
    if (name == "txt") {
        form = Options::Form::Text;
    } else if (name == "csv") {
        form = Options::Form::Csv;
    } else if (name == "xml") {
        form = Options::Form::Xml;
    } else {
        return false;
    }
    return true;
}

bool ParseOptions(int argc, char** argv, Options& options, const char*& output)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--records" && i + 1 < argc) {
            options.records = std::strtol(argv[++i], nullptr, 10);
        } else if (arg == "--seed" && i + 1 < argc) {
            options.seed = std::strtoul(argv[++i], nullptr, 10);
        } else if (arg == "--form" && i + 1 < argc) {
            if (!ParseForm(argv[++i], options.form)) {
                return false;
            }
        } else if (arg == "--zip") {
            options.zipped = true;
        } else if (arg == "--no-semicolon-names") {
            options.semicolonNames = false;
        } else if (arg == "--bom") {
            options.byteOrderMark = true;
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
        std::fputs("Aufruf: leitzahl-generate [--records N] [--seed N] [--form txt|csv|xml] [--zip] "
                   "[--crlf] [--no-final-newline] [--extended] [--utf8] [--bom] "
                   "[--no-semicolon-names] AUSGABE|-\n",
                   stderr);
        return 2;
    }
    std::FILE* out = std::string_view(output) == "-" ? stdout : std::fopen(output, "wb");
    if (out == nullptr) {
        std::perror(output);
        return 1;
    }
    try {
        leitzahl::generator::WriteSortCodeFile(
            options, [out](std::string_view piece) { std::fwrite(piece.data(), 1, piece.size(), out); });
    } catch (const std::length_error&) {
        std::fputs("leitzahl-generate: Das ZIP-Archiv würde größer als 4 GiB.\n", stderr);
        return 1;
    }
    const bool failed = std::ferror(out) != 0;
    if ((out != stdout && std::fclose(out) != 0) || failed) {
        std::perror(output);
        return 1;
    }
    return 0;
}
