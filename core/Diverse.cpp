#include "core/Diverse.h"

#include "core/MemoryEntryList.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

namespace leitzahl {

namespace {

constexpr std::size_t kKeyLength = 8;

std::string_view KeyOf(std::string_view entry)
{
    return entry.substr(0, kKeyLength);
}

std::uint64_t HashKey(std::string_view key)
{
    std::uint64_t packed = 0;
    std::memcpy(&packed, key.data(), key.size());
    // The length goes in as well, so that "12" and "12\0" differ.
    return (packed ^ (key.size() * 0x9E3779B97F4A7C15ULL)) * 0xBF58476D1CE4E5B9ULL;
}

// Open addressing over the indexes of the source copy: no allocation per key.
class SeenKeys {
public:
    SeenKeys(const MemoryEntryList& source, std::size_t expected)
        : source_(source),
          slots_(std::bit_ceil(expected * 2 + 2), kEmpty),
          shift_(64 - std::countr_zero(slots_.size()))
    {
    }

    // True when the key of the entry at index was not seen before.
    bool insert(std::size_t index)
    {
        const std::string_view key = KeyOf(source_.entry(index));
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t slot = HashKey(key) >> shift_;; slot = (slot + 1) & mask) {
            if (slots_[slot] == kEmpty) {
                slots_[slot] = index;
                return true;
            }
            if (KeyOf(source_.entry(slots_[slot])) == key) {
                return false;
            }
        }
    }

private:
    static constexpr std::size_t kEmpty = SIZE_MAX;
    const MemoryEntryList& source_;
    std::vector<std::size_t> slots_;
    int shift_;  // keeps the hash's top bits, the well-mixed ones
};

}  // namespace

void RemoveDuplicates(EntryList& list, const ProcessEvents& processEvents)
{
    const std::size_t count = list.count();
    if (count == 0) {
        return;
    }
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < count; ++i) {
        bytes += list.entry(i).size();
    }
    MemoryEntryList source;
    source.reserve(count, bytes);
    for (std::size_t i = 0; i < count; ++i) {
        source.append(list.entry(i));
    }

    SeenKeys seen(source, count);
    std::vector<std::size_t> kept;
    kept.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (seen.insert(i)) {
            kept.push_back(i);
        }
        processEvents();
    }

    list.clear();
    for (const std::size_t index : kept) {
        list.append(source.entry(index));
    }
}

}  // namespace leitzahl
