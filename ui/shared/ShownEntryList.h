#pragma once
// The entries behind a window's list, and how they are shown.

#include "core/EntryList.h"
#include "core/MemoryEntryList.h"

#include <string>

namespace leitzahl {

// The entries behind a window's List1: held as the bytes that were appended, shown as
// Windows 1252 (or UTF-8, for a file re-saved that way). How the view learns of new
// rows and of another decoding is the window system's part.
class ShownEntryList : public EntryList {
public:
    std::size_t count() const override { return entries_.count(); }
    std::string_view entry(std::size_t index) const override { return entries_.entry(index); }
    void append(std::string_view text) override;
    // Takes a large import's halves without copying them; the view learns of them as
    // of appended rows.
    bool takesOver() const override { return true; }
    void takeOver(MemoryEntryList&& entries) override;
    // Hands the entries' blocks over through clear(), so that the view learns of it.
    void handOver(MemoryEntryList& to) override;

    // While held, appended rows reach the view only with showAppended(), all in one
    // step: told of a million rows one by one, the view would take longer than the import.
    void holdAppended() { ++holds_; }
    void releaseAppended();
    virtual void showAppended() = 0;

    // Shows the entries decoded as UTF-8 instead of Windows 1252.
    void showAsUtf8(bool utf8);

protected:
    // Derived lists clear their view after this.
    void clearEntries();
    // How many rows the view can show: views count rows in int; beyond that the
    // entries are kept but not shown.
    int showableRows() const;
    // The entry's bytes as the list shows them.
    std::u16string shownText(std::size_t index) const;
    // Tells the view that every row reads anew.
    virtual void decodingChanged() = 0;

private:
    MemoryEntryList entries_;
    MemoryEntryList* handedTo_ = nullptr;  // where clearEntries() moves the entries to, during handOver()
    int holds_ = 0;
    bool utf8_ = false;
};

}  // namespace leitzahl
