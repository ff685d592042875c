#pragma once
// Where the short way writes its CSV lines: each entry once, the first of its key.

#include "core/RecordLines.h"
#include "core/forms/CsvLines.h"
#include "core/SeenKeys.h"
#include "core/system/SystemFile.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

namespace leitzahl {

// The key of an entry or a CSV line: its first 8 bytes, fewer where it is shorter.
inline PackedKey KeyOfLine(const char* line, std::size_t size)
{
    // Eight bytes in one move, as nearly every entry has them.
    constexpr std::size_t kKeyLength = 8;
    PackedKey key;
    key.lengthPlusOne = std::min(size, kKeyLength) + 1;
    std::memcpy(&key.bytes, line, size >= kKeyLength ? kKeyLength : size);
    return key;
}

// Whether key a comes before key b, as their bytes compare: a key that another begins
// with comes first.
inline bool KeyBefore(const PackedKey& a, const PackedKey& b)
{
    const std::uint64_t first = __builtin_bswap64(a.bytes);
    const std::uint64_t second = __builtin_bswap64(b.bytes);
    return first < second || (first == second && a.lengthPlusOne < b.lengthPlusOne);
}

// Writes each entry with its line feed into the room given, unless its key was kept
// before. While the keys ascend, as in the published file, a repeat can only be the key
// just before; once one descends, the kept keys go into a set. Refuses an entry the room
// cannot hold or keys that crowd the set, and gives up once another place has given up.
class CsvPlace {
public:
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
        const PackedKey key = KeyOfLine(next_, size);
        if (kept_ > 0) {
            if (key == lastKey_) {
                return true;  // the next entry is written over it
            }
            if (KeyBefore(key, lastKey_) && !seen_ && !keysIntoSet()) {
                return giveUp();
            }
            if (seen_) {
                const Insertion insertion = seen_->insert(key);
                if (insertion == Insertion::Crowded) {
                    return giveUp();
                }
                if (insertion == Insertion::Seen) {
                    return true;
                }
            }
        } else {
            firstKey_ = key;
            firstLineBytes_ = size + 1;
        }
        lastKey_ = key;
        next_ += size;
        *next_++ = '\n';
        ++kept_;
        return true;
    }

    // Places an entry of a CSV or XML record, its name not yet trimmed, and counts it
    // into result; gives back whether its fields fit a record, or nothing where the
    // place refuses it or it is longer than an entry of the file can be.
    std::optional<bool> place(std::string_view sortCode, std::string_view name, std::string_view method,
                              ImportResult& result)
    {
        name = TrimSpaces(name);
        const std::size_t size = sortCode.size() + name.size() + method.size() + 2;
        char* const out = size <= longestEntry_ ? room() : nullptr;
        if (out == nullptr) {
            giveUp();
            return std::nullopt;
        }
        char* end = record::Put(out, sortCode);
        *end++ = ';';
        end = record::Put(end, name);
        *end++ = ';';
        record::Put(end, method);
        // A ";" in a field: more than the two between them, counted in one pass.
        const bool extraColumn = std::count(out, out + size, ';') > 2;
        if (!keep(size)) {
            return std::nullopt;
        }
        return CountEntry(sortCode, name, method, extraColumn, result);
    }

    // Places an entry made elsewhere; false where the place refuses it or it is longer
    // than an entry of the file can be.
    bool placeEntry(std::string_view entry)
    {
        char* const out = entry.size() <= longestEntry_ ? room() : nullptr;
        if (out == nullptr) {
            return giveUp();
        }
        std::memcpy(out, entry.data(), entry.size());
        return keep(entry.size());
    }

    std::string_view text() const { return {begin_, static_cast<std::size_t>(next_ - begin_)}; }
    std::size_t kept() const { return kept_; }
    // Whether the kept keys ascend, each greater than the one before.
    bool ascending() const { return !seen_; }
    // The first and last kept key, once an entry is kept.
    const PackedKey& firstKey() const { return firstKey_; }
    const PackedKey& lastKey() const { return lastKey_; }
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
        for (const char* line = begin_; line < next_;) {
            const char* const end = static_cast<const char*>(std::memchr(line, '\n', static_cast<std::size_t>(next_ - line)));
            const PackedKey key = KeyOfLine(line, static_cast<std::size_t>(end - line));
            line = end + 1;
            if (seen_->insert(key) == Insertion::Crowded) {
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
    PackedKey firstKey_;
    PackedKey lastKey_;
    std::size_t kept_ = 0;
    std::size_t firstLineBytes_ = 0;
    std::optional<SeenKeys> seen_;
};

// Cuts the CSV form's lines into the place, counting into cut; false where the place
// refused the rest.
inline bool CutCsvLinesInto(std::string_view lines, ImportResult& cut, CsvPlace& place)
{
    return csv::CutCsvLines(lines, cut, [&](std::string_view sortCode, std::string_view name,
                                            std::string_view method) {
        return place.place(sortCode, name, method, cut);
    });
}

}  // namespace leitzahl
