// A user's own object model (UserModel.idl) driven from scripts as its
// README-taught author expects: constructors that take objects, script arrays
// read by value, members of a second interface, typed array parameters,
// enumeration constants and names the library spells in another case.

#include "Format/Engine/JavaScript/Com/BindingHost.h"

#include "Format/Engine/JavaScript/Com/Bindings/StartupSnapshot.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qor::test::bindings {
namespace {

// DISPIDs as the library numbers members without an [id]: from 0x60020000 in
// each interface.
enum UserModelMember : DISPID {
    sheetActivate = 0x60020000,
    sheetName,
    sheetCells,
    sheetSum,
    sheetJoin,
    sheetPack,
    sheetKeep,
    sheetFill,
    sheetNew,
    sheetNew2,
    sheetWeights,
    layoutFreeze = 0x60020000,
    layoutMargin,
    layoutName = 0x60020003,
    cellsTally = 0x60020000,
    cellsCount,
    cellsNew = 0x60020004,
};

std::u16string textOf(BSTR text) {
    return std::u16string(reinterpret_cast<char16_t const*>(text), SysStringLen(text));
}

// A sheet: its default interface answered by its own handler, its layout
// interface by a second counted object that QueryInterface hands out, as an
// object of two interfaces does.
class SheetObject : public TypedDispatch {
public:
    explicit SheetObject(BindingHost& host) : TypedDispatch(host.typeInfo(iidSheet)), layout(host.typeInfo(iidSheetLayout)) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (answersLayout && ppv != nullptr && IsEqualGUID(riid, iidSheetLayout.to<IID>())) {
            layout.AddRef();
            *ppv = static_cast<IDispatch*>(&layout);
            return S_OK;
        }
        return TypedDispatch::QueryInterface(riid, ppv);
    }

    TypedDispatch layout;
    bool answersLayout = true;
};

class UserModelTest : public BindingTest {
protected:
    UserModelTest() {
        host.sheetCreator = &sheetCreator;
        host.cellsCreator = &cellsCreator;
        sheetCreator.onInvoke(handingOut(&sheet));
        cellsCreator.onInvoke(handingOut(&cells));
        sheet.onInvoke([this](DISPID dispid, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*) {
            return answerSheet(dispid, params, *result);
        });
        sheet.layout.onInvoke([](DISPID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*) {
            if (flags != DISPATCH_PROPERTYPUT) {
                result->vt = VT_R8;
                result->dblVal = 2.5;
            }
            return S_OK;
        });
        cells.onInvoke(answering(LONG{3}));
        run("var sheet = new Sheet('Budget')");
    }
    ~UserModelTest() override {
        expectBalancedAfterTeardown(sheet, sheet.layout, cells, sheetCreator, cellsCreator);
        host.sheetCreator = nullptr;
        host.cellsCreator = nullptr;
    }

    HRESULT answerSheet(DISPID dispid, DISPPARAMS* params, VARIANT& result) {
        VARIANT* argument = params->cArgs > 0 ? &params->rgvarg[params->cArgs - 1] : nullptr;
        if (argument != nullptr)
            argumentTypes.push_back(argument->vt);
        switch (dispid) {
        case sheetCells:
            return handOut(&result, &cells);
        case sheetSum:
        case sheetJoin:
        case sheetPack:
            return argument != nullptr ? readArray(*argument, result) : DISP_E_BADPARAMCOUNT;
        case sheetKeep: {
            // What a host does with a value it wants as text.
            VARIANT text;
            VariantInit(&text);
            HRESULT const hr = VariantChangeType(&text, argument, 0, VT_BSTR);
            if (SUCCEEDED(hr))
                kept = textOf(text.bstrVal);
            VariantClear(&text);
            return hr;
        }
        default:
            return S_OK;
        }
    }

    // Sums doubles, joins strings, counts VARIANTs; anything else is refused
    // as the type information refuses it.
    HRESULT readArray(VARIANT const& argument, VARIANT& result) {
        if ((argument.vt & VT_ARRAY) == 0)
            return DISP_E_TYPEMISMATCH;
        void* data = nullptr;
        LONG upper = -1;
        SafeArrayGetUBound(argument.parray, 1, &upper);
        SafeArrayAccessData(argument.parray, &data);
        double total = 0;
        std::u16string text;
        for (LONG i = 0; i <= upper; ++i) {
            if (argument.vt == (VT_ARRAY | VT_R8))
                total += static_cast<double*>(data)[i];
            else if (argument.vt == (VT_ARRAY | VT_BSTR))
                text += textOf(static_cast<BSTR*>(data)[i]);
            else
                elementTypes.push_back(static_cast<VARIANT*>(data)[i].vt);
        }
        SafeArrayUnaccessData(argument.parray);
        if (argument.vt == (VT_ARRAY | VT_BSTR)) {
            result.vt = VT_BSTR;
            result.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        } else {
            result.vt = VT_R8;
            result.dblVal = argument.vt == (VT_ARRAY | VT_R8) ? total : upper + 1;
        }
        return S_OK;
    }

    std::vector<DISPID> dispidsOf(CountedDispatch const& object) const {
        std::vector<DISPID> result;
        for (InvokeCall const& call : object.calls())
            result.push_back(call.dispid);
        return result;
    }

    TypedDispatch sheetCreator{host.typeInfo(iidSheet)};
    TypedDispatch cellsCreator{host.typeInfo(iidCells)};
    SheetObject sheet{host};
    TypedDispatch cells{host.typeInfo(iidCells)};
    std::vector<VARTYPE> argumentTypes;
    std::vector<VARTYPE> elementTypes;
    std::u16string kept;
};

TEST_F(UserModelTest, ObjectsAndNullMatchDispatchAndUnknownConstructorParameters) {
    run("new Sheet(sheet, 2); new Sheet(null, 3); new Sheet('Plan'); new Cells(sheet); new Cells(null)");
    EXPECT_EQ(dispidsOf(sheetCreator), (std::vector<DISPID>{sheetNew, sheetNew2, sheetNew2, sheetNew}));
    EXPECT_EQ(dispidsOf(cellsCreator), (std::vector<DISPID>{cellsNew, cellsNew}));
}

TEST_F(UserModelTest, AScriptArrayGivenAsAVariantReadsAsItsTextThroughItsDefaultProperty) {
    EXPECT_EQ(run("sheet.Keep([1, 'two', 3]); 'kept'"), "kept");
    EXPECT_EQ(argumentTypes, std::vector<VARTYPE>{VT_DISPATCH});
    EXPECT_EQ(kept, u"1,two,3");
}

TEST_F(UserModelTest, MembersOfTheSecondInterfaceAreCalledThroughIt) {
    // Freeze's DISPID is Activate's, Margin's Name's: only the interface tells
    // them apart. Where both interfaces name a member, the default one's wins.
    EXPECT_EQ(run("[sheet.Freeze(2), sheet.Margin, sheet.Margin = 4, sheet.Name, sheet.Activate(1)].join()"),
              "2.5,2.5,4,,");
    EXPECT_EQ(dispidsOf(sheet.layout), (std::vector<DISPID>{layoutFreeze, layoutMargin, layoutMargin}));
    EXPECT_EQ(dispidsOf(sheet), (std::vector<DISPID>{sheetName, sheetActivate}));
    // Asked once; given back with the wrapper.
    EXPECT_EQ(sheet.layout.addRefs(), 1);
    run("sheet = null");
    collectGarbage();
    EXPECT_TRUE(sheet.layout.balanced()) << sheet.layout.refCount();
    EXPECT_TRUE(sheet.balanced()) << sheet.refCount();

    // An object that does not answer the interface gets the call itself.
    sheet.answersLayout = false;
    run("new Sheet('Plan').Freeze(3)");
    EXPECT_EQ(dispidsOf(sheet).back(), layoutFreeze);
    EXPECT_EQ(sheet.layout.calls().size(), 3u);
}

TEST_F(UserModelTest, TypedArrayParametersReceiveSafeArraysOfTheirElementType) {
    EXPECT_EQ(run("[sheet.Sum([1, 2.5, '3']), sheet.Sum(new Float64Array([0.5, 1])), sheet.Sum(new Int32Array([4])),"
                  " sheet.Sum([]), sheet.Join(['a', 1, true])].join()"),
              "6.5,1.5,4,0,a1-1"); // true as text is -1, as COM coerces it without VARIANT_ALPHABOOL
    EXPECT_EQ(run("sheet.Weights = [1, 2]; sheet.Pack([sheet, 'x', [1], null])"), "4");
    EXPECT_EQ(argumentTypes[argumentTypes.size() - 2], VT_ARRAY | VT_R8);
    EXPECT_EQ(elementTypes, (std::vector<VARTYPE>{VT_DISPATCH, VT_BSTR, VT_DISPATCH, VT_NULL}));
    // The array and the reference it held on the sheet are gone after the call.
    EXPECT_EQ(sheet.refCount(), 2);
    // A VARIANT still gets the array's own object; a reference stays out of
    // reach.
    run("sheet.Keep([1]); try { sheet.Fill([1]); } catch (e) {}");
    EXPECT_EQ(argumentTypes.back(), VT_DISPATCH);
    EXPECT_EQ(argumentTypes[argumentTypes.size() - 2], VT_DISPATCH);

    EXPECT_EQ(thrown("sheet.Sum([1, 'x'])"), "Sheet.Sum: argument 1 cannot be passed to COM: element 1: Type mismatch.");
    EXPECT_EQ(thrown("sheet.Sum([1, 2, {}])"), "Sheet.Sum: argument 1 cannot be passed to COM: element 2: script "
                                               "objects other than arrays and COM objects have no COM form");
    EXPECT_EQ(thrown("sheet.Sum(new BigInt64Array(1))"),
              "Sheet.Sum: argument 1 cannot be passed to COM: element 0: bigint values have no COM form");
    EXPECT_EQ(thrown("var parts = [1, 2]; Object.defineProperty(parts, 1, {get() { throw 'unreadable'; }});"
                     " sheet.Join(parts)"),
              "unreadable");
}

TEST_F(UserModelTest, EnumerationConstantsAreReadOnlyPropertiesOfItsConstructor) {
    EXPECT_EQ(run("[AccColor.accRed, AccColor.accGreen, AccColor.accBlue, typeof accBlue].join()"), "1,2,4,undefined");
    EXPECT_EQ(run("AccColor.accBlue = 9; delete AccColor.accBlue; AccColor.accBlue"), "4");
    EXPECT_EQ(run("Object.keys(AccColor).filter(key => key.startsWith('acc')).join()"), "accRed,accGreen,accBlue");
}

TEST_F(UserModelTest, ANameTheLibrarySpellsInAnotherCaseIsFoundWithoutRegardToCase) {
    EXPECT_EQ(run("var cells = sheet.Cells; [cells.Count, cells.count, cells.TALLY(), 'Count' in cells].join()"),
              "3,3,3,true");
    EXPECT_EQ(dispidsOf(cells), (std::vector<DISPID>{cellsCount, cellsCount, cellsTally}));
    // Found names, symbols and names found nowhere are as they were.
    EXPECT_EQ(run("[typeof cells.toString, cells.Missing, cells[Symbol.for('Count')], 'Missing' in cells].join()"),
              "function,,,false");
    // Such a name is not written: a script property would hide the member.
    // A name found nowhere becomes the script's own.
    EXPECT_EQ(run("cells.COUNT = 1; cells.Extra = 2; [cells.COUNT, cells.Extra, cells.extra].join()"), "3,2,");
    EXPECT_EQ(thrown("(function () { 'use strict'; cells.COUNT = 1; })()"),
              "TypeError: Cannot assign to read only property 'COUNT' of object '#<ICells>'");
    EXPECT_EQ(cells.calls().size(), 4u);
    run("cells = null");
    collectGarbage();
    EXPECT_TRUE(cells.balanced()) << cells.refCount();
}

} // namespace
} // namespace qor::test::bindings
