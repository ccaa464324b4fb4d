#include "Platform/Windows/ErrorCode.h"

#include <gtest/gtest.h>

#include "Platform/Com.h"

using qor::platform::windows::ErrorCode;

TEST(ErrorCode, GivesTheSystemMessageOfWin32CodesAndHresults) {
    EXPECT_EQ(ErrorCode::getMessageFromErrorCode(ERROR_FILE_NOT_FOUND), "The system cannot find the file specified.");
    EXPECT_EQ(ErrorCode::getMessageFromErrorCode(static_cast<std::uint32_t>(E_ACCESSDENIED)), "Access is denied.");
    EXPECT_EQ(ErrorCode::getMessageFromErrorCode(static_cast<std::uint32_t>(DISP_E_MEMBERNOTFOUND)),
              "Member not found.");
    // A Win32 error wrapped in an HRESULT has the error's text.
    EXPECT_EQ(ErrorCode::getMessageFromErrorCode(static_cast<std::uint32_t>(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND))),
              "The system cannot find the file specified.");
}

TEST(ErrorCode, HasNoMessageForUnknownCodesButAlwaysAText) {
    EXPECT_EQ(ErrorCode::getMessageFromErrorCode(0xA0001234u), std::nullopt);
    EXPECT_EQ(ErrorCode::sMessage(0xA0001234u), "Error 0xA0001234");
    EXPECT_EQ(ErrorCode::sMessage(ERROR_ACCESS_DENIED), "Access is denied.");
}

TEST(ErrorCode, FillsThePlaceATextHasForWhatFailed) {
    EXPECT_EQ(ErrorCode::sMessage(ERROR_BAD_EXE_FORMAT), "The file is not a valid Win32 application.");
    EXPECT_EQ(ErrorCode::sMessage(static_cast<std::uint32_t>(HRESULT_FROM_WIN32(ERROR_BAD_EXE_FORMAT)), "lib.so"),
              "lib.so is not a valid Win32 application.");
}
