#pragma once

// Lists for the tests and the fuzz target: one that an import fills in one pass, a list
// of given entries, a list's entries, and all an import gives back, for comparing.
#include "core/MemoryEntryList.h"
#include "core/modSortCodeImport.h"

#include <functional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace leitzahl::test {

// Keeps its entries elsewhere and takes no list over, so that an import fills it in one
// pass; it can run a step before its first entry.
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

inline MemoryEntryList ListOf(const std::vector<std::string>& entries)
{
    MemoryEntryList list;
    for (const std::string& entry : entries) {
        list.append(entry);
    }
    return list;
}

inline std::vector<std::string> Entries(const EntryList& list)
{
    std::vector<std::string> entries;
    for (std::size_t i = 0; i < list.count(); ++i) {
        entries.emplace_back(list.entry(i));
    }
    return entries;
}

inline auto Outcome(const ImportResult& result, const EntryList& list)
{
    return std::tuple(result.form, result.linesRead, result.entriesRead, result.unfitLines,
                      result.firstUnfitLine, result.semicolonNames, result.firstSemicolonCode,
                      result.wideCharacterEntries, result.firstWideCharacterCode, result.validFrom,
                      result.validTill, result.failure ? result.failure->description : "", Entries(list));
}

}  // namespace leitzahl::test
