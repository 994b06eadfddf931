#include "veltra/Methods.h"

#include "veltra/MethodList.h"
#include "veltra/Veltra.h"

#include <array>
#include <type_traits>

namespace veltra {

namespace {

template <class R>
constexpr MethodResult resultOf() {
    if constexpr (std::is_void_v<R>)
        return MethodResult::None;
    else if constexpr (std::is_same_v<R, bool>)
        return MethodResult::Boolean;
    else if constexpr (std::is_same_v<R, String>)
        return MethodResult::Text;
    else
        return MethodResult::Variant;
}

template <class R>
constexpr MethodResult resultOf(R (Veltra::*)()) {
    return resultOf<R>();
}
template <class R>
constexpr MethodResult resultOf(R (Veltra::*)(const Variant&)) {
    return resultOf<R>();
}

template <class R, class Call>
std::optional<Variant> resultOfCall(Call&& call) {
    if constexpr (std::is_void_v<R>) {
        call();
        return std::nullopt;
    } else {
        return Variant(call());
    }
}

template <class R>
std::optional<Variant> invoke(R (Veltra::*method)(), Veltra& control, const Variant&) {
    return resultOfCall<R>([&] { return (control.*method)(); });
}
template <class R>
std::optional<Variant> invoke(R (Veltra::*method)(const Variant&), Veltra& control,
                              const Variant& argument) {
    return resultOfCall<R>([&] { return (control.*method)(argument); });
}

template <class R>
constexpr std::string_view parameterOf(R (Veltra::*)()) {
    return {};
}
template <class R>
constexpr std::string_view parameterOf(R (Veltra::*)(const Variant&)) {
    return "Texto";
}

} // namespace

std::span<const MethodInfo> methods() {
#define VELTRA_METHOD_ENTRY(Name, Id, Description)                                                 \
    MethodInfo{#Name,                                                                              \
               Id,                                                                                 \
               parameterOf(&Veltra::Name),                                                         \
               resultOf(&Veltra::Name),                                                            \
               Description,                                                                        \
               [](Veltra& control, const Variant& argument) {                                      \
                   return invoke(&Veltra::Name, control, argument);                                \
               }},
    static const auto table = std::to_array<MethodInfo>({VELTRA_METHODS(VELTRA_METHOD_ENTRY)});
#undef VELTRA_METHOD_ENTRY
    return table;
}

const MethodInfo* findMethod(std::string_view name) {
    for (const auto& method : methods())
        if (method.name == name)
            return &method;
    return nullptr;
}

} // namespace veltra
