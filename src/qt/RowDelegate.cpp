#include "RowDelegate.h"

#include "LazyListModel.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <cmath>

namespace veltra::qt {

namespace {

// Enough for the rows of many keys; past it the pieces are shaped afresh.
constexpr qsizetype kShapedPieces = 2048;

QPalette::ColorGroup colourGroupOf(const QStyleOptionViewItem& item) {
    if (!(item.state & QStyle::State_Enabled))
        return QPalette::Disabled;
    return item.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive;
}

} // namespace

std::vector<TextRun> RowDelegate::boldParts(const QString& text) const {
    return highlighting_ ? matchedParts_(text) : std::vector<TextRun>{};
}

// With highlighting, the rows are drawn in the regular weight of the list's font and their
// matches in bold, also when the box's font is bold.
void RowDelegate::useFont(const QFont& font, int width) const {
    if (width == width_ && font == base_ && highlighting_ == fontsHighlight_)
        return;
    width_ = width;
    base_ = font;
    fontsHighlight_ = highlighting_;
    font_[0] = font;
    if (highlighting_)
        font_[0].setWeight(std::min(font.weight(), QFont::Normal));
    font_[1] = font;
    font_[1].setWeight(QFont::Bold);
    for (int bold = 0; bold < 2; ++bold) {
        shaped_[bold].clear();
        elided_[bold].clear();
    }
}

const RowDelegate::Shaped& RowDelegate::shaped(const QString& text, bool bold) const {
    auto& cache = shaped_[bold];
    if (cache.size() >= kShapedPieces)
        cache.clear();
    auto found = cache.find(text);
    if (found == cache.end()) {
        Shaped piece{QStaticText(text), QFontMetricsF(font_[bold]).horizontalAdvance(text)};
        piece.text.setTextFormat(Qt::PlainText);
        piece.text.prepare(QTransform(), font_[bold]);
        found = cache.insert(text, piece);
    }
    return *found;
}

// The row's text in plain and bold pieces; a text too wide for the row is elided, in the
// bold font's measure when it has bold parts so that it never runs past the row.
std::vector<RowDelegate::Piece> RowDelegate::piecesToDraw(const QString& text, int width) const {
    const std::vector<TextRun> boldRuns = boldParts(text);
    const bool anyBold = !boldRuns.empty();
    auto& elided = elided_[anyBold];
    if (elided.size() >= kShapedPieces)
        elided.clear();
    auto found = elided.find(text);
    if (found == elided.end())
        found = elided.insert(text,
                              QFontMetrics(font_[anyBold]).elidedText(text, Qt::ElideRight, width));
    const QString& shown = *found;
    // An elided text is the beginning of the text and an ellipsis, which is never bold.
    const qsizetype kept = shown == text ? text.size() : shown.size() - 1;
    std::vector<Piece> pieces;
    qsizetype at = 0;
    for (const TextRun& run : boldRuns) {
        const auto start = std::min<qsizetype>(static_cast<qsizetype>(run.start), kept);
        const auto end = std::min<qsizetype>(static_cast<qsizetype>(run.start + run.length), kept);
        if (start > at)
            pieces.push_back({shown.mid(at, start - at), false});
        if (end > start)
            pieces.push_back({shown.mid(start, end - start), true});
        at = std::max(at, end);
    }
    if (at < shown.size())
        pieces.push_back({shown.mid(at), false});
    return pieces;
}

// Each extra column as wide as its widest value among the rows read, a gap of two average
// characters before each.
const std::vector<qreal>& RowDelegate::extraWidths(const QModelIndex& index) const {
    const auto* model = static_cast<const LazyListModel*>(index.model());
    if (model->generation() == extraWidthsGeneration_ && font_[0] == extraWidthsFont_)
        return extraWidths_;
    extraWidthsGeneration_ = model->generation();
    extraWidthsFont_ = font_[0];
    extraWidths_.clear();
    const QFontMetricsF metrics(font_[0]);
    for (int row = 0; row < model->rowCount(); ++row) {
        const QStringList extras = model->index(row).data(LazyListModel::ExtrasRole).toStringList();
        extraWidths_.resize(std::max<std::size_t>(extraWidths_.size(), extras.size()), 0);
        for (qsizetype column = 0; column < extras.size(); ++column)
            extraWidths_[column] =
                std::max(extraWidths_[column], metrics.horizontalAdvance(extras[column]) +
                                                   2 * metrics.averageCharWidth());
    }
    return extraWidths_;
}

qreal RowDelegate::extrasWidth(const QModelIndex& index) const {
    qreal width = 0;
    for (const qreal column : extraWidths(index))
        width += column;
    return width;
}

// The extra columns at the row's right end, in the text's colour made quieter.
void RowDelegate::paintExtras(QPainter* painter, const QStyleOptionViewItem& item,
                              const QRect& area, const QStringList& extras) const {
    useFont(item.font, width_ < 0 ? area.width() : width_);
    const auto& widths = extraWidths(item.index);
    qreal x = area.right() - extrasWidth(item.index);
    const bool selected = item.state & QStyle::State_Selected;
    QColor colour = item.palette.color(colourGroupOf(item),
                                       selected ? QPalette::HighlightedText : QPalette::Text);
    colour.setAlphaF(selected ? 0.8 : 0.55);
    painter->save();
    painter->setPen(colour);
    painter->setFont(font_[0]);
    const QFontMetricsF metrics(font_[0]);
    for (qsizetype column = 0; column < extras.size() && column < qsizetype(widths.size());
         ++column) {
        const qreal gap = 2 * metrics.averageCharWidth();
        painter->drawText(QRectF(x + gap, area.top(), widths[column] - gap, area.height()),
                          Qt::AlignLeft | Qt::AlignVCenter, extras[column]);
        x += widths[column];
    }
    painter->restore();
}

QSize RowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    if (!hint_.isValid() || option.font != hintFont_) {
        hintFont_ = option.font;
        hint_ = QSize(0, QStyledItemDelegate::sizeHint(option, index).height());
    }
    return hint_;
}

void RowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const {
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QWidget* widget = item.widget;
    const QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &item, painter, widget);
    // The margins the style gives a view item's text.
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    QRect area = item.rect.adjusted(margin, 0, -margin, 0);
    const QStringList extras = index.data(LazyListModel::ExtrasRole).toStringList();
    if (!extras.isEmpty()) {
        paintExtras(painter, item, area, extras);
        area.setRight(area.right() - static_cast<int>(std::ceil(extrasWidth(index))));
    }
    useFont(item.font, area.width());
    const bool selected = item.state & QStyle::State_Selected;
    painter->save();
    painter->setPen(item.palette.color(colourGroupOf(item),
                                       selected ? QPalette::HighlightedText : QPalette::Text));
    const qreal top = area.top() + (area.height() - QFontMetricsF(font_[0]).height()) / 2.0;
    qreal x = area.left();
    for (const Piece& piece : piecesToDraw(item.text, area.width())) {
        const Shaped& text = shaped(piece.text, piece.bold);
        painter->setFont(font_[piece.bold]);
        painter->drawStaticText(QPointF(x, top), text.text);
        x += text.advance;
    }
    painter->restore();
}

} // namespace veltra::qt
