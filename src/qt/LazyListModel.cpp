#include "LazyListModel.h"

#include "veltra/qt/QtText.h"

namespace veltra::qt {

namespace {

// A few more than the list shows at once.
constexpr int kRowsPerFetch = 32;

} // namespace

QStringList LazyListModel::readRows(int from, int count) const {
    QStringList rows;
    for (auto row = static_cast<std::size_t>(from); rows.size() < count && list_.hasRow(row); ++row)
        rows.append(toQString(list_.value(row)));
    return rows;
}

void LazyListModel::refresh(int atLeast) {
    const QStringList rows = readRows(0, std::max(atLeast, kRowsPerFetch));
    const auto before = static_cast<int>(shown_.size());
    const auto after = static_cast<int>(rows.size());
    if (after < before) {
        beginRemoveRows({}, after, before - 1);
        shown_.resize(after);
        endRemoveRows();
    }
    int firstChanged = -1;
    int lastChanged = -1;
    for (int row = 0; row < std::min(before, after); ++row) {
        if (shown_[row] != rows[row]) {
            shown_[row] = rows[row];
            firstChanged = firstChanged < 0 ? row : firstChanged;
            lastChanged = row;
        }
    }
    if (firstChanged >= 0)
        emit dataChanged(index(firstChanged), index(lastChanged), {Qt::DisplayRole});
    if (after > before) {
        beginInsertRows({}, before, after - 1);
        shown_.append(rows.mid(before));
        endInsertRows();
    }
}

int LazyListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

QVariant LazyListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= shown_.size())
        return {};
    return shown_[index.row()];
}

bool LazyListModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && list_.hasRow(static_cast<std::size_t>(shown_.size()));
}

void LazyListModel::fetchMore(const QModelIndex& parent) {
    if (parent.isValid())
        return;
    const auto from = static_cast<int>(shown_.size());
    const QStringList rows = readRows(from, kRowsPerFetch);
    if (rows.isEmpty())
        return;
    beginInsertRows({}, from, from + static_cast<int>(rows.size()) - 1);
    shown_.append(rows);
    endInsertRows();
}

} // namespace veltra::qt
