#include "Target.h"
#include "veltra/Text.h"

namespace veltra::play {

std::string showLine(const String& text, Long selStart, Long selLength, const String& bound,
                     std::size_t rows, const String& toolTip, Colour backColor) {
    return "text=" + quotedText(text) + " sel=" + std::to_string(selStart) + "," +
           std::to_string(selLength) + " bound=" + quotedText(bound) +
           " list=" + std::to_string(rows) + " tooltip=" + quotedText(toolTip) +
           " backcolor=" + std::to_string(backColor);
}

// The extra columns' values follow the value, joined by ";", when the list shows any.
std::string listLine(const ListModel& list, std::size_t row) {
    std::string line = "row " + std::to_string(row) + " key=" + quotedText(list.key(row)) +
                       " value=" + quotedText(list.value(row));
    const auto extras = list.extras(row);
    if (extras.empty())
        return line;
    String joined;
    for (std::size_t i = 0; i < extras.size(); ++i)
        joined += (i == 0 ? u"" : u";") + extras[i];
    return line + " extra=" + quotedText(joined);
}

namespace {

class HeadlessTarget final : public Target {
  public:
    explicit HeadlessTarget(TraceSink trace) : form_(std::move(trace)) {}

    std::string platform() const override { return "headless"; }
    Veltra& control() override { return form_.control(); }
    void newInstance() override { form_.newInstance(); }
    void restoreInstance(PropertyBag& bag) override { form_.restoreInstance(bag); }
    DataControl& dataSource() override { return form_.dataSource(); }
    headless::RecordingEvents& events() override { return form_.events(); }

    void resize(Single widthTwips, Single heightTwips) override {
        form_.host().resize(widthTwips, heightTwips);
    }
    std::string size() override {
        auto& host = form_.host();
        auto& box = form_.comboBox();
        return "size control=" + shortestNumber(host.Width()) + "x" +
               shortestNumber(host.Height()) + " combo=" + shortestNumber(box.Width()) + "x" +
               shortestNumber(box.Height()) +
               " scale=" + (host.scaleMode() == ScaleMode::Pixels ? "pixels" : "twips");
    }

    void focus() override {
        form_.input([&] { box().focusIn(); });
    }
    void blur() override {
        form_.input([&] { box().focusOut(); });
    }
    void type(const String& text) override {
        focused();
        form_.type(text);
    }
    void key(Integer keyCode, Integer downShift, Integer upShift) override {
        focused();
        // A key is one input event: what it sends arrives after its release.
        form_.input([&] {
            box().pressKey({keyCode, downShift, false, 0});
            box().pressKey({keyCode, upShift, true, 0});
        });
    }
    void paste(const String& text) override {
        focused();
        form_.input([&] { box().paste(text); });
    }
    void select(Long start, Long length) override { box().select(start, length); }
    void pick(std::size_t row) override {
        form_.input([&] { box().pick(row); });
    }
    void click(Integer area) override {
        form_.input([&] { box().click(area); });
    }
    void doubleClick(Integer area) override {
        form_.input([&] { box().doubleClick(area); });
    }
    void mouse(headless::HeadlessComboBox::Mouse what, Integer button, Integer shift, Single x,
               Single y) override {
        form_.input([&] { box().mouse(what, button, shift, x, y); });
    }
    void call(const std::function<void()>& action) override { form_.input(action); }

    std::string show() override {
        auto& b = box();
        return showLine(b.Text(), b.SelStart(), b.SelLength(), b.BoundText(), b.list().rowCount(),
                        b.toolTip(), b.BackColor());
    }
    std::vector<std::string> list() override {
        std::vector<std::string> lines;
        const auto& model = box().list();
        for (std::size_t i = 0; model.hasRow(i); ++i)
            lines.push_back(listLine(model, i));
        return lines;
    }

  private:
    headless::HeadlessComboBox& box() { return form_.comboBox(); }
    void focused() {
        if (!box().hasFocus())
            box().focusIn();
    }

    headless::HeadlessForm form_;
};

} // namespace

std::unique_ptr<Target> makeHeadlessTarget(TraceSink trace) {
    return std::make_unique<HeadlessTarget>(std::move(trace));
}

} // namespace veltra::play
