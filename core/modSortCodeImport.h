#pragma once

#include "core/EntryList.h"
#include "core/Failure.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace leitzahl {

struct ImportResult {
    // Index of the last LF-separated piece of the text; -1 for an empty text.
    std::int64_t lastPieceIndex = -1;
    // Entries appended to the list: one per non-blank line.
    std::size_t entriesRead = 0;
    // Set when the file could not be read, a line cannot hold a record or memory ran
    // out. The entries appended before the failure stay in the list; callers discard them.
    MaybeFailure failure;
};

// Turns one line of the sort-code file into "sort code;bank name;method code".
// The line must already be trimmed and hold at least 9 characters.
void CutEntry(std::string_view line, std::string& entry);

// Appends one entry per non-blank line of text to the list.
ImportResult ImportSortCodeText(std::string_view text, EntryList& list);

// Loads the file into FileText, then imports FileText. FileText keeps the text.
ImportResult ImportSortCodeFile(const std::string& path, EntryList& list);

}  // namespace leitzahl
