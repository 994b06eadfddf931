#include "qt/RowDelegate.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QStyle>

namespace veltra::qt {

namespace {

// Enough for the rows of many keys; past it the texts are shaped afresh.
constexpr qsizetype kShapedTexts = 2048;

QPalette::ColorGroup colourGroupOf(const QStyleOptionViewItem& item) {
    if (!(item.state & QStyle::State_Enabled))
        return QPalette::Disabled;
    return item.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive;
}

} // namespace

const QStaticText& RowDelegate::shaped(const QString& text, const QFont& font, int width) const {
    if (width != width_ || font != font_ || shaped_.size() >= kShapedTexts) {
        shaped_.clear();
        width_ = width;
        font_ = font;
    }
    auto found = shaped_.find(text);
    if (found == shaped_.end()) {
        QStaticText staticText(QFontMetrics(font).elidedText(text, Qt::ElideRight, width));
        staticText.setTextFormat(Qt::PlainText);
        staticText.prepare(QTransform(), font);
        found = shaped_.insert(text, staticText);
    }
    return *found;
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
    const QRect area = item.rect.adjusted(margin, 0, -margin, 0);
    const QStaticText& text = shaped(item.text, item.font, area.width());
    const bool selected = item.state & QStyle::State_Selected;
    painter->save();
    painter->setFont(item.font);
    painter->setPen(item.palette.color(colourGroupOf(item),
                                       selected ? QPalette::HighlightedText : QPalette::Text));
    painter->drawStaticText(
        QPointF(area.left(), area.top() + (area.height() - text.size().height()) / 2.0), text);
    painter->restore();
}

} // namespace veltra::qt
