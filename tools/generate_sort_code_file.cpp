// Writes a sort-code file of invented banks in one of the Bundesbank's forms: --form txt
// (fixed width, the default), csv or xml, each also as a ZIP archive (--zip). --extended
// adds the IBAN rule and its version, --utf8 writes the TXT or CSV form as a copy re-saved
// as UTF-8 would be, --bom starts the file with UTF-8's byte-order mark,
// --no-semicolon-names writes ',' where a name would hold ';', --crowded-keys gives sort
// codes chosen to crowd one stretch of a key table, as a hostile file's may. --zip-like
// info-zip (extra fields, a data descriptor and a folder entry) or zip64 (ZIP64 sizes)
// lays out the archive as those tools do.
#include "tools/generator/SortCodeFileGenerator.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string_view>

namespace {

using leitzahl::generator::Options;

// The switches without a value, each setting one option.
struct Switch {
    std::string_view name;
    bool Options::*option;
    bool value;
};
constexpr std::array<Switch, 8> kSwitches{{
    {"--zip", &Options::zipped, true},
    {"--crlf", &Options::crlf, true},
    {"--no-final-newline", &Options::finalNewline, false},
    {"--extended", &Options::extended, true},
    {"--utf8", &Options::utf8, true},
    {"--bom", &Options::byteOrderMark, true},
    {"--no-semicolon-names", &Options::semicolonNames, false},
    {"--crowded-keys", &Options::crowdedKeys, true},
}};

struct FormName {
    std::string_view name;
    Options::Form form;
};
struct LayoutName {
    std::string_view name;
    leitzahl::generator::ZipLayout layout;
};
constexpr std::array<LayoutName, 2> kLayouts{{
    {"info-zip", {.localExtra = true, .dataDescriptor = true, .folder = true}},
    {"zip64", {.localExtra = true, .zip64 = true}},
}};

constexpr std::array<FormName, 3> kForms{{
    {"txt", Options::Form::Text},
    {"csv", Options::Form::Csv},
    {"xml", Options::Form::Xml},
}};

bool ParseOptions(int argc, char** argv, Options& options, const char*& output)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const auto flag = std::ranges::find(kSwitches, arg, &Switch::name);
        if (flag != kSwitches.end()) {
            options.*flag->option = flag->value;
        } else if (arg == "--records" && i + 1 < argc) {
            options.records = std::strtol(argv[++i], nullptr, 10);
        } else if (arg == "--seed" && i + 1 < argc) {
            options.seed = std::strtoul(argv[++i], nullptr, 10);
        } else if (arg == "--form" && i + 1 < argc) {
            const auto form = std::ranges::find(kForms, std::string_view(argv[++i]), &FormName::name);
            if (form == kForms.end()) {
                return false;
            }
            options.form = form->form;
        } else if (arg == "--zip-like" && i + 1 < argc) {
            const auto layout = std::ranges::find(kLayouts, std::string_view(argv[++i]), &LayoutName::name);
            if (layout == kLayouts.end()) {
                return false;
            }
            options.zipLayout = layout->layout;
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
                   "[--zip-like info-zip|zip64] "
                   "[--crlf] [--no-final-newline] [--extended] [--utf8] [--bom] "
                   "[--no-semicolon-names] [--crowded-keys] AUSGABE|-\n",
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
