#include "veltra/qt/VeltraWidget.h"

#include "QtComboBox.h"
#include "WidgetAccess.h"
#include "veltra/Text.h"
#include "veltra/data/BoundControls.h"
#include "veltra/platform/Tracing.h"

#include <QApplication>
#include <QCursor>
#include <QFileInfo>
#include <QMessageBox>
#include <QResizeEvent>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <deque>
#include <limits>
#include <tuple>

namespace veltra::qt {

namespace {

// An event's argument as the widget's signal takes it: a text as a QString, written back
// after the signal; a number as it is.
template <class T>
struct SignalArgument {
    T& value;
    T& get() { return value; }
    void writeBack() {}
};
template <>
struct SignalArgument<String> {
    String& value;
    QString text = toQString(value);
    QString& get() { return text; }
    void writeBack() { value = fromQString(text); }
};

} // namespace

class VeltraWidget::Parts final : public Host, public Windowing, public VeltraEvents {
  public:
    explicit Parts(VeltraWidget& widget)
        : widget_(widget), combo(data,
                                 Scale{[this] { return scaleMode_ == ScaleMode::Pixels; },
                                       [this] { return twipsPerPixel(); }},
                                 &widget),
          textBox(data) {}

    double twipsPerPixel() const { return 1440.0 / std::max(1, widget_.logicalDpiX()); }

    // Host.
    void attach(ControlNotifications* control) override { control_ = control; }
    void PropertyChanged(const String& key) override {
        emit widget_.PropertyChanged(toQString(key));
    }
    FontRef AmbientFont() override {
        const QFont ambient =
            widget_.parentWidget() ? widget_.parentWidget()->font() : QApplication::font();
        return Font::make(fromQString(ambient.family()), static_cast<float>(ambient.pointSizeF()),
                          ambient.bold(), ambient.italic());
    }
    void ScaleMode(Integer mode) override { scaleMode_ = mode; }
    Single Width() const override { return widthTwips; }
    Single Height() const override { return heightTwips; }
    void Height(Single twips) override {
        if (twips == heightTwips)
            return;
        heightTwips = twips;
        fitWidget();
        if (control_)
            control_->UserControl_Resize();
    }
    std::intptr_t hWnd() const override { return static_cast<std::intptr_t>(widget_.winId()); }

    // The widget takes the size the host keeps (in twips).
    void fitWidget() {
        widget_.resize(static_cast<int>(std::lround(widthTwips / twipsPerPixel())),
                       static_cast<int>(std::lround(heightTwips / twipsPerPixel())));
    }

    // Windowing: sent keys wait in a queue until the current event has been handled.
    void SendKeys(const String& keys, bool) override {
        for (const auto& stroke : parseKeyString(keys))
            queue(stroke);
    }
    void keybd_event(std::uint8_t virtualKey, std::uint8_t, Long flags, std::uintptr_t) override {
        queue({virtualKey, 0, (flags & KeyEventFlags::KeyUp) != 0, 0});
    }
    Point ClientToScreen(std::intptr_t, Point client) override {
        const QPoint screen = widget_.mapToGlobal(QPoint(client.x, client.y));
        return {screen.x(), screen.y()};
    }
    void SetCursorPos(Long x, Long y) override { QCursor::setPos(x, y); }
    void MsgBox(const String& prompt, Integer, const std::optional<String>& title) override {
        QString text = toQString(prompt);
        text.replace(QChar('\r'), QChar('\n'));
        const QString caption = title ? toQString(*title) : QApplication::applicationDisplayName();
        if (messageHandler) {
            messageHandler(text, caption);
            return;
        }
        QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Ok, &widget_);
        box.exec();
    }
    String Dir(const String& path) override {
        const QFileInfo file(toQString(path));
        return !path.empty() && file.isFile() ? fromQString(file.fileName()) : String();
    }

    void queue(const KeyStroke& stroke) {
        pending_.push_back(stroke);
        if (pending_.size() == 1)
            QTimer::singleShot(0, &widget_, [this] { deliverPending(); });
    }
    void deliverPending() {
        while (!pending_.empty()) {
            const KeyStroke stroke = pending_.front();
            pending_.pop_front();
            combo.deliver(stroke);
        }
    }

    // Events: the widget's signals, arguments by reference.
#define VELTRA_QT_SIGNAL_EVENT(Name, Number, Parameters, Arguments)                                \
    void Name Parameters override {                                                                \
        emitSignal(&VeltraWidget::Name VELTRA_AFTER(Arguments));                                   \
    }
    VELTRA_EVENTS(VELTRA_QT_SIGNAL_EVENT)
#undef VELTRA_QT_SIGNAL_EVENT

    template <class... Parameters, class... T>
    void emitSignal(void (VeltraWidget::*signal)(Parameters...), T&... arguments) {
        std::tuple<SignalArgument<T>...> converted{SignalArgument<T>{arguments}...};
        std::apply([&](auto&... argument) { emit(widget_.*signal)(argument.get()...); }, converted);
        std::apply([](auto&... argument) { (argument.writeBack(), ...); }, converted);
    }

    VeltraWidget& widget_;
    DataControl data;
    QtComboBox combo;
    BoundTextBox textBox;
    // What the control asks of this host and these services goes into the transcript.
    TracingHost tracingHost{*this};
    TracingWindowing tracingWindowing{*this};
    std::optional<Veltra> control;
    ControlNotifications* control_ = nullptr;
    Integer scaleMode_ = ScaleMode::Twips;
    Single widthTwips = DesignSize::Width;
    Single heightTwips = DesignSize::Height;
    std::function<void(const QString&, const QString&)> messageHandler;
    std::deque<KeyStroke> pending_;
};

VeltraWidget::VeltraWidget(QWidget* parent) : VeltraWidget(nullptr, parent) {
}

VeltraWidget::VeltraWidget(PropertyBag& saved, QWidget* parent) : VeltraWidget(&saved, parent) {
}

// The control with its surroundings, as designed (its size, the combo box's width), then
// a new instance or a restored one.
VeltraWidget::VeltraWidget(PropertyBag* saved, QWidget* parent)
    : QWidget(parent), parts_(std::make_unique<Parts>(*this)) {
    parts_->control.emplace(Surroundings{parts_->combo, parts_->data, parts_->textBox,
                                         parts_->tracingHost, parts_->tracingWindowing, *parts_});
    setFocusProxy(&parts_->combo.widget());
    parts_->fitWidget();
    parts_->combo.Width(DesignSize::ComboWidth);
    if (saved)
        parts_->control->ReadProperties(*saved);
    else
        parts_->control->InitProperties();
}

VeltraWidget::~VeltraWidget() {
    parts_->control.reset();
}

Veltra& VeltraWidget::control() {
    return *parts_->control;
}
QComboBox& VeltraWidget::comboBox() {
    return parts_->combo.widget();
}

QPointF VeltraWidget::pointAt(float x, float y) const {
    const double unitsPerPixel = parts_->combo.unitsPerPixel();
    return {x / unitsPerPixel, y / unitsPerPixel};
}

DataControl& WidgetAccess::dataSource(VeltraWidget& widget) {
    return widget.parts_->data;
}

const ListModel& WidgetAccess::list(const VeltraWidget& widget) {
    return widget.parts_->combo.list();
}

std::size_t WidgetAccess::rowsRead(const VeltraWidget& widget) {
    const auto rows = widget.parts_->data.rows();
    return rows ? rows->fetchedCount() : 0;
}

QString WidgetAccess::rowAsDrawn(VeltraWidget& widget, int row) {
    QtComboBox& combo = widget.parts_->combo;
    const QString text = combo.listView().model()->index(row, 0).data().toString();
    QString drawn = text;
    const auto bold = combo.rows().boldParts(text);
    for (auto run = bold.rbegin(); run != bold.rend(); ++run) {
        drawn.insert(static_cast<qsizetype>(run->start + run->length), QChar(']'));
        drawn.insert(static_cast<qsizetype>(run->start), QChar('['));
    }
    return drawn;
}

void WidgetAccess::setTrace(VeltraWidget& widget, TraceSink trace) {
    widget.parts_->tracingHost.setTrace(trace);
    widget.parts_->tracingWindowing.setTrace(trace);
    widget.parts_->combo.setTrace(std::move(trace));
}

void VeltraWidget::setMessageHandler(std::function<void(const QString&, const QString&)> handler) {
    parts_->messageHandler = std::move(handler);
}

// A size the host gives (a layout, a drag in a designer) is laid out by the control; the
// control's own snap of its height is already in the host's size and is not repeated.
void VeltraWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const double twips = parts_->twipsPerPixel();
    const auto width = static_cast<Single>(event->size().width() * twips);
    const auto height = static_cast<Single>(event->size().height() * twips);
    if (std::abs(width - parts_->widthTwips) < twips &&
        std::abs(height - parts_->heightTwips) < twips)
        return;
    parts_->widthTwips = width;
    parts_->heightTwips = height;
    parts_->control->UserControl_Resize();
}

namespace {

template <class T>
QtValue<T> toQt(const T& value) {
    return value;
}
QString toQt(const String& value) {
    return toQString(value);
}
QFont toQt(const FontRef& value) {
    return value ? toQFont(*value) : QFont();
}
int toQt(Integer value) {
    return value;
}
QColor toQt(Colour value) {
    return toQColor(value);
}

template <class T>
T fromQt(const QtValue<T>& value) {
    return value;
}
template <>
String fromQt<String>(const QString& value) {
    return fromQString(value);
}
template <>
FontRef fromQt<FontRef>(const QFont& value) {
    return fromQFont(value);
}
// Beyond the 16-bit range a number is cut to its nearest end.
template <>
Integer fromQt<Integer>(const int& value) {
    return static_cast<Integer>(std::clamp<int>(value, std::numeric_limits<Integer>::min(),
                                                std::numeric_limits<Integer>::max()));
}
template <>
Colour fromQt<Colour>(const QColor& value) {
    return fromQColor(value);
}

} // namespace

// clang-format off
#define VELTRA_QT_GET_LET(Name, Type)                                                             \
    QtValue<Type> VeltraWidget::Name() const {                                                    \
        return toQt(parts_->control->Name());                                                     \
    }                                                                                             \
    void VeltraWidget::set_##Name(const QtValue<Type>& value) {                                   \
        parts_->control->Name(fromQt<Type>(value));                                               \
    }
#define VELTRA_QT_DEFINE_ACCESSORS(Name, Type, Id, Holder, ...)                                   \
    VELTRA_IF_ACCESSORS_##Holder(VELTRA_QT_GET_LET(Name, Type))
// clang-format on
VELTRA_PROPERTIES(VELTRA_QT_DEFINE_ACCESSORS)
#undef VELTRA_QT_DEFINE_ACCESSORS
#undef VELTRA_QT_GET_LET

bool VeltraWidget::SuperPesquisa() const {
    return parts_->control->SuperPesquisa;
}
void VeltraWidget::set_SuperPesquisa(bool value) {
    parts_->control->SuperPesquisa = value;
}

bool VeltraWidget::DestacarTrechos() const {
    return parts_->combo.rows().highlighting();
}
void VeltraWidget::set_DestacarTrechos(bool value) {
    parts_->combo.rows().setHighlighting(value);
    parts_->combo.listView().viewport()->update();
}

} // namespace veltra::qt
