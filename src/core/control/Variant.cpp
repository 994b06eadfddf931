#include "veltra/Error.h"
#include "veltra/Font.h"
#include "veltra/Text.h"
#include "veltra/Types.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace veltra {

namespace {

[[noreturn]] void typeMismatch() {
    throw Error(ErrorNumber::TypeMismatch, "Tipos incompatíveis");
}

[[noreturn]] void invalidUseOfNull() {
    throw Error(ErrorNumber::InvalidUseOfNull, "Uso inválido de Null");
}

double parseNumber(const String& text) {
    const std::string utf8 = toUtf8(trimSpaces(text));
    double d = 0;
    const auto result = std::from_chars(utf8.data(), utf8.data() + utf8.size(), d);
    if (utf8.empty() || result.ec != std::errc{} || result.ptr != utf8.data() + utf8.size())
        typeMismatch();
    return d;
}

// The host rounds half to even; a value beyond [low, high] overflows.
double inRange(double d, double low, double high) {
    const double rounded = std::nearbyint(d);
    if (!(rounded >= low && rounded <= high))
        throw Error(ErrorNumber::Overflow, "Estouro");
    return rounded;
}

template <class T>
T inRange(double d) {
    return static_cast<T>(inRange(d, std::numeric_limits<T>::min(), std::numeric_limits<T>::max()));
}

} // namespace

String Variant::toText() const {
    return std::visit(
        [](const auto& v) -> String {
            using V = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<V, std::monostate>)
                return {};
            else if constexpr (std::is_same_v<V, Null>)
                invalidUseOfNull();
            else if constexpr (std::is_same_v<V, bool>)
                return v ? u"True" : u"False";
            else if constexpr (std::is_same_v<V, std::int64_t>)
                return fromUtf8(std::to_string(v));
            else if constexpr (std::is_same_v<V, double>)
                return fromUtf8(shortestNumber(v));
            else if constexpr (std::is_same_v<V, String>)
                return v;
            else
                return v ? v->Name() : String{};
        },
        value_);
}

double Variant::toDouble() const {
    return std::visit(
        [](const auto& v) -> double {
            using V = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<V, std::monostate>)
                return 0;
            else if constexpr (std::is_same_v<V, Null>)
                invalidUseOfNull();
            else if constexpr (std::is_same_v<V, bool>)
                return v ? -1 : 0;
            else if constexpr (std::is_same_v<V, std::int64_t> || std::is_same_v<V, double>)
                return static_cast<double>(v);
            else if constexpr (std::is_same_v<V, String>)
                return parseNumber(v);
            else
                typeMismatch();
        },
        value_);
}

bool Variant::toBoolean() const {
    if (const auto* s = std::get_if<String>(&value_)) {
        if (lowerCase(*s) == u"true")
            return true;
        if (lowerCase(*s) == u"false")
            return false;
    }
    return toDouble() != 0;
}

Integer Variant::toInteger() const {
    return inRange<Integer>(toDouble());
}

Long Variant::toLong() const {
    return inRange<Long>(toDouble());
}

Colour Variant::toColour() const {
    const double colour =
        inRange(toDouble(), std::numeric_limits<Long>::min(), std::numeric_limits<Colour>::max());
    return static_cast<Colour>(static_cast<std::int64_t>(colour));
}

FontRef Variant::toFont() const {
    if (const auto* f = std::get_if<FontRef>(&value_))
        return *f;
    typeMismatch();
}

} // namespace veltra
