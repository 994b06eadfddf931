// veltra-idl: writes the component server's interface definition from the control's
// property, method and event lists, so that the type library cannot drift from them: the
// dual dispatch interface _Veltra with every member id, the event interface __Veltra with
// its event numbers and by-reference arguments, and the class Veltra. Built and run on the
// build machine; texts are written in Windows-1252, as type libraries hold them.
//
//   veltra-idl > veltra.idl
//   veltra-idl --names veltra.tlb      puts the names that are not ASCII into the library
//
// The interface definition language takes ASCII names only, so "DadosAvançar" is defined
// as "DadosAvancar"; the type library then gets its own name back, byte for byte of the same
// length in Windows-1252. The name's hash stays right: type libraries hash a name with its
// accents folded ("ç" as "c").
#include "veltra/EventList.h"
#include "veltra/MethodList.h"
#include "veltra/PropertyList.h"
#include "veltra/Veltra.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <type_traits>

namespace {

using namespace veltra;

// The one definition of the server's identities.
constexpr const char* kLibraryId = "8d4c52f3-6a1e-4c7b-9a55-3e0f5b7c1a01";
constexpr const char* kInterfaceId = "8d4c52f3-6a1e-4c7b-9a55-3e0f5b7c1a02";
constexpr const char* kEventsId = "8d4c52f3-6a1e-4c7b-9a55-3e0f5b7c1a03";
constexpr const char* kClassId = "8d4c52f3-6a1e-4c7b-9a55-3e0f5b7c1a04";

// UTF-8 to Windows-1252 (the texts here are Latin-1 letters).
std::string windows1252(std::string_view utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte < 0x80 || i + 1 >= utf8.size()) {
            out += static_cast<char>(byte);
            continue;
        }
        const auto next = static_cast<unsigned char>(utf8[++i]);
        out += static_cast<char>(((byte & 0x1F) << 6) | (next & 0x3F));
    }
    return out;
}

// The name as the interface definition language takes it: "ç" as "c".
std::string asciiName(std::string_view utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (utf8.substr(i, 2) == "ç") {
            out += 'c';
            ++i;
        } else {
            out += utf8[i];
        }
    }
    return out;
}

template <class T>
const char* idlType() {
    if constexpr (std::is_same_v<T, bool>)
        return "VARIANT_BOOL";
    else if constexpr (std::is_same_v<T, Integer>)
        return "short";
    else if constexpr (std::is_same_v<T, Long>)
        return "long";
    else if constexpr (std::is_same_v<T, Colour>)
        return "OLE_COLOR";
    else if constexpr (std::is_same_v<T, Single>)
        return "float";
    else if constexpr (std::is_same_v<T, String>)
        return "BSTR";
    else if constexpr (std::is_same_v<T, FontRef>)
        return "IFontDisp*";
    else
        return "VARIANT";
}

std::string helpstring(std::string_view description) {
    return description.empty() ? std::string()
                               : ", helpstring(\"" + windows1252(description) + "\")";
}

// Member ids as the tables give them: hexadecimal, the standard ones negative.
std::string memberId(long id) {
    char text[16];
    std::snprintf(text, sizeof text, id < 0 ? "%ld" : "0x%08lX", id);
    return text;
}

// A Let's parameter is New_ and the property's name without its x1_ to x4_ prefix, which is
// the name its change notification carries.
std::string parameterName(std::u16string_view changeKey) {
    return "New_" + std::string(changeKey.begin(), changeKey.end());
}

template <class T>
void property(const char* name, long id, std::u16string_view changeKey,
              std::string_view description) {
    const std::string help = helpstring(description);
    std::printf("        [id(%s), propget%s] HRESULT %s([out, retval] %s* %s);\n",
                memberId(id).c_str(), help.c_str(), name, idlType<T>(), name);
    const char* put = std::is_same_v<T, FontRef> ? "propputref" : "propput";
    std::printf("        [id(%s), %s%s] HRESULT %s([in] %s %s);\n", memberId(id).c_str(), put,
                help.c_str(), name, idlType<T>(), parameterName(changeKey).c_str());
}

template <class R>
void method(std::string_view name, long id, std::string_view description, R (Veltra::*)()) {
    const std::string help = helpstring(description);
    if constexpr (std::is_void_v<R>)
        std::printf("        [id(%s)%s] HRESULT %s();\n", memberId(id).c_str(), help.c_str(),
                    asciiName(name).c_str());
    else
        std::printf("        [id(%s)%s] HRESULT %s([out, retval] %s* result);\n",
                    memberId(id).c_str(), help.c_str(), asciiName(name).c_str(), idlType<R>());
}

template <class R>
void method(std::string_view name, long id, std::string_view description,
            R (Veltra::*)(const Variant&)) {
    const std::string help = helpstring(description);
    std::printf("        [id(%s)%s] HRESULT %s([in] VARIANT Texto, [out, retval] %s* result);\n",
                memberId(id).c_str(), help.c_str(), asciiName(name).c_str(), idlType<R>());
}

// An event's parameters, each by reference.
template <class... T>
std::string eventParameters(const char* names) {
    std::string out;
    std::string_view rest(names);
    rest.remove_prefix(1); // the list's parentheses
    rest.remove_suffix(1);
    const char* types[] = {idlType<std::remove_reference_t<T>>()..., ""};
    std::size_t index = 0;
    while (!rest.empty()) {
        const auto comma = rest.find(',');
        std::string_view name = rest.substr(0, comma);
        while (!name.empty() && name.front() == ' ')
            name.remove_prefix(1);
        if (!out.empty())
            out += ", ";
        out += std::string("[in, out] ") + types[index++] + "* " + std::string(name);
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    }
    return out;
}

template <class... T>
struct EventSignature {};
template <class... T>
EventSignature<T...> signatureOf(void (VeltraEvents::*)(T...)) {
    return {};
}
template <class... T>
std::string parametersOf(EventSignature<T...>, const char* names) {
    return eventParameters<T...>(names);
}

// Puts back each method name that is not ASCII; fails when the library lacks one.
int restoreNames(const char* library) {
    std::FILE* file = std::fopen(library, "rb");
    if (!file) {
        std::fprintf(stderr, "veltra-idl: %s: cannot be read\n", library);
        return 1;
    }
    std::string bytes;
    char buffer[4096];
    for (std::size_t read; (read = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        bytes.append(buffer, read);
    std::fclose(file);
    for (const std::string_view name : {
#define VELTRA_IDL_NAME(Name, Id, Description) std::string_view(#Name),
             VELTRA_METHODS(VELTRA_IDL_NAME)
#undef VELTRA_IDL_NAME
         }) {
        const std::string ascii = asciiName(name);
        if (ascii == name)
            continue;
        const std::size_t at = bytes.find(ascii);
        if (at == std::string::npos) {
            std::fprintf(stderr, "veltra-idl: %s: no name %s\n", library, ascii.c_str());
            return 1;
        }
        bytes.replace(at, ascii.size(), windows1252(name));
    }
    file = std::fopen(library, "wb");
    if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
        std::fprintf(stderr, "veltra-idl: %s: cannot be written\n", library);
        return 1;
    }
    std::fclose(file);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string_view(argv[1]) == "--names")
        return restoreNames(argv[2]);
    std::printf("// Written by veltra-idl from the control's property, method and event lists.\n"
                "import \"oaidl.idl\";\nimport \"ocidl.idl\";\n\n");
    std::printf("[uuid(%s), version(1.0), helpstring(\"Veltra\")]\nlibrary VeltraLib\n{\n",
                kLibraryId);
    std::printf("    importlib(\"stdole2.tlb\");\n\n");
    std::printf("    [uuid(%s), hidden, dual, nonextensible, oleautomation]\n"
                "    interface _Veltra : IDispatch\n    {\n",
                kInterfaceId);
#define VELTRA_IDL_PROPERTY(Name, Type, Id, Holder, ChangeKey, BagKey, Step, Default, Description, \
                            Saved)                                                                 \
    VELTRA_IF_ACCESSORS_##Holder(property<Type>(#Name, Id, ChangeKey, Description);)
    VELTRA_PROPERTIES(VELTRA_IDL_PROPERTY)
#undef VELTRA_IDL_PROPERTY
#define VELTRA_IDL_MEMBER(Name, Type, Id) property<Type>(#Name, Id, u## #Name, "");
    VELTRA_MEMBERS(VELTRA_IDL_MEMBER)
#undef VELTRA_IDL_MEMBER
#define VELTRA_IDL_METHOD(Name, Id, Description)                                                   \
    method(#Name, Id, Description, decltype(&Veltra::Name){});
    VELTRA_METHODS(VELTRA_IDL_METHOD)
#undef VELTRA_IDL_METHOD
    std::printf("    };\n\n");
    std::printf("    [uuid(%s), hidden]\n    dispinterface __Veltra\n    {\n"
                "    properties:\n    methods:\n",
                kEventsId);
#define VELTRA_IDL_EVENT(Name, Number, Parameters, Arguments)                                      \
    std::printf("        [id(%d)] void %s(%s);\n", Number, #Name,                                  \
                parametersOf(signatureOf(decltype(&VeltraEvents::Name){}), #Arguments).c_str());
    VELTRA_EVENTS(VELTRA_IDL_EVENT)
#undef VELTRA_IDL_EVENT
    std::printf("    };\n\n");
    std::printf("    [uuid(%s), control, helpstring(\"Veltra\")]\n    coclass Veltra\n    {\n"
                "        [default] interface _Veltra;\n"
                "        [default, source] dispinterface __Veltra;\n    };\n};\n",
                kClassId);
    return 0;
}
