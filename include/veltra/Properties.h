// The control's property table: every property described once (veltra/PropertyList.h),
// read by the saved form, veltra-play's let and get, and the Qt widget's dynamic access.
#pragma once

#include "veltra/Types.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <type_traits>

namespace veltra {

class Veltra;

enum class PropertyType { Boolean, Integer, Colour, Text, Font };

template <class T>
inline constexpr PropertyType propertyTypeOf = std::is_same_v<T, bool>      ? PropertyType::Boolean
                                               : std::is_same_v<T, Integer> ? PropertyType::Integer
                                               : std::is_same_v<T, Colour>  ? PropertyType::Colour
                                               : std::is_same_v<T, String>  ? PropertyType::Text
                                                                            : PropertyType::Font;

// How a Let takes its value: texts by reference, the rest by value.
template <class T>
using PropertyArgument = std::conditional_t<std::is_same_v<T, String>, const String&, T>;

// A value of a property's type from a variant, as the host converts it; throws Error when
// it cannot convert. A colour may come as a signed or an unsigned 32-bit number.
template <class T>
T fromVariant(const Variant& value);
template <>
bool fromVariant<bool>(const Variant& value);
template <>
Integer fromVariant<Integer>(const Variant& value);
template <>
Colour fromVariant<Colour>(const Variant& value);
template <>
String fromVariant<String>(const Variant& value);
template <>
FontRef fromVariant<FontRef>(const Variant& value);

struct PropertyInfo {
    // The name the host and the property browser use; a value saved without a property
    // (it has no get and no let) goes by its member's name.
    std::string_view name;
    std::int32_t memberId;
    PropertyType type;
    // The key the Let notifies the host with.
    std::u16string_view changeKey;
    // The key in the saved form, its place in the restore order and the value it has when
    // the form lacks it; an empty key for a property that is not saved. A font's default is
    // the host's ambient font (defaultValue is empty).
    std::u16string_view bagKey;
    int restoreStep;
    Variant defaultValue;
    // UTF-8, as registered for a property browser (empty where there is none).
    std::string_view description;
    // The property's Get and Let, as the host calls them.
    Variant (*get)(const Veltra&);
    void (*let)(Veltra&, const Variant&);
    // What the saved form keeps, and the restore of it: straight into the member or the
    // child control, without the Let's checks and notifications.
    Variant (*save)(const Veltra&);
    void (*restore)(Veltra&, const Variant&);
};

// In the order of the control's interface (a saved value without a property where the
// saved form has it).
std::span<const PropertyInfo> properties();
// The property of that name, or nullptr (also for a value saved without a property).
const PropertyInfo* findProperty(std::string_view name);

} // namespace veltra
