#pragma once
// The entry list in memory, in blocks that never move.

#include "core/EntryList.h"

#include <memory>
#include <string>
#include <vector>

namespace leitzahl {

// Keeps the entries' bytes in blocks that are never moved: a million entries cost a
// few dozen allocations, and growing the list copies no entry.
class MemoryEntryList final : public EntryList {
public:
    std::size_t count() const override { return views_.size(); }
    std::string_view entry(std::size_t index) const override;
    void append(std::string_view text) override;
    void clear() override;
    bool takesOver() const override { return true; }
    // Takes the other list's blocks over instead of copying the entries' bytes; into an
    // empty list, its places too, without allocating. On failure neither list changes.
    void takeOver(MemoryEntryList&& other) override;
    void handOver(MemoryEntryList& to) override { to.takeOver(std::move(*this)); }

    // Makes room for this many entries' places at once; pages not yet used cost nothing.
    void reserve(std::size_t entries) { views_.reserve(entries); }
    // Keeps only the entries at the given indexes, which ascend; their bytes stay put.
    void keepOnly(const std::vector<std::size_t>& indexes);

private:
    // Blocks grow from small, for short lists, to large, for the whole file.
    static constexpr std::size_t kFirstBlockSize = 4096;
    static constexpr std::size_t kLargestBlockSize = 1 << 20;

    char* room(std::size_t size);

    std::vector<std::unique_ptr<char[]>> blocks_;
    std::size_t blockSize_ = 0;  // size of the last block
    std::size_t used_ = 0;       // bytes used in the last block
    std::vector<std::string_view> views_;
};

}  // namespace leitzahl
