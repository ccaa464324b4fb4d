// What the OLE Automation runtime reports, one fact a line ("key<TAB>value"),
// so that this one source, built for Windows and run under Wine and built
// against our runtime, gives two outputs to compare line by line.
//   OleDump typelib                 every type, member, parameter and flag of each
//                                   library named by a LABEL=PATH line of the input
//   OleDump conversions             VariantChangeTypeEx over values x types x locales
// A library begins with "@begin LABEL" and ends with "@end LABEL", so that a
// run that dies inside one can be resumed after it.

#include "Platform/Com.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace {

using OleString = std::basic_string<OLECHAR>;

void line(std::string const& key, std::string const& value) { std::printf("%s\t%s\n", key.c_str(), value.c_str()); }

std::string hex(unsigned long long n) {
    char b[24];
    std::snprintf(b, sizeof b, "%llx", n);
    return b;
}
std::string num(long long n) { return std::to_string(n); }
std::string code(HRESULT hr) { return hex(static_cast<std::uint32_t>(hr)); }
std::string real(double d) {
    char b[40];
    return std::string(b, std::to_chars(b, b + sizeof b, d).ptr);
}

// Text as printable ASCII: anything else as \uXXXX.
std::string text(OLECHAR const* s, std::size_t n) {
    std::string out;
    for (std::size_t i = 0; i < n; ++i) {
        auto const c = static_cast<unsigned>(static_cast<char16_t>(s[i]));
        if (c >= 0x20 && c < 0x7F && c != '\\')
            out += static_cast<char>(c);
        else
            out += "\\u" + hex(0x10000 + c).substr(1);
    }
    return out;
}
std::string text(BSTR b) { return b == nullptr ? "(null)" : '"' + text(b, SysStringLen(b)) + '"'; }

// Takes a BSTR out-parameter and frees it.
struct Bstr {
    BSTR b = nullptr;
    ~Bstr() { SysFreeString(b); }
    BSTR* out() { return &b; }
    std::string str() const { return text(b); }
    std::string name() const { return b == nullptr ? "" : text(b, SysStringLen(b)); }
};

std::string guid(GUID const& g) {
    char b[40];
    std::snprintf(b, sizeof b, "%08lx-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x", static_cast<unsigned long>(g.Data1),
                  g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6],
                  g.Data4[7]);
    return b;
}

std::string vtName(VARTYPE vt) {
    static char const* const names[] = {"EMPTY", "NULL", "I2", "I4", "R4", "R8", "CY", "DATE", "BSTR", "DISPATCH",
        "ERROR", "BOOL", "VARIANT", "UNKNOWN", "DECIMAL", "15", "I1", "UI1", "UI2", "UI4", "I8", "UI8", "INT", "UINT",
        "VOID", "HRESULT", "PTR", "SAFEARRAY", "CARRAY", "USERDEFINED", "LPSTR", "LPWSTR"};
    std::string flags = (vt & VT_BYREF) ? "BYREF|" : (vt & VT_ARRAY) ? "ARRAY|" : "";
    VARTYPE const base = vt & VT_TYPEMASK;
    return flags + (base < std::size(names) ? names[base] : "vt" + num(base));
}

std::string value(VARIANT const& v) {
    std::string const t = vtName(v.vt) + ":";
    switch (v.vt) {
    case VT_EMPTY: case VT_NULL: return vtName(v.vt);
    case VT_I1: return t + num(v.cVal);
    case VT_UI1: return t + num(v.bVal);
    case VT_I2: return t + num(v.iVal);
    case VT_UI2: return t + num(v.uiVal);
    case VT_I4: case VT_INT: return t + num(v.lVal);
    case VT_UI4: case VT_UINT: return t + num(v.ulVal);
    case VT_I8: return t + num(v.llVal);
    case VT_UI8: return t + std::to_string(v.ullVal);
    case VT_R4: return t + real(v.fltVal);
    case VT_R8: case VT_DATE: return t + real(v.dblVal);
    case VT_CY: return t + num(v.cyVal.int64);
    case VT_BOOL: return t + num(v.boolVal);
    case VT_ERROR: case VT_HRESULT: return t + code(v.scode);
    case VT_BSTR: return t + text(v.bstrVal);
    case VT_DISPATCH: case VT_UNKNOWN: return t + (v.punkVal ? "object" : "null");
    case VT_DECIMAL:
        return t + (v.decVal.sign ? "-" : "") + hex(v.decVal.Hi32) + ":" + hex(v.decVal.Lo64) + "e-" +
               num(v.decVal.scale);
    default: return t + "?";
    }
}

// A type named by a reference: its name, kind and library.
std::string refText(ITypeInfo* info, HREFTYPE href) {
    ITypeInfo* target = nullptr;
    if (HRESULT hr = info->GetRefTypeInfo(href, &target); FAILED(hr))
        return "!" + code(hr);
    static char const* const kinds[] = {"enum", "record", "module", "interface", "dispatch", "coclass", "alias", "union"};
    Bstr name, libName;
    target->GetDocumentation(MEMBERID_NIL, name.out(), nullptr, nullptr, nullptr);
    TYPEATTR* attr = nullptr;
    std::string kind = "?";
    if (SUCCEEDED(target->GetTypeAttr(&attr))) {
        kind = attr->typekind < std::size(kinds) ? kinds[attr->typekind] : num(attr->typekind);
        target->ReleaseTypeAttr(attr);
    }
    ITypeLib* lib = nullptr;
    if (SUCCEEDED(target->GetContainingTypeLib(&lib, nullptr))) {
        lib->GetDocumentation(-1, libName.out(), nullptr, nullptr, nullptr);
        lib->Release();
    }
    target->Release();
    return name.name() + "/" + kind + "@" + libName.name();
}

std::string typeText(ITypeInfo* info, TYPEDESC const& t) {
    switch (t.vt) {
    case VT_PTR: return "PTR(" + typeText(info, *t.lptdesc) + ")";
    case VT_SAFEARRAY: return "SAFEARRAY(" + typeText(info, *t.lptdesc) + ")";
    case VT_USERDEFINED: return refText(info, t.hreftype);
    case VT_CARRAY: {
        std::string dims;
        for (USHORT d = 0; d < t.lpadesc->cDims; ++d)
            dims += "[" + num(t.lpadesc->rgbounds[d].lLbound) + "+" + num(t.lpadesc->rgbounds[d].cElements) + "]";
        return "CARRAY" + dims + "(" + typeText(info, t.lpadesc->tdescElem) + ")";
    }
    default: return vtName(t.vt);
    }
}

std::string doc(ITypeInfo* info, MEMBERID memid) {
    Bstr docString;
    DWORD context = 0;
    HRESULT const hr = info->GetDocumentation(memid, nullptr, docString.out(), &context, nullptr);
    return FAILED(hr) ? "!" + code(hr) : docString.str() + " ctx=" + num(context);
}

std::string paramText(ITypeInfo* info, ELEMDESC const& e) {
    std::string out = typeText(info, e.tdesc) + " flags=" + hex(e.paramdesc.wParamFlags);
    if ((e.paramdesc.wParamFlags & PARAMFLAG_FHASDEFAULT) && e.paramdesc.pparamdescex)
        out += " default=" + value(e.paramdesc.pparamdescex->varDefaultValue);
    return out;
}

void dumpFunc(std::string const& prefix, ITypeInfo* info, UINT index, TYPEKIND kind) {
    FUNCDESC* f = nullptr;
    if (HRESULT hr = info->GetFuncDesc(index, &f); FAILED(hr))
        return line(prefix + "/f" + num(index), "!" + code(hr));
    std::vector<BSTR> names(static_cast<std::size_t>(f->cParams) + 1);
    UINT count = 0;
    info->GetNames(f->memid, names.data(), static_cast<UINT>(names.size()), &count);
    std::string const key = prefix + "/f" + num(index) + ":" + (count ? text(names[0], SysStringLen(names[0])) : "");
    line(key, "memid=" + hex(static_cast<std::uint32_t>(f->memid)) + " funckind=" + num(f->funckind) + " invkind=" +
                  num(f->invkind) + " callconv=" + num(f->callconv) + " params=" + num(f->cParams) + "/" +
                  num(f->cParamsOpt) + " oVft=" + num(f->oVft) + " scodes=" + num(f->cScodes) + " flags=" +
                  hex(f->wFuncFlags) + " names=" + num(count));
    line(key + "/return", typeText(info, f->elemdescFunc.tdesc));
    line(key + "/doc", doc(info, f->memid));
    for (SHORT p = 0; p < f->cParams; ++p) {
        std::size_t const slot = static_cast<std::size_t>(p) + 1;
        line(key + "/p" + num(p) + ":" + (slot < count ? text(names[slot], SysStringLen(names[slot])) : ""),
             paramText(info, f->lprgelemdescParam[p]));
    }
    for (UINT n = 0; n < count; ++n)
        SysFreeString(names[n]);
    if (kind == TKIND_MODULE) {
        Bstr dll, entry;
        WORD ordinal = 0;
        HRESULT const hr = info->GetDllEntry(f->memid, f->invkind, dll.out(), entry.out(), &ordinal);
        line(key + "/entry", code(hr) + " " + dll.str() + " " + entry.str() + " " +
                                  num(ordinal));
    }
    info->ReleaseFuncDesc(f);
}

void dumpVar(std::string const& prefix, ITypeInfo* info, UINT index) {
    VARDESC* v = nullptr;
    if (HRESULT hr = info->GetVarDesc(index, &v); FAILED(hr))
        return line(prefix + "/v" + num(index), "!" + code(hr));
    Bstr name;
    info->GetDocumentation(v->memid, name.out(), nullptr, nullptr, nullptr);
    std::string const key = prefix + "/v" + num(index) + ":" + name.name();
    std::string const place = v->varkind == VAR_CONST ? " value=" + value(*v->lpvarValue) : " oInst=" + num(v->oInst);
    line(key, "memid=" + hex(static_cast<std::uint32_t>(v->memid)) + " varkind=" + num(v->varkind) + " flags=" +
                  hex(v->wVarFlags) + " type=" + typeText(info, v->elemdescVar.tdesc) + place);
    line(key + "/doc", doc(info, v->memid));
    info->ReleaseVarDesc(v);
}

void dumpType(std::string const& prefix, ITypeInfo* info) {
    TYPEATTR* a = nullptr;
    if (HRESULT hr = info->GetTypeAttr(&a); FAILED(hr))
        return line(prefix, "!" + code(hr));
    TYPEKIND const kind = a->typekind;
    line(prefix, "kind=" + num(kind) + " guid=" + guid(a->guid) + " lcid=" + hex(a->lcid) + " flags=" +
                     hex(a->wTypeFlags) + " size=" + num(a->cbSizeInstance) + " align=" + num(a->cbAlignment) +
                     " funcs=" + num(a->cFuncs) + " vars=" + num(a->cVars) + " impl=" + num(a->cImplTypes) +
                     " vft=" + num(a->cbSizeVft) + " version=" + num(a->wMajorVerNum) + "." + num(a->wMinorVerNum) +
                     " idl=" + hex(a->idldescType.wIDLFlags));
    if (kind == TKIND_ALIAS)
        line(prefix + "/alias", typeText(info, a->tdescAlias));
    line(prefix + "/doc", doc(info, MEMBERID_NIL));
    for (UINT i = 0; i < a->cImplTypes; ++i) {
        HREFTYPE href = 0;
        INT flags = 0;
        HRESULT const hr = info->GetRefTypeOfImplType(i, &href);
        info->GetImplTypeFlags(i, &flags);
        line(prefix + "/impl" + num(i), (FAILED(hr) ? "!" + code(hr) : refText(info, href)) +
                                            " flags=" + hex(static_cast<unsigned>(flags)));
    }
    UINT const funcs = a->cFuncs, vars = a->cVars;
    bool const dual = kind == TKIND_DISPATCH && (a->wTypeFlags & TYPEFLAG_FDUAL);
    info->ReleaseTypeAttr(a);
    for (UINT i = 0; i < funcs; ++i)
        dumpFunc(prefix, info, i, kind);
    for (UINT i = 0; i < vars; ++i)
        dumpVar(prefix, info, i);
    HREFTYPE href = 0;
    if (!dual || FAILED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &href)))
        return;
    ITypeInfo* vtable = nullptr;
    if (HRESULT hr = info->GetRefTypeInfo(href, &vtable); FAILED(hr))
        return line(prefix + "/vtable", "!" + code(hr));
    dumpType(prefix + "/vtable", vtable);
    vtable->Release();
}

void dumpLibrary(std::string const& label, OleString const& path) {
    ITypeLib* lib = nullptr;
    HRESULT const hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &lib);
    line(label, "load=" + code(hr));
    if (FAILED(hr))
        return;
    TLIBATTR* attr = nullptr;
    if (SUCCEEDED(lib->GetLibAttr(&attr))) {
        line(label + "/attr", "guid=" + guid(attr->guid) + " lcid=" + hex(attr->lcid) + " syskind=" +
                                  num(attr->syskind) + " version=" + num(attr->wMajorVerNum) + "." +
                                  num(attr->wMinorVerNum) + " flags=" + hex(attr->wLibFlags));
        lib->ReleaseTLibAttr(attr);
    }
    Bstr name, docString;
    DWORD context = 0;
    lib->GetDocumentation(-1, name.out(), docString.out(), &context, nullptr);
    line(label + "/doc", name.str() + " " + docString.str() + " ctx=" + num(context));
    UINT const count = lib->GetTypeInfoCount();
    line(label + "/types", num(count));
    for (UINT i = 0; i < count; ++i) {
        ITypeInfo* info = nullptr;
        if (HRESULT const got = lib->GetTypeInfo(i, &info); FAILED(got)) {
            line(label + "/t" + num(i), "!" + code(got));
            continue;
        }
        Bstr typeName;
        lib->GetDocumentation(static_cast<INT>(i), typeName.out(), nullptr, nullptr, nullptr);
        dumpType(label + "/t" + num(i) + ":" + typeName.name(), info);
        info->Release();
        std::fflush(stdout); // progress, for the driver's watch of hangs
    }
    lib->Release();
}

// The conversion matrix: every source converted to every target in each locale.
struct Source {
    VARIANT v;
    USHORT flags = 0;
};

std::vector<Source> sources() {
    std::vector<Source> all;
    auto add = [&](VARTYPE vt, auto set, USHORT flags = 0) {
        Source s;
        VariantInit(&s.v);
        s.v.vt = vt;
        set(s.v);
        s.flags = flags;
        all.push_back(s);
    };
    add(VT_EMPTY, [](VARIANT&) {});
    add(VT_NULL, [](VARIANT&) {});
    for (long n : {0L, 1L, -1L, 42L, 255L, 32768L, -32769L, 2147483647L, -2147483647L - 1})
        add(VT_I4, [n](VARIANT& v) { v.lVal = static_cast<LONG>(n); });
    add(VT_I2, [](VARIANT& v) { v.iVal = -32768; });
    add(VT_I1, [](VARIANT& v) { v.cVal = -128; });
    add(VT_UI1, [](VARIANT& v) { v.bVal = 200; });
    add(VT_UI2, [](VARIANT& v) { v.uiVal = 65535; });
    add(VT_UI4, [](VARIANT& v) { v.ulVal = 4294967295u; });
    add(VT_I8, [](VARIANT& v) { v.llVal = -(1LL << 40); });
    add(VT_UI8, [](VARIANT& v) { v.ullVal = 18446744073709551615ull; });
    add(VT_INT, [](VARIANT& v) { v.intVal = 7; });
    add(VT_UINT, [](VARIANT& v) { v.uintVal = 7; });
    for (float f : {1.5f, -0.5f, 3.0e38f})
        add(VT_R4, [f](VARIANT& v) { v.fltVal = f; });
    for (double d : {0.5, 1.5, 2.5, -2.5, -0.4999, 1234.5678, 1e20, -1e-5, 32767.5, 45322.75, 2958465.5, -657435.0})
        add(VT_R8, [d](VARIANT& v) { v.dblVal = d; });
    for (long long c : {12345LL, -10000LL, 922337203685477LL})
        add(VT_CY, [c](VARIANT& v) { v.cyVal.int64 = c; });
    for (double d : {0.0, 45322.5, -1.25, 36526.0, 0.75, 2958465.0})
        add(VT_DATE, [d](VARIANT& v) { v.date = d; });
    for (USHORT flags : {USHORT(0), USHORT(VARIANT_LOCALBOOL), USHORT(VARIANT_ALPHABOOL)}) {
        add(VT_BOOL, [](VARIANT& v) { v.boolVal = VARIANT_TRUE; }, flags);
        add(VT_BOOL, [](VARIANT& v) { v.boolVal = VARIANT_FALSE; }, flags);
    }
    add(VT_DECIMAL, [](VARIANT& v) { v.decVal.Lo64 = 15; v.decVal.scale = 1; });
    add(VT_DECIMAL, [](VARIANT& v) { v.decVal.Lo64 = 123456; v.decVal.scale = 3; v.decVal.sign = DECIMAL_NEG; });
    add(VT_DECIMAL, [](VARIANT& v) { v.decVal.Lo64 = ~0ull; v.decVal.Hi32 = ~0u; });
    add(VT_ERROR, [](VARIANT& v) { v.scode = DISP_E_PARAMNOTFOUND; });
    char const* const strings[] = {"", "0", "42", "-17", " 12 ", "1.5", "1,5", "1.234,5", "1,234.5", "1e3", "&H1F",
        "&O17", "True", "False", "#TRUE#", "yes", "abc", "2024-01-31", "31.01.2024", "1/31/2024", "31/01/2024",
        "12:30", "12:30:45 PM", "1 234", "$1.5", "9999999999", "-0", "  ", "0x10", "Wahr", "Vrai", "1.5.2024"};
    for (char const* s : strings) {
        add(VT_BSTR, [s](VARIANT& v) {
            OleString const wide(s, s + std::strlen(s));
            v.bstrVal = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
        });
    }
    return all;
}

void dumpConversions() {
    VARTYPE const targets[] = {VT_EMPTY, VT_NULL, VT_I2, VT_I4, VT_R4, VT_R8, VT_CY, VT_DATE, VT_BSTR, VT_BOOL,
        VT_DECIMAL, VT_I1, VT_UI1, VT_UI2, VT_UI4, VT_I8, VT_UI8, VT_INT, VT_UINT, VT_ERROR};
    std::vector<Source> all = sources();
    for (LCID lcid : {0x0409u, 0x0407u, 0x040Cu}) {
        for (Source& s : all) {
            for (VARTYPE target : targets) {
                VARIANT out;
                VariantInit(&out);
                HRESULT const hr = VariantChangeTypeEx(&out, &s.v, lcid, s.flags, target);
                line("conv " + hex(lcid) + " " + value(s.v) + (s.flags ? " flags=" + hex(s.flags) : "") + " -> " +
                         vtName(target),
                     code(hr) + (SUCCEEDED(hr) ? " " + value(out) : ""));
                VariantClear(&out);
            }
        }
    }
    for (Source& s : all)
        VariantClear(&s.v);
}

} // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // A crash ends the run with a line saying so, rather than in a debugger.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter([](EXCEPTION_POINTERS* e) -> LONG {
        std::printf("@crash\t%lx\n", static_cast<unsigned long>(e->ExceptionRecord->ExceptionCode));
        std::fflush(stdout);
        ExitProcess(3);
    });
#endif
    std::string const mode = argc > 1 ? argv[1] : "";
    if (mode == "conversions") {
        dumpConversions();
        return 0;
    }
    if (mode != "typelib") {
        std::fprintf(stderr, "usage: OleDump typelib < LABEL=PATH lines | OleDump conversions\n");
        return 2;
    }
    // Paths are ASCII: each byte becomes one OLECHAR.
    for (std::string arg; std::getline(std::cin, arg);) {
        if (!arg.empty() && arg.back() == '\r')
            arg.pop_back();
        auto const cut = arg.find('=');
        std::string const label = arg.substr(0, cut);
        std::string const path = cut == std::string::npos ? arg : arg.substr(cut + 1);
        std::printf("@begin\t%s\n", label.c_str());
        dumpLibrary(label, OleString(path.begin(), path.end()));
        std::printf("@end\t%s\n", label.c_str());
        std::fflush(stdout);
    }
    return 0;
}
