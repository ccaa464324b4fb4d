#include "Platform/Posix/Ole/Automation/TextComparison.h"

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include <unicode/ucol.h>

#include "Platform/Posix/Ole/Automation/Bstr.h"
#include "Platform/Posix/Ole/Automation/Locale.h"
#include "Platform/Posix/Ole/Automation/VarArithmetic.h"

namespace qor::platform::posix::ole::arith {

namespace {

struct CollatorClose {
    void operator()(UCollator* collator) const { ucol_close(collator); }
};
using Collator = std::unique_ptr<UCollator, CollatorClose>;

// Windows sorts words: spaces and punctuation count only where the
// letters and digits are equal (ICU's "shifted" variable characters);
// case after accents, lower case first.
Collator makeCollator(std::string const& locale, ULONG flags)
{
    UErrorCode status = U_ZERO_ERROR;
    Collator collator(ucol_open(locale.c_str(), &status));
    if (U_FAILURE(status))
        return nullptr;
    bool const ignoreCase = (flags & NORM_IGNORECASE) != 0;
    bool const ignoreAccents = (flags & NORM_IGNORENONSPACE) != 0;
    UColAttributeValue strength = UCOL_TERTIARY;
    if (ignoreAccents)
        strength = UCOL_PRIMARY;
    else if (ignoreCase)
        strength = UCOL_SECONDARY;
    ucol_setAttribute(collator.get(), UCOL_STRENGTH, strength, &status);
    if (ignoreAccents && !ignoreCase)
        ucol_setAttribute(collator.get(), UCOL_CASE_LEVEL, UCOL_ON, &status);
    ucol_setAttribute(collator.get(), UCOL_ALTERNATE_HANDLING, UCOL_SHIFTED, &status);
    ucol_setAttribute(collator.get(), UCOL_CASE_FIRST, UCOL_LOWER_FIRST, &status);
    return U_FAILURE(status) ? nullptr : std::move(collator);
}

// Made once per locale and flags, per thread (a collator is not shared
// between threads).
UCollator* collatorFor(LCID lcid, ULONG flags)
{
    thread_local std::map<std::pair<std::string, ULONG>, Collator> collators;
    auto key = std::make_pair(convert::localeName(lcid), flags & (NORM_IGNORECASE | NORM_IGNORENONSPACE));
    auto found = collators.find(key);
    if (found == collators.end())
        found = collators.emplace(key, makeCollator(key.first, key.second)).first;
    return found->second.get();
}

// Hyphens and apostrophes, which words sort last of all: "co-op" after
// "coop", "-1" after "1".
std::size_t wordMarks(std::u16string_view text)
{
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(),
                                                  [](char16_t c) { return c == u'-' || c == u'\''; }));
}

int order(int difference)
{
    return difference < 0 ? VARCMP_LT : difference > 0 ? VARCMP_GT : VARCMP_EQ;
}

} // namespace

int compareTexts(std::u16string_view left, std::u16string_view right, LCID lcid, ULONG flags)
{
    UCollator* collator = collatorFor(lcid, flags);
    if (collator == nullptr)
        return order(left.compare(right));
    UCollationResult result = ucol_strcoll(collator, reinterpret_cast<UChar const*>(left.data()),
                                           static_cast<int32_t>(left.size()),
                                           reinterpret_cast<UChar const*>(right.data()),
                                           static_cast<int32_t>(right.size()));
    if (result != UCOL_EQUAL)
        return result == UCOL_LESS ? VARCMP_LT : VARCMP_GT;
    if ((flags & NORM_IGNORESYMBOLS) != 0)
        return VARCMP_EQ;
    return order(static_cast<int>(wordMarks(left)) - static_cast<int>(wordMarks(right)));
}

} // namespace qor::platform::posix::ole::arith

using namespace qor::platform::posix::ole;

HRESULT VarBstrCmp(BSTR bstrLeft, BSTR bstrRight, LCID lcid, ULONG dwFlags)
{
    UINT const leftBytes = SysStringByteLen(bstrLeft);
    UINT const rightBytes = SysStringByteLen(bstrRight);
    if (leftBytes == 0 || rightBytes == 0)
        return leftBytes == rightBytes ? VARCMP_EQ : leftBytes == 0 ? VARCMP_LT : VARCMP_GT;
    // LCID 0 compares the bytes, an odd last one included.
    if (lcid == 0) {
        int difference = std::memcmp(bstrLeft, bstrRight, std::min(leftBytes, rightBytes));
        if (difference == 0)
            difference = static_cast<int>(leftBytes) - static_cast<int>(rightBytes);
        return difference < 0 ? VARCMP_LT : difference > 0 ? VARCMP_GT : VARCMP_EQ;
    }
    return arith::compareTexts(std::u16string_view(bstrLeft, SysStringLen(bstrLeft)),
                               std::u16string_view(bstrRight, SysStringLen(bstrRight)), lcid, dwFlags);
}
