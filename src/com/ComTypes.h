// This file is not part of the API. The control's types as automation takes them, and back:
// Booleans as VARIANT_BOOL, 16-bit integers as short, colours as OLE_COLOR, texts as BSTR,
// fonts as font objects, any value as a VARIANT.
#pragma once

#include "veltra/Font.h"
#include "veltra/Types.h"

#include <oaidl.h>
#include <ocidl.h>
#include <olectl.h>
#include <type_traits>

namespace veltra::com {

template <class T>
using ComType = std::conditional_t<
    std::is_same_v<T, bool>, VARIANT_BOOL,
    std::conditional_t<
        std::is_same_v<T, Integer>, short,
        std::conditional_t<std::is_same_v<T, Colour>, OLE_COLOR,
                           std::conditional_t<std::is_same_v<T, String>, BSTR, IFontDisp*>>>>;

// A property's put is named for its type: a font is set by reference.
#define VELTRA_COM_PUT_bool(Name) put_##Name
#define VELTRA_COM_PUT_Integer(Name) put_##Name
#define VELTRA_COM_PUT_Colour(Name) put_##Name
#define VELTRA_COM_PUT_String(Name) put_##Name
#define VELTRA_COM_PUT_FontRef(Name) putref_##Name

String fromBstr(BSTR text);
BSTR toBstr(const String& text);

// A font object of the system's that stays in step with the control's font both ways, as
// long as either is held: the host's changes through it reach the box, and the box's (the
// size that FontAuto picks) reach it.
IFontDisp* toFontDisp(const FontRef& font);
// The control's font for a font object: the object's own twin when it came from
// toFontDisp, else a font that follows the object.
FontRef fromFontDisp(IFontDisp* font);
// A new font of the control's with the object's attributes, not linked to it (the
// container's ambient font).
FontRef copyOfFontDisp(IFontDisp* font);

template <class T>
ComType<T> toCom(const T& value) {
    if constexpr (std::is_same_v<T, bool>)
        return value ? VARIANT_TRUE : VARIANT_FALSE;
    else if constexpr (std::is_same_v<T, String>)
        return toBstr(value);
    else if constexpr (std::is_same_v<T, FontRef>)
        return toFontDisp(value);
    else
        return static_cast<ComType<T>>(value);
}

template <class T>
T fromCom(ComType<T> value) {
    if constexpr (std::is_same_v<T, bool>)
        return value != VARIANT_FALSE;
    else if constexpr (std::is_same_v<T, String>)
        return fromBstr(value);
    else if constexpr (std::is_same_v<T, FontRef>)
        return fromFontDisp(value);
    else
        return static_cast<T>(value);
}

// Values of the saved form and of method arguments and results. Throws Error (13) for a
// VARIANT of a type the control has no value for.
Variant fromVariant(const VARIANT& value);
// The VARIANT for a value (texts as BSTR, fonts as font objects); the caller clears it.
VARIANT toVariant(const Variant& value);

} // namespace veltra::com
