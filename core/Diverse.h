#pragma once
// Duplicate removal: the first entry of every sort code kept, in list order.

#include "core/EntryList.h"
#include "core/Failure.h"
#include "core/MemoryEntryList.h"

namespace leitzahl {

// Keeps the first entry of every key (its first 8 bytes, compared exactly) and
// drops the later ones, keeping the order. Calls processEvents once per entry.
// Takes the entries out of the list (without a copy where the list keeps them in
// memory) and puts the kept ones back at the end, so whatever processEvents does to
// the list meanwhile (even a nested call) is replaced by this call's result; the list
// is empty until then. Fails only when memory runs out; the list then holds none or
// part of the entries, which the caller discards.
MaybeFailure RemoveDuplicates(EntryList& list, const ProcessEvents& processEvents);

// The same for a list in memory that nothing else touches meanwhile, as the
// converter's: there are no events to process, so no copy is needed, and the kept
// entries stay where they are.
MaybeFailure RemoveDuplicates(MemoryEntryList& list);

}  // namespace leitzahl
