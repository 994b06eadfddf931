// The actions on the control and its box: properties, methods, the user's input and what
// the box shows.
#include "Scenario.h"
#include "veltra/Error.h"
#include "veltra/Methods.h"
#include "veltra/Properties.h"
#include "veltra/Text.h"

#include <functional>
#include <optional>

namespace veltra::play {

namespace {

using headless::formatValue;

struct NamedKey {
    Integer keyCode;
    Integer downShift;
    Integer upShift;
};

const std::map<std::string, NamedKey>& namedKeys() {
    static const std::map<std::string, NamedKey> table = {
        {"Enter", {Key::Enter, 0, 0}},
        {"Tab", {Key::Tab, 0, 0}},
        {"Backspace", {Key::Backspace, 0, 0}},
        {"Delete", {Key::Delete, 0, 0}},
        {"Esc", {Key::Esc, 0, 0}},
        {"Left", {Key::Left, 0, 0}},
        {"Right", {Key::Right, 0, 0}},
        {"Up", {Key::Up, 0, 0}},
        {"Down", {Key::Down, 0, 0}},
        {"Home", {Key::Home, 0, 0}},
        {"End", {Key::End, 0, 0}},
        {"Shift", {Key::ShiftKey, Shift::Shift, Shift::Shift}},
        {"Alt", {Key::Alt, Shift::Alt, 0}}};
    return table;
}

} // namespace

void Scenario::size(const Line&) {
    trace(target_->size());
}

void Scenario::resize(const Line& line) {
    const auto args = arguments(line, 2, 2);
    target_->resize(static_cast<Single>(args[0].value().toDouble()),
                    static_cast<Single>(args[1].value().toDouble()));
}

void Scenario::let(const Line& line) {
    const auto args = splitArguments(line.rest);
    if (args.empty())
        throw ScriptError("let needs a property and a value");
    const std::string name = args[0].utf8();
    if (name == "Font") {
        if (args.size() < 3)
            throw ScriptError("let Font takes NAME SIZE [bold] [italic]");
        auto font = Font::make(args[1].text, static_cast<float>(args[2].value().toDouble()));
        for (std::size_t i = 3; i < args.size(); ++i) {
            if (args[i].utf8() == "bold")
                font->Bold(true);
            else if (args[i].utf8() == "italic")
                font->Italic(true);
            else
                throw ScriptError("unknown font style " + args[i].utf8());
        }
        control().Font(font);
        return;
    }
    if (args.size() != 2)
        throw ScriptError("let " + name + " takes one value");
    if (name == "SuperPesquisa") {
        control().SuperPesquisa = args[1].value().toBoolean();
        return;
    }
    const auto* property = findProperty(name);
    if (!property)
        throw ScriptError("unknown property '" + name + "'");
    property->let(control(), args[1].value());
}

void Scenario::get(const Line& line) {
    const std::string name = arguments(line, 1, 1)[0].utf8();
    if (name == "Font")
        return trace("Font = " + headless::formatFont(control().Font()));
    if (name == "SuperPesquisa")
        return trace(name + " = " + formatValue(control().SuperPesquisa));
    const auto* property = findProperty(name);
    if (!property)
        throw ScriptError("unknown property '" + name + "'");
    trace(name + " = " + formatValue(property->get(control())));
}

void Scenario::call(const Line& line) {
    const auto args = arguments(line, 1, 2);
    const auto* method = findMethod(args[0].utf8());
    if (!method)
        throw ScriptError("unknown method '" + args[0].utf8() + "'");
    const Variant argument = args.size() > 1 ? args[1].value() : Variant();
    std::optional<Variant> result;
    target_->call([&] { result = method->call(control(), argument); });
    if (result)
        trace(std::string(method->name) + " = " + formatValue(*result));
}

void Scenario::member(const Line& line) {
    const auto args = arguments(line, 2, 2);
    if (args[0].utf8() != "SuperPesquisa")
        throw ScriptError("the only public member is SuperPesquisa");
    control().SuperPesquisa = args[1].value().toBoolean();
}

// Runs the statement on a data source configured like the control's and prints its rows.
void Scenario::type(const Line& line) {
    target_->type(arguments(line, 1, 1)[0].text);
}

void Scenario::key(const Line& line) {
    for (const auto& arg : arguments(line, 1, 64)) {
        const std::string name = arg.utf8();
        NamedKey key{};
        if (const auto named = namedKeys().find(name); named != namedKeys().end())
            key = named->second;
        else if (!arg.quoted && std::holds_alternative<std::int64_t>(arg.value().value()))
            key = {static_cast<Integer>(number(arg)), 0, 0};
        else
            throw ScriptError("unknown key '" + name + "'");
        target_->key(key.keyCode, key.downShift, key.upShift);
    }
}

// An optional count repeats the text, for very long pastes.
void Scenario::paste(const Line& line) {
    const auto args = arguments(line, 1, 2);
    String text;
    for (long long i = 0, count = args.size() > 1 ? number(args[1]) : 1; i < count; ++i)
        text += args[0].text;
    target_->paste(text);
}

void Scenario::select(const Line& line) {
    const auto args = arguments(line, 2, 2);
    target_->select(static_cast<Long>(number(args[0])), static_cast<Long>(number(args[1])));
}

void Scenario::pick(const Line& line) {
    const auto row = number(arguments(line, 1, 1)[0]);
    if (row >= 0)
        target_->pick(static_cast<std::size_t>(row));
}

void Scenario::click(const Line& line) {
    target_->click(static_cast<Integer>(number(arguments(line, 1, 1)[0])));
}

void Scenario::dblclick(const Line& line) {
    target_->doubleClick(static_cast<Integer>(number(arguments(line, 1, 1)[0])));
}

void Scenario::mouse(const Line& line) {
    using Mouse = headless::HeadlessComboBox::Mouse;
    const auto args = arguments(line, 4, 4);
    const Mouse what = line.command == "mousedown" ? Mouse::Down
                       : line.command == "mouseup" ? Mouse::Up
                                                   : Mouse::Move;
    target_->mouse(what, static_cast<Integer>(number(args[0])),
                   static_cast<Integer>(number(args[1])),
                   static_cast<Single>(args[2].value().toDouble()),
                   static_cast<Single>(args[3].value().toDouble()));
}

void Scenario::on(const Line& line) {
    const auto args = arguments(line, 1, 2);
    const std::string event = args[0].utf8();
    if (args.size() == 1)
        return target_->events().clearHandler(event);
    const std::string assignment = args[1].utf8();
    const auto equals = assignment.find('=');
    if (equals == std::string::npos)
        throw ScriptError("on EVENT takes ARG=VALUE");
    const auto value = splitArguments(assignment.substr(equals + 1));
    target_->events().setArgument(event, assignment.substr(0, equals),
                                  value.empty() ? Variant(String()) : value[0].value());
}

void Scenario::show(const Line&) {
    trace(target_->show());
}

void Scenario::list(const Line&) {
    for (const auto& line : target_->list())
        trace(line);
}

} // namespace veltra::play
