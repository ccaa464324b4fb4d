#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "Platform/Com.h"

namespace {

TEST(ErrorInfo, ObjectCarriesWhatWasSetAndTheThreadKeepsItOnce)
{
    ICreateErrorInfo* create = nullptr;
    ASSERT_EQ(CreateErrorInfo(&create), S_OK);
    create->SetDescription(const_cast<LPOLESTR>(u"Sheet not found"));
    create->SetSource(const_cast<LPOLESTR>(u"Host.Sheets"));
    create->SetGUID(IID_IDispatch);
    IErrorInfo* info = nullptr;
    ASSERT_EQ(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)), S_OK);
    create->Release();
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

} // namespace
