#include <gtest/gtest.h>

#include <string>

#include "Platform/Com.h"
#include "Support/CountedObject.h"

namespace {

using qor::test::CountedDispatch;

std::u16string str(const OLECHAR* text)
{
    return text != nullptr ? std::u16string(text) : u"<null>";
}

TEST(ComError, CarriesCodeMessageAndErrorObject)
{
    _com_error plain(DISP_E_TYPEMISMATCH);
    EXPECT_EQ(plain.Error(), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(str(plain.ErrorMessage()), u"Type mismatch.");
    EXPECT_EQ(plain.Description().length(), 0u);
    EXPECT_EQ(plain.ErrorInfo(), nullptr);

    _com_error dispatch(_com_error::WCodeToHRESULT(42));
    EXPECT_EQ(dispatch.WCode(), 42);
    EXPECT_EQ(str(dispatch.ErrorMessage()), u"IDispatch error #42");
    _com_error unknown(static_cast<HRESULT>(0x8123ABCDu));
    EXPECT_EQ(str(unknown.ErrorMessage()), u"Unknown error 0x8123ABCD");

    ICreateErrorInfo* create = nullptr;
    CreateErrorInfo(&create);
    create->SetDescription(const_cast<LPOLESTR>(u"Sheet is protected"));
    IErrorInfo* info = nullptr;
    create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info));
    create->Release();
    try {
        _com_raise_error(E_ACCESSDENIED, info); // takes the reference
        FAIL();
    } catch (_com_error const& e) {
        _com_error copy = e;
        EXPECT_EQ(str(copy.Description()), u"Sheet is protected");
        EXPECT_EQ(str(copy.ErrorMessage()), u"Access is denied.");
    }
}

TEST(ComError, IssueErrorExPicksUpTheThreadsErrorObject)
{
    struct Supporting : qor::test::CountedObject<ISupportErrorInfo> {
        STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override
        {
            return IsEqualGUID(riid, IID_IDispatch) ? S_OK : S_FALSE;
        }
    } object;
    ICreateErrorInfo* create = nullptr;
    CreateErrorInfo(&create);
    create->SetSource(const_cast<LPOLESTR>(u"Host"));
    IErrorInfo* info = nullptr;
    create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info));
    create->Release();
    SetErrorInfo(0, info);
    info->Release();
    try {
        _com_issue_errorex(E_FAIL, object.unknown(), IID_IDispatch);
    } catch (_com_error const& e) {
        EXPECT_EQ(str(e.Source()), u"Host");
    }
    EXPECT_TRUE(object.balanced());
}

TEST(BstrT, SharesOneTextBetweenCopies)
{
    _bstr_t a(u"Hello");
    _bstr_t b = a;
    EXPECT_EQ(static_cast<const OLECHAR*>(a), static_cast<const OLECHAR*>(b));
    b += _bstr_t(u" world");
    EXPECT_EQ(str(b), u"Hello world");
    EXPECT_EQ(str(a), u"Hello");
    EXPECT_EQ(b.length(), 11u);
    EXPECT_TRUE(_bstr_t() == _bstr_t(u""));
    EXPECT_TRUE(_bstr_t(u"a") < _bstr_t(u"b"));
    EXPECT_TRUE(!_bstr_t());

    BSTR owned = a.copy();
    EXPECT_NE(owned, static_cast<const OLECHAR*>(a));
    _bstr_t adopted(owned, false);
    EXPECT_EQ(static_cast<const OLECHAR*>(adopted), owned);
    b = a;
    EXPECT_EQ(static_cast<const OLECHAR*>(a), static_cast<const OLECHAR*>(b));
}

TEST(BstrT, NarrowFormUsesTheAnsiCodePage)
{
    _bstr_t text("Gr\xFC\xDF" "e");
    EXPECT_EQ(str(text), u"Gr\u00FC\u00DF" "e");
    _bstr_t euro(u"\u20AC \u4E2D");
    EXPECT_STREQ(static_cast<const char*>(euro), "\x80 ?");

    _bstr_t filled;
    *filled.GetAddress() = SysAllocString(u"out");
    EXPECT_EQ(str(filled), u"out");
    BSTR taken = filled.Detach();
    EXPECT_EQ(filled.length(), 0u);
    SysFreeString(taken);
    _bstr_t shared(u"x"), other = shared;
    try {
        shared.Detach();
        FAIL();
    } catch (_com_error const& e) {
        EXPECT_EQ(e.Error(), E_POINTER);
    }
}

TEST(VariantT, OwnsAndCopiesValues)
{
    CountedDispatch object;
    {
        _variant_t held(static_cast<IDispatch*>(&object));
        EXPECT_EQ(held.vt, VT_DISPATCH);
        _variant_t copy = held;
        EXPECT_EQ(object.refCount(), 3);
        IDispatch* extracted = copy;
        EXPECT_EQ(extracted, &object);
        extracted->Release();
        _variant_t moved = std::move(copy);
        EXPECT_EQ(copy.vt, VT_EMPTY);
        moved = 5;
        EXPECT_EQ(object.refCount(), 2);
    }
    EXPECT_TRUE(object.balanced());

    VARIANT raw;
    VariantInit(&raw);
    raw.vt = VT_BSTR;
    raw.bstrVal = SysAllocString(u"taken");
    _variant_t attached(raw, false);
    EXPECT_EQ(raw.vt, VT_EMPTY);
    EXPECT_EQ(str(attached.bstrVal), u"taken");
}

TEST(VariantT, ConstructorsPickWindowsTypes)
{
    EXPECT_EQ(_variant_t(true).vt, VT_BOOL);
    EXPECT_EQ(_variant_t(true).boolVal, VARIANT_TRUE);
    EXPECT_EQ(_variant_t(short(1)).vt, VT_I2);
    EXPECT_EQ(_variant_t(1).vt, VT_I4);
    EXPECT_EQ(_variant_t(1, VT_ERROR).vt, VT_ERROR);
    EXPECT_EQ(_variant_t(1u).vt, VT_UI4);
    EXPECT_EQ(_variant_t(1ll).vt, VT_I8);
    EXPECT_EQ(_variant_t(1ull).vt, VT_UI8);
    EXPECT_EQ(_variant_t(1.5f).vt, VT_R4);
    EXPECT_EQ(_variant_t(1.5).vt, VT_R8);
    EXPECT_EQ(_variant_t(1.5, VT_DATE).vt, VT_DATE);
    EXPECT_EQ(_variant_t(BYTE(1)).vt, VT_UI1);
    EXPECT_EQ(_variant_t(u"text").vt, VT_BSTR);
    EXPECT_EQ(_variant_t("text").vt, VT_BSTR);
    DECIMAL dec{};
    dec.Lo64 = 7;
    _variant_t decimal(dec);
    EXPECT_EQ(decimal.vt, VT_DECIMAL);
    EXPECT_EQ(decimal.decVal.Lo64, 7u);
    EXPECT_THROW(_variant_t(1.0, VT_I4), _com_error);
}

TEST(VariantT, ExtractorsConvertOrRaise)
{
    _variant_t text(u"42");
    EXPECT_EQ(static_cast<LONG>(text), 42);
    EXPECT_EQ(static_cast<double>(text), 42.0);
    EXPECT_EQ(str(static_cast<_bstr_t>(_variant_t(2.5))), u"2.5");
    EXPECT_EQ(static_cast<bool>(_variant_t(u"True")), true);
    try {
        static_cast<void>(static_cast<LONG>(_variant_t(u"forty")));
        FAIL();
    } catch (_com_error const& e) {
        EXPECT_EQ(e.Error(), DISP_E_TYPEMISMATCH);
    }
    EXPECT_THROW(static_cast<void>(static_cast<BYTE>(_variant_t(300))), _com_error);

    _variant_t v(u"7");
    v.ChangeType(VT_I2);
    EXPECT_EQ(v.vt, VT_I2);
    EXPECT_EQ(v.iVal, 7);
    EXPECT_TRUE(v == _variant_t(short(7)));
    EXPECT_TRUE(_variant_t(u"a") == _variant_t(u"a"));
    EXPECT_TRUE(_variant_t(u"a") != _variant_t(u"b"));
}

} // namespace
