#pragma once
// The Qt window's List1: the entries as a model for its view.

#include "ui/shared/ShownEntryList.h"

#include <QAbstractListModel>

namespace leitzahl {

// The entries behind List1, as a model for its view.
class EntryListModel final : public QAbstractListModel, public ShownEntryList {
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    void clear() override;
    void showAppended() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    void decodingChanged() override;

    int shownRows_ = 0;
};

}  // namespace leitzahl
