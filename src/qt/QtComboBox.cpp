#include "QtComboBox.h"

#include "ComboAccessible.h"
#include "KeyMapping.h"
#include "veltra/Error.h"
#include "veltra/Font.h"
#include "veltra/Text.h"
#include "veltra/platform/Notifications.h"
#include "veltra/qt/KeyEvents.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <QStyleOptionComboBox>
#include <algorithm>
#include <limits>
#include <optional>

namespace veltra::qt {

namespace {

constexpr int kVisibleRows = 10;

// Assistive technology may ask for a widget's interface as soon as the widget exists.
ComboWidget* newComboWidget(QtComboBox& owner, QWidget* parent) {
    installComboAccessibility();
    return new ComboWidget(owner, parent);
}

} // namespace

QtComboBox::QtComboBox(DataControl& source, Scale scale, QWidget* parent)
    : BoundComboBox(source), scale_(std::move(scale)), widget_(newComboWidget(*this, parent)),
      popup_(new QListView(widget_)), model_(list_),
      rows_([this](const QString& text) { return list_.matchedParts(fromQString(text)); }) {
    // A tool window never takes the focus: keys keep going to the edit part while the
    // list is open. As a window of the box's own, it stacks over the form and is placed
    // relative to it (on Wayland, where windows have no global position, it could not be
    // placed at all otherwise).
    popup_->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint);
    popup_->setFocusPolicy(Qt::NoFocus);
    popup_->setModel(&model_);
    popup_->setItemDelegate(&rows_);
    popup_->setUniformItemSizes(true);
    // Long values are elided: a horizontal scroll bar would cut the last row.
    popup_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    popup_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    popup_->setObjectName(QStringLiteral("veltra-list"));
    QObject::connect(popup_, &QListView::clicked, widget_,
                     [this](const QModelIndex& index) { pick(index.row()); });
    followTheLineEdit();
    edit_.onShow([this] { showEdit(); });
    Font(designFont());
    showEdit();
    applyColours();
    prepareAnnouncements();
}

// What the line edit does by itself (a click or a drag that moves the caret or selects, its
// own menu's paste or delete) goes into the editing model; what the model shows it, not.
void QtComboBox::followTheLineEdit() {
    auto* edit = widget_->lineEdit();
    const auto selection = [this, edit] {
        if (showing_)
            return;
        const bool selected = edit->hasSelectedText();
        edit_.selectedInView(selected ? edit->selectionStart() : edit->cursorPosition(),
                             selected ? static_cast<Long>(edit->selectedText().size()) : 0);
    };
    QObject::connect(edit, &QLineEdit::selectionChanged, widget_, selection);
    QObject::connect(edit, &QLineEdit::cursorPositionChanged, widget_, selection);
    QObject::connect(edit, &QLineEdit::textChanged, widget_, [this, edit] {
        if (!showing_)
            edit_.editedInView(fromQString(edit->text()), edit->cursorPosition());
    });
}

// The line edit shows the model's text and selection.
void QtComboBox::showEdit() {
    auto* edit = widget_->lineEdit();
    const bool wasShowing = std::exchange(showing_, true);
    replaceChangedText(toQString(edit_.text()));
    if (edit_.selLength() > 0)
        edit->setSelection(edit_.selStart(), edit_.selLength());
    else
        edit->setCursorPosition(edit_.selStart());
    showing_ = wasShowing;
    followCurrentRow();
}

// The widget (and the list, its window) goes first, so that nothing it does while it is
// deleted reaches this box.
QtComboBox::~QtComboBox() {
    delete widget_;
}

void QtComboBox::trace(const std::string& line) const {
    if (trace_)
        trace_(line);
}

void QtComboBox::Locked(bool value) {
    BoundComboBox::Locked(value);
    widget_->lineEdit()->setReadOnly(value);
}

void QtComboBox::applyColours() {
    QPalette palette = widget_->palette();
    palette.setColor(QPalette::Text, toQColor(foreColor_));
    palette.setColor(QPalette::Base, toQColor(backColor_));
    widget_->setPalette(palette);
    widget_->lineEdit()->setPalette(palette);
}

void QtComboBox::Font(FontRef value) {
    followFont(std::move(value));
}

void QtComboBox::applyFont() {
    const QFont font = toQFont(*font_);
    widget_->setFont(font);
    popup_->setFont(font);
    rowHeight_ = 0;
    widget_->resize(widget_->width(), widget_->sizeHint().height());
}

// The rows that show what they showed are not repainted by the model, but their bold parts
// follow what was typed: the list is repainted where it shows.
void QtComboBox::Refresh() {
    BoundComboBox::Refresh();
    model_.refresh(rowsToCount());
    searched_ = true;
    popup_->scrollToTop();
    followCurrentRow();
    updateDescription();
    if (popup_->isVisible()) {
        placeList();
        popup_->viewport()->update();
    }
}

// How many of the control's units (twips while the host lays out, pixels after) make a pixel.
double QtComboBox::unitsPerPixel() const {
    return scale_.inPixels() ? 1.0 : scale_.twipsPerPixel();
}

Single QtComboBox::Width() const {
    return static_cast<Single>(widget_->width() * unitsPerPixel());
}

void QtComboBox::Width(Single value) {
    const double pixels = value / unitsPerPixel();
    widget_->resize(static_cast<int>(std::lround(pixels)), widget_->height());
}

Single QtComboBox::Height() const {
    return static_cast<Single>(widget_->sizeHint().height() * unitsPerPixel());
}

bool QtComboBox::Enabled() const {
    return widget_->isEnabled();
}
void QtComboBox::Enabled(bool value) {
    widget_->setEnabled(value);
}

void QtComboBox::ToolTipText(const String& value) {
    widget_->setToolTip(toQString(value));
    updateDescription();
}

void QtComboBox::SetFocus() {
    trace("setfocus");
    widget_->setFocus(Qt::OtherFocusReason);
}

namespace {

// The focus that leaves with the whole window (another window activated, a menu or a
// message box opened, the form closing) and comes back with it: a desktop form keeps its
// focused control meanwhile, so the control hears of no exit and no entry.
bool leavesWithTheWindow(Qt::FocusReason reason) {
    return reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason;
}

} // namespace

// Focus entry selects the whole text before the control hears of it.
void QtComboBox::focusIn(Qt::FocusReason reason) {
    if (focused_ && leavesWithTheWindow(reason))
        return;
    focused_ = true;
    pressedKeys_.clear();
    edit_.selectAll();
    if (control_)
        control_->dbComb_GotFocus();
    searched_ = false; // the full list, which the focus shows, is not counted aloud
    updateDescription();
    prepareList();
}

// The list is painted once off screen while the box gains the focus, so that its first
// showing, on the first key, finds the fonts and the row layout ready.
void QtComboBox::prepareList() {
    if (popup_->isVisible())
        return;
    placeList();
    QPixmap offScreen(popup_->size());
    popup_->render(&offScreen);
}

// The list never stays over other windows.
void QtComboBox::focusOut(Qt::FocusReason reason) {
    closeList();
    dropAnnouncement(); // the next field is what the user hears of now
    if (leavesWithTheWindow(reason))
        return;
    focused_ = false;
    if (control_)
        control_->dbComb_LostFocus();
}

void QtComboBox::keyPress(QKeyEvent* event) {
    dropAnnouncement();
    // A key that brings more than one character (a character beyond the 16-bit range, a
    // key mapped to a text) types them as an input method's commit.
    if (event->text().size() > 1 && !(event->modifiers() & Qt::ControlModifier)) {
        typeCommittedText(event->text());
        return;
    }
    pressedKeys_.insert(event->key());
    Integer keyCode = keyCodeOf(event);
    Integer shift = shiftOf(event);
    const auto character = characterCodeOf(event);
    if (control_)
        control_->dbComb_KeyDown(keyCode, shift);
    // A changed key-down code changes the editing effect of a key that types no character;
    // a character's effect follows its key press.
    if (!character) {
        applyKeyEffect(keyCode, shift);
        return;
    }
    pressCharacter(*character,
                   fromQString(*character == Ascii::CtrlV ? QApplication::clipboard()->text()
                                                          : event->text()));
}

void QtComboBox::copySelection() {
    widget_->lineEdit()->copy();
}

// Only the release of a key whose press the box had: a key that an input method took
// (a dead key, the letter that completed it) comes back as text, whose typing has its own
// key up; a key pressed before the box had the focus is the previous widget's.
void QtComboBox::keyRelease(QKeyEvent* event) {
    if (event->isAutoRepeat() || !pressedKeys_.remove(event->key()))
        return;
    relayKeyUp(keyCodeOf(event), shiftOf(event));
    followCurrentRow();
    settleAnnouncement();
}

void QtComboBox::relayKeyUp(Integer keyCode, Integer shift) {
    if (control_)
        control_->dbComb_KeyUp(keyCode, shift);
}

// Text from an input method: a dead-key sequence, a compose key, ibus or fcitx. The
// pre-edit shows in the edit part as the line edit shows it, without touching the text:
// the completed tail stays until the commit, and no search runs for it. The commit is
// typed character by character through the control's key path, as the keyboard delivers a
// composed character: key down with its base letter's key, key press with its code, the
// insertion and the change, key up (and with it the search).
void QtComboBox::inputMethod(QInputMethodEvent* event) {
    auto* edit = widget_->lineEdit();
    const bool composing = !event->preeditString().isEmpty();
    if (composing && !composition_)
        composition_ = Selection{static_cast<int>(SelStart()), static_cast<int>(SelLength())};
    if (composition_)
        edit->setCursorPosition(composition_->start);
    QInputMethodEvent preedit(event->preeditString(), event->attributes());
    QApplication::sendEvent(edit, &preedit);
    if (!composing && composition_) {
        edit->setSelection(composition_->start, composition_->length);
        composition_.reset();
    }
    if (event->commitString().isEmpty() || edit_.locked())
        return;
    if (event->replacementLength() > 0)
        edit->setSelection(edit->cursorPosition() + event->replacementStart(),
                           event->replacementLength());
    typeCommittedText(event->commitString());
}

// Each character of the text, a pair beyond the 16-bit range as one.
void QtComboBox::typeCommittedText(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool pair =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        typeCommitted(fromQString(text.mid(i, pair ? 2 : 1)));
        i += pair ? 1 : 0;
    }
    settleAnnouncement();
}

void QtComboBox::tab(QKeyEvent* event) {
    Integer keyCode = Key::Tab;
    Integer shift = shiftOf(event->modifiers());
    if (control_)
        control_->dbComb_KeyDown(keyCode, shift);
    trace("focus-out");
}

void QtComboBox::leaveForNext() {
    trace("focus-out");
    widget_->nextInFocusChain()->setFocus(Qt::TabFocusReason);
}

void QtComboBox::openList() {
    if (popup_->isVisible())
        return;
    trace("dropdown");
    placeList();
    popup_->show();
    followCurrentRow();
}

// Under the box, as wide as it, as tall as its rows up to ten.
void QtComboBox::placeList() {
    while (model_.rowCount() < kVisibleRows && model_.canFetchMore({}))
        model_.fetchMore({});
    // The height of the rows as the view lays them out, so that only whole rows show.
    const int rows = std::clamp(model_.rowCount(), 1, kVisibleRows);
    // The rows are of one size, which only the font changes.
    if (rowHeight_ == 0 && model_.rowCount() > 0)
        rowHeight_ = popup_->sizeHintForRow(0);
    const int rowHeight = rowHeight_ > 0 ? rowHeight_ : popup_->fontMetrics().height() + 4;
    popup_->resize(widget_->width(), rows * rowHeight + 2 * popup_->frameWidth());
    popup_->move(widget_->mapToGlobal(QPoint(0, widget_->height())));
}

void QtComboBox::closeList() {
    popup_->hide();
    followCurrentRow();
}

void QtComboBox::pick(int row) {
    if (row >= 0 && widget_->isEnabled())
        pickRow(static_cast<std::size_t>(row));
}

// Coordinates are in the control's scale unit; a release over the box is its click, on
// the button (area 0) or the edit part (area 1). A disabled box hears nothing. A press
// gives the box the focus once the control has heard it, so that the control knows the
// press came from outside (it then selects the whole text on the release).
void QtComboBox::mouse(QMouseEvent* event, QPointF at) {
    if (!control_ || !widget_->isEnabled())
        return;
    const double unit = unitsPerPixel();
    Integer button = buttonOf(event->buttons() | event->button());
    Integer shift = shiftOf(event->modifiers());
    Single x = static_cast<Single>(at.x() * unit);
    Single y = static_cast<Single>(at.y() * unit);
    QStyleOptionComboBox option;
    option.initFrom(widget_);
    option.editable = true;
    const bool onButton =
        widget_->style()->hitTestComplexControl(QStyle::CC_ComboBox, &option, at.toPoint(),
                                                widget_) == QStyle::SC_ComboBoxArrow;
    Integer area = onButton ? ClickArea::Button : ClickArea::EditPart;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        control_->dbComb_MouseDown(button, shift, x, y);
        widget_->setFocus(Qt::MouseFocusReason);
        break;
    case QEvent::MouseMove:
        control_->dbComb_MouseMove(button, shift, x, y);
        break;
    case QEvent::MouseButtonDblClick:
        control_->dbComb_DblClick(area);
        break;
    case QEvent::MouseButtonRelease:
        control_->dbComb_MouseUp(button, shift, x, y);
        control_->dbComb_Click(area);
        break;
    default:
        break;
    }
}

// A key sent by the control or injected into the keyboard input reaches the box only
// while it has the focus.
void QtComboBox::deliver(const KeyStroke& stroke) {
    if (!widget_->hasFocus())
        return;
    const auto modifiers = modifiersOf(stroke.shift);
    if (stroke.character) {
        const QString text(QChar(stroke.character));
        QKeyEvent press(QEvent::KeyPress, qtKeyOf(stroke.keyCode), modifiers, text);
        QApplication::sendEvent(widget_, &press);
        QKeyEvent release(QEvent::KeyRelease, qtKeyOf(stroke.keyCode), modifiers, text);
        QApplication::sendEvent(widget_, &release);
        return;
    }
    QKeyEvent event(stroke.up ? QEvent::KeyRelease : QEvent::KeyPress, qtKeyOf(stroke.keyCode),
                    modifiers);
    QApplication::sendEvent(widget_, &event);
}

} // namespace veltra::qt
