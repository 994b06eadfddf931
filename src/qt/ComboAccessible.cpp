#include "qt/ComboAccessible.h"

#include "qt/QtComboBox.h"

#include <QAccessibleWidget>
#include <QLineEdit>

namespace veltra::qt {

namespace {

// An editable QComboBox on Unix gives its text as its name, so a screen reader would
// announce the box by what is typed in it; this one is named by its label.
class ComboAccessible final : public QAccessibleWidget {
  public:
    explicit ComboAccessible(ComboWidget* combo)
        : QAccessibleWidget(combo, QAccessible::ComboBox), combo_(combo) {}

    QString text(QAccessible::Text t) const override {
        switch (t) {
        case QAccessible::Name:
            return combo_->owner().accessibleName();
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
        if (QWidget* label = combo_->owner().label(); label && (match & QAccessible::Label))
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

QAccessibleInterface* comboFactory(const QString&, QObject* object) {
    if (auto* combo = dynamic_cast<ComboWidget*>(object))
        return new ComboAccessible(combo);
    return nullptr;
}

} // namespace

void installComboAccessibility() {
    static const bool installed = (QAccessible::installFactory(comboFactory), true);
    (void)installed;
}

} // namespace veltra::qt
