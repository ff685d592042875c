#pragma once
// The converter's short way: a fixed-width text cut straight into the CSV text.

#include "core/modSortCodeImport.h"

#include <cstddef>
#include <string>

namespace leitzahl {

struct DirectConversion {
    // False where the text needs the list's way; FileText is then as it was.
    bool done = false;
    ImportResult imported;
    std::size_t kept = 0;  // entries left after duplicate removal
};

// The converter's short way for a fixed-width text: each line is cut straight into the
// CSV text, and an entry whose key was kept before is dropped on the way. What it gives
// is what import, duplicate removal and export text give through a list. Once done,
// FileText holds the CSV text (unless the import failed). shownName names the input
// in messages.
DirectConversion ConvertTextDirectly(const std::string& shownName);

}  // namespace leitzahl
