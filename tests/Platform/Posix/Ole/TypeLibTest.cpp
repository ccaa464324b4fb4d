// Reading the fixture libraries back through ITypeLib and ITypeInfo gives
// what their IDL declares.

#include "Platform/Posix/Ole/TypeLibFixtures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <strings.h>
#include <vector>

namespace qor::test {
namespace {

GUID const libId = fixtureGuid(0x01);
GUID const iidCalc = fixtureGuid(0x02);
GUID const iidShape = fixtureGuid(0x03);
GUID const iidSquare = fixtureGuid(0x04);
GUID const iidPlain = fixtureGuid(0x05);
GUID const diidEvents = fixtureGuid(0x06);
GUID const clsidCalculator = fixtureGuid(0x07);
GUID const colourId = fixtureGuid(0x10);
GUID const pointId = fixtureGuid(0x11);
GUID const iidCircle = fixtureGuid(0x21);

class TypeLibTest : public ::testing::Test {
protected:
    void SetUp() override {
        lib = loadFixture("QorFixture.tlb");
        ASSERT_TRUE(lib);
    }

    Ref<ITypeInfo> dualInterface(GUID const& iid) {
        Ref<ITypeInfo> dispatch = typeInfoOf(lib.get(), iid);
        HREFTYPE href = 0;
        EXPECT_EQ(dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &href), S_OK);
        Ref<ITypeInfo> vtable;
        EXPECT_EQ(dispatch->GetRefTypeInfo(href, vtable.put()), S_OK);
        return vtable;
    }

    static FUNCDESC* funcByName(ITypeInfo* info, char const* name, INVOKEKIND kind = INVOKE_FUNC) {
        TYPEATTR* attr = nullptr;
        info->GetTypeAttr(&attr);
        for (UINT i = 0; i < attr->cFuncs; ++i) {
            FUNCDESC* f = nullptr;
            info->GetFuncDesc(i, &f);
            // The library stores one spelling per name, whatever case came first.
            if (strcasecmp(nameOf(info, f->memid).c_str(), name) == 0 && f->invkind == kind)
                return f;
        }
        return nullptr;
    }

    static std::string refName(ITypeInfo* info, HREFTYPE href) {
        Ref<ITypeInfo> target;
        if (FAILED(info->GetRefTypeInfo(href, target.put())))
            return "<unresolved>";
        return nameOf(target.get());
    }

    Ref<ITypeLib> lib;
};

TEST_F(TypeLibTest, LibraryAttributesAndDocumentation) {
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(lib->GetLibAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualGUID(attr->guid, libId));
    EXPECT_EQ(attr->syskind, SYS_WIN64);
    EXPECT_EQ(attr->wMajorVerNum, 1);
    EXPECT_EQ(attr->wMinorVerNum, 2);
    EXPECT_EQ(attr->lcid, 0u);
    EXPECT_EQ(attr->wLibFlags, LIBFLAG_FHASDISKIMAGE);
    lib->ReleaseTLibAttr(attr);

    Bstr name, doc;
    DWORD context = 1;
    ASSERT_EQ(lib->GetDocumentation(-1, name.out(), doc.out(), &context, nullptr), S_OK);
    EXPECT_EQ(name.utf8(), "QorFixture");
    EXPECT_EQ(doc.utf8(), "Qor fixture library");
    EXPECT_EQ(context, 0u);

    Bstr calcName, calcDoc;
    ASSERT_EQ(lib->GetDocumentation(1, calcName.out(), calcDoc.out(), nullptr, nullptr), S_OK);
    EXPECT_EQ(calcName.utf8(), "ICalc");
    EXPECT_EQ(calcDoc.utf8(), "Arithmetic");
    EXPECT_EQ(lib->GetDocumentation(99, nullptr, nullptr, nullptr, nullptr), TYPE_E_ELEMENTNOTFOUND);
}

TEST_F(TypeLibTest, TypesByIndexAndGuid) {
    std::vector<std::pair<std::string, TYPEKIND>> const expected = {
        {"IShape", TKIND_DISPATCH}, {"ICalc", TKIND_DISPATCH},  {"Colour", TKIND_ENUM},
        {"Count", TKIND_ALIAS},      {"Point", TKIND_RECORD},
        {"ISquare", TKIND_DISPATCH}, {"IPlain", TKIND_INTERFACE}, {"DEvents", TKIND_DISPATCH},
        {"Calculator", TKIND_COCLASS}, {"Square", TKIND_COCLASS}, {"Constants", TKIND_MODULE},
        {"ShapeRef", TKIND_ALIAS}};
    ASSERT_EQ(lib->GetTypeInfoCount(), expected.size());
    for (UINT i = 0; i < expected.size(); ++i) {
        Ref<ITypeInfo> info;
        ASSERT_EQ(lib->GetTypeInfo(i, info.put()), S_OK);
        EXPECT_EQ(nameOf(info.get()), expected[i].first);
        TYPEKIND kind{};
        EXPECT_EQ(lib->GetTypeInfoType(i, &kind), S_OK);
        EXPECT_EQ(kind, expected[i].second) << expected[i].first;
        Ref<ITypeLib> container;
        UINT index = 99;
        EXPECT_EQ(info->GetContainingTypeLib(container.put(), &index), S_OK);
        EXPECT_EQ(container.get(), lib.get());
        EXPECT_EQ(index, i);
    }
    Ref<ITypeInfo> missing;
    EXPECT_EQ(lib->GetTypeInfo(static_cast<UINT>(expected.size()), missing.put()), TYPE_E_ELEMENTNOTFOUND);
    EXPECT_EQ(lib->GetTypeInfoOfGuid(fixtureGuid(0x7f), missing.put()), TYPE_E_ELEMENTNOTFOUND);
    EXPECT_EQ(nameOf(typeInfoOf(lib.get(), clsidCalculator).get()), "Calculator");
}

TEST_F(TypeLibTest, DualInterfaceDispatchViewListsTheWholeVtableAsDispatchMembers) {
    Ref<ITypeInfo> calc = typeInfoOf(lib.get(), iidCalc);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(calc->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
    EXPECT_EQ(attr->wTypeFlags, TYPEFLAG_FDUAL | TYPEFLAG_FDISPATCHABLE);
    EXPECT_EQ(attr->cFuncs, 7 + 20);
    EXPECT_EQ(attr->cImplTypes, 1);
    EXPECT_EQ(attr->cbSizeVft, 7 * sizeof(void*));
    EXPECT_EQ(attr->cbSizeInstance, sizeof(void*));
    calc->ReleaseTypeAttr(attr);

    HREFTYPE base = 0;
    ASSERT_EQ(calc->GetRefTypeOfImplType(0, &base), S_OK);
    EXPECT_EQ(refName(calc.get(), base), "IDispatch");

    FUNCDESC* first = nullptr;
    ASSERT_EQ(calc->GetFuncDesc(0, &first), S_OK);
    EXPECT_EQ(nameOf(calc.get(), first->memid), "QueryInterface");
    EXPECT_EQ(first->funckind, FUNC_DISPATCH);
    EXPECT_EQ(first->wFuncFlags, FUNCFLAG_FRESTRICTED);
    EXPECT_EQ(first->elemdescFunc.tdesc.vt, VT_VOID);
    // A type named by an inherited member resolves in the library declaring it.
    EXPECT_EQ(first->lprgelemdescParam[0].tdesc.vt, VT_PTR);
    EXPECT_EQ(refName(calc.get(), first->lprgelemdescParam[0].tdesc.lptdesc->hreftype), "GUID");

    FUNCDESC* add = funcByName(calc.get(), "Add");
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add->memid, 1);
    EXPECT_EQ(add->funckind, FUNC_DISPATCH);
    EXPECT_EQ(add->invkind, INVOKE_FUNC);
    EXPECT_EQ(add->callconv, CC_STDCALL);
    EXPECT_EQ(add->cParams, 2);
    EXPECT_EQ(add->elemdescFunc.tdesc.vt, VT_I4);
    EXPECT_EQ(add->lprgelemdescParam[0].tdesc.vt, VT_I4);
    EXPECT_EQ(add->lprgelemdescParam[1].paramdesc.wParamFlags, PARAMFLAG_FIN);
    FUNCDESC* fail = funcByName(calc.get(), "Fail");
    ASSERT_NE(fail, nullptr);
    EXPECT_EQ(fail->elemdescFunc.tdesc.vt, VT_VOID);
}

TEST_F(TypeLibTest, DualInterfaceVtableSide) {
    Ref<ITypeInfo> calc = dualInterface(iidCalc);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(calc->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_INTERFACE);
    EXPECT_EQ(attr->cFuncs, 20);
    EXPECT_EQ(attr->cbSizeVft, 27 * sizeof(void*));
    EXPECT_TRUE(IsEqualGUID(attr->guid, iidCalc));
    HREFTYPE base = 0;
    ASSERT_EQ(calc->GetRefTypeOfImplType(0, &base), S_OK);
    EXPECT_EQ(refName(calc.get(), base), "IDispatch");

    FUNCDESC* add = funcByName(calc.get(), "Add");
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add->funckind, FUNC_PUREVIRTUAL);
    EXPECT_EQ(add->oVft, 7 * static_cast<SHORT>(sizeof(void*)));
    EXPECT_EQ(add->cParams, 3);
    EXPECT_EQ(add->elemdescFunc.tdesc.vt, VT_HRESULT);
    ELEMDESC const& result = add->lprgelemdescParam[2];
    EXPECT_EQ(result.tdesc.vt, VT_PTR);
    EXPECT_EQ(result.tdesc.lptdesc->vt, VT_I4);
    EXPECT_EQ(result.paramdesc.wParamFlags, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL);

    // The vtable side leads back to the dispatch view.
    HREFTYPE dispatchSide = 0;
    ASSERT_EQ(calc->GetRefTypeOfImplType(static_cast<UINT>(-1), &dispatchSide), S_OK);
    Ref<ITypeInfo> back;
    ASSERT_EQ(calc->GetRefTypeInfo(dispatchSide, back.put()), S_OK);
    EXPECT_EQ(back.get(), typeInfoOf(lib.get(), iidCalc).get());
}

TEST_F(TypeLibTest, ParameterTypesFlagsAndDefaults) {
    Ref<ITypeInfo> calc = dualInterface(iidCalc);

    FUNCDESC* defaults = funcByName(calc.get(), "Defaults");
    ASSERT_NE(defaults, nullptr);
    ASSERT_EQ(defaults->cParams, 5);
    EXPECT_EQ(defaults->cParamsOpt, 4);
    auto defaultOf = [&](int i) -> VARIANT const& {
        PARAMDESC const& p = defaults->lprgelemdescParam[i].paramdesc;
        EXPECT_EQ(p.wParamFlags, PARAMFLAG_FIN | PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT);
        return p.pparamdescex->varDefaultValue;
    };
    EXPECT_EQ(defaultOf(0).vt, VT_I4);
    EXPECT_EQ(defaultOf(0).lVal, 7);
    EXPECT_EQ(defaultOf(1).vt, VT_BSTR);
    EXPECT_EQ(std::u16string(defaultOf(1).bstrVal), u"abc");
    EXPECT_EQ(defaultOf(2).lVal, -100000);
    EXPECT_EQ(defaultOf(3).vt, VT_BOOL);
    EXPECT_EQ(defaultOf(3).boolVal, VARIANT_TRUE);
    EXPECT_EQ(defaults->lprgelemdescParam[4].paramdesc.pparamdescex, nullptr);

    FUNCDESC* scale = funcByName(calc.get(), "Scale");
    ASSERT_NE(scale, nullptr);
    EXPECT_EQ(scale->lprgelemdescParam[1].tdesc.vt, VT_I2);
    EXPECT_EQ(scale->lprgelemdescParam[1].paramdesc.pparamdescex->varDefaultValue.iVal, 3);

    FUNCDESC* optional = funcByName(calc.get(), "Optional");
    ASSERT_NE(optional, nullptr);
    EXPECT_EQ(optional->lprgelemdescParam[1].tdesc.vt, VT_VARIANT);
    EXPECT_EQ(optional->lprgelemdescParam[1].paramdesc.wParamFlags, PARAMFLAG_FIN | PARAMFLAG_FOPT);

    FUNCDESC* swap = funcByName(calc.get(), "Swap");
    ASSERT_NE(swap, nullptr);
    EXPECT_EQ(swap->lprgelemdescParam[1].tdesc.lptdesc->vt, VT_BSTR);
    EXPECT_EQ(swap->lprgelemdescParam[1].paramdesc.wParamFlags, PARAMFLAG_FIN | PARAMFLAG_FOUT);

    FUNCDESC* sum = funcByName(calc.get(), "Sum");
    ASSERT_NE(sum, nullptr);
    EXPECT_EQ(sum->lprgelemdescParam[0].tdesc.vt, VT_SAFEARRAY);
    EXPECT_EQ(sum->lprgelemdescParam[0].tdesc.lptdesc->vt, VT_I4);

    FUNCDESC* unknown = funcByName(calc.get(), "Unknown");
    ASSERT_NE(unknown, nullptr);
    EXPECT_EQ(unknown->lprgelemdescParam[0].tdesc.vt, VT_UNKNOWN);

    FUNCDESC* shape = funcByName(calc.get(), "Shape");
    ASSERT_NE(shape, nullptr);
    TYPEDESC const& shapeType = shape->lprgelemdescParam[0].tdesc;
    ASSERT_EQ(shapeType.vt, VT_PTR);
    ASSERT_EQ(shapeType.lptdesc->vt, VT_USERDEFINED);
    EXPECT_EQ(refName(calc.get(), shapeType.lptdesc->hreftype), "IShape");

    FUNCDESC* paint = funcByName(calc.get(), "Paint");
    ASSERT_NE(paint, nullptr);
    ASSERT_EQ(paint->lprgelemdescParam[0].tdesc.vt, VT_USERDEFINED);
    EXPECT_EQ(refName(calc.get(), paint->lprgelemdescParam[0].tdesc.hreftype), "Colour");

    FUNCDESC* mixed = funcByName(calc.get(), "Mixed");
    ASSERT_NE(mixed, nullptr);
    std::vector<VARTYPE> const mixedTypes = {VT_UI1, VT_I2, VT_R4, VT_UI4, VT_DATE, VT_BOOL, VT_I8};
    for (std::size_t i = 0; i < mixedTypes.size(); ++i)
        EXPECT_EQ(mixed->lprgelemdescParam[i].tdesc.vt, mixedTypes[i]) << i;

    FUNCDESC* secret = funcByName(calc.get(), "Secret");
    ASSERT_NE(secret, nullptr);
    EXPECT_EQ(secret->wFuncFlags, FUNCFLAG_FRESTRICTED | FUNCFLAG_FHIDDEN);
    EXPECT_EQ(secret->lprgelemdescParam[0].paramdesc.wParamFlags, PARAMFLAG_FOUT);
}

TEST_F(TypeLibTest, PropertyAccessorsShareTheirMemberId) {
    Ref<ITypeInfo> calc = typeInfoOf(lib.get(), iidCalc);
    FUNCDESC* get = funcByName(calc.get(), "Value", INVOKE_PROPERTYGET);
    FUNCDESC* put = funcByName(calc.get(), "Value", INVOKE_PROPERTYPUT);
    FUNCDESC* putRef = funcByName(calc.get(), "Target", INVOKE_PROPERTYPUTREF);
    ASSERT_TRUE(get && put && putRef);
    EXPECT_EQ(get->memid, 6);
    EXPECT_EQ(put->memid, 6);
    EXPECT_EQ(get->cParams, 0);
    EXPECT_EQ(get->elemdescFunc.tdesc.vt, VT_I4);
    EXPECT_EQ(put->cParams, 1);
    EXPECT_EQ(putRef->lprgelemdescParam[0].tdesc.vt, VT_DISPATCH);
    FUNCDESC* item = funcByName(calc.get(), "Item", INVOKE_PROPERTYGET);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->cParams, 1);
    EXPECT_EQ(item->elemdescFunc.tdesc.vt, VT_VARIANT);
}

TEST_F(TypeLibTest, NamesAndIdsOfNames) {
    Ref<ITypeInfo> calc = typeInfoOf(lib.get(), iidCalc);
    BSTR names[5] = {};
    UINT count = 0;
    ASSERT_EQ(calc->GetNames(1, names, 5, &count), S_OK);
    ASSERT_EQ(count, 3u);
    EXPECT_EQ(std::u16string(names[0]), u"Add");
    EXPECT_EQ(std::u16string(names[1]), u"a");
    EXPECT_EQ(std::u16string(names[2]), u"b");
    for (UINT i = 0; i < count; ++i)
        SysFreeString(names[i]);
    ASSERT_EQ(calc->GetNames(1, names, 1, &count), S_OK);
    EXPECT_EQ(count, 1u);
    SysFreeString(names[0]);
    EXPECT_EQ(calc->GetNames(999, names, 1, &count), TYPE_E_ELEMENTNOTFOUND);

    std::u16string add = u"aDD", b = u"B", nope = u"nope";
    LPOLESTR query[] = {add.data(), b.data()};
    MEMBERID ids[2] = {};
    ASSERT_EQ(calc->GetIDsOfNames(query, 2, ids), S_OK);
    EXPECT_EQ(ids[0], 1);
    EXPECT_EQ(ids[1], 1);
    LPOLESTR bad[] = {add.data(), nope.data()};
    EXPECT_EQ(calc->GetIDsOfNames(bad, 2, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], 1);
    EXPECT_EQ(ids[1], DISPID_UNKNOWN);
    LPOLESTR unknown[] = {nope.data()};
    EXPECT_EQ(calc->GetIDsOfNames(unknown, 1, ids), DISP_E_UNKNOWNNAME);
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

TEST_F(TypeLibTest, CoclassImplementedTypesAndFlags) {
    Ref<ITypeInfo> calculator = typeInfoOf(lib.get(), clsidCalculator);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(calculator->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_COCLASS);
    EXPECT_EQ(attr->wTypeFlags, TYPEFLAG_FCANCREATE);
    ASSERT_EQ(attr->cImplTypes, 4);
    std::vector<std::pair<std::string, INT>> const expected = {
        {"ICalc", IMPLTYPEFLAG_FDEFAULT},
        {"IShape", 0},
        {"DEvents", IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE},
        {"IPlain", IMPLTYPEFLAG_FRESTRICTED}};
    for (UINT i = 0; i < expected.size(); ++i) {
        HREFTYPE href = 0;
        INT flags = -1;
        ASSERT_EQ(calculator->GetRefTypeOfImplType(i, &href), S_OK);
        ASSERT_EQ(calculator->GetImplTypeFlags(i, &flags), S_OK);
        EXPECT_EQ(refName(calculator.get(), href), expected[i].first);
        EXPECT_EQ(flags, expected[i].second);
    }
    HREFTYPE href = 0;
    INT flags = 0;
    EXPECT_EQ(calculator->GetRefTypeOfImplType(4, &href), TYPE_E_ELEMENTNOTFOUND);
    EXPECT_EQ(calculator->GetImplTypeFlags(4, &flags), TYPE_E_ELEMENTNOTFOUND);
    EXPECT_EQ(calculator->GetRefTypeOfImplType(static_cast<UINT>(-1), &href), TYPE_E_ELEMENTNOTFOUND);
    Bstr doc;
    ASSERT_EQ(calculator->GetDocumentation(MEMBERID_NIL, nullptr, doc.out(), nullptr, nullptr), S_OK);
    EXPECT_EQ(doc.utf8(), "Calculator");
}

TEST_F(TypeLibTest, DispinterfaceMethodsAndProperties) {
    Ref<ITypeInfo> events = typeInfoOf(lib.get(), diidEvents);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(events->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
    EXPECT_EQ(attr->cFuncs, 2);
    EXPECT_EQ(attr->cVars, 1);
    EXPECT_EQ(attr->cImplTypes, 1);
    HREFTYPE base = 0;
    ASSERT_EQ(events->GetRefTypeOfImplType(0, &base), S_OK);
    EXPECT_EQ(refName(events.get(), base), "IDispatch");
    FUNCDESC* changed = nullptr;
    ASSERT_EQ(events->GetFuncDesc(0, &changed), S_OK);
    EXPECT_EQ(changed->funckind, FUNC_DISPATCH);
    EXPECT_EQ(changed->memid, 2);
    EXPECT_EQ(changed->oVft, 0); // called through Invoke, whatever slot the file stores
    EXPECT_EQ(changed->elemdescFunc.tdesc.vt, VT_VOID);
    VARDESC* counter = nullptr;
    ASSERT_EQ(events->GetVarDesc(0, &counter), S_OK);
    EXPECT_EQ(counter->varkind, VAR_DISPATCH);
    EXPECT_EQ(counter->memid, 1);
    EXPECT_EQ(counter->elemdescVar.tdesc.vt, VT_I4);
    EXPECT_EQ(nameOf(events.get(), 1), "Counter");
    EXPECT_EQ(events->GetVarDesc(1, &counter), TYPE_E_ELEMENTNOTFOUND);
}

TEST_F(TypeLibTest, EnumsRecordsAliasesAndModules) {
    Ref<ITypeInfo> colour = typeInfoOf(lib.get(), colourId);
    std::vector<std::pair<std::string, LONG>> const constants = {{"Red", 0}, {"Green", 1}, {"Blue", 42}, {"Negative", -7}};
    for (UINT i = 0; i < constants.size(); ++i) {
        VARDESC* v = nullptr;
        ASSERT_EQ(colour->GetVarDesc(i, &v), S_OK);
        EXPECT_EQ(v->varkind, VAR_CONST);
        EXPECT_EQ(nameOf(colour.get(), v->memid), constants[i].first);
        EXPECT_EQ(v->lpvarValue->vt, VT_I4);
        EXPECT_EQ(v->lpvarValue->lVal, constants[i].second);
    }

    Ref<ITypeInfo> point = typeInfoOf(lib.get(), pointId);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(point->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->cbSizeInstance, 16u);
    EXPECT_EQ(attr->cbAlignment, 8);
    std::vector<std::pair<VARTYPE, ULONG>> const fields = {{VT_I4, 0}, {VT_I4, 4}, {VT_R8, 8}};
    for (UINT i = 0; i < fields.size(); ++i) {
        VARDESC* v = nullptr;
        ASSERT_EQ(point->GetVarDesc(i, &v), S_OK);
        EXPECT_EQ(v->varkind, VAR_PERINSTANCE);
        EXPECT_EQ(v->elemdescVar.tdesc.vt, fields[i].first);
        EXPECT_EQ(v->oInst, fields[i].second);
    }

    Ref<ITypeInfo> count;
    ASSERT_EQ(lib->GetTypeInfo(3, count.put()), S_OK);
    ASSERT_EQ(count->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_ALIAS);
    EXPECT_EQ(attr->tdescAlias.vt, VT_I4);
}

TEST_F(TypeLibTest, InterfaceDerivedFromDualBaseInheritsItsVtable) {
    Ref<ITypeInfo> square = typeInfoOf(lib.get(), iidSquare);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(square->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->cFuncs, 7 + 2 + 2);
    FUNCDESC* f = nullptr;
    ASSERT_EQ(square->GetFuncDesc(7, &f), S_OK);
    EXPECT_EQ(nameOf(square.get(), f->memid), "Name");
    EXPECT_EQ(f->elemdescFunc.tdesc.vt, VT_BSTR);

    Ref<ITypeInfo> vtable = dualInterface(iidSquare);
    HREFTYPE base = 0;
    ASSERT_EQ(vtable->GetRefTypeOfImplType(0, &base), S_OK);
    Ref<ITypeInfo> shape;
    ASSERT_EQ(vtable->GetRefTypeInfo(base, shape.put()), S_OK);
    ASSERT_EQ(shape->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_INTERFACE);
    EXPECT_TRUE(IsEqualGUID(attr->guid, iidShape));
    FUNCDESC* resize = funcByName(vtable.get(), "Resize");
    ASSERT_NE(resize, nullptr);
    EXPECT_EQ(resize->oVft, 9 * static_cast<SHORT>(sizeof(void*)));
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
    FUNCDESC* copy = funcByName(vtable.get(), "Copy");
    ASSERT_NE(copy, nullptr);
    TYPEDESC const& shape = *copy->lprgelemdescParam[0].tdesc.lptdesc->lptdesc;
    ASSERT_EQ(shape.vt, VT_USERDEFINED);
    EXPECT_EQ(kindOf(shape.hreftype), TKIND_DISPATCH);
}

TEST_F(TypeLibTest, ModuleFunctionsGiveTheirDllEntry) {
    Ref<ITypeInfo> constants;
    ASSERT_EQ(lib->GetTypeInfo(10, constants.put()), S_OK);
    FUNCDESC* tick = funcByName(constants.get(), "Tick");
    ASSERT_NE(tick, nullptr);
    Bstr dll, name;
    WORD ordinal = 0;
    ASSERT_EQ(constants->GetDllEntry(tick->memid, INVOKE_FUNC, dll.out(), name.out(), &ordinal), S_OK);
    EXPECT_EQ(dll.utf8(), "qorfixture.dll");
    EXPECT_EQ(name.get(), nullptr); // given by ordinal
    EXPECT_EQ(ordinal, 7);
    EXPECT_EQ(constants->GetDllEntry(tick->memid, INVOKE_PROPERTYGET, nullptr, nullptr, nullptr),
              TYPE_E_ELEMENTNOTFOUND);
    EXPECT_EQ(typeInfoOf(lib.get(), iidCalc)->GetDllEntry(1, INVOKE_FUNC, nullptr, nullptr, nullptr),
              TYPE_E_BADMODULEKIND);
}

TEST_F(TypeLibTest, PlainInterfaceDerivesFromIUnknown) {
    Ref<ITypeInfo> plain = typeInfoOf(lib.get(), iidPlain);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(plain->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_INTERFACE);
    EXPECT_EQ(attr->wTypeFlags, TYPEFLAG_FOLEAUTOMATION);
    EXPECT_EQ(attr->cbSizeVft, 5 * sizeof(void*));
    HREFTYPE base = 0;
    ASSERT_EQ(plain->GetRefTypeOfImplType(0, &base), S_OK);
    EXPECT_EQ(refName(plain.get(), base), "IUnknown");
    FUNCDESC* origin = funcByName(plain.get(), "Origin");
    ASSERT_NE(origin, nullptr);
    EXPECT_EQ(origin->oVft, 4 * static_cast<SHORT>(sizeof(void*)));
    EXPECT_EQ(refName(plain.get(), origin->lprgelemdescParam[0].tdesc.lptdesc->hreftype), "Point");
}

// Interfaces, coclasses and aliases of pointers hold one pointer, which a
// library written for 32-bit Windows stores as 4 bytes; other types keep
// their stored layout.
TEST(TypeLibLoading, ThirtyTwoBitLibraryTypesOfOnePointerAreAPointerHere) {
    Ref<ITypeLib> lib = loadFixture("QorFixture32.tlb");
    ASSERT_TRUE(lib);
    for (UINT i = 0; i < lib->GetTypeInfoCount(); ++i) {
        Ref<ITypeInfo> info;
        ASSERT_EQ(lib->GetTypeInfo(i, info.put()), S_OK);
        TYPEATTR* attr = nullptr;
        ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
        bool const onePointer = attr->typekind == TKIND_DISPATCH || attr->typekind == TKIND_INTERFACE ||
                                attr->typekind == TKIND_COCLASS || nameOf(info.get()) == "ShapeRef";
        if (onePointer) {
            EXPECT_EQ(attr->cbSizeInstance, sizeof(void*)) << nameOf(info.get());
            EXPECT_EQ(attr->cbAlignment, alignof(void*)) << nameOf(info.get());
        } else if (attr->typekind == TKIND_ENUM) {
            EXPECT_EQ(attr->cbSizeInstance, 4u);
        }
    }
    Ref<ITypeInfo> point = typeInfoOf(lib.get(), pointId);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(point->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->cbSizeInstance, 16u);
}

TEST(TypeLibLoading, ThirtyTwoBitLibraryScalesVtableOffsetsToThisPlatform) {
    Ref<ITypeLib> lib = loadFixture("QorFixture32.tlb");
    ASSERT_TRUE(lib);
    TLIBATTR* libAttr = nullptr;
    ASSERT_EQ(lib->GetLibAttr(&libAttr), S_OK);
    EXPECT_EQ(libAttr->syskind, SYS_WIN32);
    lib->ReleaseTLibAttr(libAttr);
    Ref<ITypeInfo> calc = typeInfoOf(lib.get(), iidCalc);
    HREFTYPE href = 0;
    ASSERT_EQ(calc->GetRefTypeOfImplType(static_cast<UINT>(-1), &href), S_OK);
    Ref<ITypeInfo> vtable;
    ASSERT_EQ(calc->GetRefTypeInfo(href, vtable.put()), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(vtable->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->cbSizeVft, 27 * sizeof(void*));
    FUNCDESC* f = nullptr;
    ASSERT_EQ(vtable->GetFuncDesc(0, &f), S_OK);
    EXPECT_EQ(f->oVft, 7 * static_cast<SHORT>(sizeof(void*)));
}

// QorFixtureExt: ICircle derives from IShape of QorFixture, IStyled names
// stdole2's IFontDisp and passes objects with defaultvalue(0). The library
// never names IDispatch itself.
class ExtLibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ext = loadFixture("QorFixtureExt.tlb");
        ASSERT_TRUE(ext);
        circle = typeInfoOf(ext.get(), iidCircle);
        ASSERT_EQ(circle->GetTypeAttr(&circleAttr), S_OK);
    }

    Ref<ITypeLib> ext;
    Ref<ITypeInfo> circle;
    TYPEATTR* circleAttr = nullptr;
};

GUID const iidStyled = fixtureGuid(0x24);

TEST_F(ExtLibraryTest, ImportsResolveBesideTheImportingFile) {
    EXPECT_EQ(circleAttr->cFuncs, 7 + 2 + 1);
    FUNCDESC* f = nullptr;
    ASSERT_EQ(circle->GetFuncDesc(8, &f), S_OK);
    EXPECT_EQ(nameOf(circle.get(), f->memid), "Area");
    ASSERT_EQ(circle->GetFuncDesc(0, &f), S_OK);
    EXPECT_EQ(nameOf(circle.get(), f->memid), "QueryInterface");
}

TEST_F(ExtLibraryTest, DispatchViewOfAnImportedBaseDerivesFromIDispatch) {
    ASSERT_EQ(circleAttr->cImplTypes, 1);
    HREFTYPE href = 0;
    ASSERT_EQ(circle->GetRefTypeOfImplType(0, &href), S_OK);
    Ref<ITypeInfo> base;
    ASSERT_EQ(circle->GetRefTypeInfo(href, base.put()), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(base->GetTypeAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualGUID(attr->guid, IID_IDispatch));
}

// With no stdole2.tlb beside the library, as on a user's machine.
TEST(TypeLibLoading, Stdole2TypesBeyondTheBaseInterfacesResolveWithoutItsFile) {
    auto const dir = std::filesystem::temp_directory_path() / "qor-typelib-stdole2-types";
    std::filesystem::create_directories(dir);
    for (char const* name : {"QorFixtureExt.tlb", "QorFixture.tlb"})
        std::filesystem::copy_file(string::utf16ToUtf8(fixturePath(name)), dir / name,
                                   std::filesystem::copy_options::overwrite_existing);
    Ref<ITypeLib> ext;
    ASSERT_EQ(LoadTypeLibEx(string::utf8ToUtf16((dir / "QorFixtureExt.tlb").string()).c_str(), REGKIND_NONE,
                            ext.put()),
              S_OK);
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
    std::filesystem::remove_all(dir);
}

TEST_F(ExtLibraryTest, ObjectParametersDefaultToNullObjects) {
    Ref<ITypeInfo> styled = typeInfoOf(ext.get(), iidStyled);
    FUNCDESC* attach = nullptr;
    ASSERT_EQ(styled->GetFuncDesc(1, &attach), S_OK);
    ASSERT_EQ(attach->cParams, 2);
    for (VARTYPE vt : {VT_DISPATCH, VT_UNKNOWN}) {
        PARAMDESC const& p = attach->lprgelemdescParam[vt == VT_DISPATCH ? 0 : 1].paramdesc;
        ASSERT_NE(p.pparamdescex, nullptr);
        EXPECT_EQ(p.pparamdescex->varDefaultValue.vt, vt);
        EXPECT_EQ(p.pparamdescex->varDefaultValue.punkVal, nullptr);
    }
}

TEST(TypeLibLoading, AMissingImportFailsOnlyWhatNeedsIt) {
    auto const dir = std::filesystem::temp_directory_path() / "qor-typelib-missing-import";
    std::filesystem::create_directories(dir);
    std::filesystem::copy_file(string::utf16ToUtf8(fixturePath("QorFixtureExt.tlb")), dir / "QorFixtureExt.tlb",
                               std::filesystem::copy_options::overwrite_existing);
    Ref<ITypeLib> ext;
    ASSERT_EQ(LoadTypeLibEx(string::utf8ToUtf16((dir / "QorFixtureExt.tlb").string()).c_str(), REGKIND_NONE, ext.put()),
              S_OK);
    Ref<ITypeInfo> circle = typeInfoOf(ext.get(), iidCircle);
    HREFTYPE href = 0;
    ASSERT_EQ(circle->GetRefTypeOfImplType(static_cast<UINT>(-1), &href), S_OK);
    Ref<ITypeInfo> vtable;
    ASSERT_EQ(circle->GetRefTypeInfo(href, vtable.put()), S_OK);
    ASSERT_EQ(vtable->GetRefTypeOfImplType(0, &href), S_OK);
    Ref<ITypeInfo> base;
    EXPECT_EQ(vtable->GetRefTypeInfo(href, base.put()), TYPE_E_CANTLOADLIBRARY);
    EXPECT_EQ(vtable->GetRefTypeInfo(0x12345678, base.put()), TYPE_E_ELEMENTNOTFOUND);
    // The members of the library's own type are still there.
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(circle->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->cFuncs, 1);
    EXPECT_EQ(nameOf(circle.get(), 2), "Radius");
    std::filesystem::remove_all(dir);
}

TEST(TypeLibLoading, ModuleResourcesByNumber) {
    std::u16string const dll = fixturePath("QorFixtures.dll");
    std::vector<std::pair<std::u16string, std::string>> const cases = {
        {dll, "QorFixture"}, {dll + u"\\1", "QorFixture"}, {dll + u"\\2", "QorFixtureExt"}};
    for (auto const& [path, name] : cases) {
        Ref<ITypeLib> lib;
        ASSERT_EQ(LoadTypeLibEx(path.c_str(), REGKIND_NONE, lib.put()), S_OK);
        Bstr libName;
        lib->GetDocumentation(-1, libName.out(), nullptr, nullptr, nullptr);
        EXPECT_EQ(libName.utf8(), name);
    }
    Ref<ITypeLib> lib;
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
    EXPECT_EQ(LoadTypeLibEx(u"x.tlb", REGKIND_NONE, nullptr), E_INVALIDARG);
}

// The built-in stdole2 describes every type as the distributed library does.
TEST(TypeLibLoading, BuiltinStdole2MatchesTheDistributedLibrary) {
    Ref<ITypeLib> builtin;
    ASSERT_EQ(LoadTypeLibEx(u"stdole2.tlb", REGKIND_NONE, builtin.put()), S_OK);
    Ref<ITypeLib> wine = loadFixture("stdole2.tlb");
    ASSERT_TRUE(wine);
    ASSERT_EQ(builtin->GetTypeInfoCount(), wine->GetTypeInfoCount());
    for (UINT index = 0; index < wine->GetTypeInfoCount(); ++index) {
        Ref<ITypeInfo> mine, theirs;
        builtin->GetTypeInfo(index, mine.put());
        wine->GetTypeInfo(index, theirs.put());
        ASSERT_TRUE(mine && theirs);
        TYPEATTR *a = nullptr, *b = nullptr;
        mine->GetTypeAttr(&a);
        theirs->GetTypeAttr(&b);
        EXPECT_EQ(nameOf(mine.get()), nameOf(theirs.get()));
        EXPECT_TRUE(IsEqualGUID(a->guid, b->guid)) << nameOf(theirs.get());
        EXPECT_EQ(a->typekind, b->typekind);
        EXPECT_EQ(a->wTypeFlags, b->wTypeFlags);
        EXPECT_EQ(a->cbSizeVft, b->cbSizeVft);
        EXPECT_EQ(a->cVars, b->cVars);
        EXPECT_EQ(a->cImplTypes, b->cImplTypes);
        ASSERT_EQ(a->cFuncs, b->cFuncs);
        for (UINT i = 0; i < a->cFuncs; ++i) {
            FUNCDESC *f = nullptr, *g = nullptr;
            mine->GetFuncDesc(i, &f);
            theirs->GetFuncDesc(i, &g);
            EXPECT_EQ(f->memid, g->memid);
            EXPECT_EQ(nameOf(mine.get(), f->memid), nameOf(theirs.get(), g->memid));
            EXPECT_EQ(f->oVft, g->oVft);
            EXPECT_EQ(f->wFuncFlags, g->wFuncFlags);
            EXPECT_EQ(f->elemdescFunc.tdesc.vt, g->elemdescFunc.tdesc.vt);
            ASSERT_EQ(f->cParams, g->cParams);
            for (SHORT p = 0; p < f->cParams; ++p) {
                EXPECT_EQ(f->lprgelemdescParam[p].tdesc.vt, g->lprgelemdescParam[p].tdesc.vt);
                EXPECT_EQ(f->lprgelemdescParam[p].paramdesc.wParamFlags, g->lprgelemdescParam[p].paramdesc.wParamFlags);
            }
        }
    }
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
    Bstr name;
    container->GetDocumentation(-1, name.out(), nullptr, nullptr, nullptr);
    EXPECT_EQ(name.utf8(), "QorFixture");
    EXPECT_EQ(nameOf(calc.get(), 1), "Add");
}

} // namespace
} // namespace qor::test
