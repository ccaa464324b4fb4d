#pragma once

// The PE images, type libraries and shared objects built from
// tests/Fixtures/Modules.

#include <cstddef>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace qor::test {

inline std::string moduleFixture(std::string const& name) {
    return std::string(QOR_FIXTURE_MODULES_DIR) + "/" + name;
}

inline std::vector<std::byte> readFixtureBytes(std::string const& name) {
    std::ifstream file(moduleFixture(name), std::ios::binary);
    std::vector<char> text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    std::vector<std::byte> bytes(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        bytes[i] = static_cast<std::byte>(text[i]);
    return bytes;
}

} // namespace qor::test
