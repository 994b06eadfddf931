// The headless platform: a combo box, host and windowing services without a screen, which
// record what the control does as transcript lines. Tests and veltra-play drive it.
#pragma once

#include "veltra/Veltra.h"
#include "veltra/data/BoundControls.h"
#include "veltra/platform/EditModel.h"
#include "veltra/platform/Keys.h"
#include "veltra/platform/Tracing.h"

#include <deque>
#include <functional>
#include <map>
#include <string>

namespace veltra::headless {

using veltra::TraceSink;

// Transcript forms of values: strings double-quoted (quotedText), numbers in shortest
// form, Booleans True/False, null as Null, fonts as Font(NAME SIZE[ bold][ italic]).
std::string formatValue(const Variant& value);
std::string formatFont(const FontRef& font);

// Sizes: 15 twips to the pixel. The box's height follows its font size: the lower bound
// (in twips) of the font-size band whose size is the largest not above the font's size,
// and 315 below 9 points.
inline constexpr Single kTwipsPerPixel = 15;
Single comboHeightForFontSize(float points);

// "recordsource STATEMENT" and "refresh Data1 [failed]" for what a data source does. It
// listens before the bound text box does, so a refresh is in the transcript before the
// text box reacts to it.
class DataSourceTracer final : public DataSourceListener {
  public:
    explicit DataSourceTracer(TraceSink trace) : trace_(std::move(trace)) {}
    void recordSourceAssigned(const String& statement) override;
    void refreshed(bool succeeded) override;

  private:
    TraceSink trace_;
};

class HeadlessHost final : public Host {
  public:
    void attach(ControlNotifications* control) override { control_ = control; }
    void PropertyChanged(const String&) override {}
    FontRef AmbientFont() override { return Font::make(u"MS Sans Serif", 8.25f); }
    void ScaleMode(Integer mode) override { scaleMode_ = mode; }
    Single Width() const override { return width_; }
    Single Height() const override { return height_; }
    void Height(Single twips) override;
    std::intptr_t hWnd() const override { return 1; }

    Integer scaleMode() const { return scaleMode_; }
    // The host sets the control's size (twips) and tells it to lay itself out.
    void resize(Single widthTwips, Single heightTwips);

  private:
    ControlNotifications* control_ = nullptr;
    Integer scaleMode_ = ScaleMode::Twips;
    Single width_ = DesignSize::Width;
    Single height_ = DesignSize::Height;
};

// Sent keys are queued; the platform delivers them after the current input event. There is
// no pointer to move, and a message box closes at once (the transcript has both). Client
// and screen coordinates coincide.
class HeadlessWindowing final : public Windowing {
  public:
    void SendKeys(const String& keys, bool wait) override;
    void keybd_event(std::uint8_t virtualKey, std::uint8_t scanCode, Long flags,
                     std::uintptr_t extraInfo) override;
    Point ClientToScreen(std::intptr_t, Point client) override { return client; }
    void SetCursorPos(Long, Long) override {}
    void MsgBox(const String&, Integer, const std::optional<String>&) override {}
    // Looks the path up in the real file system; only a regular file is found.
    String Dir(const String& path) override;

    std::optional<KeyStroke> takePendingKey();

  private:
    std::deque<KeyStroke> pending_;
};

// A combo box over the shared list logic, with the editing behaviour of a desktop combo
// box: typed characters replace the selection, Backspace and Delete delete, arrows move
// the caret or step through the list, Alt+Down opens the list, Esc closes it, Tab leaves
// the control.
class HeadlessComboBox final : public BoundComboBox {
  public:
    HeadlessComboBox(DataControl& source, HeadlessHost& host, TraceSink trace);

    FontRef Font() const override { return font_; }
    void Font(FontRef value) override;
    Single Width() const override;
    void Width(Single value) override;
    Single Height() const override;
    // The height follows the font; a written height is not kept.
    void Height(Single) override {}
    bool Enabled() const override { return enabled_; }
    // A box disabled while it has the focus loses it, as a desktop form moves the focus on.
    void Enabled(bool value) override;
    void ToolTipText(const String& value) override { toolTip_ = value; }
    void SetFocus() override;

    // What the user does.
    void focusIn();
    void focusOut();
    void typeCharacter(char16_t character);
    void pressKey(KeyStroke stroke);
    void paste(const String& text);
    void select(Long start, Long length);
    void pick(std::size_t row);
    void click(Integer area);
    void doubleClick(Integer area);
    enum class Mouse { Down, Move, Up };
    void mouse(Mouse what, Integer button, Integer shift, Single x, Single y);

    bool hasFocus() const { return focused_; }
    bool listOpen() const { return listOpen_; }
    const String& toolTip() const { return toolTip_; }

  private:
    void keyDown(Integer& keyCode, Integer& shift);
    void keyUp(Integer keyCode, Integer shift);
    void actOnControlCode(Integer keyAscii);
    void openList() override;
    void closeList() override { listOpen_ = false; }
    void leaveForNext() override;
    // There is no clipboard and nothing to draw.
    void copySelection() override {}
    void applyFont() override {}
    void applyColours() override {}
    bool acceptsInput() const { return enabled_; }

    HeadlessHost& host_;
    TraceSink trace_;
    bool enabled_ = true;
    bool focused_ = false;
    bool listOpen_ = false;
    String toolTip_;
    Single widthTwips_ = DesignSize::ComboWidth;
};

// The host program's event handlers: each event becomes a transcript line with its
// arguments as passed; a handler set with setArgument then changes that argument.
class RecordingEvents final : public VeltraEvents {
  public:
    explicit RecordingEvents(TraceSink trace) : trace_(std::move(trace)) {}

    void setArgument(const std::string& event, const std::string& argument, Variant value);
    void clearHandler(const std::string& event);

#define VELTRA_RECORDED_EVENT(Name, Number, Parameters, Arguments) void Name Parameters override;
    VELTRA_EVENTS(VELTRA_RECORDED_EVENT)
#undef VELTRA_RECORDED_EVENT

  private:
    // The line "event NAME ARGUMENT=VALUE ...", then the handler's changes to the arguments.
    template <class... T>
    void record(const char* event, std::string_view argumentNames, T&... arguments);
    template <class T>
    void apply(const std::string& event, const std::string& argument, T& target);

    TraceSink trace_;
    std::map<std::string, std::map<std::string, Variant>> handlers_;
};

// One control on a headless form with everything around it. The event handlers survive
// a new instance.
class HeadlessForm {
  public:
    explicit HeadlessForm(TraceSink trace);
    ~HeadlessForm();

    // A new instance (InitProperties) with fresh child controls.
    void newInstance();
    // An instance restored from saved properties (ReadProperties) with fresh child controls.
    void restoreInstance(PropertyBag& bag);
    Veltra& control();
    HeadlessComboBox& comboBox();
    DataControl& dataSource();
    BoundTextBox& textBox();
    HeadlessHost& host();
    RecordingEvents& events() { return events_; }

    // Runs one input action, then delivers the keys it sent.
    template <class Action>
    void input(Action&& action) {
        std::forward<Action>(action)();
        deliverSentKeys();
    }
    // Types the text one character at a time, sent keys delivered after each.
    void type(const String& text);
    void deliverSentKeys();

  private:
    struct Instance;

    TraceSink trace_;
    RecordingEvents events_;
    std::unique_ptr<Instance> instance_;
};

} // namespace veltra::headless
