// Error objects, and the COM support classes (_com_error, _bstr_t,
// _variant_t) that carry them and other values.

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "Platform/Com.h"
#include "Support/CountedObject.h"

namespace {

using qor::test::CountedDispatch;

std::u16string str(const OLECHAR* text)
{
    return text != nullptr ? std::u16string(text) : u"<null>";
}

IErrorInfo* errorInfo(char16_t const* description, char16_t const* source, GUID const& iid = GUID_NULL)
{
    ICreateErrorInfo* create = nullptr;
    CreateErrorInfo(&create);
    create->SetDescription(const_cast<LPOLESTR>(description));
    create->SetSource(const_cast<LPOLESTR>(source));
    create->SetGUID(iid);
    IErrorInfo* info = nullptr;
    create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info));
    create->Release();
    return info;
}

TEST(ErrorInfo, ObjectCarriesWhatWasSetAndTheThreadKeepsItOnce)
{
    IErrorInfo* info = errorInfo(u"Sheet not found", u"Host.Sheets", IID_IDispatch);
    ASSERT_NE(info, nullptr);
    _bstr_t description, source, helpFile;
    ASSERT_EQ(info->GetDescription(description.GetAddress()), S_OK);
    ASSERT_EQ(info->GetSource(source.GetAddress()), S_OK);
    ASSERT_EQ(info->GetHelpFile(helpFile.GetAddress()), S_OK);
    EXPECT_EQ(std::u16string(description, description.length()), u"Sheet not found");
    EXPECT_EQ(std::u16string(source, source.length()), u"Host.Sheets");
    EXPECT_TRUE(!helpFile);
    GUID guid{};
    info->GetGUID(&guid);
    EXPECT_EQ(guid, IID_IDispatch);
    EXPECT_EQ(info->GetDescription(nullptr), E_INVALIDARG);

    ASSERT_EQ(SetErrorInfo(0, info), S_OK);
    std::thread([] {
        IErrorInfo* none = reinterpret_cast<IErrorInfo*>(1);
        EXPECT_EQ(GetErrorInfo(0, &none), S_FALSE) << "each thread has its own";
        EXPECT_EQ(none, nullptr);
    }).join();
    IErrorInfo* got = nullptr;
    ASSERT_EQ(GetErrorInfo(0, &got), S_OK);
    EXPECT_EQ(got, info);
    got->Release();
    EXPECT_EQ(GetErrorInfo(0, &got), S_FALSE);
    EXPECT_EQ(GetErrorInfo(1, &got), E_INVALIDARG);
    // Setting again replaces (and releases) the previous one; null clears.
    SetErrorInfo(0, info);
    SetErrorInfo(0, nullptr);
    EXPECT_EQ(GetErrorInfo(0, &got), S_FALSE);
    info->Release();
}

TEST(ComError, CarriesCodeMessageAndErrorObject)
{
    _com_error plain(DISP_E_TYPEMISMATCH);
    EXPECT_EQ(str(plain.ErrorMessage()), u"Type mismatch.");
    EXPECT_EQ(plain.Description().length(), 0u);
    EXPECT_EQ(plain.ErrorInfo(), nullptr);
    _com_error dispatch(_com_error::WCodeToHRESULT(42));
    EXPECT_EQ(dispatch.WCode(), 42);
    EXPECT_EQ(str(dispatch.ErrorMessage()), u"IDispatch error #42");
    EXPECT_EQ(str(_com_error(static_cast<HRESULT>(0x8123ABCDu)).ErrorMessage()), u"Unknown error 0x8123ABCD");

    try {
        _com_raise_error(E_ACCESSDENIED, errorInfo(u"Sheet is protected", nullptr)); // takes the reference
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
    IErrorInfo* info = errorInfo(nullptr, u"Host");
    SetErrorInfo(0, info);
    info->Release();
    try {
        _com_issue_errorex(E_FAIL, object.unknown(), IID_IDispatch);
        FAIL();
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
    EXPECT_TRUE(_bstr_t() == _bstr_t(u""));
    EXPECT_TRUE(_bstr_t(u"a") < _bstr_t(u"b"));

    BSTR owned = a.copy();
    EXPECT_NE(owned, static_cast<const OLECHAR*>(a));
    _bstr_t adopted(owned, false);
    EXPECT_EQ(static_cast<const OLECHAR*>(adopted), owned);
    // The caller takes the text only when no copy shares it.
    b = a;
    EXPECT_THROW(a.Detach(), _com_error);
    *b.GetAddress() = SysAllocString(u"out");
    SysFreeString(b.Detach());
    EXPECT_EQ(b.length(), 0u);
}

TEST(BstrT, NarrowFormUsesTheAnsiCodePage)
{
    EXPECT_EQ(str(_bstr_t("Gr\xFC\xDF" "e")), u"Gr\u00FC\u00DF" "e");
    EXPECT_STREQ(static_cast<const char*>(_bstr_t(u"\u20AC \u4E2D")), "\x80 ?");
}

TEST(VariantT, OwnsAndCopiesValues)
{
    CountedDispatch object;
    {
        _variant_t held(static_cast<IDispatch*>(&object));
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

    VARIANT raw{};
    raw.vt = VT_BSTR;
    raw.bstrVal = SysAllocString(u"taken");
    _variant_t attached(raw, false);
    EXPECT_EQ(raw.vt, VT_EMPTY);
    EXPECT_EQ(str(attached.bstrVal), u"taken");

    // The constructors pick the Windows type of each C++ type.
    for (auto [value, vt] : {std::pair{_variant_t(true), VT_BOOL}, {_variant_t(short(1)), VT_I2},
                             {_variant_t(1u), VT_UI4}, {_variant_t(1ull), VT_UI8}, {_variant_t(1.5f), VT_R4},
                             {_variant_t(1.5, VT_DATE), VT_DATE}, {_variant_t(BYTE(1)), VT_UI1},
                             {_variant_t("text"), VT_BSTR}, {_variant_t(DECIMAL{}), VT_DECIMAL}})
        EXPECT_EQ(value.vt, vt);
    EXPECT_THROW(_variant_t(1.0, VT_I4), _com_error);
}

TEST(VariantT, ExtractorsConvertOrRaise)
{
    _variant_t text(u"42");
    EXPECT_EQ(static_cast<LONG>(text), 42);
    EXPECT_EQ(str(static_cast<_bstr_t>(_variant_t(2.5))), u"2.5");
    EXPECT_EQ(static_cast<bool>(_variant_t(u"True")), true);
    EXPECT_THROW(static_cast<void>(static_cast<LONG>(_variant_t(u"forty"))), _com_error);
    EXPECT_THROW(static_cast<void>(static_cast<BYTE>(_variant_t(300))), _com_error);

    _variant_t v(u"7");
    v.ChangeType(VT_I2);
    EXPECT_EQ(v.vt, VT_I2);
    EXPECT_TRUE(v == _variant_t(short(7)));
    EXPECT_TRUE(_variant_t(u"a") != _variant_t(u"b"));
}

} // namespace
