// The property table, made from the one list of properties: the option switches' own Get
// and Let, and for every property its description, accessors and saved form.
#include "veltra/Properties.h"

#include "veltra/Veltra.h"

#include <array>

namespace veltra {

template <>
bool fromVariant<bool>(const Variant& value) {
    return value.toBoolean();
}
template <>
Integer fromVariant<Integer>(const Variant& value) {
    return value.toInteger();
}
template <>
Colour fromVariant<Colour>(const Variant& value) {
    return value.toColour();
}
template <>
String fromVariant<String>(const Variant& value) {
    return value.toText();
}
template <>
FontRef fromVariant<FontRef>(const Variant& value) {
    return value.toFont();
}

namespace {

// What the saved form keeps of a value: a colour as the signed number the host's bag holds.
template <class T>
Variant savedValue(const T& value) {
    if constexpr (std::is_same_v<T, Colour>)
        return static_cast<Long>(value);
    else
        return value;
}

} // namespace

// An option switch only stores its value and tells the host, even when the value is the
// one it already had.
// clang-format off
#define VELTRA_OPTION_GET_LET(Name, Type, ChangeKey)                                              \
    Type Veltra::Name() const {                                                                   \
        return Name##_;                                                                           \
    }                                                                                             \
    void Veltra::Name(PropertyArgument<Type> New_##Name) {                                        \
        Name##_ = New_##Name;                                                                     \
        notify(ChangeKey);                                                                        \
    }
#define VELTRA_DEFINE_OPTION(Name, Type, Id, Holder, ChangeKey, ...)                              \
    VELTRA_IF_GENERATED_##Holder(VELTRA_OPTION_GET_LET(Name, Type, ChangeKey))
// clang-format on
VELTRA_PROPERTIES(VELTRA_DEFINE_OPTION)
#undef VELTRA_DEFINE_OPTION
#undef VELTRA_OPTION_GET_LET

// The accessors each holder gives the table; a value saved without a property has none.
#define VELTRA_GET(Name, Type) [](const Veltra& control) { return Variant(control.Name()); }
#define VELTRA_LET(Name, Type)                                                                     \
    [](Veltra& control, const Variant& value) { control.Name(fromVariant<Type>(value)); }
#define VELTRA_SAVE_MEMBER(Name, Type)                                                             \
    [](const Veltra& control) { return Variant(control.Name##_); }
#define VELTRA_RESTORE_MEMBER(Name, Type)                                                          \
    [](Veltra& control, const Variant& value) { control.Name##_ = fromVariant<Type>(value); }
// A child's value as the saved form keeps it, and restored straight into the child.
#define VELTRA_SAVE_CHILD(Type, Child, Getter, Setter)                                             \
    [](const Veltra& control) { return savedValue<Type>(control.Child.Getter()); }
#define VELTRA_RESTORE_CHILD(Type, Child, Getter, Setter)                                          \
    [](Veltra& control, const Variant& value) { control.Child.Setter(fromVariant<Type>(value)); }
#define VELTRA_UNPARENTHESIZED(...) __VA_ARGS__
#define VELTRA_APPLY(Macro, ...) Macro(__VA_ARGS__)

#define VELTRA_ACCESSORS_Stored(Name, Type, Saved)                                                 \
    VELTRA_GET(Name, Type), VELTRA_LET(Name, Type), VELTRA_SAVE_MEMBER(Name, Type),                \
        VELTRA_RESTORE_MEMBER(Name, Type)
#define VELTRA_ACCESSORS_Member(Name, Type, Saved) VELTRA_ACCESSORS_Stored(Name, Type, Saved)
#define VELTRA_ACCESSORS_Child(Name, Type, Saved)                                                  \
    VELTRA_GET(Name, Type), VELTRA_LET(Name, Type),                                                \
        VELTRA_APPLY(VELTRA_SAVE_CHILD, Type, VELTRA_UNPARENTHESIZED Saved),                       \
        VELTRA_APPLY(VELTRA_RESTORE_CHILD, Type, VELTRA_UNPARENTHESIZED Saved)
#define VELTRA_ACCESSORS_Transient(Name, Type, Saved)                                              \
    VELTRA_GET(Name, Type), VELTRA_LET(Name, Type), nullptr, nullptr
#define VELTRA_ACCESSORS_Bag(Name, Type, Saved)                                                    \
    nullptr, nullptr, VELTRA_SAVE_MEMBER(Name, Type), VELTRA_RESTORE_MEMBER(Name, Type)

#define VELTRA_ENTRY(Name, Type, Id, Holder, ChangeKey, BagKey, Step, Default, Description, Saved) \
    PropertyInfo{#Name,                                                                            \
                 static_cast<std::int32_t>(Id),                                                    \
                 propertyTypeOf<Type>,                                                             \
                 ChangeKey,                                                                        \
                 BagKey,                                                                           \
                 Step,                                                                             \
                 Variant(Default),                                                                 \
                 Description,                                                                      \
                 VELTRA_ACCESSORS_##Holder(Name, Type, Saved)},

std::span<const PropertyInfo> properties() {
    static const std::array table{VELTRA_PROPERTIES(VELTRA_ENTRY)};
    return table;
}

#undef VELTRA_ENTRY
#undef VELTRA_ACCESSORS_Bag
#undef VELTRA_ACCESSORS_Transient
#undef VELTRA_ACCESSORS_Child
#undef VELTRA_ACCESSORS_Member
#undef VELTRA_ACCESSORS_Stored
#undef VELTRA_APPLY
#undef VELTRA_UNPARENTHESIZED
#undef VELTRA_RESTORE_CHILD
#undef VELTRA_SAVE_CHILD
#undef VELTRA_RESTORE_MEMBER
#undef VELTRA_SAVE_MEMBER
#undef VELTRA_LET
#undef VELTRA_GET

const PropertyInfo* findProperty(std::string_view name) {
    for (const auto& property : properties())
        if (property.name == name && property.get)
            return &property;
    return nullptr;
}

} // namespace veltra
