#pragma once

#include "core/EntryList.h"

#include <string>
#include <vector>

namespace leitzahl {

// Keeps all entries back to back in one buffer: a million entries cost two
// allocations that grow, not a million small ones.
class MemoryEntryList final : public EntryList {
public:
    std::size_t count() const override { return ends_.size(); }
    std::string_view entry(std::size_t index) const override;
    void append(std::string_view text) override;
    void clear() override;

    void reserve(std::size_t entries, std::size_t bytes);

private:
    std::string bytes_;
    std::vector<std::size_t> ends_;
};

}  // namespace leitzahl
