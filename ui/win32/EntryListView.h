#pragma once

#include "core/EntryList.h"
#include "core/MemoryEntryList.h"

#include <string>
#include <windows.h>

namespace leitzahl {

// The entries behind List1, a virtual list view: held as the bytes that were appended,
// shown as Windows 1252 (or UTF-8, for a file re-saved that way) when a row is drawn.
class EntryListView final : public EntryList {
public:
    void attach(HWND view) { view_ = view; }

    std::size_t count() const override { return entries_.count(); }
    std::string_view entry(std::size_t index) const override { return entries_.entry(index); }
    void append(std::string_view text) override;
    void clear() override;
    // Only while appended rows are held: the view learns of them at release.
    MemoryEntryList* store() override { return holds_ > 0 ? &entries_ : nullptr; }

    // While held, appended rows reach the view only with showAppended(), in one step.
    void holdAppended() { ++holds_; }
    void releaseAppended();
    void showAppended();
    void showAsUtf8(bool utf8);

    // The text of a row, for the view's LVN_GETDISPINFO; valid until the next call.
    const wchar_t* rowText(std::size_t row);

private:
    MemoryEntryList entries_;
    HWND view_ = nullptr;
    std::size_t shownRows_ = 0;
    int holds_ = 0;
    bool utf8_ = false;
    std::wstring rowText_;
};

}  // namespace leitzahl
