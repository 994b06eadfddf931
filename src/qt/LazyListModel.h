// This file is not part of the API. The list's rows as a Qt item model.
#pragma once

#include "veltra/data/BoundControls.h"

#include <QAbstractListModel>
#include <QStringList>

namespace veltra::qt {

// The list's rows for Qt views, read from the list on demand: a view asks for more rows
// as it scrolls, so a result of a million rows opens without being read.
class LazyListModel final : public QAbstractListModel {
  public:
    explicit LazyListModel(const ListModel& list) : list_(list) {}

    // The list has new rows: the first ones (at least as many as asked for) are read again
    // and the view hears only of the rows that changed, so that it repaints no row that shows
    // what it showed.
    void refresh(int atLeast = 0);
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    // The first row read so far whose text is the text, or -1.
    int rowOfText(const QString& text) const { return static_cast<int>(shown_.indexOf(text)); }

  private:
    QStringList readRows(int from, int count) const;

    const ListModel& list_;
    QStringList shown_; // the rows read so far
};

} // namespace veltra::qt
