// The control's method table: every method described once (veltra/MethodList.h), read by
// veltra-play's calls and the component server's interface.
#pragma once

#include "veltra/Types.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace veltra {

class Veltra;

enum class MethodResult { None, Boolean, Text, Variant };

struct MethodInfo {
    std::string_view name; // UTF-8
    std::int32_t memberId;
    // The one parameter's name (Texto), or empty for a method without one.
    std::string_view parameter;
    MethodResult result;
    std::string_view description; // UTF-8, as registered for a property browser
    // Calls the method with the argument (ignored by a method without a parameter); its
    // result, or nothing for a method without one.
    std::optional<Variant> (*call)(Veltra&, const Variant& argument);
};

// In member-id order.
std::span<const MethodInfo> methods();
// The method of that name, or nullptr.
const MethodInfo* findMethod(std::string_view name);

} // namespace veltra
