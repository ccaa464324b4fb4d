#pragma once

// The one conversion of a value to another VARTYPE, behind VariantChangeType(Ex),
// the VarXxxFromYyy functions and VarNumFromParseNum alike. They differ from
// one another only where Windows' do, each place marked where the Caller is
// asked.

#include <string_view>

#include "Platform/Posix/Ole/Automation/DateText.h"
#include "Platform/Posix/Ole/Automation/NumberText.h"
#include "Platform/Posix/Ole/Automation/Variant.h"

namespace qor::platform::posix::ole::convert {

enum class Caller {
    // VariantChangeType(Ex): integers of one width keep their bits (-1 as
    // VT_I2 is 65535 as VT_UI2); a true VT_BOOL is the decimal 1.
    changeType,
    // A VarXxxFromYyy function: a value out of the target's range overflows;
    // VarDecFromBool makes a true VT_BOOL -1, as every other type has it.
    typedFunction,
};

// How a VT_BOOL is written: as the number it is, or in words.
enum class BooleanText { number, english, local };

// What a conversion is asked for besides its types, whatever flags the
// caller spelt it with.
struct Request {
    LCID lcid = LOCALE_USER_DEFAULT;
    Caller caller = Caller::changeType;
    BooleanText booleanText = BooleanText::number;
    // Whether the locale's words for true and false are read besides the
    // English ones.
    bool localBooleanWords = false;
    DateParts dateParts = DateParts::AsNeeded;
    // An object is not asked for its DISPID_VALUE (VARIANT_NOVALUEPROP).
    bool noValueProperty = false;
    // The user's settings of the locale count, where the LCID stands for
    // the user's locale (no LOCALE_NOUSEROVERRIDE).
    bool userSettings = true;

    Locale const& locale() const { return localeOf(lcid, userSettings); }
};

// `in` is a value (no VT_BYREF); `out` holds nothing, and receives the value
// of type `target` only when the conversion succeeds.
HRESULT changeType(VARIANT& out, VARIANT const& in, Request const& request, VARTYPE target);

// A text that need not be a BSTR, read up to its end: the argument of the
// VarXxxFromStr functions.
HRESULT changeText(VARIANT& out, std::u16string_view text, Request const& request, VARTYPE target);

// A number already read from a text, as VarNumFromParseNum converts it.
HRESULT changeNumber(VARIANT& out, ParsedNumber const& number, Request const& request, VARTYPE target);

} // namespace qor::platform::posix::ole::convert
