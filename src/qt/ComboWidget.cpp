#include "QtComboBox.h"

#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <limits>

namespace veltra::qt {

ComboWidget::ComboWidget(QtComboBox& owner, QWidget* parent) : QComboBox(parent), owner_(owner) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    // The control caps the length itself (sMaxLength); the line edit's own cap is lifted.
    lineEdit()->setMaxLength(std::numeric_limits<int>::max());
    // A click gives the focus only after the control has heard of the press (see
    // QtComboBox::mouse), so that it knows the click came from outside.
    setFocusPolicy(Qt::TabFocus);
    lineEdit()->setFocusPolicy(Qt::TabFocus);
    lineEdit()->installEventFilter(this);
}

void ComboWidget::showPopup() {
    owner_.openList();
}
void ComboWidget::hidePopup() {
    owner_.closeList();
}

// Tab would move the focus before the box saw it: the control hears its key down first.
// A disabled box takes no keys at all.
bool ComboWidget::event(QEvent* event) {
    if (event->type() == QEvent::KeyPress && isEnabled()) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            owner_.tab(key);
            focusNextPrevChild(key->key() == Qt::Key_Tab);
            return true;
        }
    }
    return QComboBox::event(event);
}

// The edit part's mouse events belong to the box.
bool ComboWidget::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lineEdit()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            owner_.mouse(mouse, lineEdit()->mapTo(this, mouse->position()));
            return false;
        }
        default:
            break;
        }
    }
    return QComboBox::eventFilter(watched, event);
}

void ComboWidget::keyPressEvent(QKeyEvent* event) {
    owner_.keyPress(event);
}
void ComboWidget::keyReleaseEvent(QKeyEvent* event) {
    owner_.keyRelease(event);
}
void ComboWidget::inputMethodEvent(QInputMethodEvent* event) {
    owner_.inputMethod(event);
}

void ComboWidget::focusInEvent(QFocusEvent* event) {
    QComboBox::focusInEvent(event);
    owner_.focusIn(event->reason());
}

// Focus exit leaves the selection as it was (a line edit would drop it).
void ComboWidget::focusOutEvent(QFocusEvent* event) {
    owner_.dropEditHistory();
    auto* edit = lineEdit();
    const int cursor = edit->cursorPosition();
    const int start = edit->hasSelectedText() ? edit->selectionStart() : -1;
    const int length = static_cast<int>(edit->selectedText().size());
    QComboBox::focusOutEvent(event);
    if (start >= 0 && cursor == start)
        edit->setSelection(start + length, -length);
    else if (start >= 0)
        edit->setSelection(start, length);
    owner_.focusOut(event->reason());
}

void ComboWidget::mousePressEvent(QMouseEvent* event) {
    owner_.mouse(event, event->position());
    QComboBox::mousePressEvent(event);
}

void ComboWidget::mouseReleaseEvent(QMouseEvent* event) {
    owner_.mouse(event, event->position());
    QComboBox::mouseReleaseEvent(event);
}

void ComboWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    owner_.mouse(event, event->position());
}

void ComboWidget::mouseMoveEvent(QMouseEvent* event) {
    owner_.mouse(event, event->position());
    QComboBox::mouseMoveEvent(event);
}

} // namespace veltra::qt
