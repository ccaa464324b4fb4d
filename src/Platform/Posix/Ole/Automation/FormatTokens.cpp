#include "Platform/Posix/Ole/Automation/FormatTokens.h"

#include <algorithm>

namespace qor::platform::posix::ole::format {

void TokenWriter::byte(BYTE value) {
    if (size_ < buffer_.size())
        buffer_[size_] = value;
    ++size_;
}

void TokenWriter::word(std::uint16_t value) {
    byte(static_cast<BYTE>(value & 0xFF));
    byte(static_cast<BYTE>(value >> 8));
}

void TokenWriter::wordAt(std::size_t offset, std::uint16_t value) {
    if (offset + 1 < buffer_.size()) {
        buffer_[offset] = static_cast<BYTE>(value & 0xFF);
        buffer_[offset + 1] = static_cast<BYTE>(value >> 8);
    }
}

void TokenWriter::sectionHeaderAt(std::size_t offset, SectionHeader const& header) {
    TokenWriter(buffer_.subspan(std::min(offset, buffer_.size()))).sectionHeader(header);
}

void TokenWriter::literal(std::u16string_view text) {
    // A token holds at most 255 code units; a longer text takes several.
    while (!text.empty()) {
        std::size_t count = std::min<std::size_t>(text.size(), 255);
        token(Token::Literal);
        byte(static_cast<BYTE>(count));
        for (char16_t c : text.substr(0, count))
            word(c);
        text.remove_prefix(count);
    }
}

void TokenWriter::sectionHeader(SectionHeader const& header) {
    byte(header.flags);
    byte(header.percent);
    byte(header.scale);
    byte(0);
    word(header.integerPlaces);
    word(header.forcedIntegerPlaces);
    word(header.fractionPlaces);
    word(header.forcedFractionPlaces);
    word(header.characterPlaces);
}

void TokenWriter::formatHeader(FormatHeader const& header) {
    byte(kMagic);
    byte(static_cast<BYTE>(header.kind));
    byte(header.firstDay);
    byte(header.firstWeek);
    word(0); // the size, known at the end
    for (std::uint16_t offset : header.sections)
        word(offset);
}

namespace {

std::uint16_t wordOf(BYTE const* at) {
    return static_cast<std::uint16_t>(at[0] | at[1] << 8);
}

} // namespace

std::expected<BYTE, HRESULT> TokenReader::byte() {
    if (at_ >= bytes_.size())
        return std::unexpected(E_INVALIDARG);
    return bytes_[at_++];
}

std::expected<Token, HRESULT> TokenReader::token() {
    auto value = byte();
    if (!value || *value > static_cast<BYTE>(Token::Last))
        return std::unexpected(E_INVALIDARG);
    return static_cast<Token>(*value);
}

std::expected<std::u16string_view, HRESULT> TokenReader::literal() {
    auto count = byte();
    if (!count || at_ + 2u * *count > bytes_.size())
        return std::unexpected(E_INVALIDARG);
    literal_.clear();
    for (BYTE i = 0; i < *count; ++i, at_ += 2)
        literal_.push_back(static_cast<char16_t>(wordOf(&bytes_[at_])));
    return std::u16string_view(literal_);
}

std::expected<SectionHeader, HRESULT> TokenReader::sectionHeader() {
    if (at_ + kSectionHeaderSize > bytes_.size())
        return std::unexpected(E_INVALIDARG);
    BYTE const* at = &bytes_[at_];
    at_ += kSectionHeaderSize;
    SectionHeader header;
    header.flags = at[0];
    header.percent = at[1];
    header.scale = at[2];
    header.integerPlaces = wordOf(at + 4);
    header.forcedIntegerPlaces = wordOf(at + 6);
    header.fractionPlaces = wordOf(at + 8);
    header.forcedFractionPlaces = wordOf(at + 10);
    header.characterPlaces = wordOf(at + 12);
    if (header.forcedIntegerPlaces > header.integerPlaces || header.forcedFractionPlaces > header.fractionPlaces)
        return std::unexpected(E_INVALIDARG);
    return header;
}

std::expected<std::pair<FormatHeader, std::span<BYTE const>>, HRESULT> readFormat(BYTE const* tokens) {
    if (tokens == nullptr || tokens[0] != kMagic)
        return std::unexpected(E_INVALIDARG);
    // The kind and the size come before anything the size vouches for.
    if (tokens[1] > static_cast<BYTE>(FormatKind::Literal))
        return std::unexpected(E_INVALIDARG);
    std::size_t const size = wordOf(tokens + 4);
    if (size < kFormatHeaderSize)
        return std::unexpected(E_INVALIDARG);
    FormatHeader header;
    header.kind = static_cast<FormatKind>(tokens[1]);
    header.firstDay = tokens[2];
    header.firstWeek = tokens[3];
    if (header.firstDay > 7 || header.firstWeek > 3)
        return std::unexpected(E_INVALIDARG);
    for (std::size_t i = 0; i < kSections; ++i) {
        header.sections[i] = wordOf(tokens + 6 + 2 * i);
        if (header.sections[i] != 0 && header.sections[i] < kFormatHeaderSize)
            return std::unexpected(E_INVALIDARG);
        if (header.sections[i] >= size)
            return std::unexpected(E_INVALIDARG);
    }
    return std::pair{header, std::span<BYTE const>(tokens, size)};
}

} // namespace qor::platform::posix::ole::format
