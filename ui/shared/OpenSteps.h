#pragma once

#include "core/EntryList.h"
#include "core/Failure.h"
#include "core/modSortCodeImport.h"

#include <chrono>
#include <string>
#include <vector>

namespace leitzahl {

// The steps of the open command between hiding and showing the list, the same in
// both windows: import, duplicate removal, and how the list is to show its bytes.
struct OpenOutcome {
    ImportResult imported;
    MaybeFailure failure;  // of the import or of the duplicate removal
    bool utf8 = false;     // the whole file is UTF-8 with umlauts
};
OpenOutcome ImportAndRemoveDuplicates(const std::string& path, EntryList& list, const ProcessEvents& processEvents);

// Whether a window's ProcessEvents should turn its event loop now: at most every
// 10 ms, since a million turns would cost about a second; events that have waited
// less than that are handled at a later call.
bool EventsAreDue(std::chrono::steady_clock::time_point& lastTurn);

// Of files dropped on a window (UTF-8 paths): the first plain file, or with none, the
// first thing dropped, so that a folder gives the usual error.
std::string ChooseDroppedFile(const std::vector<std::string>& paths);

}  // namespace leitzahl
