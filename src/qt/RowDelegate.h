// This file is not part of the API. How the list paints its rows.
#pragma once

#include "veltra/data/BoundControls.h"

#include <QFont>
#include <QHash>
#include <QStaticText>
#include <QStringList>
#include <QStyledItemDelegate>
#include <functional>
#include <vector>

namespace veltra::qt {

// Paints a row as the style paints a view item (background, selection), with the parts of
// its text that matched what was typed in bold, and the values of the extra columns after
// it in a quieter colour, each column as wide as its widest value among the rows read.
// Typing narrows the list and the same rows come back key after key, so the pieces of text
// are shaped once and kept.
class RowDelegate final : public QStyledItemDelegate {
  public:
    // The parts of a row's text that the search matched.
    using MatchedParts = std::function<std::vector<TextRun>(const QString&)>;
    explicit RowDelegate(MatchedParts matchedParts) : matchedParts_(std::move(matchedParts)) {}

    bool highlighting() const { return highlighting_; }
    void setHighlighting(bool on) { highlighting_ = on; }
    // The parts of a row's text drawn in bold.
    std::vector<TextRun> boldParts(const QString& text) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    // Rows are one line each: their height is the font's, whatever their text. They take
    // the list's width, where a text too long for it is elided.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

  private:
    struct Shaped {
        QStaticText text;
        qreal advance = 0;
    };
    struct Piece {
        QString text;
        bool bold;
    };
    void useFont(const QFont& font, int width) const;
    // The widths of the extra columns over the rows the list has read.
    const std::vector<qreal>& extraWidths(const QModelIndex& index) const;
    qreal extrasWidth(const QModelIndex& index) const;
    void paintExtras(QPainter* painter, const QStyleOptionViewItem& item, const QRect& area,
                     const QStringList& extras) const;
    const Shaped& shaped(const QString& text, bool bold) const;
    std::vector<Piece> piecesToDraw(const QString& text, int width) const;

    MatchedParts matchedParts_;
    bool highlighting_ = true;
    // Pieces of text shaped in the font (plain, bold) for width_; texts elided to it.
    mutable QHash<QString, Shaped> shaped_[2];
    mutable QHash<QString, QString> elided_[2];
    mutable QFont base_;
    mutable bool fontsHighlight_ = false;
    mutable QFont font_[2];
    mutable int width_ = -1;
    mutable QFont hintFont_;
    mutable QSize hint_;
    mutable std::vector<qreal> extraWidths_;
    mutable int extraWidthsGeneration_ = -1;
    mutable QFont extraWidthsFont_;
};

} // namespace veltra::qt
