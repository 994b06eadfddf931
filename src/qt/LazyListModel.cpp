#include "LazyListModel.h"

#include "veltra/qt/QtText.h"

namespace veltra::qt {

namespace {

// A few more than the list shows at once.
constexpr int kRowsPerFetch = 32;

} // namespace

LazyListModel::Rows LazyListModel::readRows(int from, int count) const {
    Rows rows;
    for (auto row = static_cast<std::size_t>(from); rows.values.size() < count && list_.hasRow(row);
         ++row) {
        rows.values.append(toQString(list_.value(row)));
        QStringList extras;
        for (const auto& extra : list_.extras(row))
            extras.append(toQString(extra));
        rows.extras.append(extras);
    }
    return rows;
}

void LazyListModel::refresh(int atLeast) {
    const Rows rows = readRows(0, std::max(atLeast, kRowsPerFetch));
    const auto before = static_cast<int>(shown_.size());
    const auto after = static_cast<int>(rows.values.size());
    ++generation_;
    if (after < before) {
        beginRemoveRows({}, after, before - 1);
        shown_.resize(after);
        extras_.resize(after);
        endRemoveRows();
    }
    int firstChanged = -1;
    int lastChanged = -1;
    for (int row = 0; row < std::min(before, after); ++row) {
        if (shown_[row] != rows.values[row] || extras_[row] != rows.extras[row]) {
            shown_[row] = rows.values[row];
            extras_[row] = rows.extras[row];
            firstChanged = firstChanged < 0 ? row : firstChanged;
            lastChanged = row;
        }
    }
    if (firstChanged >= 0)
        emit dataChanged(index(firstChanged), index(lastChanged), {Qt::DisplayRole, ExtrasRole});
    if (after > before) {
        beginInsertRows({}, before, after - 1);
        shown_.append(rows.values.mid(before));
        extras_.append(rows.extras.mid(before));
        endInsertRows();
    }
}

int LazyListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

QVariant LazyListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= shown_.size())
        return {};
    const QStringList& extras = extras_[index.row()];
    switch (role) {
    case Qt::DisplayRole:
        return shown_[index.row()];
    case ExtrasRole:
        return extras;
    case Qt::AccessibleTextRole:
        // "São Domingos, GO"
        return extras.isEmpty() ? QVariant()
                                : QVariant((QStringList(shown_[index.row()]) + extras).join(u", "));
    default:
        return {};
    }
}

bool LazyListModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && list_.hasRow(static_cast<std::size_t>(shown_.size()));
}

void LazyListModel::fetchMore(const QModelIndex& parent) {
    if (parent.isValid())
        return;
    const auto from = static_cast<int>(shown_.size());
    const Rows rows = readRows(from, kRowsPerFetch);
    if (rows.values.isEmpty())
        return;
    ++generation_;
    beginInsertRows({}, from, from + static_cast<int>(rows.values.size()) - 1);
    shown_.append(rows.values);
    extras_.append(rows.extras);
    endInsertRows();
}

} // namespace veltra::qt
