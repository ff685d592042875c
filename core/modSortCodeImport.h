#pragma once

#include "core/EntryList.h"
#include "core/Failure.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace leitzahl {

struct ImportResult {
    // Lines read: the LF-separated pieces of the text up to the end or to the line that
    // stopped the import, the empty piece after a final LF not counted.
    std::int64_t linesRead = 0;
    // Entries appended to the list: one per non-blank line.
    std::size_t entriesRead = 0;
    // Non-blank lines that do not look like a record of the sort-code file (in its
    // 168- or 174-character form), and the number of the first of them, from 1.
    std::size_t unfitLines = 0;
    std::int64_t firstUnfitLine = 0;
    // Set when the file could not be read, a line cannot hold a record or memory ran
    // out. The entries appended before the failure stay in the list; callers discard them.
    MaybeFailure failure;
};

// The longest entry: sort code, bank name and method code with their two semicolons.
inline constexpr std::size_t kLongestEntry = 8 + 1 + 58 + 1 + 2;

// Appends one entry per non-blank line of text to the list: "sort code;bank name;
// method code". The method code is counted from the end of the line, where the
// extended record has 6 more digits. A large text goes in two halves at once into a
// list that takes lists over.
ImportResult ImportSortCodeText(std::string_view text, EntryList& list);

// Loads the file into FileText, then imports FileText. FileText keeps the text.
ImportResult ImportSortCodeFile(const std::string& path, EntryList& list);

}  // namespace leitzahl
