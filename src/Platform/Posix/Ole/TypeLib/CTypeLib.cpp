#include "Platform/Posix/Ole/TypeLib/CTypeLib.h"

#include "Platform/Posix/Ole/TypeLib/CTypeInfo.h"
#include "Platform/Posix/Ole/TypeLib/Stdole2.h"
#include "Platform/Posix/Ole/TypeLib/TypeLibLoader.h"
#include "Platform/Posix/Ole/TypeLib/TypeLibText.h"
#include "String/Utf.h"

#include <algorithm>
#include <cstring>

namespace qor::platform::posix::ole {

namespace {
constexpr std::uint8_t tkindDispatch = TKIND_DISPATCH;

bool isDualDispatch(TypeInfoRecord const& info) {
    return info.kind == tkindDispatch && (info.typeFlags & TYPEFLAG_FDUAL) != 0;
}

std::filesystem::path lastPathPart(std::string_view name) {
    auto const cut = name.find_last_of("\\/");
    return cut == std::string_view::npos ? name : name.substr(cut + 1);
}

// Windows hands the stored spelling of a name found back in the caller's
// buffer, which holds a name of the same length.
void spellAsStored(LPOLESTR buffer, std::string_view stored) {
    std::u16string const spelled = typeLibTextToOle(stored);
    std::memcpy(buffer, spelled.data(), spelled.size() * sizeof(char16_t));
}

template <class T>
HRESULT clearOut(T** out) {
    if (out == nullptr)
        return E_INVALIDARG;
    *out = nullptr;
    return S_OK;
}
} // namespace

CTypeLib* CTypeLib::create(std::shared_ptr<TypeLibRecord const> record, std::filesystem::path directory) {
    return new CTypeLib(std::move(record), std::move(directory));
}

CTypeLib::CTypeLib(std::shared_ptr<TypeLibRecord const> record, std::filesystem::path directory)
    : record_(std::move(record)), directory_(std::move(directory)),
      tables_(CTypeInfo::expectedTableBytes(*record_)) {
    std::size_t const count = record_->typeInfos.size();
    typeDescs_.resize(record_->types.size(), nullptr);
    imports_.resize(record_->importedLibs.size(), nullptr);
    infos_.reserve(count);
    dualInterfaces_.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        infos_.push_back(std::make_unique<CTypeInfo>(*this, i, CTypeInfo::Side::stored));
        if (isDualDispatch(record_->typeInfos[i]))
            dualInterfaces_[i] = std::make_unique<CTypeInfo>(*this, i, CTypeInfo::Side::dualInterface);
    }
}

CTypeLib::~CTypeLib() {
    // Type infos may hold pointers into imported libraries: they go first.
    dualInterfaces_.clear();
    infos_.clear();
    for (CTypeLib* imported : imports_)
        if (imported != nullptr)
            imported->Release();
    if (stdole_ != nullptr)
        stdole_->Release();
}

STDMETHODIMP CTypeLib::QueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_ITypeLib) || IsEqualGUID(riid, IID_ITypeLib2))
        *ppv = static_cast<ITypeLib2*>(this);
    else if (IsEqualGUID(riid, IID_ITypeComp))
        *ppv = static_cast<ITypeComp*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CTypeLib::AddRef() { return ++refs_; }

STDMETHODIMP_(ULONG) CTypeLib::Release() {
    ULONG const left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

STDMETHODIMP_(UINT) CTypeLib::GetTypeInfoCount() { return static_cast<UINT>(infos_.size()); }

STDMETHODIMP CTypeLib::GetTypeInfo(UINT index, ITypeInfo** ppTInfo) {
    if (HRESULT hr = clearOut(ppTInfo); FAILED(hr))
        return hr;
    if (index >= infos_.size())
        return TYPE_E_ELEMENTNOTFOUND;
    *ppTInfo = infos_[index].get();
    AddRef();
    return S_OK;
}

STDMETHODIMP CTypeLib::GetTypeInfoType(UINT index, TYPEKIND* pTKind) {
    if (pTKind == nullptr)
        return E_INVALIDARG;
    if (index >= infos_.size())
        return TYPE_E_ELEMENTNOTFOUND;
    *pTKind = static_cast<TYPEKIND>(record_->typeInfos[index].kind);
    return S_OK;
}

STDMETHODIMP CTypeLib::GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** ppTinfo) {
    if (HRESULT hr = clearOut(ppTinfo); FAILED(hr))
        return hr;
    Guid const wanted(guid);
    for (std::size_t i = 0; i < infos_.size(); ++i) {
        if (record_->typeInfos[i].guid == wanted && !wanted.isNull())
            return GetTypeInfo(static_cast<UINT>(i), ppTinfo);
    }
    return TYPE_E_ELEMENTNOTFOUND;
}

STDMETHODIMP CTypeLib::GetLibAttr(TLIBATTR** ppTLibAttr) {
    if (HRESULT hr = clearOut(ppTLibAttr); FAILED(hr))
        return hr;
    auto* attr = new TLIBATTR{};
    attr->guid = record_->guid.to<GUID>();
    attr->lcid = static_cast<LCID>(record_->lcid);
    attr->syskind = static_cast<SYSKIND>(record_->sysKind);
    attr->wMajorVerNum = record_->majorVersion;
    attr->wMinorVerNum = record_->minorVersion;
    // Every library is read from an image, the built-in stdole2 included.
    attr->wLibFlags = static_cast<WORD>(record_->libFlags | LIBFLAG_FHASDISKIMAGE);
    *ppTLibAttr = attr;
    return S_OK;
}

STDMETHODIMP_(void) CTypeLib::ReleaseTLibAttr(TLIBATTR* pTLibAttr) { delete pTLibAttr; }

STDMETHODIMP CTypeLib::GetTypeComp(ITypeComp** ppTComp) {
    if (ppTComp == nullptr)
        return E_INVALIDARG;
    *ppTComp = this;
    AddRef();
    return S_OK;
}

STDMETHODIMP CTypeLib::GetDocumentation(INT index, BSTR* pBstrName, BSTR* pBstrDocString, DWORD* pdwHelpContext,
                                        BSTR* pBstrHelpFile) {
    if (index == -1) {
        std::string_view const docString = record_->text(record_->docString);
        std::string_view const helpFile = record_->text(record_->helpFile);
        if (pBstrName != nullptr)
            *pBstrName = typeLibTextToBstr(record_->text(record_->name));
        if (pBstrDocString != nullptr)
            *pBstrDocString = docString.empty() ? nullptr : typeLibTextToBstr(docString);
        if (pdwHelpContext != nullptr)
            *pdwHelpContext = static_cast<DWORD>(record_->helpContext);
        if (pBstrHelpFile != nullptr)
            *pBstrHelpFile = helpFile.empty() ? nullptr : typeLibTextToBstr(helpFile);
        return S_OK;
    }
    if (index < 0 || static_cast<std::size_t>(index) >= infos_.size())
        return TYPE_E_ELEMENTNOTFOUND;
    return infos_[static_cast<std::size_t>(index)]->GetDocumentation(MEMBERID_NIL, pBstrName, pBstrDocString,
                                                                      pdwHelpContext, pBstrHelpFile);
}

STDMETHODIMP CTypeLib::IsName(LPOLESTR szNameBuf, ULONG, BOOL* pfName) {
    if (szNameBuf == nullptr || pfName == nullptr)
        return E_INVALIDARG;
    std::u16string_view const wanted(szNameBuf);
    *pfName = FALSE;
    for (auto const& info : infos_) {
        if (auto const found = info->findName(wanted)) {
            spellAsStored(szNameBuf, *found);
            *pfName = TRUE;
            return S_OK;
        }
    }
    return S_OK;
}

STDMETHODIMP CTypeLib::FindName(LPOLESTR szNameBuf, ULONG, ITypeInfo** ppTInfo, MEMBERID* rgMemId,
                                USHORT* pcFound) {
    if (szNameBuf == nullptr || ppTInfo == nullptr || rgMemId == nullptr || pcFound == nullptr)
        return E_INVALIDARG;
    std::u16string_view const wanted(szNameBuf);
    USHORT found = 0;
    for (std::size_t i = 0; i < infos_.size() && found < *pcFound; ++i) {
        auto const member = infos_[i]->findMember(wanted);
        if (!member)
            continue;
        if (found == 0)
            spellAsStored(szNameBuf, member->name);
        ppTInfo[found] = infos_[i].get();
        AddRef();
        rgMemId[found] = member->memid;
        ++found;
    }
    *pcFound = found;
    return S_OK;
}

TYPEDESC CTypeLib::typeDesc(TypeIndex index) {
    if (index >= typeDescs_.size())
        return TYPEDESC{{nullptr}, VT_EMPTY};
    if (typeDescs_[index] != nullptr)
        return *typeDescs_[index];
    TypeNode const& node = record_->types[index];
    TYPEDESC desc{};
    desc.vt = node.vt;
    if (node.vt == VT_PTR || node.vt == VT_SAFEARRAY) {
        TYPEDESC const inner = typeDesc(node.inner);
        desc.lptdesc = &typeDescStore_.emplace_back(inner);
    } else if (node.vt == VT_CARRAY) {
        desc.lpadesc = arrayDesc(node);
    } else if (node.vt == VT_USERDEFINED) {
        desc.hreftype = node.hrefType;
    }
    typeDescs_[index] = &typeDescStore_.emplace_back(desc);
    return desc;
}

ARRAYDESC* CTypeLib::arrayDesc(TypeNode const& node) {
    std::size_t const dims = node.bounds.size();
    std::size_t const size =
        std::max(sizeof(ARRAYDESC), offsetof(ARRAYDESC, rgbounds) + dims * sizeof(SAFEARRAYBOUND));
    auto& bytes = arrayDescStore_.emplace_back(std::make_unique<std::byte[]>(size));
    auto* desc = new (bytes.get()) ARRAYDESC{};
    desc->tdescElem = typeDesc(node.inner);
    desc->cDims = static_cast<USHORT>(dims);
    for (std::size_t d = 0; d < dims; ++d)
        desc->rgbounds[d] = {node.bounds[d].elements, node.bounds[d].lowerBound};
    return desc;
}

HRESULT CTypeLib::resolveHref(HREFTYPE href, CTypeInfo** result) {
    *result = nullptr;
    if (auto const index = record_->indexOfHref(href)) {
        *result = infos_[*index].get();
        return S_OK;
    }
    ImportedTypeRecord const* imported = record_->importedTypeOfHref(href);
    if (imported == nullptr)
        return TYPE_E_ELEMENTNOTFOUND;
    CTypeLib* library = nullptr;
    if (HRESULT hr = importedLib(imported->library, &library); FAILED(hr))
        return hr;
    TypeLibRecord const& other = library->record();
    for (std::size_t i = 0; i < other.typeInfos.size(); ++i) {
        bool const match = imported->guid ? other.typeInfos[i].guid == *imported->guid : i == imported->index;
        if (match) {
            *result = library->infos_[i].get();
            return S_OK;
        }
    }
    return TYPE_E_ELEMENTNOTFOUND;
}

HRESULT CTypeLib::stdoleType(GUID const& guid, CTypeInfo** result) {
    *result = nullptr;
    CTypeLib* stdole = nullptr;
    auto const& imports = record_->importedLibs;
    auto const imported = std::ranges::find(imports, stdole2LibraryId, &ImportedLibRecord::guid);
    if (imported != imports.end()) {
        if (HRESULT hr = importedLib(std::size_t(imported - imports.begin()), &stdole); FAILED(hr))
            return hr;
    } else {
        if (stdole_ == nullptr)
            stdole_ = loadBuiltinStdole2();
        stdole = stdole_;
    }
    Guid const wanted(guid);
    auto const& infos = stdole->record().typeInfos;
    auto const found = std::ranges::find(infos, wanted, &TypeInfoRecord::guid);
    if (found == infos.end())
        return TYPE_E_ELEMENTNOTFOUND;
    *result = stdole->infos_[std::size_t(found - infos.begin())].get();
    return S_OK;
}

HRESULT CTypeLib::importedLib(std::size_t index, CTypeLib** result) {
    if (index >= imports_.size())
        return TYPE_E_ELEMENTNOTFOUND;
    if (imports_[index] == nullptr) {
        ImportedLibRecord const& imported = record_->importedLibs[index];
        if (imported.guid == stdole2LibraryId) {
            imports_[index] = loadBuiltinStdole2();
        } else {
            // The stored name's bytes are taken as UTF-8, as file names are
            // here; a name in another code page is not found.
            std::u16string const path =
                string::utf8ToUtf16((directory_ / lastPathPart(record_->text(imported.fileName))).string());
            auto loaded = loadTypeLibPath(path);
            if (!loaded)
                return TYPE_E_CANTLOADLIBRARY;
            imports_[index] = *loaded;
        }
    }
    *result = imports_[index];
    return S_OK;
}

} // namespace qor::platform::posix::ole
