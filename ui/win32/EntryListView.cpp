#include "ui/win32/EntryListView.h"

#include <commctrl.h>

namespace leitzahl {

void EntryListView::clear()
{
    clearEntries();
    shownRows_ = 0;
    ListView_SetItemCountEx(view_, 0, 0);
}

void EntryListView::showAppended()
{
    const int rows = showableRows();
    if (rows != shownRows_) {
        shownRows_ = rows;
        ListView_SetItemCountEx(view_, rows, LVSICF_NOSCROLL);
    }
}

void EntryListView::decodingChanged()
{
    InvalidateRect(view_, nullptr, TRUE);
}

const wchar_t* EntryListView::rowText(std::size_t row)
{
    if (row >= static_cast<std::size_t>(shownRows_)) {
        return L"";
    }
    const std::u16string text = shownText(row);
    rowText_.assign(text.begin(), text.end());
    return rowText_.c_str();
}

}  // namespace leitzahl
