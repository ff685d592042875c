#include "core/Diverse.h"

#include "core/MemoryEntryList.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

namespace leitzahl {

namespace {

constexpr std::size_t kKeyLength = 8;

std::string_view KeyOf(std::string_view entry)
{
    return entry.substr(0, kKeyLength);
}

// A key of at most 8 bytes, packed with its length into two words, so that the set
// compares words and never goes back to the entries. A length of 0 marks an empty slot.
struct PackedKey {
    std::uint64_t bytes = 0;
    std::uint64_t lengthPlusOne = 0;

    PackedKey() = default;
    explicit PackedKey(std::string_view key) : lengthPlusOne(key.size() + 1)
    {
        std::memcpy(&bytes, key.data(), key.size());
    }
    bool operator==(const PackedKey&) const = default;
};

// Open addressing with the keys stored in the slots: no allocation per key.
class SeenKeys {
public:
    explicit SeenKeys(std::size_t expected)
        : slots_(std::bit_ceil(expected * 2 + 2)), shift_(64 - std::countr_zero(slots_.size()))
    {
    }

    // The table is far larger than the caches; asking for a slot early lets the
    // memory fetches of several keys overlap.
    void prefetch(const PackedKey& key) const { __builtin_prefetch(&slots_[home(key)]); }

    // True when the key was not seen before.
    bool insert(const PackedKey& key)
    {
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t slot = home(key);; slot = (slot + 1) & mask) {
            PackedKey& place = slots_[slot];
            if (place.lengthPlusOne == 0) {
                place = key;
                return true;
            }
            if (place == key) {
                return false;
            }
        }
    }

private:
    // Multiplying mixes the bytes into the top bits, which pick the slot.
    std::size_t home(const PackedKey& key) const
    {
        return ((key.bytes ^ key.lengthPlusOne << 56) * 0x9E3779B97F4A7C15ULL) >> shift_;
    }

    std::vector<PackedKey> slots_;
    int shift_;
};

}  // namespace

namespace {

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
    std::string_view previousKey;
    constexpr std::size_t kPrefetchDistance = 16;
    for (std::size_t i = 0; i < count; ++i) {
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
                for (const std::size_t index : kept) {
                    seen->insert(PackedKey(KeyOf(entries.entry(index))));
                }
            }
            if (!seen || seen->insert(PackedKey(key))) {
                kept.push_back(i);
            }
        }
        previousKey = key;
        if (processEvents) {
            processEvents();
        }
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
