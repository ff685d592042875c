#pragma once

// Invented sort-code files, as varied as the published ones, for the tests, the
// benchmark, the fuzz corpus and the sample file.
#include <functional>
#include <string_view>

namespace leitzahl::generator {

struct Options {
    long records = 200;
    unsigned long seed = 1;
    bool crlf = false;
    bool finalNewline = true;
    bool extended = false;  // 174 characters: with the IBAN rule and its version
    bool utf8 = false;      // as a copy re-saved as UTF-8 would be
};

// Hands the file's bytes to write, a megabyte or so at a time; the same options give
// the same bytes.
void WriteSortCodeFile(const Options& options, const std::function<void(std::string_view)>& write);

}  // namespace leitzahl::generator
