#include "ComboAccessible.h"

#include "QtComboBox.h"

#include <QAccessibleWidget>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

namespace veltra::qt {

namespace {

// A result is counted for assistive technology up to this many rows; past it, it is "more".
constexpr std::size_t kCountedRows = 100;
// The count of a search is spoken when no key follows its key's release within this time,
// so that a fast typist does not hear the count of every letter.
constexpr int kSettleMilliseconds = 300;

// A label's text as a name: without its mnemonic marks and the colon that ends it.
QString nameFromLabel(const QString& text) {
    QString name;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QChar('&') && i + 1 < text.size())
            ++i;
        name += text[i];
    }
    name = name.trimmed();
    if (name.endsWith(QChar(':')))
        name.chop(1);
    return name.trimmed();
}

// The box, or the widget around it, and the QLabel whose buddy it is (a form row's label).
QLabel* labelOf(QWidget* combo) {
    for (QWidget* named : {combo, combo->parentWidget()}) {
        if (!named || !named->parentWidget())
            continue;
        const auto labels =
            named->parentWidget()->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
        for (QLabel* label : labels)
            if (label->buddy() == named)
                return label;
    }
    return nullptr;
}

// The host's accessible name for the box or the widget around it, or its label's text.
QString nameOf(QWidget* combo) {
    for (QWidget* named : {combo, combo->parentWidget()})
        if (named && !named->accessibleName().isEmpty())
            return named->accessibleName();
    const QLabel* label = labelOf(combo);
    return label ? nameFromLabel(label->text()) : QString();
}

// An editable QComboBox on Unix gives its text as its name, so a screen reader would
// announce the box by what is typed in it; this one is named by its label.
class ComboAccessible final : public QAccessibleWidget {
  public:
    explicit ComboAccessible(ComboWidget* combo)
        : QAccessibleWidget(combo, QAccessible::ComboBox), combo_(combo) {}

    QString text(QAccessible::Text t) const override {
        switch (t) {
        case QAccessible::Name:
            return nameOf(combo_);
        case QAccessible::Value:
            return combo_->lineEdit()->text();
        case QAccessible::Description:
            return combo_->lineEdit()->accessibleDescription();
        default:
            return QAccessibleWidget::text(t);
        }
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.expandable = true;
        state.expanded = combo_->owner().listView().isVisible();
        state.editable = !combo_->lineEdit()->isReadOnly();
        state.focused = state.focused || combo_->lineEdit()->hasFocus();
        return state;
    }

    QList<QPair<QAccessibleInterface*, QAccessible::Relation>>
    relations(QAccessible::Relation match) const override {
        auto found = QAccessibleWidget::relations(match);
        if (QWidget* label = labelOf(combo_); label && (match & QAccessible::Label))
            found.append({QAccessible::queryAccessibleInterface(label), QAccessible::Label});
        return found;
    }

    // The list first, then the edit part, as an editable QComboBox has them.
    int childCount() const override { return 2; }
    QAccessibleInterface* child(int index) const override {
        if (index == 0)
            return QAccessible::queryAccessibleInterface(&combo_->owner().listView());
        if (index == 1)
            return QAccessible::queryAccessibleInterface(combo_->lineEdit());
        return nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child)
            return -1;
        if (child->object() == &combo_->owner().listView())
            return 0;
        return child->object() == combo_->lineEdit() ? 1 : -1;
    }
    // The keyboard focus is in the edit part.
    QAccessibleInterface* focusChild() const override { return child(1); }

  private:
    ComboWidget* combo_;
};

// A label without size that assistive technology hears as a notification each time it is
// shown again with a text: how a screen reader is told something while the keyboard focus
// stays in the edit part.
class Announcer final : public QLabel {
  public:
    explicit Announcer(QWidget* parent) : QLabel(parent) {
        setFixedSize(0, 0);
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }
};

// Qt's own bridge sends a changed description without its text, and has no announcement
// event; a notification shown is spoken (Orca reads it by its name).
class AnnouncerAccessible final : public QAccessibleWidget {
  public:
    explicit AnnouncerAccessible(Announcer* label)
        : QAccessibleWidget(label, QAccessible::Notification), label_(label) {}
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name ? label_->text() : QAccessibleWidget::text(t);
    }

  private:
    Announcer* label_;
};

QAccessibleInterface* comboFactory(const QString&, QObject* object) {
    if (auto* combo = dynamic_cast<ComboWidget*>(object))
        return new ComboAccessible(combo);
    if (auto* announcer = dynamic_cast<Announcer*>(object))
        return new AnnouncerAccessible(announcer);
    return nullptr;
}

} // namespace

void installComboAccessibility() {
    static const bool installed = (QAccessible::installFactory(comboFactory), true);
    (void)installed;
}

// Only the part of the text that changed is written, so that a screen reader hears what
// was typed and what the completion added rather than the whole text again.
void QtComboBox::replaceChangedText(const QString& text) {
    auto* edit = widget_->lineEdit();
    const QString old = edit->text();
    if (old == text)
        return;
    const qsizetype shorter = std::min(old.size(), text.size());
    qsizetype same = 0;
    while (same < shorter && old[same] == text[same])
        ++same;
    qsizetype sameAtEnd = 0;
    while (sameAtEnd < shorter - same &&
           old[old.size() - 1 - sameAtEnd] == text[text.size() - 1 - sameAtEnd])
        ++sameAtEnd;
    // A character beyond the 16-bit range is replaced whole.
    if (same > 0 && old[same - 1].isHighSurrogate())
        --same;
    if (sameAtEnd > 0 && old[old.size() - sameAtEnd].isLowSurrogate())
        --sameAtEnd;
    const auto removed = static_cast<int>(old.size() - same - sameAtEnd);
    if (removed > 0)
        edit->setSelection(static_cast<int>(same), removed);
    else
        edit->setCursorPosition(static_cast<int>(same));
    edit->insert(text.mid(same, text.size() - same - sameAtEnd));
}

// Writing parts of the text leaves undo steps in the line edit, which nothing undoes: the
// keys go to the control. Writing the whole text lets them go.
void QtComboBox::dropEditHistory() {
    auto* edit = widget_->lineEdit();
    if (!edit->isUndoAvailable())
        return;
    const bool wasShowing = std::exchange(showing_, true);
    edit->setText(edit->text());
    showing_ = wasShowing;
    showEdit();
}

// While the list shows, the row that shows the box's text (among the rows read) is the
// list's current row, selected; assistive technology hears it as the focused row while the
// keyboard focus stays in the edit part (the combobox pattern's active descendant). A key
// passes through texts that no row shows before its release completes the text, so the row
// is followed once no key is down and the event has been handled.
void QtComboBox::followCurrentRow() {
    if (followPending_)
        return;
    followPending_ = true;
    QTimer::singleShot(0, widget_, [this] {
        followPending_ = false;
        selectCurrentRow();
    });
}

// The list tells assistive technology of a new current row itself; a row that shows another
// text in the same place, and the focus going back to the edit part, are told here.
void QtComboBox::selectCurrentRow() {
    const bool active = popup_->isVisible() && widget_->hasFocus();
    if (active && !pressedKeys_.isEmpty())
        return;
    const QString text = widget_->lineEdit()->text();
    const auto chosen = list_.chosenRowShowing(fromQString(text));
    const int row = !active ? -1
                    : chosen && static_cast<int>(*chosen) < model_.rowCount()
                        ? static_cast<int>(*chosen)
                        : model_.rowOfText(text);
    const std::optional<QString> rowText = row >= 0 ? std::optional(text) : std::nullopt;
    const std::optional<QString> before = std::exchange(currentRowText_, rowText);
    auto* selection = popup_->selectionModel();
    if (row < 0) {
        selection->clear();
        if (before && widget_->hasFocus())
            tellAssistiveTechnology(widget_->lineEdit());
        return;
    }
    if (selection->currentIndex().row() != row) {
        selection->setCurrentIndex(model_.index(row), QItemSelectionModel::ClearAndSelect);
        return;
    }
    if (!selection->isRowSelected(row))
        selection->select(model_.index(row), QItemSelectionModel::ClearAndSelect);
    if (before != rowText)
        tellAssistiveTechnology(popup_, row);
}

// Which part has the focus for assistive technology.
void QtComboBox::tellAssistiveTechnology(QObject* focused, int child) {
    if (!QAccessible::isActive())
        return;
    QAccessibleEvent focus(focused, QAccessible::Focus);
    focus.setChild(child);
    QAccessible::updateAccessibility(&focus);
}

// While assistive technology listens, the list holds the rows it counts, so that the list's
// items are as many as the count says (up to the hundred).
int QtComboBox::rowsToCount() const {
    return QAccessible::isActive() ? static_cast<int>(kCountedRows) : 0;
}

// How many rows the search found, as a screen reader says it. A long result is counted only
// up to a hundred rows, so that it is not read to the end to be counted.
QString QtComboBox::resultSummary() const {
    if (!list_.hasResult())
        return {};
    std::size_t rows = 0;
    while (rows <= kCountedRows && list_.hasRow(rows))
        ++rows;
    if (rows == 0)
        return QStringLiteral("nenhum resultado");
    if (rows == 1)
        return QStringLiteral("1 resultado");
    if (rows > kCountedRows)
        return QStringLiteral("mais de %1 resultados").arg(kCountedRows);
    return QStringLiteral("%1 resultados").arg(rows);
}

void QtComboBox::prepareAnnouncements() {
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMilliseconds);
    QObject::connect(&settle_, &QTimer::timeout, widget_, [this] {
        searched_ = false;
        announce(resultSummary());
    });
}

// After a key's release, or a text an input method committed: once no key is down, the
// search it ran is counted aloud unless another key comes first.
void QtComboBox::settleAnnouncement() {
    if (searched_ && pressedKeys_.isEmpty() && QAccessible::isActive())
        settle_.start();
}

// A key pressed: the count that was waiting belongs to a search the user went past.
void QtComboBox::dropAnnouncement() {
    settle_.stop();
    searched_ = false;
}

void QtComboBox::announce(const QString& text) {
    if (text.isEmpty() || !QAccessible::isActive())
        return;
    if (!announcer_)
        announcer_ = new Announcer(widget_->parentWidget() ? widget_->parentWidget() : widget_);
    announcer_->hide();
    announcer_->setText(text);
    announcer_->show();
}

// The box and its edit part, where the keyboard focus is, are described by the result
// count and the tool tip (which holds the character counter). The edit part has no name of
// its own: a screen reader names it by the box. The rows are counted only for assistive
// technology.
void QtComboBox::updateDescription() {
    if (!QAccessible::isActive())
        return;
    auto* edit = widget_->lineEdit();
    QStringList parts{resultSummary(), widget_->toolTip().trimmed()};
    parts.removeAll(QString());
    const QString description = parts.join(QStringLiteral(". "));
    if (edit->accessibleDescription() == description)
        return;
    edit->setAccessibleDescription(description);
    QAccessibleEvent changed(widget_, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&changed);
}

} // namespace veltra::qt
