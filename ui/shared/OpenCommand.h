#pragma once
// The open command's steps that both windows share.

#include "core/EntryList.h"
#include "core/Failure.h"
#include "core/modSortCodeImport.h"

#include <string>

namespace leitzahl {

// The steps of the open command between hiding and showing the list, the same in
// both windows: import, duplicate removal, and how the list is to show its bytes.
struct OpenOutcome {
    ImportResult imported;
    MaybeFailure failure;  // of the import or of the duplicate removal
    bool utf8 = false;     // the entries are UTF-8 with umlauts
    std::string warning;   // the import's warnings, one per line; empty when there are none
};
OpenOutcome ImportAndRemoveDuplicates(const std::string& path, EntryList& list, const ProcessEvents& processEvents);

}  // namespace leitzahl
