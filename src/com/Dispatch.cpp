// The dual interface _Veltra: its functions call the control's properties and methods, and
// its dispatch part binds by member id through the type library, by name through the
// control's own lists (which spell every name as the control does, "DadosAvançar" too).
#include "ComControl.h"
#include "veltra/MethodList.h"
#include "veltra/Methods.h"
#include "veltra/Properties.h"
#include "veltra/Text.h"

#include <cwctype>

namespace veltra::com {

namespace {

ComPtr<ITypeInfo> interfaceInfo() {
    static const ComPtr<ITypeInfo> info = [] {
        ComPtr<ITypeInfo> found;
        typeLibrary()->GetTypeInfoOfGuid(IID__Veltra, &found);
        return found;
    }();
    return info;
}

bool sameName(std::u16string_view ours, const wchar_t* asked) {
    std::size_t i = 0;
    for (; i < ours.size() && asked[i]; ++i)
        if (std::towlower(ours[i]) != std::towlower(asked[i]))
            return false;
    return i == ours.size() && !asked[i];
}

// The member id of a property, method or the public member under that name (any case).
std::optional<DISPID> memberNamed(const wchar_t* name) {
    for (const auto& property : properties())
        if (property.memberId != 0 && sameName(fromUtf8(property.name), name))
            return property.memberId;
    for (const auto& method : methods())
        if (sameName(fromUtf8(method.name), name))
            return method.memberId;
#define VELTRA_COM_MEMBER_ID(Name, Type, Id)                                                       \
    if (sameName(u## #Name, name))                                                                 \
        return Id;
    VELTRA_MEMBERS(VELTRA_COM_MEMBER_ID)
#undef VELTRA_COM_MEMBER_ID
    return std::nullopt;
}

} // namespace

HRESULT ComControl::GetTypeInfoCount(UINT* count) {
    *count = 1;
    return S_OK;
}

HRESULT ComControl::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
    if (index != 0)
        return DISP_E_BADINDEX;
    *info = interfaceInfo().Get();
    (*info)->AddRef();
    return S_OK;
}

HRESULT ComControl::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (count == 1)
        if (const auto id = memberNamed(names[0])) {
            ids[0] = *id;
            return S_OK;
        }
    return DispGetIDsOfNames(interfaceInfo().Get(), names, count, ids);
}

HRESULT ComControl::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* parameters,
                           VARIANT* result, EXCEPINFO* exception, UINT* argumentError) {
    return DispInvoke(static_cast<_Veltra*>(this), interfaceInfo().Get(), id, flags, parameters,
                      result, exception, argumentError);
}

#define VELTRA_COM_DEFINE_PROPERTY(Name, Type, Id, Holder, ...)                                    \
    VELTRA_IF_ACCESSORS_##Holder(                                                                  \
        HRESULT ComControl::get_##Name(ComType<Type>* value) {                                     \
            if (!value)                                                                            \
                return E_POINTER;                                                                  \
            return guarded([&] { *value = toCom<Type>(control().Name()); });                       \
        } HRESULT ComControl::VELTRA_COM_PUT_##Type(Name)(ComType<Type> value) {                   \
            return guarded([&] { control().Name(fromCom<Type>(value)); });                         \
        })
VELTRA_PROPERTIES(VELTRA_COM_DEFINE_PROPERTY)
#undef VELTRA_COM_DEFINE_PROPERTY

HRESULT ComControl::get_SuperPesquisa(VARIANT_BOOL* value) {
    return guarded([&] { *value = toCom<bool>(control().SuperPesquisa); });
}

HRESULT ComControl::put_SuperPesquisa(VARIANT_BOOL value) {
    return guarded([&] { control().SuperPesquisa = fromCom<bool>(value); });
}

HRESULT ComControl::ConverterLetraCapital(VARIANT Texto, BSTR* result) {
    return guarded([&] { *result = toBstr(control().ConverterLetraCapital(fromVariant(Texto))); });
}

HRESULT ComControl::EstarComFoco(VARIANT_BOOL* result) {
    return guarded([&] { *result = toCom<bool>(control().EstarComFoco()); });
}

HRESULT ComControl::DarTAB(VARIANT* result) {
    return guarded([&] { *result = toVariant(control().DarTAB()); });
}

#define VELTRA_COM_DEFINE_METHOD(ComName, Name)                                                    \
    HRESULT ComControl::ComName() {                                                                \
        return guarded([&] { control().Name(); });                                                 \
    }
VELTRA_COM_DEFINE_METHOD(AbrirJanela, AbrirJanela)
VELTRA_COM_DEFINE_METHOD(OrdemNumerica, OrdemNumerica)
VELTRA_COM_DEFINE_METHOD(Mostrar, Mostrar)
VELTRA_COM_DEFINE_METHOD(DadosAvancar, DadosAvançar)
VELTRA_COM_DEFINE_METHOD(DadosRecuar, DadosRecuar)
VELTRA_COM_DEFINE_METHOD(DadosIrAoPrimeiro, DadosIrAoPrimeiro)
VELTRA_COM_DEFINE_METHOD(DadosIrAoUltimo, DadosIrAoUltimo)
VELTRA_COM_DEFINE_METHOD(MostrarTodos, MostrarTodos)
VELTRA_COM_DEFINE_METHOD(Refresh, Refresh)
#undef VELTRA_COM_DEFINE_METHOD

} // namespace veltra::com
