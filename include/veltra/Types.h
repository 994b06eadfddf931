// The value types that the control shares with its host and child controls.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <variant>

namespace veltra {

// Texts are strings of 16-bit characters; lengths and caret positions count them.
using String = std::u16string;
// The host's 16-bit integer, 32-bit integer and single-precision number.
using Integer = std::int16_t;
using Long = std::int32_t;
using Single = float;
// A host colour: red in the low byte, or a system colour with the high bit set.
using Colour = std::uint32_t;

// The back colour that marks the focused combo box (red 255, green 255, blue 192).
inline constexpr Colour CorDeFoco = 12648447;
// System colours: window background and window text.
inline constexpr Colour CorDeFundoDaJanela = 0x80000005;
inline constexpr Colour CorDoTextoDaJanela = 0x80000008;

class Font;
using FontRef = std::shared_ptr<Font>;

// The SQL null of a field value or of a host argument.
struct Null {
    friend bool operator==(Null, Null) = default;
};

// A value of no fixed type: a field of a record, a saved property, a method argument.
class Variant {
  public:
    using Value = std::variant<std::monostate, Null, bool, std::int64_t, double, String, FontRef>;

    Variant() = default;
    Variant(Null) : value_(Null{}) {}
    Variant(bool b) : value_(b) {}
    template <class I>
    requires(std::is_integral_v<I> && !std::is_same_v<I, bool>) Variant(I i)
        : value_(static_cast<std::int64_t>(i)) {}
    Variant(double d) : value_(d) {}
    Variant(float f) : value_(static_cast<double>(f)) {}
    Variant(String s) : value_(std::move(s)) {}
    Variant(const char16_t* s) : value_(String(s)) {}
    Variant(FontRef f) : value_(std::move(f)) {}

    bool isEmpty() const { return std::holds_alternative<std::monostate>(value_); }
    bool isNull() const { return std::holds_alternative<Null>(value_); }
    const Value& value() const { return value_; }

    // Conversions as the host performs them; each throws Error when it cannot convert
    // (a null to text is error 94, a number out of range error 6, a mismatch error 13).
    String toText() const;
    bool toBoolean() const;
    Integer toInteger() const;
    Long toLong() const;
    // A colour: a Long (the system colours are negative) or its unsigned 32-bit value.
    Colour toColour() const;
    double toDouble() const;
    FontRef toFont() const;

    friend bool operator==(const Variant&, const Variant&) = default;

  private:
    Value value_;
};

} // namespace veltra
