// The Qt platform for scenarios: the control is a VeltraWidget on a form with one more
// widget to take the focus; typing, keys and pastes are real key events, and the keys the
// control sends are delivered by the event loop.
#include "Target.h"
#include "WidgetAccess.h"
#include "veltra/Text.h"
#include "veltra/platform/Keys.h"
#include "veltra/qt/KeyEvents.h"
#include "veltra/qt/QtText.h"
#include "veltra/qt/VeltraWidget.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QTest>
#include <QVBoxLayout>
#include <cstdlib>
#include <tuple>

namespace veltra::play {

namespace {

using qt::fromQString;
using qt::toQString;

// One application for the whole run, on the offscreen platform unless told otherwise. It
// lives until the process ends: destroying it among the other statics at exit would crash.
QApplication& application() {
    static int argc = 1;
    static char name[] = "veltra-play";
    static char* argv[] = {name, nullptr};
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static auto* app = new QApplication(argc, argv);
    return *app;
}

// A signal's argument as the control's events take it: a QString as a text, written back
// after the event; a number as it is.
template <class T>
struct EventArgument {
    T& value;
    T& get() { return value; }
    void writeBack() {}
};
template <>
struct EventArgument<QString> {
    QString& value;
    String text = fromQString(value);
    String& get() { return text; }
    void writeBack() { value = toQString(text); }
};

class QtTarget final : public Target {
  public:
    explicit QtTarget(TraceSink trace) : trace_(std::move(trace)), events_(trace_) {
        auto* layout = new QVBoxLayout(&window_);
        layout->addWidget(other_);
        window_.show();
        QApplication::setActiveWindow(&window_);
        (void)QTest::qWaitForWindowActive(&window_, 2000);
    }
    ~QtTarget() override {
        if (control_)
            qt::WidgetAccess::dataSource(*control_).removeListener(&tracer_);
    }

    std::string platform() const override { return "qt"; }
    Veltra& control() override {
        if (!control_)
            newInstance();
        return control_->control();
    }
    void newInstance() override { install(new qt::VeltraWidget); }
    void restoreInstance(PropertyBag& bag) override { install(new qt::VeltraWidget(bag)); }
    DataControl& dataSource() override {
        control();
        return qt::WidgetAccess::dataSource(*control_);
    }
    headless::RecordingEvents& events() override { return events_; }

    void resize(Single widthTwips, Single heightTwips) override {
        control();
        control_->resize(qRound(widthTwips / 15.0), qRound(heightTwips / 15.0));
        settle();
    }
    std::string size() override { return "size (the Qt box takes its height from its style)"; }

    // A user cannot give the focus to a disabled box.
    void focus() override {
        if (!combo().isEnabled())
            return;
        control_->setFocus();
        settle();
    }
    void blur() override {
        control();
        other_->setFocus();
        settle();
    }
    void type(const String& text) override {
        focused();
        for (const char16_t c : text) {
            const KeyStroke key = keyOfCharacter(c);
            if (!key.character) {
                pressAndRelease(key.keyCode, key.shift, key.shift);
                continue;
            }
            send(QEvent::KeyPress, key.keyCode, key.shift, QString(QChar(c)));
            send(QEvent::KeyRelease, key.keyCode, key.shift, QString(QChar(c)));
            settle();
        }
    }
    void key(Integer keyCode, Integer downShift, Integer upShift) override {
        focused();
        pressAndRelease(keyCode, downShift, upShift);
    }
    void paste(const String& text) override {
        focused();
        QApplication::clipboard()->setText(toQString(text));
        send(QEvent::KeyPress, Key::V, Shift::Ctrl, QStringLiteral("\x16"));
        send(QEvent::KeyRelease, Key::V, Shift::Ctrl, QStringLiteral("\x16"));
        settle();
    }
    void select(Long start, Long length) override {
        auto* edit = combo().lineEdit();
        const int size = static_cast<int>(edit->text().size());
        const int from = std::min(static_cast<int>(start), size);
        edit->setSelection(from, std::min(static_cast<int>(length), size - from));
    }
    void pick(std::size_t row) override {
        auto* view = listView();
        auto* model = view->model();
        while (model->rowCount() <= static_cast<int>(row) && model->canFetchMore({}))
            model->fetchMore({});
        if (static_cast<int>(row) < model->rowCount())
            emit view->clicked(model->index(static_cast<int>(row), 0));
        settle();
    }
    // A click on an area is the box's own report of it (a double click in the list has no
    // mouse events of its own to make it from); a disabled box reports none.
    void click(Integer area) override {
        if (combo().isEnabled())
            control().dbComb_Click(area);
        settle();
    }
    void doubleClick(Integer area) override {
        if (combo().isEnabled())
            control().dbComb_DblClick(area);
        settle();
    }
    // Mouse actions are real mouse events on the edit part, at the point the control's
    // coordinates name.
    void mouse(headless::HeadlessComboBox::Mouse what, Integer button, Integer shift, Single x,
               Single y) override {
        using Mouse = headless::HeadlessComboBox::Mouse;
        auto* edit = combo().lineEdit();
        const QPointF at = edit->mapFrom(control_, control_->pointAt(x, y));
        const Qt::MouseButtons held = qt::buttonsOf(button);
        const auto [type, changed, after] =
            what == Mouse::Down ? std::tuple(QEvent::MouseButtonPress, held, held)
            : what == Mouse::Up ? std::tuple(QEvent::MouseButtonRelease, held, Qt::MouseButtons())
                                : std::tuple(QEvent::MouseMove, Qt::MouseButtons(), held);
        QMouseEvent event(type, at, edit->mapToGlobal(at),
                          static_cast<Qt::MouseButton>(changed.toInt()), after,
                          qt::modifiersOf(shift));
        QApplication::sendEvent(edit, &event);
        settle();
    }
    void call(const std::function<void()>& action) override {
        action();
        settle();
    }

    std::string show() override {
        control();
        auto* edit = combo().lineEdit();
        const Long start =
            edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
        return showLine(
            fromQString(edit->text()), start, static_cast<Long>(edit->selectedText().size()),
            qt::WidgetAccess::list(*control_).boundTextFor(fromQString(edit->text())),
            qt::WidgetAccess::list(*control_).rowCount(), fromQString(combo().toolTip()),
            control_->control().EstarComFoco() ? CorDeFoco : CorDeFundoDaJanela);
    }
    std::vector<std::string> list() override {
        control();
        std::vector<std::string> lines;
        const auto& model = qt::WidgetAccess::list(*control_);
        for (std::size_t i = 0; model.hasRow(i); ++i)
            lines.push_back(listLine(model, i));
        return lines;
    }

  private:
    // A new control in the form, with the host's handlers connected; the handlers survive.
    void install(qt::VeltraWidget* widget) {
        if (control_) {
            qt::WidgetAccess::dataSource(*control_).removeListener(&tracer_);
            delete control_;
        }
        control_ = widget;
        qt::WidgetAccess::dataSource(*control_).addListener(&tracer_);
        qt::WidgetAccess::setTrace(*control_, trace_);
        control_->setMessageHandler([](const QString&, const QString&) {});
        static_cast<QVBoxLayout*>(window_.layout())->insertWidget(0, control_);
        connectEvents();
        settle();
    }

    // Each of the widget's signals reaches the recorded events, its arguments by reference.
    void connectEvents() {
        using W = qt::VeltraWidget;
#define VELTRA_CONNECT_EVENT(Name, Number, Parameters, Arguments)                                  \
    QObject::connect(control_, &W::Name,                                                           \
                     [this](auto&... arguments) { deliver(&VeltraEvents::Name, arguments...); });
        VELTRA_EVENTS(VELTRA_CONNECT_EVENT)
#undef VELTRA_CONNECT_EVENT
    }

    template <class... Parameters, class... T>
    void deliver(void (VeltraEvents::*event)(Parameters...), T&... arguments) {
        std::tuple<EventArgument<T>...> converted{EventArgument<T>{arguments}...};
        std::apply([&](auto&... argument) { (events_.*event)(argument.get()...); }, converted);
        std::apply([](auto&... argument) { (argument.writeBack(), ...); }, converted);
    }

    QComboBox& combo() {
        control();
        return control_->comboBox();
    }
    QListView* listView() {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* view = qobject_cast<QListView*>(top);
                view && view->objectName() == "veltra-list")
                return view;
        return nullptr;
    }
    void focused() {
        if (!combo().hasFocus())
            focus();
    }
    static QString textOfKey(Integer keyCode) {
        switch (keyCode) {
        case Key::Backspace:
            return QStringLiteral("\b");
        case Key::Enter:
            return QStringLiteral("\r");
        case Key::Esc:
            return QStringLiteral("\x1b");
        default:
            return {};
        }
    }
    // One key to whichever widget has the focus, as the keyboard sends it.
    void pressAndRelease(Integer keyCode, Integer downShift, Integer upShift) {
        send(QEvent::KeyPress, keyCode, downShift, textOfKey(keyCode));
        // Tab has moved the focus: its release goes to the widget that has it now.
        if (combo().hasFocus())
            send(QEvent::KeyRelease, keyCode, upShift, textOfKey(keyCode));
        settle();
    }
    void send(QEvent::Type type, Integer keyCode, Integer shift, const QString& text) {
        const auto event = qt::makeKeyEvent(type, keyCode, shift, text);
        QApplication::sendEvent(
            QApplication::focusWidget() ? QApplication::focusWidget() : &combo(), event.get());
    }
    // Lets the event loop deliver what the control sent (keys, focus changes).
    static void settle() {
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents();
    }

    TraceSink trace_;
    headless::RecordingEvents events_;
    headless::DataSourceTracer tracer_{trace_};
    QApplication& application_ = application();
    QWidget window_;
    QLineEdit* other_ = new QLineEdit;
    qt::VeltraWidget* control_ = nullptr;
};

} // namespace

std::unique_ptr<Target> makeQtTarget(TraceSink trace) {
    return std::make_unique<QtTarget>(std::move(trace));
}

} // namespace veltra::play
