// This file is not part of the API. The list's rows as a Qt item model.
#pragma once

#include "veltra/data/BoundControls.h"

#include <QAbstractListModel>

namespace veltra::qt {

// The list's rows for Qt views, read from the list on demand: a view asks for more rows
// as it scrolls, so a result of a million rows opens without being read.
class LazyListModel final : public QAbstractListModel {
  public:
    explicit LazyListModel(const ListModel& list) : list_(list) {}

    void reset();
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

  private:
    const ListModel& list_;
    int loaded_ = 0;
};

} // namespace veltra::qt
