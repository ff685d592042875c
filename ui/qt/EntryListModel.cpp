#include "ui/qt/EntryListModel.h"

#include "ui/shared/TextDecoding.h"

#include <climits>

namespace leitzahl {

void EntryListModel::append(std::string_view text)
{
    entries_.append(text);
    if (holds_ == 0) {
        showAppended();
    }
}

void EntryListModel::clear()
{
    beginResetModel();
    entries_.clear();
    shownRows_ = 0;
    endResetModel();
}

void EntryListModel::releaseAppended()
{
    --holds_;
    showAppended();
}

void EntryListModel::showAppended()
{
    // Qt's views count rows in int; beyond that the entries are kept but not shown.
    const int rows = static_cast<int>(std::min<std::size_t>(entries_.count(), INT_MAX));
    if (rows > shownRows_) {
        beginInsertRows(QModelIndex(), shownRows_, rows - 1);
        shownRows_ = rows;
        endInsertRows();
    }
}

void EntryListModel::showAsUtf8(bool utf8)
{
    if (utf8 != utf8_) {
        utf8_ = utf8;
        if (shownRows_ > 0) {
            emit dataChanged(index(0), index(shownRows_ - 1));
        }
    }
}

int EntryListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : shownRows_;
}

QVariant EntryListModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= shownRows_) {
        return {};
    }
    const std::string_view bytes = entries_.entry(static_cast<std::size_t>(index.row()));
    return QString::fromStdU16String(utf8_ ? DecodeUtf8(bytes) : DecodeWindows1252(bytes));
}

}  // namespace leitzahl
