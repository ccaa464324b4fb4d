// What the differential check against Wine cannot see: name lookups, the
// two views of a dual interface, imports found late or never, and the faults
// the reader once had. Field-by-field reads of the fixtures are compared
// with Wine's oleaut32 by tests/Differential.

#include "Platform/Posix/Ole/TypeLib/TypeLibFixtures.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace qor::test {
namespace {

GUID const iidCalc = fixtureGuid(0x02);
GUID const iidSquare = fixtureGuid(0x04);
GUID const iidCircle = fixtureGuid(0x21);
GUID const iidStyled = fixtureGuid(0x24);

class TypeLibTest : public ::testing::Test {
protected:
    void SetUp() override {
        lib = loadFixture("QorFixture.tlb");
        ASSERT_TRUE(lib);
    }

    Ref<ITypeInfo> dualInterface(GUID const& iid) { return implTypeOf(typeInfoOf(lib.get(), iid).get(), -1); }

    Ref<ITypeLib> lib;
};

TEST_F(TypeLibTest, TheVtableSideOfADualInterfaceLeadsBackToItsDispatchView) {
    Ref<ITypeInfo> back = implTypeOf(dualInterface(iidCalc).get(), -1);
    EXPECT_EQ(back.get(), typeInfoOf(lib.get(), iidCalc).get());
}

TEST_F(TypeLibTest, NamesAndIdsOfNames) {
    Ref<ITypeInfo> calc = typeInfoOf(lib.get(), iidCalc);
    BSTR names[5] = {};
    UINT count = 0;
    ASSERT_EQ(calc->GetNames(1, names, 5, &count), S_OK);
    ASSERT_EQ(count, 3u);
    EXPECT_EQ(std::u16string(names[0]) + names[1] + names[2], u"Addab");
    for (UINT i = 0; i < count; ++i)
        SysFreeString(names[i]);
    EXPECT_EQ(calc->GetNames(999, names, 1, &count), TYPE_E_ELEMENTNOTFOUND);

    // The parameter names follow the member's; any unknown name fails all.
    std::u16string add = u"aDD", b = u"B", nope = u"nope";
    LPOLESTR query[] = {add.data(), b.data(), nope.data()};
    MEMBERID ids[3] = {};
    ASSERT_EQ(calc->GetIDsOfNames(query, 2, ids), S_OK);
    EXPECT_EQ(ids[0], 1);
    EXPECT_EQ(ids[1], 1);
    EXPECT_EQ(calc->GetIDsOfNames(query, 3, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[2], DISPID_UNKNOWN);
    EXPECT_EQ(calc->GetIDsOfNames(query + 2, 1, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], DISPID_UNKNOWN);
}

TEST_F(TypeLibTest, IsNameAndFindName) {
    std::u16string name = u"icalc";
    BOOL found = FALSE;
    ASSERT_EQ(lib->IsName(name.data(), 0, &found), S_OK);
    EXPECT_TRUE(found);
    EXPECT_EQ(name, u"ICalc");
    std::u16string absent = u"NoSuchName";
    EXPECT_EQ(lib->IsName(absent.data(), 0, &found), S_OK);
    EXPECT_FALSE(found);

    std::u16string resize = u"resize";
    ITypeInfo* infos[2] = {};
    MEMBERID ids[2] = {};
    USHORT count = 2;
    ASSERT_EQ(lib->FindName(resize.data(), 0, infos, ids, &count), S_OK);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(nameOf(infos[0]), "ISquare");
    EXPECT_EQ(ids[0], 2);
    infos[0]->Release();
}

// ISquare::Copy returns an IShape, the type of ISquare's base too: only the
// base is meant as IShape's vtable side (IXMLDOMDocument::createNode).
TEST_F(TypeLibTest, ATypeNamedLikeTheBaseIsTheDispatchViewOutsideTheBase) {
    Ref<ITypeInfo> vtable = dualInterface(iidSquare);
    auto kindOf = [&](HREFTYPE href) {
        Ref<ITypeInfo> target;
        TYPEATTR* attr = nullptr;
        EXPECT_EQ(vtable->GetRefTypeInfo(href, target.put()), S_OK);
        EXPECT_EQ(target->GetTypeAttr(&attr), S_OK);
        EXPECT_EQ(nameOf(target.get()), "IShape");
        return attr->typekind;
    };
    HREFTYPE base = 0;
    ASSERT_EQ(vtable->GetRefTypeOfImplType(0, &base), S_OK);
    EXPECT_EQ(kindOf(base), TKIND_INTERFACE);
    FUNCDESC* copy = nullptr; // after Resize
    ASSERT_EQ(vtable->GetFuncDesc(1, &copy), S_OK);
    TYPEDESC const& shape = *copy->lprgelemdescParam[0].tdesc.lptdesc->lptdesc;
    ASSERT_EQ(shape.vt, VT_USERDEFINED);
    EXPECT_EQ(kindOf(shape.hreftype), TKIND_DISPATCH);
}

TEST_F(TypeLibTest, ModuleFunctionsGiveTheirDllEntry) {
    Ref<ITypeInfo> constants;
    ASSERT_EQ(lib->GetTypeInfo(10, constants.put()), S_OK);
    FUNCDESC* tick = nullptr;
    ASSERT_EQ(constants->GetFuncDesc(0, &tick), S_OK);
    _bstr_t dll, name;
    WORD ordinal = 0;
    ASSERT_EQ(constants->GetDllEntry(tick->memid, INVOKE_FUNC, dll.GetAddress(), name.GetAddress(), &ordinal), S_OK);
    EXPECT_EQ(std::u16string(dll, dll.length()), u"qorfixture.dll");
    EXPECT_TRUE(!name) << "given by ordinal";
    EXPECT_EQ(ordinal, 7);
    EXPECT_EQ(constants->GetDllEntry(tick->memid, INVOKE_PROPERTYGET, nullptr, nullptr, nullptr),
              TYPE_E_ELEMENTNOTFOUND);
    EXPECT_EQ(typeInfoOf(lib.get(), iidCalc)->GetDllEntry(1, INVOKE_FUNC, nullptr, nullptr, nullptr),
              TYPE_E_BADMODULEKIND);
}

// A library written for 32-bit Windows stores 4-byte pointers and vtable
// slots; both are scaled to this process's pointers.
TEST(TypeLibLoading, ThirtyTwoBitLibraryScalesPointersAndVtableOffsets) {
    Ref<ITypeLib> lib = loadFixture("QorFixture32.tlb");
    ASSERT_TRUE(lib);
    Ref<ITypeInfo> vtable = implTypeOf(typeInfoOf(lib.get(), iidCalc).get(), -1);
    ASSERT_TRUE(vtable);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(vtable->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->cbSizeVft, 27 * sizeof(void*));
    EXPECT_EQ(attr->cbSizeInstance, sizeof(void*));
    EXPECT_EQ(attr->cbAlignment, alignof(void*));
    FUNCDESC* f = nullptr;
    ASSERT_EQ(vtable->GetFuncDesc(0, &f), S_OK);
    EXPECT_EQ(f->oVft, 7 * static_cast<SHORT>(sizeof(void*)));
}

// QorFixtureExt: ICircle derives from IShape of QorFixture, IStyled names
// stdole2's IFontDisp and passes objects with defaultvalue(0). The library
// never names IDispatch itself.
TEST(TypeLibLoading, DispatchViewOfAnImportedBaseDerivesFromIDispatch) {
    Ref<ITypeLib> ext = loadFixture("QorFixtureExt.tlb");
    ASSERT_TRUE(ext);
    Ref<ITypeInfo> base = implTypeOf(typeInfoOf(ext.get(), iidCircle).get(), 0);
    ASSERT_TRUE(base);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(base->GetTypeAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualGUID(attr->guid, IID_IDispatch));
}

// With no stdole2.tlb beside the library, as on a user's machine.
TEST(TypeLibLoading, Stdole2TypesBeyondTheBaseInterfacesResolveWithoutItsFile) {
    Ref<ITypeLib> ext = loadCopies("qor-typelib-stdole2-types", {"QorFixtureExt.tlb", "QorFixture.tlb"});
    ASSERT_TRUE(ext);
    Ref<ITypeInfo> styled = typeInfoOf(ext.get(), iidStyled);
    FUNCDESC* font = nullptr;
    ASSERT_EQ(styled->GetFuncDesc(0, &font), S_OK);
    TYPEDESC const& fontDisp = *font->lprgelemdescParam[0].tdesc.lptdesc->lptdesc;
    ASSERT_EQ(fontDisp.vt, VT_USERDEFINED);
    Ref<ITypeInfo> alias;
    ASSERT_EQ(styled->GetRefTypeInfo(fontDisp.hreftype, alias.put()), S_OK);
    EXPECT_EQ(nameOf(alias.get()), "IFontDisp");
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(alias->GetTypeAttr(&attr), S_OK);
    ASSERT_EQ(attr->tdescAlias.vt, VT_USERDEFINED);
    Ref<ITypeInfo> dispatch;
    ASSERT_EQ(alias->GetRefTypeInfo(attr->tdescAlias.hreftype, dispatch.put()), S_OK);
    EXPECT_EQ(nameOf(dispatch.get()), "Font");
    ASSERT_EQ(dispatch->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
    EXPECT_EQ(attr->cVars, 8);

    // Object parameters declared with defaultvalue(0) default to null objects.
    FUNCDESC* attach = nullptr;
    ASSERT_EQ(styled->GetFuncDesc(1, &attach), S_OK);
    for (SHORT i : {0, 1}) {
        VARIANT const& value = attach->lprgelemdescParam[i].paramdesc.pparamdescex->varDefaultValue;
        EXPECT_EQ(value.vt, i == 0 ? VT_DISPATCH : VT_UNKNOWN);
        EXPECT_EQ(value.punkVal, nullptr);
    }
}

TEST(TypeLibLoading, AMissingImportFailsOnlyWhatNeedsIt) {
    Ref<ITypeLib> ext = loadCopies("qor-typelib-missing-import", {"QorFixtureExt.tlb"});
    ASSERT_TRUE(ext);
    Ref<ITypeInfo> circle = typeInfoOf(ext.get(), iidCircle);
    Ref<ITypeInfo> vtable = implTypeOf(circle.get(), -1);
    ASSERT_TRUE(vtable);
    HREFTYPE href = 0;
    ASSERT_EQ(vtable->GetRefTypeOfImplType(0, &href), S_OK);
    Ref<ITypeInfo> base;
    EXPECT_EQ(vtable->GetRefTypeInfo(href, base.put()), TYPE_E_CANTLOADLIBRARY);
    EXPECT_EQ(vtable->GetRefTypeInfo(0x12345678, base.put()), TYPE_E_ELEMENTNOTFOUND);
    // The members of the library's own type are still there.
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(circle->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->cFuncs, 1);
    EXPECT_EQ(nameOf(circle.get(), 2), "Radius");
}

// The differential check reads QorFixtures.dll\2; the others are ours.
TEST(TypeLibLoading, ModuleResourcesByNumber) {
    std::u16string const dll = fixturePath("QorFixtures.dll");
    Ref<ITypeLib> lib;
    ASSERT_EQ(LoadTypeLibEx(dll.c_str(), REGKIND_NONE, lib.put()), S_OK) << "the first";
    _bstr_t libName;
    lib->GetDocumentation(-1, libName.GetAddress(), nullptr, nullptr, nullptr);
    EXPECT_EQ(std::u16string(libName, libName.length()), u"QorFixture");
    EXPECT_EQ(LoadTypeLibEx((dll + u"\\3").c_str(), REGKIND_NONE, lib.put()), TYPE_E_CANTLOADLIBRARY);
    EXPECT_EQ(LoadTypeLibEx((fixturePath("missing.dll") + u"\\1").c_str(), REGKIND_NONE, lib.put()),
              TYPE_E_CANTLOADLIBRARY);
    EXPECT_FALSE(lib);
}

TEST(TypeLibLoading, FailuresAreReportedAndLeaveNothing) {
    Ref<ITypeLib> lib;
    EXPECT_EQ(LoadTypeLibEx(fixturePath("missing.tlb").c_str(), REGKIND_NONE, lib.put()), TYPE_E_CANTLOADLIBRARY);
    EXPECT_EQ(LoadTypeLibEx(fixturePath("CMakeFiles").c_str(), REGKIND_NONE, lib.put()), TYPE_E_CANTLOADLIBRARY);
    EXPECT_EQ(LoadTypeLibEx(fixturePath("QorFixtures.rc").c_str(), REGKIND_NONE, lib.put()), TYPE_E_UNSUPFORMAT);
    EXPECT_FALSE(lib);
    EXPECT_EQ(LoadTypeLibEx(nullptr, REGKIND_NONE, lib.put()), E_INVALIDARG);
    lib = loadFixture("QorFixture.tlb");
    Ref<ITypeInfo> missing;
    EXPECT_EQ(lib->GetTypeInfo(lib->GetTypeInfoCount(), missing.put()), TYPE_E_ELEMENTNOTFOUND);
    EXPECT_EQ(lib->GetTypeInfoOfGuid(fixtureGuid(0x7f), missing.put()), TYPE_E_ELEMENTNOTFOUND);
    EXPECT_EQ(lib->GetDocumentation(99, nullptr, nullptr, nullptr, nullptr), TYPE_E_ELEMENTNOTFOUND);
    EXPECT_EQ(LoadTypeLibEx(u"x.tlb", REGKIND_NONE, nullptr), E_INVALIDARG);
}

TEST(TypeLibLoading, TypeInfoKeepsItsLibraryAlive) {
    Ref<ITypeInfo> calc;
    {
        Ref<ITypeLib> lib = loadFixture("QorFixture.tlb");
        ASSERT_TRUE(lib);
        calc = typeInfoOf(lib.get(), iidCalc);
    }
    Ref<ITypeLib> container;
    ASSERT_EQ(calc->GetContainingTypeLib(container.put(), nullptr), S_OK);
    _bstr_t name;
    container->GetDocumentation(-1, name.GetAddress(), nullptr, nullptr, nullptr);
    EXPECT_EQ(std::u16string(name, name.length()), u"QorFixture");
    EXPECT_EQ(nameOf(calc.get(), 1), "Add");
}

// A program names an application object's members without naming the
// object: ITypeComp binds them to the variable standing for it, whose type
// is the coclass.
TEST(TypeLibBinding, AnApplicationObjectsMembersBindToTheObject) {
    Ref<ITypeLib> ext = loadFixture("QorFixtureExt.tlb");
    ASSERT_TRUE(ext);
    Ref<ITypeComp> comp;
    ASSERT_EQ(ext->GetTypeComp(comp.put()), S_OK);
    for (std::u16string name : {u"format", u"Clock"}) {
        ITypeInfo* info = nullptr;
        DESCKIND kind = DESCKIND_NONE;
        BINDPTR bound{};
        ASSERT_EQ(comp->Bind(name.data(), 0, 0, &info, &kind, &bound), S_OK);
        ASSERT_EQ(kind, DESCKIND_IMPLICITAPPOBJ) << string::utf16ToUtf8(name);
        EXPECT_EQ(nameOf(info), "Clock");
        TYPEDESC const& object = bound.lpvardesc->elemdescVar.tdesc;
        ASSERT_EQ(object.vt, VT_PTR);
        Ref<ITypeInfo> type;
        ASSERT_EQ(info->GetRefTypeInfo(object.lptdesc->hreftype, type.put()), S_OK);
        EXPECT_EQ(nameOf(type.get()), "Clock");
        info->ReleaseVarDesc(bound.lpvardesc);
        info->Release();
    }
    // Format is a method: asked for as a property, nothing is bound.
    std::u16string format = u"Format";
    ITypeInfo* info = nullptr;
    DESCKIND kind = DESCKIND_FUNCDESC;
    BINDPTR bound{};
    EXPECT_EQ(comp->Bind(format.data(), 0, INVOKE_PROPERTYPUT, &info, &kind, &bound), TYPE_E_TYPEMISMATCH);
    EXPECT_EQ(kind, DESCKIND_NONE);
    EXPECT_EQ(info, nullptr);
}

// The hash of every name a library stores is the one its compiler stored
// beside it (the low word), whatever the case the name is asked in.
TEST(TypeLibNames, TheHashOfANameIsTheOneTheLibraryStores) {
    std::ifstream file(string::utf16ToUtf8(fixturePath("QorFixture.tlb")), std::ios::binary);
    std::vector<char> const image((std::istreambuf_iterator<char>(file)), {});
    auto at = [&](std::size_t offset) {
        std::int32_t value = 0;
        std::memcpy(&value, image.data() + offset, sizeof value);
        return value;
    };
    // The MSFT header, the offsets of the types, the segment directory;
    // the name table is the eighth segment: per name its reference, the
    // next of its hash chain, its length with the hash above, the bytes.
    std::size_t const directory = 0x54 + 4 * std::size_t(at(0x20)) + ((at(0x14) & 0x100) ? 4 : 0);
    std::size_t const table = std::size_t(at(directory + 7 * 16));
    std::size_t const end = table + std::size_t(at(directory + 7 * 16 + 4));
    int names = 0;
    for (std::size_t entry = table; entry < end; ++names) {
        auto const lengthAndHash = static_cast<std::uint32_t>(at(entry + 8));
        std::string name(image.data() + entry + 12, lengthAndHash & 0xFF);
        ULONG const hash = LHashValOfNameSysA(SYS_WIN64, LOCALE_NEUTRAL, name.c_str());
        EXPECT_EQ(WHashValOfLHashVal(hash), lengthAndHash >> 16) << name;
        std::u16string lower = string::utf8ToUtf16(name);
        for (char16_t& c : lower)
            c = c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
        EXPECT_EQ(LHashValOfNameSys(SYS_WIN64, LOCALE_NEUTRAL, lower.c_str()), hash) << name;
        entry += 12 + ((name.size() + 3) & ~std::size_t{3});
    }
    EXPECT_EQ(names, 73);
    EXPECT_EQ(LHashValOfNameSysA(SYS_WIN32, LOCALE_NEUTRAL, "Add") >> 16, 0x10u) << "the table of US English";
    EXPECT_EQ(LHashValOfNameSysA(SYS_WIN32, MAKELCID(0x0419, 0), "Add"), 0u) << "no table for Russian: any name";
}

} // namespace
} // namespace qor::test
