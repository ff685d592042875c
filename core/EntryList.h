#pragma once
// The list of entries the conversion works on, and the event processing it hands control to.

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
    // Whether takeOver() keeps the other list's bytes instead of copying them; a large
    // import then cuts its text in two halves at once, each into a list of its own.
    virtual bool takesOver() const { return false; }
    // Appends the other list's entries and empties it.
    virtual void takeOver(MemoryEntryList&& entries);
    // Moves the entries into to, which is empty, and empties this list as clear() does;
    // a list that keeps its entries in memory hands its blocks over without a copy.
    virtual void handOver(MemoryEntryList& to);

protected:
    EntryList() = default;
    EntryList(const EntryList&) = default;
    EntryList& operator=(const EntryList&) = default;
};

// Lets the caller's event loop run while a long operation works; a caller without
// a window passes one that does nothing.
using ProcessEvents = std::function<void()>;

}  // namespace leitzahl
