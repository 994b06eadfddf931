#include "ComTypes.h"

#include "ComObject.h"
#include "veltra/Error.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <olectl.h>
#include <variant>
#include <wrl/client.h>

namespace veltra::com {

using Microsoft::WRL::ComPtr;

String fromBstr(BSTR text) {
    return text ? String(text, text + SysStringLen(text)) : String();
}

BSTR toBstr(const String& text) {
    const std::wstring wide(text.begin(), text.end());
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

namespace {

// A font object of the system's and a font of the control's, kept in step both ways. The
// twin hears the system's object through its property-changed notifications and the
// control's font through its listener; it lives while the control's font does.
class FontTwin final : public win32::ComObject<IPropertyNotifySink> {
  public:
    FontTwin(const FontRef& font, ComPtr<IFont> system) : font_(font), system_(std::move(system)) {
        listener_ = font->subscribe([this] { toSystem(); });
        ComPtr<IConnectionPointContainer> points;
        if (SUCCEEDED(system_.As(&points)) &&
            SUCCEEDED(points->FindConnectionPoint(__uuidof(IPropertyNotifySink), &point_)))
            point_->Advise(static_cast<IPropertyNotifySink*>(this), &cookie_);
    }
    // Lets go of the system's object: the notifications stop and the cycle through them ends.
    void retire() {
        if (point_)
            point_->Unadvise(cookie_);
        point_.Reset();
        if (const auto font = font_.lock())
            font->unsubscribe(listener_);
    }

    IFont* system() const { return system_.Get(); }
    FontRef font() const { return font_.lock(); }
    bool alive() const { return !font_.expired(); }

    HRESULT STDMETHODCALLTYPE OnChanged(DISPID) override {
        fromSystem();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnRequestEdit(DISPID) override { return S_OK; }

    // The control's font takes the system object's attributes.
    void fromSystem() {
        const auto font = font_.lock();
        if (!font || syncing_)
            return;
        syncing_ = true;
        BSTR name = nullptr;
        system_->get_Name(&name);
        CY size{};
        system_->get_Size(&size);
        BOOL bold = FALSE, italic = FALSE, underline = FALSE, strike = FALSE;
        system_->get_Bold(&bold);
        system_->get_Italic(&italic);
        system_->get_Underline(&underline);
        system_->get_Strikethrough(&strike);
        SHORT charset = 0;
        system_->get_Charset(&charset);
        font->Name(fromBstr(name));
        font->Size(static_cast<float>(static_cast<double>(size.int64) / 10000.0));
        font->Bold(bold);
        font->Italic(italic);
        font->Underline(underline);
        font->Strikethrough(strike);
        font->Charset(charset);
        SysFreeString(name);
        syncing_ = false;
    }

    // The system's object takes the control's font's attributes.
    void toSystem() {
        const auto font = font_.lock();
        if (!font || syncing_)
            return;
        syncing_ = true;
        const BSTR name = toBstr(font->Name());
        system_->put_Name(name);
        SysFreeString(name);
        CY size{};
        size.int64 = std::llround(static_cast<double>(font->Size()) * 10000.0);
        system_->put_Size(size);
        system_->put_Bold(font->Bold());
        system_->put_Italic(font->Italic());
        system_->put_Underline(font->Underline());
        system_->put_Strikethrough(font->Strikethrough());
        system_->put_Charset(font->Charset());
        syncing_ = false;
    }

  private:
    std::weak_ptr<Font> font_;
    ComPtr<IFont> system_;
    ComPtr<IConnectionPoint> point_;
    DWORD cookie_ = 0;
    int listener_ = 0;
    bool syncing_ = false;
};

// The twins alive, by the control's font; those whose font is gone are retired as new ones
// come.
std::map<const Font*, FontTwin*>& twins() {
    static std::map<const Font*, FontTwin*> all;
    return all;
}

void retireTheOrphans() {
    auto& all = twins();
    for (auto twin = all.begin(); twin != all.end();) {
        if (twin->second->alive()) {
            ++twin;
            continue;
        }
        twin->second->retire();
        twin->second->Release();
        twin = all.erase(twin);
    }
}

FontTwin& twinOf(const FontRef& font, ComPtr<IFont> system) {
    retireTheOrphans();
    auto*& twin = twins()[font.get()];
    if (!twin)
        twin = new FontTwin(font, std::move(system));
    return *twin;
}

ComPtr<IFont> newSystemFont() {
    FONTDESC description{sizeof(FONTDESC),
                         const_cast<LPOLESTR>(L"Tahoma"),
                         {},
                         FW_NORMAL,
                         DEFAULT_CHARSET,
                         FALSE,
                         FALSE,
                         FALSE};
    description.cySize.int64 = 82500;
    ComPtr<IFont> font;
    OleCreateFontIndirect(&description, __uuidof(IFont),
                          reinterpret_cast<void**>(font.GetAddressOf()));
    return font;
}

} // namespace

IFontDisp* toFontDisp(const FontRef& font) {
    if (!font)
        return nullptr;
    auto found = twins().find(font.get());
    FontTwin* twin = found != twins().end() ? found->second : nullptr;
    if (!twin) {
        twin = &twinOf(font, newSystemFont());
        twin->toSystem();
    }
    IFontDisp* result = nullptr;
    twin->system()->QueryInterface(__uuidof(IFontDisp), reinterpret_cast<void**>(&result));
    return result;
}

FontRef fromFontDisp(IFontDisp* given) {
    if (!given)
        return nullptr;
    ComPtr<IFont> system;
    if (FAILED(given->QueryInterface(__uuidof(IFont),
                                     reinterpret_cast<void**>(system.GetAddressOf()))))
        throwInvalidPropertyValue();
    for (const auto& [font, twin] : twins())
        if (twin->system() == system.Get() && twin->alive())
            return twin->font();
    const FontRef font = Font::make(u"", 8.25f);
    twinOf(font, system).fromSystem();
    return font;
}

FontRef copyOfFontDisp(IFontDisp* given) {
    const FontRef twin = fromFontDisp(given);
    return twin ? twin->clone() : nullptr;
}

Variant fromVariant(const VARIANT& given) {
    // A value passed by reference is read where it points.
    VARIANT value;
    VariantInit(&value);
    VariantCopyInd(&value, const_cast<VARIANT*>(&given));
    const struct Cleared {
        VARIANT& value;
        ~Cleared() { VariantClear(&value); }
    } cleared{value};
    switch (V_VT(&value)) {
    case VT_EMPTY:
        return Variant();
    case VT_NULL:
        return Variant(Null{});
    case VT_BOOL:
        return Variant(V_BOOL(&value) != VARIANT_FALSE);
    case VT_I2:
        return Variant(static_cast<Integer>(V_I2(&value)));
    case VT_BSTR:
        return Variant(fromBstr(V_BSTR(&value)));
    case VT_DISPATCH:
    case VT_UNKNOWN: {
        ComPtr<IFontDisp> font;
        if (V_UNKNOWN(&value) &&
            SUCCEEDED(V_UNKNOWN(&value)->QueryInterface(
                __uuidof(IFontDisp), reinterpret_cast<void**>(font.GetAddressOf()))))
            return Variant(fromFontDisp(font.Get()));
        break;
    }
    default:
        break;
    }
    VARIANT number;
    VariantInit(&number);
    if (FAILED(VariantChangeType(&number, &value, 0, VT_R8)))
        throw Error(ErrorNumber::TypeMismatch, "Tipos incompatíveis");
    const double result = V_R8(&number);
    // Whole numbers stay whole (a Long colour, an Integer length).
    if (std::nearbyint(result) == result && std::abs(result) <= 2147483647.0)
        return Variant(static_cast<Long>(result));
    return Variant(result);
}

VARIANT toVariant(const Variant& value) {
    VARIANT result;
    VariantInit(&result);
    std::visit(
        [&](const auto& v) {
            using V = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<V, Null>) {
                V_VT(&result) = VT_NULL;
            } else if constexpr (std::is_same_v<V, bool>) {
                V_VT(&result) = VT_BOOL;
                V_BOOL(&result) = v ? VARIANT_TRUE : VARIANT_FALSE;
            } else if constexpr (std::is_same_v<V, std::int64_t>) {
                // The smallest of Integer and Long that holds it; a colour above the Long
                // range as the Long of its bits.
                if (v >= -32768 && v <= 32767) {
                    V_VT(&result) = VT_I2;
                    V_I2(&result) = static_cast<SHORT>(v);
                } else if (v >= -2147483648LL && v <= 4294967295LL) {
                    V_VT(&result) = VT_I4;
                    V_I4(&result) = static_cast<LONG>(static_cast<std::uint32_t>(v));
                } else {
                    V_VT(&result) = VT_R8;
                    V_R8(&result) = static_cast<double>(v);
                }
            } else if constexpr (std::is_same_v<V, double>) {
                V_VT(&result) = VT_R8;
                V_R8(&result) = v;
            } else if constexpr (std::is_same_v<V, String>) {
                V_VT(&result) = VT_BSTR;
                V_BSTR(&result) = toBstr(v);
            } else if constexpr (std::is_same_v<V, FontRef>) {
                V_VT(&result) = VT_DISPATCH;
                V_DISPATCH(&result) = toFontDisp(v);
            }
        },
        value.value());
    return result;
}

} // namespace veltra::com
