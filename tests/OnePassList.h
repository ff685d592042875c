#pragma once

// A list that keeps its entries elsewhere and takes no list over, so that an import fills
// it in one pass; it can run a step before its first entry.
#include "core/MemoryEntryList.h"

#include <functional>
#include <utility>

namespace leitzahl::test {

class OnePassList final : public EntryList {
public:
    explicit OnePassList(std::function<void()> beforeFirst = [] {}) : beforeFirst_(std::move(beforeFirst)) {}
    std::size_t count() const override { return entries_.count(); }
    std::string_view entry(std::size_t index) const override { return entries_.entry(index); }
    void append(std::string_view text) override
    {
        if (entries_.count() == 0) {
            beforeFirst_();
        }
        entries_.append(text);
    }
    void clear() override { entries_.clear(); }

private:
    std::function<void()> beforeFirst_;
    MemoryEntryList entries_;
};

}  // namespace leitzahl::test
