#pragma once

#include "core/EntryList.h"
#include "core/MemoryEntryList.h"

#include <QAbstractListModel>

namespace leitzahl {

// The entries behind List1: held as the bytes that were appended, shown as Windows 1252
// (or UTF-8, for a file re-saved that way).
class EntryListModel final : public QAbstractListModel, public EntryList {
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    std::size_t count() const override { return entries_.count(); }
    std::string_view entry(std::size_t index) const override { return entries_.entry(index); }
    void append(std::string_view text) override;
    void clear() override;
    // Only while appended rows are held: the view learns of them at release.
    MemoryEntryList* store() override { return holds_ > 0 ? &entries_ : nullptr; }

    // While held, appended rows reach the view only with showAppended(), all in one
    // step: told of a million rows one by one, the view would take longer than the import.
    void holdAppended() { ++holds_; }
    void releaseAppended();
    void showAppended();

    // Shows the entries decoded as UTF-8 instead of Windows 1252.
    void showAsUtf8(bool utf8);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    MemoryEntryList entries_;
    int shownRows_ = 0;
    int holds_ = 0;
    bool utf8_ = false;
};

}  // namespace leitzahl
