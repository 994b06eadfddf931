// This file is not part of the API. The list's rows as a Qt item model.
#pragma once

#include "veltra/data/BoundControls.h"

#include <QAbstractListModel>
#include <QStringList>

namespace veltra::qt {

// The list's rows for Qt views, read from the list on demand: a view asks for more rows
// as it scrolls, so a result of a million rows opens without being read. A row is its list
// value (the display role), with the values of the extra columns (ExtrasRole) that tell
// rows of one value apart; assistive technology reads them after the value.
class LazyListModel final : public QAbstractListModel {
  public:
    static constexpr int ExtrasRole = Qt::UserRole + 1;

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
    // Counts the changes of the rows read, so that what is measured over them is measured
    // again only when they change.
    int generation() const { return generation_; }

  private:
    struct Rows {
        QStringList values;
        QList<QStringList> extras;
    };
    Rows readRows(int from, int count) const;

    const ListModel& list_;
    QStringList shown_;         // the rows read so far
    QList<QStringList> extras_; // and their extra columns' values
    int generation_ = 0;
};

} // namespace veltra::qt
