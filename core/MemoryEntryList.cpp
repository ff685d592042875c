#include "core/MemoryEntryList.h"

#include "core/system/SystemFile.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <iterator>
#include <utility>

namespace leitzahl {

std::string_view MemoryEntryList::entry(std::size_t index) const
{
    assert(index < views_.size());
    return views_[index];
}

char* MemoryEntryList::room(std::size_t size)
{
    if (blocks_.empty() || blockSize_ - used_ < size) {
        // An entry larger than a block gets a block of its own size.
        const std::size_t next = blocks_.empty() ? kFirstBlockSize : std::min(blockSize_ * 2, kLargestBlockSize);
        blockSize_ = std::max(size, next);
        blocks_.push_back(std::make_unique_for_overwrite<char[]>(blockSize_));
        // A block fills up entry by entry: its pages taken in at once, not a fault each.
        PrepareForWriting(blocks_.back().get(), blockSize_);
        used_ = 0;
    }
    char* place = blocks_.back().get() + used_;
    used_ += size;
    return place;
}

void MemoryEntryList::append(std::string_view text)
{
    char* place = room(text.size());
    if (!text.empty()) {
        std::memcpy(place, text.data(), text.size());
    }
    views_.emplace_back(place, text.size());
}

void MemoryEntryList::clear()
{
    blocks_.clear();
    blockSize_ = 0;
    used_ = 0;
    views_.clear();
}

void EntryList::takeOver(MemoryEntryList&& entries)
{
    for (std::size_t i = 0; i < entries.count(); ++i) {
        append(entries.entry(i));
    }
    entries.clear();
}

void EntryList::handOver(MemoryEntryList& to)
{
    for (std::size_t i = 0; i < count(); ++i) {
        to.append(entry(i));
    }
    clear();
}

void MemoryEntryList::takeOver(MemoryEntryList&& other)
{
    if (views_.empty() && blocks_.empty()) {
        // Into an empty list nothing is allocated, so nothing can fail half way.
        views_.swap(other.views_);
        blocks_.swap(other.blocks_);
        std::swap(blockSize_, other.blockSize_);
        std::swap(used_, other.used_);
        other.clear();
        return;
    }
    // Room for the other's blocks first: should it fail, neither list has changed.
    blocks_.reserve(blocks_.size() + other.blocks_.size());
    views_.insert(views_.end(), other.views_.begin(), other.views_.end());
    // The other list's last block, with its room left, becomes the one appended to.
    std::move(other.blocks_.begin(), other.blocks_.end(), std::back_inserter(blocks_));
    if (!other.blocks_.empty()) {
        blockSize_ = other.blockSize_;
        used_ = other.used_;
    }
    other.clear();
}

void MemoryEntryList::keepOnly(const std::vector<std::size_t>& indexes)
{
    // Indexes ascend, so each entry moves to a place at or before its own.
    for (std::size_t to = 0; to < indexes.size(); ++to) {
        assert(indexes[to] >= to && indexes[to] < views_.size());
        views_[to] = views_[indexes[to]];
    }
    views_.resize(indexes.size());
}

}  // namespace leitzahl
