#include "core/MemoryEntryList.h"

#include <cassert>

namespace leitzahl {

std::string_view MemoryEntryList::entry(std::size_t index) const
{
    assert(index < ends_.size());
    const std::size_t begin = index == 0 ? 0 : ends_[index - 1];
    return std::string_view(bytes_).substr(begin, ends_[index] - begin);
}

void MemoryEntryList::append(std::string_view text)
{
    bytes_.append(text);
    ends_.push_back(bytes_.size());
}

void MemoryEntryList::clear()
{
    bytes_.clear();
    ends_.clear();
}

void MemoryEntryList::reserve(std::size_t entries, std::size_t bytes)
{
    ends_.reserve(entries);
    bytes_.reserve(bytes);
}

}  // namespace leitzahl
