// CreateDispTypeInfo: the interface described is made into the records of
// a library of its own, a coclass and the interface it implements, and
// served as any library is.

#include "Platform/Posix/Ole/TypeLib/DispTypeInfo.h"

#include "Platform/Posix/Ole/Core/TextConversion.h"
#include "Platform/Posix/Ole/TypeLib/CTypeInfo.h"
#include "Platform/Posix/Ole/TypeLib/CTypeLib.h"

#include <algorithm>
#include <map>
#include <memory>
#include <string>

namespace qor::platform::posix::ole {

namespace {

constexpr std::size_t interfaceIndex = 0;
constexpr std::size_t coclassIndex = 1;

class DescribedLibrary {
public:
    explicit DescribedLibrary(LCID lcid) {
        lib_.lcid = static_cast<std::int32_t>(lcid);
        lib_.sysKind = SYS_WIN64;
    }

    bool valid(INTERFACEDATA const& data) const {
        if (data.cMembers > 0 && data.pmethdata == nullptr)
            return false;
        return std::all_of(data.pmethdata, data.pmethdata + data.cMembers,
                           [](METHODDATA const& m) { return m.cArgs == 0 || m.ppdata != nullptr; });
    }

    std::shared_ptr<TypeLibRecord const> build(INTERFACEDATA const& data) {
        TypeInfoRecord iface;
        iface.kind = TKIND_INTERFACE;
        iface.alignment = alignof(void*);
        iface.sizeInstance = sizeof(void*);
        for (METHODDATA const& method : std::span(data.pmethdata, data.cMembers)) {
            iface.funcs.push_back(function(method));
            iface.vtableSlots = std::max<std::uint16_t>(iface.vtableSlots, std::uint16_t(method.iMeth + 1));
        }
        TypeInfoRecord coclass;
        coclass.kind = TKIND_COCLASS;
        coclass.alignment = alignof(void*);
        coclass.sizeInstance = sizeof(void*);
        coclass.implTypes.push_back({TypeLibRecord::hrefOfIndex(interfaceIndex), 0, {}});
        lib_.typeInfos.push_back(std::move(iface));
        lib_.typeInfos.push_back(std::move(coclass));
        return std::make_shared<TypeLibRecord const>(std::move(lib_));
    }

private:
    FuncRecord function(METHODDATA const& method) {
        FuncRecord f;
        f.memberId = method.dispid;
        f.name = text(method.szName);
        f.returnType = type(method.vtReturn);
        f.funcKind = FUNC_VIRTUAL;
        f.invokeKind = static_cast<std::uint8_t>(method.wFlags);
        f.callConv = static_cast<std::uint8_t>(method.cc);
        f.vtableSlot = static_cast<std::int16_t>(method.iMeth);
        f.params.first = static_cast<std::uint32_t>(lib_.params.size());
        f.params.count = method.cArgs;
        for (PARAMDATA const& param : std::span(method.ppdata, method.cArgs)) {
            ParamRecord p;
            p.name = text(param.szName);
            p.type = type(param.vt);
            lib_.params.push_back(p);
        }
        return f;
    }

    // Names are kept as a library keeps them, in its code page.
    TextRef text(OLECHAR const* name) {
        if (name == nullptr)
            return {};
        int const size = WideCharToMultiByte(CP_ACP, 0, name, -1, nullptr, 0, nullptr, nullptr);
        if (size <= 1)
            return {};
        TextRef ref{static_cast<std::uint32_t>(lib_.texts.size()), static_cast<std::uint32_t>(size - 1)};
        lib_.texts.resize(lib_.texts.size() + std::size_t(size));
        WideCharToMultiByte(CP_ACP, 0, name, -1, lib_.texts.data() + ref.offset, size, nullptr, nullptr);
        lib_.texts.pop_back();
        return ref;
    }

    TypeIndex type(VARTYPE vt) {
        auto [found, added] = types_.try_emplace(vt, static_cast<TypeIndex>(lib_.types.size()));
        if (added)
            lib_.types.push_back(TypeNode{vt, 0, 0, {}});
        return found->second;
    }

    TypeLibRecord lib_;
    std::map<VARTYPE, TypeIndex> types_;
};

} // namespace

} // namespace qor::platform::posix::ole

using qor::platform::posix::ole::CTypeLib;
using qor::platform::posix::ole::DescribedLibrary;

WINOLEAUTAPI CreateDispTypeInfo(INTERFACEDATA* pidata, LCID lcid, ITypeInfo** pptinfo) {
    if (pidata == nullptr || pptinfo == nullptr)
        return E_INVALIDARG;
    *pptinfo = nullptr;
    DescribedLibrary described(lcid);
    if (!described.valid(*pidata))
        return E_INVALIDARG;
    CTypeLib* lib = CTypeLib::create(described.build(*pidata), {});
    // The type info keeps its library; the library's own reference goes.
    HRESULT const hr = lib->GetTypeInfo(static_cast<UINT>(qor::platform::posix::ole::coclassIndex), pptinfo);
    lib->Release();
    return hr;
}
