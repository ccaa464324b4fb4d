#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "Platform/Com.h"

namespace {

TEST(ErrorInfo, ObjectCarriesWhatWasSet)
{
    ICreateErrorInfo* create = nullptr;
    ASSERT_EQ(CreateErrorInfo(&create), S_OK);
    create->SetDescription(const_cast<LPOLESTR>(u"Sheet not found"));
    create->SetSource(const_cast<LPOLESTR>(u"Host.Sheets"));
    create->SetGUID(IID_IDispatch);
    create->SetHelpContext(12);
    IErrorInfo* info = nullptr;
    ASSERT_EQ(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)), S_OK);
    create->Release();

    BSTR text = nullptr;
    ASSERT_EQ(info->GetDescription(&text), S_OK);
    EXPECT_EQ(std::u16string(text), u"Sheet not found");
    SysFreeString(text);
    ASSERT_EQ(info->GetSource(&text), S_OK);
    EXPECT_EQ(std::u16string(text), u"Host.Sheets");
    SysFreeString(text);
    ASSERT_EQ(info->GetHelpFile(&text), S_OK);
    EXPECT_EQ(text, nullptr);
    GUID guid{};
    info->GetGUID(&guid);
    EXPECT_EQ(guid, IID_IDispatch);
    EXPECT_EQ(info->GetDescription(nullptr), E_INVALIDARG);
    info->Release();
}

TEST(ErrorInfo, GetTakesTheThreadsErrorOnce)
{
    ICreateErrorInfo* create = nullptr;
    CreateErrorInfo(&create);
    IErrorInfo* info = nullptr;
    create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info));
    create->Release();
    ASSERT_EQ(SetErrorInfo(0, info), S_OK);

    std::thread other([] {
        IErrorInfo* none = reinterpret_cast<IErrorInfo*>(1);
        EXPECT_EQ(GetErrorInfo(0, &none), S_FALSE);
        EXPECT_EQ(none, nullptr);
    });
    other.join();

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

} // namespace
