// The control's configuration in the host's property bag (each key under its own name, in
// the saved form's order) or in a stream (the same keys, as a form file's section).
#include "ComControl.h"
#include "veltra/FormFile.h"

#include <string>

namespace veltra::com {

namespace {

constexpr char kSection[] = "Veltra";

// The host's bag as the control reads and writes it; a key the bag cannot give reads as its
// default.
class HostBag final : public PropertyBag {
  public:
    HostBag(IPropertyBag& bag, IErrorLog* log) : bag_(bag), log_(log) {}

    Variant ReadProperty(const String& key, const Variant& defaultValue) override {
        const std::wstring name(key.begin(), key.end());
        VARIANT value;
        VariantInit(&value);
        if (FAILED(bag_.Read(name.c_str(), &value, log_)))
            return defaultValue;
        Variant read = defaultValue;
        try {
            read = fromVariant(value);
        } catch (const Error&) {
        }
        VariantClear(&value);
        return read;
    }
    void WriteProperty(const String& key, const Variant& value, const Variant&) override {
        const std::wstring name(key.begin(), key.end());
        VARIANT written = toVariant(value);
        bag_.Write(name.c_str(), &written);
        VariantClear(&written);
    }

  private:
    IPropertyBag& bag_;
    IErrorLog* log_;
};

// The stream holds the section's text (UTF-8) after its length in bytes.
std::string savedText(Veltra& control) {
    FormFile form;
    control.WriteProperties(form.section(kSection));
    return form.text();
}

} // namespace

HRESULT ComControl::GetClassID(CLSID* id) {
    *id = CLSID_Veltra;
    return S_OK;
}

HRESULT ComControl::InitNew() {
    return guarded([&] {
        create(nullptr);
        dirty_ = false;
    });
}

HRESULT ComControl::Load(IPropertyBag* bag, IErrorLog* log) {
    if (!bag)
        return E_POINTER;
    return guarded([&] {
        HostBag saved(*bag, log);
        create(&saved);
        dirty_ = false;
    });
}

HRESULT ComControl::Save(IPropertyBag* bag, BOOL clearDirty, BOOL) {
    if (!bag)
        return E_POINTER;
    return guarded([&] {
        HostBag saved(*bag, nullptr);
        control().WriteProperties(saved);
        if (clearDirty)
            dirty_ = false;
    });
}

HRESULT ComControl::IsDirty() {
    return dirty_ ? S_OK : S_FALSE;
}

HRESULT ComControl::Load(LPSTREAM stream) {
    if (!stream)
        return E_POINTER;
    std::uint32_t length = 0;
    ULONG read = 0;
    if (FAILED(stream->Read(&length, sizeof length, &read)) || read != sizeof length)
        return STG_E_READFAULT;
    std::string text(length, '\0');
    if (FAILED(stream->Read(text.data(), length, &read)) || read != length)
        return STG_E_READFAULT;
    return guarded([&] {
        std::vector<FormFileProblem> problems; // a line that cannot be read keeps its default
        FormFile form = FormFile::parse(text, problems);
        create(&form.section(kSection));
        dirty_ = false;
    });
}

HRESULT ComControl::Save(LPSTREAM stream, BOOL clearDirty) {
    if (!stream)
        return E_POINTER;
    std::string text;
    const HRESULT made = guarded([&] { text = savedText(control()); });
    if (FAILED(made))
        return made;
    const auto length = static_cast<std::uint32_t>(text.size());
    if (FAILED(stream->Write(&length, sizeof length, nullptr)) ||
        FAILED(stream->Write(text.data(), length, nullptr)))
        return STG_E_WRITEFAULT;
    if (clearDirty)
        dirty_ = false;
    return S_OK;
}

HRESULT ComControl::GetSizeMax(ULARGE_INTEGER* size) {
    std::string text;
    const HRESULT made = guarded([&] { text = savedText(control()); });
    size->QuadPart = sizeof(std::uint32_t) + text.size();
    return made;
}

} // namespace veltra::com
