// What a scenario drives: one control on one platform, with the user's input and the
// observations the script language offers. The headless, Qt and Win32 platforms give the
// same transcript for the same script, except where a scenario says why they cannot.
#pragma once

#include "veltra/Veltra.h"
#include "veltra/data/BoundControls.h"
#include "veltra/data/DataControl.h"
#include "veltra/headless/Headless.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace veltra::play {

using headless::TraceSink;

class Target {
  public:
    virtual ~Target() = default;

    virtual std::string platform() const = 0;
    virtual Veltra& control() = 0;
    virtual void newInstance() = 0;
    virtual void restoreInstance(PropertyBag& bag) = 0;
    virtual DataControl& dataSource() = 0;
    // The host program's handlers, which print the events and change arguments.
    virtual headless::RecordingEvents& events() = 0;

    virtual void resize(Single widthTwips, Single heightTwips) = 0;
    virtual std::string size() = 0;

    // User input; each delivers the keys the control sent before it returns. Typing, keys
    // and pastes give the box the focus first, as a click into it would.
    virtual void focus() = 0;
    virtual void blur() = 0;
    virtual void type(const String& text) = 0;
    virtual void key(Integer keyCode, Integer downShift, Integer upShift) = 0;
    virtual void paste(const String& text) = 0;
    virtual void select(Long start, Long length) = 0;
    virtual void pick(std::size_t row) = 0;
    // Notifications as the box delivers them: a click or double click on an area, and the
    // mouse buttons (a press focuses the box after the control has heard of it).
    virtual void click(Integer area) = 0;
    virtual void doubleClick(Integer area) = 0;
    virtual void mouse(headless::HeadlessComboBox::Mouse what, Integer button, Integer shift,
                       Single x, Single y) = 0;
    // Runs a call of the host program's, then delivers the keys it sent.
    virtual void call(const std::function<void()>& action) = 0;

    virtual std::string show() = 0;
    virtual std::vector<std::string> list() = 0;
};

std::unique_ptr<Target> makeHeadlessTarget(TraceSink trace);
// Null when this build has no Qt front end, or no Win32 one.
std::unique_ptr<Target> makeQtTarget(TraceSink trace);
std::unique_ptr<Target> makeWin32Target(TraceSink trace);

// The observation lines, as both platforms print them.
std::string showLine(const String& text, Long selStart, Long selLength, const String& bound,
                     std::size_t rows, const String& toolTip, Colour backColor);
std::string listLine(const ListModel& list, std::size_t row);

} // namespace veltra::play
