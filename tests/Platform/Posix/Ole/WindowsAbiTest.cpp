// Our runtime against mingw-w64's Windows headers, fact by fact: where both
// describe the same record, interface or constant, a host compiled against
// either must see the same bytes.

#include "Platform/Com.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <map>
#include <set>
#include <string>

#include "Platform/Posix/Ole/WindowsAbi/AbiFactList.h"
#include "RuntimeErrorCodes.h"

namespace {

using Facts = std::map<std::string, long long>;

Facts const& mingwFacts() {
    static Facts const facts = [] {
        struct Fact {
            char const* name;
            long long value;
        };
        static constexpr Fact table[] = {
#include "MingwAbiFacts.inc"
        };
        Facts read;
        for (auto const& [name, value] : table)
            read.emplace(name, value);
        return read;
    }();
    return facts;
}

// `unknownToMingw` names facts of the Windows SDK that mingw-w64 lacks; they
// are compared once it has them.
void expectSameAsMingw(Facts const& ours, std::set<std::string> const& unknownToMingw = {}) {
    ASSERT_FALSE(ours.empty());
    for (auto const& [name, value] : ours) {
        auto const theirs = mingwFacts().find(name);
        if (theirs == mingwFacts().end()) {
            if (!unknownToMingw.contains(name))
                ADD_FAILURE() << name << ": not among the facts read from mingw-w64";
        } else {
            EXPECT_EQ(value, theirs->second) << name << ": ours " << value << ", mingw-w64 " << theirs->second;
        }
    }
}

// The Itanium C++ ABI, which g++ and clang follow here, stores a pointer to a
// virtual member function as 1 + the byte offset of its vtable slot.
template <class Method>
long long slotOf(Method method) {
    static_assert(sizeof(Method) == 2 * sizeof(std::ptrdiff_t));
    std::ptrdiff_t word = 0;
    std::memcpy(&word, &method, sizeof word);
    if ((word & 1) == 0)
        return -1; // not virtual at all
    return (word - 1) / static_cast<std::ptrdiff_t>(sizeof(void*));
}

// QueryInterface has a template overload beside it, so it is named by type.
long long slotOf(HRESULT (STDMETHODCALLTYPE IUnknown::*method)(REFIID, void**)) {
    return slotOf<decltype(method)>(method);
}

long long packed(GUID const& guid) {
    unsigned long long value = 0;
    for (unsigned char byte : guid.Data4)
        value = value << 8 | byte;
    return static_cast<long long>(value);
}

#define QOR_SIZE(type) facts["size " #type] = sizeof(type);
#define QOR_OFFSET(type, member) facts["offset " #type "." #member] = offsetof(type, member);
#define QOR_SLOT(type, method) facts["slot " #type "." #method] = slotOf(&type::method);
#define QOR_VALUE(name) facts["value " #name] = static_cast<long long>(name);
#define QOR_ID(type)                                                                                                   \
    facts["iid " #type ".Data1"] = IID_##type.Data1;                                                                   \
    facts["iid " #type ".Data2"] = IID_##type.Data2;                                                                   \
    facts["iid " #type ".Data3"] = IID_##type.Data3;                                                                   \
    facts["iid " #type ".Data4"] = packed(IID_##type);

// Sizes, offsets, vtable slots, identifiers and values, each list as
// AbiFactList.h gives it.
TEST(WindowsAbi, SameBytesAsMingw) {
    Facts facts;
    QOR_ABI_SCALARS(QOR_SIZE)
    QOR_ABI_RECORDS(QOR_SIZE, QOR_OFFSET)
    QOR_ABI_VTABLES(QOR_SLOT)
    QOR_ABI_INTERFACES(QOR_ID)
    QOR_ABI_CONSTANTS(QOR_VALUE)
    QOR_ABI_ERROR_CODES(QOR_VALUE)
    expectSameAsMingw(facts, {"value E_BOUNDS"});
    // __uuidof must name the same identifiers as the IID_ constants.
#define QOR_SAME_UUIDOF(type) EXPECT_TRUE(IsEqualGUID(__uuidof(type), IID_##type)) << #type;
    QOR_ABI_INTERFACES(QOR_SAME_UUIDOF)
}

} // namespace
