#include "ui/EntryListModel.h"

#include "ui/Windows1252.h"

#include <climits>

namespace leitzahl {

void EntryListModel::append(std::string_view text)
{
    if (entries_.count() >= INT_MAX) {
        entries_.append(text);  // kept, but beyond what a view can show
        return;
    }
    const int row = rowCount();
    beginInsertRows(QModelIndex(), row, row);
    entries_.append(text);
    endInsertRows();
}

void EntryListModel::clear()
{
    beginResetModel();
    entries_.clear();
    endResetModel();
}

int EntryListModel::rowCount(const QModelIndex& parent) const
{
    // Qt's views count rows in int; beyond that the entries are kept but not shown.
    return parent.isValid() ? 0 : static_cast<int>(std::min<std::size_t>(entries_.count(), INT_MAX));
}

QVariant EntryListModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    return DecodeWindows1252(entries_.entry(static_cast<std::size_t>(index.row())));
}

}  // namespace leitzahl
