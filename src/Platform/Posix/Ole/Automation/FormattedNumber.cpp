#include "Platform/Posix/Ole/Automation/FormattedNumber.h"

#include <algorithm>
#include <string>

#include "Platform/Posix/Ole/Automation/FormattedText.h"

namespace qor::platform::posix::ole::format {
namespace {

// Keeps the first `keep` of the digits, rounding half away from zero on the
// next one; a carry past the first digit adds a digit in front.
std::string rounded(std::string digits, long keep) {
    if (keep < 0)
        return {};
    if (static_cast<std::size_t>(keep) >= digits.size())
        return digits;
    bool const up = digits[static_cast<std::size_t>(keep)] >= '5';
    digits.resize(static_cast<std::size_t>(keep));
    if (!up)
        return digits;
    for (std::size_t i = digits.size(); i-- > 0;) {
        if (digits[i] != '9') {
            ++digits[i];
            return digits;
        }
        digits[i] = '0';
    }
    return "1" + digits;
}

std::string withoutLeadingZeros(std::string digits) {
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
    return digits;
}

// The digits a section shows: the integer part without leading zeros
// ("" for none), the fraction with as many digits as it has places, and
// the exponent of a scientific section.
struct Shown {
    std::string integer;
    std::string fraction;
    long exponent = 0;
};

// value = digits * 10^exponent, rounded to `places` fraction digits.
Shown fixed(std::string const& digits, long exponent, int places) {
    // The number times 10^places, as an integer.
    std::string scaled = exponent + places >= 0 ? digits + std::string(static_cast<std::size_t>(exponent + places), '0')
                                                : rounded(digits, static_cast<long>(digits.size()) + exponent + places);
    if (scaled.size() <= static_cast<std::size_t>(places))
        scaled.insert(0, static_cast<std::size_t>(places) + 1 - scaled.size(), '0');
    std::size_t const point = scaled.size() - static_cast<std::size_t>(places);
    return {withoutLeadingZeros(scaled.substr(0, point)), scaled.substr(point), 0};
}

// The mantissa has as many integer digits as the section has places (or is
// below 1 when it has none), and `places` fraction digits.
Shown scientific(std::string const& digits, long exponent, int integerPlaces, int places) {
    if (digits.empty())
        return {{}, std::string(static_cast<std::size_t>(places), '0'), 0};
    // value = 0.d1d2... * 10^magnitude
    long magnitude = static_cast<long>(digits.size()) + exponent;
    long const significant = integerPlaces + places;
    std::string mantissa = rounded(digits, significant);
    if (mantissa.size() > static_cast<std::size_t>(significant)) {
        mantissa.pop_back(); // 99.9 became 100.0
        ++magnitude;
    }
    mantissa.resize(static_cast<std::size_t>(significant), '0');
    return {withoutLeadingZeros(mantissa.substr(0, static_cast<std::size_t>(integerPlaces))),
            mantissa.substr(static_cast<std::size_t>(integerPlaces)), magnitude - integerPlaces};
}

// Whether a group separator follows the digit `place` places left of the
// units digit.
bool endsGroup(std::size_t place, convert::Locale const& locale) {
    auto const first = static_cast<std::size_t>(locale.groupSize);
    auto const next = static_cast<std::size_t>(locale.nextGroupSize);
    return place == first || (place > first && (place - first) % next == 0);
}

class NumberWriter {
public:
    NumberWriter(SectionHeader const& section, NumberInput const& input, Shown shown)
        : section_(section), input_(input), shown_(std::move(shown)) {
        width_ = std::max<std::size_t>(shown_.integer.size(), section.forcedIntegerPlaces);
        integer_ = std::string(width_ - shown_.integer.size(), '0') + shown_.integer;
        std::size_t significant = shown_.fraction.find_last_not_of('0');
        significant = significant == std::string::npos ? 0 : significant + 1;
        fractionShown_ = std::max<std::size_t>(significant, section.forcedFractionPlaces);
    }

    std::expected<std::u16string, HRESULT> write(TokenReader& tokens) {
        if (HRESULT hr = writeTokens(tokens, out_, [&](Token token) { return write(token, tokens); }); FAILED(hr))
            return std::unexpected(hr);
        if (input_.minus && !signWritten_)
            out_.insert(0, input_.locale.minusSign);
        return std::move(out_);
    }

private:
    HRESULT write(Token token, TokenReader& tokens) {
        switch (token) {
        case Token::Digit:
        case Token::OptionalDigit:
            placeholder();
            return S_OK;
        case Token::DecimalPoint:
            // Without integer placeholders, the integer digits stand here.
            if (section_.integerPlaces == 0)
                integerDigits(width_, 0);
            out_ += input_.locale.decimalSeparator;
            afterPoint_ = true;
            return S_OK;
        case Token::Exponent:
            return exponent(tokens);
        case Token::GeneralNumber:
            return generalNumber();
        case Token::BooleanWord:
            return booleanWord(tokens);
        default:
            return E_INVALIDARG;
        }
    }

    // Digits from `from` places left of the units digit down to `to`.
    void integerDigits(std::size_t from, std::size_t to) {
        for (std::size_t place = from; place-- > to;) {
            out_.push_back(static_cast<char16_t>(integer_[width_ - 1 - place]));
            if (section_.has(section::kThousands) && place > 0 && endsGroup(place, input_.locale))
                out_ += input_.locale.groupSeparator;
        }
    }

    void placeholder() {
        if (afterPoint_) {
            if (fraction_ < fractionShown_ && fraction_ < shown_.fraction.size())
                out_.push_back(static_cast<char16_t>(shown_.fraction[fraction_]));
            ++fraction_;
            return;
        }
        // Tokens made elsewhere may have more placeholders than they count.
        if (integerSeen_ >= section_.integerPlaces)
            return;
        std::size_t const place = section_.integerPlaces - 1 - integerSeen_;
        // The first placeholder takes the digits the others have no room for.
        if (integerSeen_ == 0 && width_ > section_.integerPlaces)
            integerDigits(width_, section_.integerPlaces);
        if (place < width_)
            integerDigits(place + 1, place);
        ++integerSeen_;
    }

    HRESULT exponent(TokenReader& tokens) {
        auto style = tokens.byte();
        auto least = tokens.byte();
        if (!style || !least || *style > static_cast<BYTE>(ExponentStyle::LowerPlus))
            return E_INVALIDARG;
        auto const kind = static_cast<ExponentStyle>(*style);
        bool const upper = kind == ExponentStyle::UpperMinus || kind == ExponentStyle::UpperPlus;
        bool const plus = kind == ExponentStyle::UpperPlus || kind == ExponentStyle::LowerPlus;
        out_.push_back(upper ? u'E' : u'e');
        if (shown_.exponent < 0)
            out_.push_back(u'-');
        else if (plus)
            out_.push_back(u'+');
        std::string digits = std::to_string(shown_.exponent < 0 ? -shown_.exponent : shown_.exponent);
        if (digits.size() < *least)
            digits.insert(0, *least - digits.size(), '0');
        out_.append(digits.begin(), digits.end());
        return S_OK;
    }

    HRESULT generalNumber() {
        auto text = textOf(input_.value, input_.lcid);
        if (!text)
            return text.error();
        out_ += *text;
        signWritten_ = true;
        return S_OK;
    }

    HRESULT booleanWord(TokenReader& tokens) {
        auto which = tokens.byte();
        if (!which || *which > static_cast<BYTE>(BooleanWords::OnOff))
            return E_INVALIDARG;
        convert::Locale const& locale = input_.locale;
        bool const zero = input_.number.digits.find_first_not_of('0') == std::string::npos;
        switch (static_cast<BooleanWords>(*which)) {
        case BooleanWords::TrueFalse:
            out_ += zero ? locale.falseWord : locale.trueWord;
            break;
        case BooleanWords::YesNo:
            out_ += zero ? locale.noWord : locale.yesWord;
            break;
        case BooleanWords::OnOff:
            out_ += zero ? locale.offWord : locale.onWord;
            break;
        }
        signWritten_ = true;
        return S_OK;
    }

    SectionHeader const& section_;
    NumberInput const& input_;
    Shown shown_;
    std::size_t width_ = 0; // integer digits written, with the zeros the section asks for
    std::string integer_;   // those digits
    std::size_t fractionShown_ = 0;
    std::size_t integerSeen_ = 0;
    std::size_t fraction_ = 0;
    bool afterPoint_ = false;
    bool signWritten_ = false;
    std::u16string out_;
};

} // namespace

std::expected<std::u16string, HRESULT> formatNumberSection(TokenReader& tokens, SectionHeader const& section,
                                                           NumberInput const& input) {
    std::string const digits = withoutLeadingZeros(input.number.digits);
    // A percentage is a hundred times the number; each closing comma divides by 1000.
    long const exponent = static_cast<long>(input.number.exponent) + 2L * section.percent - 3L * section.scale;
    Shown shown = section.has(section::kScientific)
                      ? scientific(digits, exponent, section.integerPlaces, section.fractionPlaces)
                      : fixed(digits, exponent, section.fractionPlaces);
    return NumberWriter(section, input, std::move(shown)).write(tokens);
}

} // namespace qor::platform::posix::ole::format
