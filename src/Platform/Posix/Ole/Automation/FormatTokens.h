#pragma once

// The tokens of a format string, as VarTokenizeFormatString writes them into
// the caller's buffer and VarFormatFromTokens reads them back. Callers keep
// them as opaque bytes, so the layout is ours; since they come back from
// outside, every count, offset and token is checked as it is read.
//
//   format header   kMagic, kind, first day, first week, size of it all
//                   (2 bytes), offsets of four sections (2 bytes each, 0
//                   for a section the format does not have)
//   section         a section header, then tokens up to Token::End
//
// Numbers of two bytes are little-endian.

#include <array>
#include <cstddef>
#include <cstdint>
#include <expected>
#include <span>
#include <string>
#include <string_view>

#include "Platform/Posix/Ole/Core/HResult.h"
#include "Platform/Posix/Ole/Core/Types.h"

namespace qor::platform::posix::ole::format {

inline constexpr BYTE kMagic = 0xF5;

// What a format is for. A format of literal text alone fits any value, and
// a general one (none at all) writes the value as it converts to text.
enum class FormatKind : BYTE { General, Number, Date, Text, Literal };

enum class Token : BYTE {
    End,
    Literal, // a count (1 byte), then that many UTF-16 code units

    // Numbers.
    Digit,         // '0': a digit, or 0 where the number has none
    OptionalDigit, // '#': a digit, or nothing
    DecimalPoint,
    Exponent,      // ExponentStyle (1 byte), then the least count of digits (1 byte)
    GeneralNumber, // the number as it converts to text
    BooleanWord,   // BooleanWords (1 byte): zero is the second word

    // Dates and times.
    DateSeparator,
    TimeSeparator,
    GeneralDate, // the date, the time or both, as the value has them
    ShortDate,
    MediumDate,
    LongDate,
    LongTime,
    Day,
    Day2,
    DayAbbreviation,
    DayName,
    Weekday,    // 1 to 7 from the first day of the week
    WeekOfYear, // 1 to 54
    Month,
    Month2,
    MonthAbbreviation,
    MonthName,
    Quarter,
    DayOfYear,
    Year2,
    Year4,
    Hour,
    Hour2,
    Minute,
    Minute2,
    Second,
    Second2,
    AmPm, // AmPmStyle (1 byte)

    // Texts.
    Character,         // '@': a character, or a space
    OptionalCharacter, // '&': a character, or nothing

    Last = OptionalCharacter,
};

enum class ExponentStyle : BYTE { UpperMinus, UpperPlus, LowerMinus, LowerPlus };
enum class BooleanWords : BYTE { TrueFalse, YesNo, OnOff };
enum class AmPmStyle : BYTE { Upper, Lower, UpperLetter, LowerLetter, Locale };

namespace section {
inline constexpr BYTE kThousands = 0x01;   // digits in groups
inline constexpr BYTE kScientific = 0x02;  // with an exponent
inline constexpr BYTE kTwelveHour = 0x04;  // hours count to 12 (there is an AM/PM)
inline constexpr BYTE kUpper = 0x08;       // a text in upper case ('>')
inline constexpr BYTE kLower = 0x10;       // a text in lower case ('<')
inline constexpr BYTE kLeftToRight = 0x20; // a short text fills placeholders from the left ('!')
} // namespace section

// What a section's tokens need known before they are walked.
struct SectionHeader {
    BYTE flags = 0;
    BYTE percent = 0; // times 100 for each '%'
    BYTE scale = 0;   // divided by 1000 for each ',' that ends the integer digits
    // Placeholders of the integer digits, and of them those that show a 0
    // (from the first '0' on); of the fraction, and those up to the last '0'.
    std::uint16_t integerPlaces = 0;
    std::uint16_t forcedIntegerPlaces = 0;
    std::uint16_t fractionPlaces = 0;
    std::uint16_t forcedFractionPlaces = 0;
    std::uint16_t characterPlaces = 0; // '@' and '&'

    bool has(BYTE flag) const { return (flags & flag) != 0; }
};

inline constexpr std::size_t kSections = 4;
inline constexpr std::size_t kFormatHeaderSize = 14;
inline constexpr std::size_t kSectionHeaderSize = 14;

struct FormatHeader {
    FormatKind kind = FormatKind::General;
    BYTE firstDay = 0;  // 0 for the locale's, 1 for Sunday to 7 for Saturday
    BYTE firstWeek = 0; // 0 for the locale's, 1 to 3 as VarFormat takes it
    std::array<std::uint16_t, kSections> sections{};
};

// Writes tokens into the caller's buffer, counting on past its end so that
// the size a format needs is known when it does not fit.
class TokenWriter {
public:
    explicit TokenWriter(std::span<BYTE> buffer) : buffer_(buffer) {}

    void byte(BYTE value);
    void word(std::uint16_t value);
    void token(Token value) { byte(static_cast<BYTE>(value)); }
    void literal(std::u16string_view text);
    void sectionHeader(SectionHeader const& header);
    void formatHeader(FormatHeader const& header);
    // Write again at an offset already passed.
    void wordAt(std::size_t offset, std::uint16_t value);
    void sectionHeaderAt(std::size_t offset, SectionHeader const& header);

    std::size_t size() const { return size_; }
    bool fits() const { return size_ <= buffer_.size(); }

private:
    std::span<BYTE> buffer_;
    std::size_t size_ = 0;
};

// Reads the tokens of one section; E_INVALIDARG for bytes that are no
// tokens of ours or run past the format's end.
class TokenReader {
public:
    TokenReader(std::span<BYTE const> format, std::size_t offset) : bytes_(format), at_(offset) {}

    std::expected<SectionHeader, HRESULT> sectionHeader();
    std::expected<Token, HRESULT> token();
    std::expected<BYTE, HRESULT> byte();
    // The text of a Literal token, after the token itself.
    std::expected<std::u16string_view, HRESULT> literal();

private:
    std::span<BYTE const> bytes_;
    std::size_t at_;
    std::u16string literal_;
};

// Walks the tokens of a section to its end: literal text goes to `out`,
// every other token to `write`, whose first failure ends the walk.
template <class Write>
HRESULT writeTokens(TokenReader& tokens, std::u16string& out, Write write) {
    while (true) {
        auto token = tokens.token();
        if (!token)
            return token.error();
        if (*token == Token::End)
            return S_OK;
        if (*token == Token::Literal) {
            auto literal = tokens.literal();
            if (!literal)
                return literal.error();
            out += *literal;
        } else if (HRESULT hr = write(*token); FAILED(hr)) {
            return hr;
        }
    }
}

// The header of tokens whose size and magic check out. The size is the
// tokens' own: VarFormatFromTokens is given no size of the buffer.
std::expected<std::pair<FormatHeader, std::span<BYTE const>>, HRESULT> readFormat(BYTE const* tokens);

} // namespace qor::platform::posix::ole::format
