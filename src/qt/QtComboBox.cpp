#include "qt/QtComboBox.h"

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
#include <QStyleOptionComboBox>
#include <algorithm>
#include <limits>
#include <optional>

namespace veltra::qt {

QString toQString(const String& text) {
    return QString(reinterpret_cast<const QChar*>(text.data()),
                   static_cast<qsizetype>(text.size()));
}

String fromQString(const QString& text) {
    return String(reinterpret_cast<const char16_t*>(text.utf16()),
                  static_cast<std::size_t>(text.size()));
}

QFont toQFont(const Font& font) {
    QFont result(toQString(font.Name()));
    result.setPointSizeF(std::max(1.0f, font.Size()));
    result.setBold(font.Bold());
    result.setItalic(font.Italic());
    result.setUnderline(font.Underline());
    result.setStrikeOut(font.Strikethrough());
    return result;
}

FontRef fromQFont(const QFont& font) {
    auto result = Font::make(fromQString(font.family()), static_cast<float>(font.pointSizeF()),
                             font.bold(), font.italic());
    result->Underline(font.underline());
    result->Strikethrough(font.strikeOut());
    return result;
}

namespace {

constexpr int kRowsPerFetch = 100;
constexpr int kVisibleRows = 10;

struct NamedKey {
    int qtKey;
    Integer keyCode;
};
constexpr NamedKey kNamedKeys[] = {{Qt::Key_Backspace, Key::Backspace},
                                   {Qt::Key_Tab, Key::Tab},
                                   {Qt::Key_Backtab, Key::Tab},
                                   {Qt::Key_Return, Key::Enter},
                                   {Qt::Key_Enter, Key::Enter},
                                   {Qt::Key_Shift, Key::ShiftKey},
                                   {Qt::Key_Control, Key::Ctrl},
                                   {Qt::Key_Alt, Key::Alt},
                                   {Qt::Key_Escape, Key::Esc},
                                   {Qt::Key_End, Key::End},
                                   {Qt::Key_Home, Key::Home},
                                   {Qt::Key_Left, Key::Left},
                                   {Qt::Key_Up, Key::Up},
                                   {Qt::Key_Right, Key::Right},
                                   {Qt::Key_Down, Key::Down},
                                   {Qt::Key_Delete, Key::Delete},
                                   {Qt::Key_Space, 32}};

// The virtual-key code of a Qt key event, as a US keyboard would give it.
Integer keyCodeOf(const QKeyEvent* event) {
    for (const auto& named : kNamedKeys)
        if (named.qtKey == event->key())
            return named.keyCode;
    if ((event->key() >= Qt::Key_A && event->key() <= Qt::Key_Z) ||
        (event->key() >= Qt::Key_0 && event->key() <= Qt::Key_9))
        return static_cast<Integer>(event->key());
    const QString text = event->text();
    return text.size() == 1 ? keyOfCharacter(text[0].unicode()).keyCode : Integer{0};
}

Integer shiftOf(Qt::KeyboardModifiers modifiers) {
    return static_cast<Integer>((modifiers & Qt::ShiftModifier ? Shift::Shift : 0) |
                                (modifiers & Qt::ControlModifier ? Shift::Ctrl : 0) |
                                (modifiers & Qt::AltModifier ? Shift::Alt : 0));
}

Qt::KeyboardModifiers ownModifier(int qtKey);

// The shift state of a key event as the control knows it: the modifiers held, and a
// modifier key's own one while it goes down. (Qt's QKeyEvent::modifiers() turns a
// modifier key's own bit around; the event's held modifiers are read as they came.)
Integer shiftOf(const QKeyEvent* event) {
    Qt::KeyboardModifiers held = static_cast<const QInputEvent*>(event)->modifiers();
    if (event->type() == QEvent::KeyPress)
        held |= ownModifier(event->key());
    return shiftOf(held);
}

// The character code that a key press carries: Windows-1252 for typed characters, the
// control codes of Backspace, Enter, Esc, Ctrl+C and Ctrl+V; none for other keys.
std::optional<Integer> characterCodeOf(const QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Backspace:
        return Key::Backspace;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return Key::Enter;
    case Qt::Key_Escape:
        return Key::Esc;
    default:
        break;
    }
    if (event->modifiers() & Qt::ControlModifier) {
        if (event->key() == Qt::Key_C)
            return Ascii::CtrlC;
        if (event->key() == Qt::Key_V)
            return Ascii::CtrlV;
        return std::nullopt;
    }
    const QString text = event->text();
    if (text.size() != 1 || text[0].unicode() < 0x20 || text[0].unicode() == 0x7F)
        return std::nullopt;
    return codeOfCharacter(text[0].unicode());
}

QColor colourOf(Colour colour, QPalette::ColorRole role) {
    if (colour & 0x80000000u)
        return QApplication::palette().color(role);
    return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                  static_cast<int>((colour >> 16) & 0xFF));
}

Integer buttonOf(Qt::MouseButtons buttons) {
    return static_cast<Integer>((buttons & Qt::LeftButton ? 1 : 0) |
                                (buttons & Qt::RightButton ? 2 : 0) |
                                (buttons & Qt::MiddleButton ? 4 : 0));
}

[[noreturn]] void invalidValue() {
    throw Error(ErrorNumber::InvalidPropertyValue, "Valor de propriedade inválido.");
}

// The modifier that a modifier key is.
Qt::KeyboardModifiers ownModifier(int qtKey) {
    switch (qtKey) {
    case Qt::Key_Shift:
        return Qt::ShiftModifier;
    case Qt::Key_Control:
        return Qt::ControlModifier;
    case Qt::Key_Alt:
        return Qt::AltModifier;
    default:
        return Qt::NoModifier;
    }
}

} // namespace

int qtKeyOf(Integer keyCode) {
    for (const auto& named : kNamedKeys)
        if (named.keyCode == keyCode)
            return named.qtKey;
    return keyCode;
}

Qt::KeyboardModifiers modifiersOf(Integer shift) {
    Qt::KeyboardModifiers modifiers;
    if (shift & Shift::Shift)
        modifiers |= Qt::ShiftModifier;
    if (shift & Shift::Ctrl)
        modifiers |= Qt::ControlModifier;
    if (shift & Shift::Alt)
        modifiers |= Qt::AltModifier;
    return modifiers;
}

Qt::MouseButtons buttonsOf(Integer button) {
    Qt::MouseButtons buttons;
    if (button & 1)
        buttons |= Qt::LeftButton;
    if (button & 2)
        buttons |= Qt::RightButton;
    if (button & 4)
        buttons |= Qt::MiddleButton;
    return buttons;
}

std::unique_ptr<QKeyEvent> makeKeyEvent(QEvent::Type type, Integer keyCode, Integer shift,
                                        const QString& text) {
    return std::make_unique<QKeyEvent>(type, qtKeyOf(keyCode), modifiersOf(shift), text);
}

void LazyListModel::reset() {
    beginResetModel();
    loaded_ = 0;
    endResetModel();
}

int LazyListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : loaded_;
}

QVariant LazyListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= loaded_)
        return {};
    return toQString(list_.value(static_cast<std::size_t>(index.row())));
}

bool LazyListModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && list_.hasRow(static_cast<std::size_t>(loaded_));
}

void LazyListModel::fetchMore(const QModelIndex& parent) {
    if (parent.isValid())
        return;
    int available = loaded_;
    while (available < loaded_ + kRowsPerFetch && list_.hasRow(static_cast<std::size_t>(available)))
        ++available;
    if (available == loaded_)
        return;
    beginInsertRows({}, loaded_, available - 1);
    loaded_ = available;
    endInsertRows();
}

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

QtComboBox::QtComboBox(SqliteDataSource& source, Scale scale, QWidget* parent)
    : BoundComboBox(source), scale_(std::move(scale)), widget_(new ComboWidget(*this, parent)),
      popup_(new QListView(widget_)), model_(list_) {
    // A tool window never takes the focus: keys keep going to the edit part while the
    // list is open. As a window of the box's own, it stacks over the form and is placed
    // relative to it (on Wayland, where windows have no global position, it could not be
    // placed at all otherwise).
    popup_->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint);
    popup_->setFocusPolicy(Qt::NoFocus);
    popup_->setModel(&model_);
    popup_->setUniformItemSizes(true);
    // Long values are elided: a horizontal scroll bar would cut the last row.
    popup_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    popup_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    popup_->setObjectName(QStringLiteral("veltra-list"));
    QObject::connect(popup_, &QListView::clicked, widget_,
                     [this](const QModelIndex& index) { pick(index.row()); });
    followTheLineEdit();
    edit_.onShow([this] { showEdit(); });
    Font(Font::make(u"Tahoma", 8.25f, true));
    showEdit();
    applyColours();
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
    const QString text = toQString(edit_.text());
    if (edit->text() != text)
        edit->setText(text);
    if (edit_.selLength() > 0)
        edit->setSelection(edit_.selStart(), edit_.selLength());
    else
        edit->setCursorPosition(edit_.selStart());
    showing_ = wasShowing;
}

// The widget (and the list, its window) goes first, so that nothing it does while it is
// deleted reaches this box.
QtComboBox::~QtComboBox() {
    delete widget_;
    if (font_)
        font_->unsubscribe(fontListener_);
}

void QtComboBox::trace(const std::string& line) const {
    if (trace_)
        trace_(line);
}

void QtComboBox::Locked(bool value) {
    BoundComboBox::Locked(value);
    widget_->lineEdit()->setReadOnly(value);
}

void QtComboBox::ForeColor(Colour value) {
    foreColor_ = value;
    applyColours();
}

void QtComboBox::BackColor(Colour value) {
    backColor_ = value;
    applyColours();
}

void QtComboBox::applyColours() {
    QPalette palette = widget_->palette();
    palette.setColor(QPalette::Text, colourOf(foreColor_, QPalette::Text));
    palette.setColor(QPalette::Base, colourOf(backColor_, QPalette::Base));
    widget_->setPalette(palette);
    widget_->lineEdit()->setPalette(palette);
}

// The box shows the font object it is given, and follows every later change of it.
void QtComboBox::Font(FontRef value) {
    if (!value)
        invalidValue();
    if (font_)
        font_->unsubscribe(fontListener_);
    font_ = std::move(value);
    fontListener_ = font_->subscribe([this] { applyFont(); });
    applyFont();
}

void QtComboBox::applyFont() {
    const QFont font = toQFont(*font_);
    widget_->setFont(font);
    popup_->setFont(font);
    widget_->resize(widget_->width(), widget_->sizeHint().height());
}

void QtComboBox::Refresh() {
    BoundComboBox::Refresh();
    model_.reset();
    popup_->scrollToTop();
    if (popup_->isVisible())
        placeList();
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
}

// The list never stays over other windows.
void QtComboBox::focusOut(Qt::FocusReason reason) {
    closeList();
    if (leavesWithTheWindow(reason))
        return;
    focused_ = false;
    if (control_)
        control_->dbComb_LostFocus();
}

void QtComboBox::keyPress(QKeyEvent* event) {
    // A key that brings more than one character (a character beyond the 16-bit range, a
    // key mapped to a text) types them as an input method's commit.
    if (event->text().size() > 1 && !(event->modifiers() & Qt::ControlModifier)) {
        typeCommitted(event->text());
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
                   *character == Ascii::CtrlV ? QApplication::clipboard()->text() : event->text());
}

// The key press of a character: the control hears the code first and may change it; a
// code it leaves as it was inserts the text typed (a character beyond the 16-bit range
// whole), another code the character it stands for; the control codes edit.
void QtComboBox::pressCharacter(Integer keyAscii, const QString& text) {
    const Integer typed = keyAscii;
    if (control_)
        control_->dbComb_KeyPress(keyAscii);
    switch (keyAscii) {
    case Ascii::None:
    case Ascii::Enter:
        return;
    case Ascii::Esc:
        closeList();
        return;
    case Ascii::CtrlC:
        widget_->lineEdit()->copy();
        return;
    case Ascii::CtrlV:
        edit_.replaceSelection(fromQString(text));
        return;
    case Ascii::Backspace:
        edit_.deleteSelectionOr(-1);
        return;
    default:
        edit_.replaceSelection(keyAscii == typed && !text.isEmpty()
                                   ? fromQString(text)
                                   : String(1, characterOfCode(keyAscii)));
    }
}

// Only the release of a key whose press the box had: a key that an input method took
// (a dead key, the letter that completed it) comes back as text, whose typing has its own
// key up; a key pressed before the box had the focus is the previous widget's.
void QtComboBox::keyRelease(QKeyEvent* event) {
    if (event->isAutoRepeat() || !pressedKeys_.remove(event->key()))
        return;
    relayKeyUp(keyCodeOf(event), shiftOf(event));
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
    typeCommitted(event->commitString());
}

void QtComboBox::typeCommitted(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool pair =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        const QString character = text.mid(i, pair ? 2 : 1);
        i += pair ? 1 : 0;
        const KeyStroke key = keyOfCharacter(character[0].unicode());
        Integer keyCode = key.keyCode;
        Integer shift = key.shift;
        if (control_)
            control_->dbComb_KeyDown(keyCode, shift);
        pressCharacter(codeOfCharacter(character[0].unicode()), character);
        relayKeyUp(key.keyCode, key.shift);
    }
}

void QtComboBox::tab(QKeyEvent* event) {
    Integer keyCode = Key::Tab;
    Integer shift = shiftOf(event->modifiers());
    if (control_)
        control_->dbComb_KeyDown(keyCode, shift);
    trace("focus-out");
}

// The editing effect of a key that types no character, as the key-down handler left it.
void QtComboBox::applyKeyEffect(Integer keyCode, Integer shift) {
    switch (edit_.applyKey(keyCode, shift, list_)) {
    case EditModel::KeyEffect::LeaveFocus:
        trace("focus-out");
        widget_->nextInFocusChain()->setFocus(Qt::TabFocusReason);
        break;
    case EditModel::KeyEffect::OpenList:
        openList();
        break;
    case EditModel::KeyEffect::None:
        break;
    }
}

void QtComboBox::openList() {
    if (popup_->isVisible())
        return;
    trace("dropdown");
    placeList();
    popup_->show();
}

// Under the box, as wide as it, as tall as its rows up to ten.
void QtComboBox::placeList() {
    while (model_.rowCount() < kVisibleRows && model_.canFetchMore({}))
        model_.fetchMore({});
    // The height of the rows as the view lays them out, so that only whole rows show.
    const int rows = std::clamp(model_.rowCount(), 1, kVisibleRows);
    const int rowHeight =
        model_.rowCount() > 0 ? popup_->sizeHintForRow(0) : popup_->fontMetrics().height() + 4;
    popup_->resize(widget_->width(), rows * rowHeight + 2 * popup_->frameWidth());
    popup_->move(widget_->mapToGlobal(QPoint(0, widget_->height())));
    // The rows and the scroll bar as they are now, before the list is next painted.
    popup_->doItemsLayout();
}

void QtComboBox::closeList() {
    popup_->hide();
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
