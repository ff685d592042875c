#include "ui/win32/EntryListView.h"

#include <climits>
#include <commctrl.h>

namespace leitzahl {

void EntryListView::clear()
{
    entries_.clear();
    shownRows_ = 0;
    ListView_SetItemCountEx(view_, 0, 0);
}

void EntryListView::showAppended()
{
    // The view counts rows in int; beyond that the entries are kept but not shown.
    const std::size_t rows = std::min<std::size_t>(entries_.count(), INT_MAX);
    if (rows != shownRows_) {
        shownRows_ = rows;
        ListView_SetItemCountEx(view_, static_cast<int>(rows), LVSICF_NOSCROLL);
    }
}

void EntryListView::decodingChanged()
{
    InvalidateRect(view_, nullptr, TRUE);
}

const wchar_t* EntryListView::rowText(std::size_t row)
{
    if (row >= shownRows_) {
        return L"";
    }
    const std::u16string text = shownText(row);
    rowText_.assign(text.begin(), text.end());
    return rowText_.c_str();
}

}  // namespace leitzahl
