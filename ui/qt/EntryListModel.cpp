#include "ui/qt/EntryListModel.h"

namespace leitzahl {

void EntryListModel::clear()
{
    beginResetModel();
    clearEntries();
    shownRows_ = 0;
    endResetModel();
}

void EntryListModel::showAppended()
{
    const int rows = showableRows();
    if (rows > shownRows_) {
        beginInsertRows(QModelIndex(), shownRows_, rows - 1);
        shownRows_ = rows;
        endInsertRows();
    }
}

void EntryListModel::decodingChanged()
{
    if (shownRows_ > 0) {
        emit dataChanged(index(0), index(shownRows_ - 1));
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
    return QString::fromStdU16String(shownText(static_cast<std::size_t>(index.row())));
}

}  // namespace leitzahl
