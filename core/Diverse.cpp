#include "core/Diverse.h"

#include "core/MemoryEntryList.h"
#include "core/SeenKeys.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

namespace leitzahl {

namespace {

constexpr std::size_t kKeyLength = 8;

std::string_view KeyOf(std::string_view entry)
{
    return entry.substr(0, kKeyLength);
}

// The same as the table gives, for any keys in n log n: the entries sorted by key, the
// first of each key's run taken, back in list order.
std::vector<std::size_t> FirstOfEachKeyBySorting(const EntryList& entries)
{
    struct Keyed {
        std::uint64_t bytes;
        std::uint64_t lengthPlusOne;
        std::size_t index;
        auto operator<=>(const Keyed&) const = default;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(entries.count());
    for (std::size_t i = 0; i < entries.count(); ++i) {
        const PackedKey key(KeyOf(entries.entry(i)));
        keyed.push_back({key.bytes, key.lengthPlusOne, i});
    }
    std::sort(keyed.begin(), keyed.end());
    std::vector<std::size_t> kept;
    for (std::size_t i = 0; i < keyed.size(); ++i) {
        if (i == 0 || keyed[i].bytes != keyed[i - 1].bytes || keyed[i].lengthPlusOne != keyed[i - 1].lengthPlusOne) {
            kept.push_back(keyed[i].index);
        }
    }
    std::sort(kept.begin(), kept.end());
    return kept;
}

// Indexes of the first entry of every key, in list order; processEvents runs once per entry.
std::vector<std::size_t> FirstOfEachKey(const EntryList& entries, const ProcessEvents& processEvents)
{
    const std::size_t count = entries.count();
    std::vector<std::size_t> kept;
    kept.reserve(count);
    // While the keys ascend, as in the published file, a new key is greater than all
    // before it and needs no table; the table is filled with the kept keys only when
    // the order first breaks.
    std::optional<SeenKeys> seen;
    // Once keys crowd the table, sorting takes over for the whole list.
    bool crowded = false;
    std::string_view previousKey;
    constexpr std::size_t kPrefetchDistance = 16;
    for (std::size_t i = 0; i < count; ++i) {
        if (!crowded) {
            if (seen && i + kPrefetchDistance < count) {
                seen->prefetch(PackedKey(KeyOf(entries.entry(i + kPrefetchDistance))));
            }
            const std::string_view key = KeyOf(entries.entry(i));
            // Branch records follow their head office, so most repeats equal the key just
            // before them.
            const int order = i == 0 ? 1 : key.compare(previousKey);
            if (order != 0) {
                if (!seen && order < 0) {
                    seen.emplace(count);
                    for (std::size_t k = 0; k < kept.size() && !crowded; ++k) {
                        crowded = seen->insert(PackedKey(KeyOf(entries.entry(kept[k])))) == Insertion::Crowded;
                    }
                }
                const Insertion insertion = crowded || !seen ? Insertion::New : seen->insert(PackedKey(key));
                crowded = crowded || insertion == Insertion::Crowded;
                if (insertion == Insertion::New) {
                    kept.push_back(i);
                }
            }
            previousKey = key;
        }
        if (processEvents) {
            processEvents();
        }
    }
    if (crowded) {
        return FirstOfEachKeyBySorting(entries);
    }
    return kept;
}

void KeepFirstOfEachKey(EntryList& list, const ProcessEvents& processEvents)
{
    const std::size_t count = list.count();
    if (count == 0) {
        return;
    }
    // What runs inside processEvents may change the list, even through a nested call;
    // this call works on entries of its own, taken from the list without a copy where
    // the list keeps them in memory, and gives back what it keeps.
    MemoryEntryList source;
    list.handOver(source);
    source.keepOnly(FirstOfEachKey(source, processEvents));
    list.clear();
    list.takeOver(std::move(source));
}

}  // namespace

MaybeFailure RemoveDuplicates(EntryList& list, const ProcessEvents& processEvents)
{
    return GuardMemory([&] { KeepFirstOfEachKey(list, processEvents); });
}

MaybeFailure RemoveDuplicates(MemoryEntryList& list)
{
    return GuardMemory([&] { list.keepOnly(FirstOfEachKey(list, ProcessEvents())); });
}

}  // namespace leitzahl
