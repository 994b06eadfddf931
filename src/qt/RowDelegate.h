// This file is not part of the API. How the list paints its rows.
#pragma once

#include <QFont>
#include <QHash>
#include <QStaticText>
#include <QStyledItemDelegate>

namespace veltra::qt {

// Paints a row as the style paints a view item (background, selection) with its text shaped
// once: typing narrows the list, and the same rows come back key after key, so a row's
// text, elided to the row's width, is laid out on its first paint and kept.
class RowDelegate final : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    // Rows are one line each: their height is the font's, whatever their text. They take
    // the list's width, where a text too long for it is elided.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

  private:
    const QStaticText& shaped(const QString& text, const QFont& font, int width) const;

    mutable QHash<QString, QStaticText> shaped_; // for font_ and width_
    mutable QFont font_;
    mutable int width_ = -1;
    mutable QFont hintFont_;
    mutable QSize hint_;
};

} // namespace veltra::qt
