#pragma once

// Invented sort-code files, as varied as the published ones, for the tests, the
// benchmark, the fuzz corpus and the sample file.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/generator/ZipLayout.h"

namespace leitzahl::generator {

struct Options {
    // The forms the Bundesbank publishes; the same seed and options give the same
    // records in each.
    enum class Form { Text, Csv, Xml };

    long records = 200;
    unsigned long seed = 1;
    Form form = Form::Text;
    bool zipped = false;  // the file as the one member of a ZIP archive
    bool crlf = false;
    bool finalNewline = true;
    bool extended = false;        // with the IBAN rule and its version (174 characters in Text)
    bool utf8 = false;            // Text and Csv as a copy re-saved as UTF-8 would be; Xml is UTF-8 always
    bool semicolonNames = true;   // false: no name holds a ';' (it then holds a ',')
    bool byteOrderMark = false;   // UTF-8's, as editors put it before any form
    bool crowdedKeys = false;     // head offices only, their codes those of CrowdedSortCodes
    ZipLayout zipLayout{};        // how a zipped file's archive is laid out
};

// Distinct 8-digit sort codes, descending, that a table of the next power of two above
// twice as many slots, each key's slot taken from the top bits of its 8 bytes (and its
// length) times a fixed multiplier, puts into its first 64th: with linear probing each
// new key walks past all before it. A hostile file's keys, for the duplicate removal.
std::vector<std::string> CrowdedSortCodes(long count);

// Hands the file's bytes to write, a megabyte or so at a time; the same options give
// the same bytes. A zipped file comes at the end, in a few pieces; it throws
// std::length_error where the member would need more than 4 GiB.
void WriteSortCodeFile(const Options& options, const std::function<void(std::string_view)>& write);

}  // namespace leitzahl::generator
