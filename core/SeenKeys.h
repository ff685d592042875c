#pragma once
// The set of sort codes already met, which keeps the first entry of each.

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace leitzahl {

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

enum class Insertion { New, Seen, Crowded };

// Open addressing with the keys stored in the slots: no allocation per key. The table
// doubles once it is half full, so that one made for few keys takes any number.
class SeenKeys {
public:
    explicit SeenKeys(std::size_t expected)
        : slots_(std::bit_ceil(expected * 2 + 2)), shift_(64 - std::countr_zero(slots_.size()))
    {
    }

    // The table is far larger than the caches; asking for a slot early lets the
    // memory fetches of several keys overlap.
    void prefetch(const PackedKey& key) const { __builtin_prefetch(&slots_[home(key)]); }

    // Crowded where the key's run of slots is too long: keys chosen to fall together,
    // as a hostile file's may, would make each insertion walk all those before it.
    Insertion insert(const PackedKey& key)
    {
        if (2 * (count_ + 1) > slots_.size() && !grow()) {
            return Insertion::Crowded;
        }
        const Insertion insertion = place(key);
        count_ += insertion == Insertion::New ? 1 : 0;
        return insertion;
    }

private:
    Insertion place(const PackedKey& key)
    {
        // Random keys in a table at most half full never come near this.
        constexpr std::size_t kProbeLimit = 256;
        const std::size_t mask = slots_.size() - 1;
        std::size_t slot = home(key);
        for (std::size_t probe = 0; probe < kProbeLimit; ++probe, slot = (slot + 1) & mask) {
            PackedKey& taken = slots_[slot];
            if (taken.lengthPlusOne == 0) {
                taken = key;
                return Insertion::New;
            }
            if (taken == key) {
                return Insertion::Seen;
            }
        }
        return Insertion::Crowded;
    }

    // False where the keys crowd the larger table too.
    bool grow()
    {
        std::vector<PackedKey> old(slots_.size() * 2);
        old.swap(slots_);
        --shift_;
        for (const PackedKey& key : old) {
            if (key.lengthPlusOne != 0 && place(key) == Insertion::Crowded) {
                return false;
            }
        }
        return true;
    }

    // Multiplying mixes the bytes into the top bits, which pick the slot.
    std::size_t home(const PackedKey& key) const
    {
        return ((key.bytes ^ key.lengthPlusOne << 56) * 0x9E3779B97F4A7C15ULL) >> shift_;
    }

    std::vector<PackedKey> slots_;
    int shift_;
    std::size_t count_ = 0;
};

}  // namespace leitzahl
