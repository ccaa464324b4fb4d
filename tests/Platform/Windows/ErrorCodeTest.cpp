#include "Platform/Windows/ErrorCode.h"

#include <gtest/gtest.h>

#include "Platform/Com.h"

using qor::platform::windows::ErrorCode;

TEST(ErrorCode, GivesTheSystemMessageOfWin32CodesAndHresultsOrTheCode) {
    auto const code = [](HRESULT hr) { return static_cast<std::uint32_t>(hr); };
    EXPECT_EQ(ErrorCode::sMessage(ERROR_FILE_NOT_FOUND), "The system cannot find the file specified.");
    EXPECT_EQ(ErrorCode::sMessage(code(E_ACCESSDENIED)), "Access is denied.");
    EXPECT_EQ(ErrorCode::sMessage(code(DISP_E_MEMBERNOTFOUND)), "Member not found.");
    // A Win32 error wrapped in an HRESULT has the error's text.
    EXPECT_EQ(ErrorCode::sMessage(code(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND))),
              "The system cannot find the file specified.");
    EXPECT_EQ(ErrorCode::getMessageFromErrorCode(0xA0001234u), std::nullopt);
    EXPECT_EQ(ErrorCode::sMessage(0xA0001234u), "Error 0xA0001234");

    // The place a text has for what failed is filled.
    EXPECT_EQ(ErrorCode::sMessage(ERROR_BAD_EXE_FORMAT), "The file is not a valid Win32 application.");
    EXPECT_EQ(ErrorCode::sMessage(code(HRESULT_FROM_WIN32(ERROR_BAD_EXE_FORMAT)), "lib.so"),
              "lib.so is not a valid Win32 application.");
}
