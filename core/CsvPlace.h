#pragma once
// Where the short way writes its CSV lines: each entry once, the first of its key.

#include "core/SeenKeys.h"
#include "core/system/SystemFile.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

namespace leitzahl {

// A sort code read as a big-endian number, so that keys compare as their bytes do.
inline std::uint64_t KeyOrder(const char* key)
{
    std::uint64_t word = 0;
    std::memcpy(&word, key, sizeof word);
    return __builtin_bswap64(word);
}

// Writes each entry with its line feed into the room given, unless its key was kept
// before. While the keys ascend, as in the published file, a repeat can only be the key
// just before; once one descends, the kept keys go into a set. Refuses an entry the room
// cannot hold or keys that crowd the set, and gives up once another place has given up.
class CsvPlace {
public:
    static constexpr std::size_t kKeyLength = 8;

    CsvPlace(char* begin, std::size_t size, std::size_t longestEntry, std::atomic<bool>& givenUp)
        : begin_(begin), next_(begin), prepared_(begin), end_(begin + size), longestEntry_(longestEntry),
          givenUp_(givenUp)
    {
    }

    char* room()
    {
        if (static_cast<std::size_t>(end_ - next_) <= longestEntry_ || givenUp_.load(std::memory_order_relaxed)) {
            givenUp_.store(true, std::memory_order_relaxed);
            return nullptr;
        }
        if (static_cast<std::size_t>(prepared_ - next_) <= longestEntry_) {
            // Fresh pages a stretch at a time: a fault for each costs a fifth of the time.
            constexpr std::size_t kStretch = 1 << 20;
            const std::size_t stretch = std::min<std::size_t>(kStretch, static_cast<std::size_t>(end_ - prepared_));
            PrepareForWriting(prepared_, stretch);
            prepared_ += stretch;
        }
        return next_;
    }
    bool keep(std::size_t size)
    {
        if (lastKey_ != nullptr) {
            const std::uint64_t key = KeyOrder(next_);
            const std::uint64_t lastKey = KeyOrder(lastKey_);
            if (key == lastKey) {
                return true;  // the next entry is written over it
            }
            if (key < lastKey && !seen_ && !keysIntoSet()) {
                return giveUp();
            }
            if (seen_) {
                const Insertion insertion = seen_->insert(PackedKey({next_, kKeyLength}));
                if (insertion == Insertion::Crowded) {
                    return giveUp();
                }
                if (insertion == Insertion::Seen) {
                    return true;
                }
            }
        } else {
            firstLineBytes_ = size + 1;
        }
        lastKey_ = next_;
        next_ += size;
        *next_++ = '\n';
        ++kept_;
        return true;
    }

    std::string_view text() const { return {begin_, static_cast<std::size_t>(next_ - begin_)}; }
    std::size_t kept() const { return kept_; }
    // Whether the kept keys ascend, each greater than the one before.
    bool ascending() const { return !seen_; }
    // The first and last kept key, once an entry is kept.
    const char* firstKey() const { return begin_; }
    const char* lastKey() const { return lastKey_; }
    std::size_t firstLineBytes() const { return firstLineBytes_; }
    // The kept keys, in a set from now on; nullptr where they crowd it.
    SeenKeys* keys() { return seen_ || keysIntoSet() ? &*seen_ : nullptr; }

private:
    bool giveUp()
    {
        givenUp_.store(true, std::memory_order_relaxed);
        return false;
    }

    // Every line kept so far begins with its key.
    bool keysIntoSet()
    {
        seen_.emplace(kept_);
        for (const char* line = begin_; line < next_;
             line = static_cast<const char*>(std::memchr(line, '\n', static_cast<std::size_t>(next_ - line))) + 1) {
            if (seen_->insert(PackedKey({line, kKeyLength})) == Insertion::Crowded) {
                seen_.reset();
                return false;
            }
        }
        return true;
    }

    char* begin_;
    char* next_;
    char* prepared_;  // the room before it is taken in
    char* end_;
    std::size_t longestEntry_;
    std::atomic<bool>& givenUp_;
    const char* lastKey_ = nullptr;
    std::size_t kept_ = 0;
    std::size_t firstLineBytes_ = 0;
    std::optional<SeenKeys> seen_;
};

}  // namespace leitzahl
