#pragma once
// The Win32 window's List1: a virtual list view over the entries.

#include "ui/shared/ShownEntryList.h"

#include <string>
#include <windows.h>

namespace leitzahl {

// The entries behind List1, a virtual list view that asks for a row's text when it
// draws the row.
class EntryListView final : public ShownEntryList {
public:
    void attach(HWND view) { view_ = view; }

    void clear() override;
    void showAppended() override;

    // The text of a row, for the view's LVN_GETDISPINFO; valid until the next call.
    const wchar_t* rowText(std::size_t row);

private:
    void decodingChanged() override;

    HWND view_ = nullptr;
    int shownRows_ = 0;
    std::wstring rowText_;
};

}  // namespace leitzahl
