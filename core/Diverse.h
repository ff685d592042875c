#pragma once

#include "core/EntryList.h"
#include "core/Failure.h"
#include "core/MemoryEntryList.h"

namespace leitzahl {

// Keeps the first entry of every key (its first 8 bytes, compared exactly) and
// drops the later ones, keeping the order. Calls processEvents once per entry.
// Works on its own copy, so whatever processEvents does to the list (even a nested
// call) is replaced by this call's result at the end. Fails only when memory runs
// out; the list then holds part of the entries, which the caller discards.
MaybeFailure RemoveDuplicates(EntryList& list, const ProcessEvents& processEvents);

// The same for a list in memory that nothing else touches meanwhile, as the
// converter's: there are no events to process, so no copy is needed, and the kept
// entries stay where they are.
MaybeFailure RemoveDuplicates(MemoryEntryList& list);

}  // namespace leitzahl
