#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

namespace leitzahl {

class MemoryEntryList;

// An ordered list of entries, each held as the bytes that were appended.
// A view returned by entry() stays valid until the next append() or clear().
class EntryList {
public:
    virtual ~EntryList() = default;

    virtual std::size_t count() const = 0;
    virtual std::string_view entry(std::size_t index) const = 0;
    virtual void append(std::string_view text) = 0;
    virtual void clear() = 0;
    // Where the list keeps its entries in a MemoryEntryList and may take many at once
    // straight into it, that list; else nullptr.
    virtual MemoryEntryList* store() { return nullptr; }

protected:
    EntryList() = default;
    EntryList(const EntryList&) = default;
    EntryList& operator=(const EntryList&) = default;
};

// Lets the caller's event loop run while a long operation works; a caller without
// a window passes one that does nothing.
using ProcessEvents = std::function<void()>;

}  // namespace leitzahl
