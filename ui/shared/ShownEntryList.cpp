#include "ui/shared/ShownEntryList.h"

#include "ui/shared/TextDecoding.h"

#include <algorithm>
#include <climits>

namespace leitzahl {

void ShownEntryList::append(std::string_view text)
{
    entries_.append(text);
    if (holds_ == 0) {
        showAppended();
    }
}

void ShownEntryList::takeOver(MemoryEntryList&& entries)
{
    entries_.takeOver(std::move(entries));
    if (holds_ == 0) {
        showAppended();
    }
}

void ShownEntryList::handOver(MemoryEntryList& to)
{
    // Into the empty list to, the blocks move without allocating: clear() cannot fail
    // half way between the view's notifications.
    handedTo_ = &to;
    try {
        clear();
    } catch (...) {
        handedTo_ = nullptr;
        throw;
    }
    handedTo_ = nullptr;
}

void ShownEntryList::clearEntries()
{
    if (handedTo_ != nullptr) {
        handedTo_->takeOver(std::move(entries_));
    } else {
        entries_.clear();
    }
}

void ShownEntryList::releaseAppended()
{
    --holds_;
    showAppended();
}

void ShownEntryList::showAsUtf8(bool utf8)
{
    if (utf8 != utf8_) {
        utf8_ = utf8;
        decodingChanged();
    }
}

int ShownEntryList::showableRows() const
{
    return static_cast<int>(std::min<std::size_t>(entries_.count(), INT_MAX));
}

std::u16string ShownEntryList::shownText(std::size_t index) const
{
    const std::string_view bytes = entries_.entry(index);
    return utf8_ ? DecodeUtf8(bytes) : DecodeWindows1252(bytes);
}

}  // namespace leitzahl
