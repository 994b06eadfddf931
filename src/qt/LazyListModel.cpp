#include "qt/LazyListModel.h"

#include "veltra/qt/QtText.h"

namespace veltra::qt {

namespace {

constexpr int kRowsPerFetch = 100;

} // namespace

void LazyListModel::reset() {
    beginResetModel();
    loaded_ = 0;
    endResetModel();
}

int LazyListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : loaded_;
}

QVariant LazyListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= loaded_)
        return {};
    return toQString(list_.value(static_cast<std::size_t>(index.row())));
}

bool LazyListModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && list_.hasRow(static_cast<std::size_t>(loaded_));
}

void LazyListModel::fetchMore(const QModelIndex& parent) {
    if (parent.isValid())
        return;
    int available = loaded_;
    while (available < loaded_ + kRowsPerFetch && list_.hasRow(static_cast<std::size_t>(available)))
        ++available;
    if (available == loaded_)
        return;
    beginInsertRows({}, loaded_, available - 1);
    loaded_ = available;
    endInsertRows();
}

} // namespace veltra::qt
