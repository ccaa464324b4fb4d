// Our runtime against mingw-w64's Windows headers, fact by fact: where both
// describe the same record, interface or constant, a host compiled against
// either must see the same bytes.

#include "Platform/Com.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <map>
#include <string>

#include "Platform/Posix/Ole/WindowsAbi/AbiFactList.h"
#include "Platform/Posix/Ole/WindowsAbi/AbiSignature.h"
#include "RuntimeErrorCodes.h"

namespace {

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

#define QOR_SIZE(type) ours["size " #type] = sizeof(type);
#define QOR_OFFSET(type, member) ours["offset " #type "." #member] = offsetof(type, member);
#define QOR_SLOT(type, method) ours["slot " #type "." #method] = slotOf(&type::method);
#define QOR_VALUE(name) ours["value " #name] = static_cast<long long>(name);
#define QOR_ID(type)                                                                                                   \
    ours["iid " #type ".Data1"] = IID_##type.Data1;                                                                    \
    ours["iid " #type ".Data2"] = IID_##type.Data2;                                                                    \
    ours["iid " #type ".Data3"] = IID_##type.Data3;                                                                    \
    ours["iid " #type ".Data4"] = packed(IID_##type);                                                                  \
    EXPECT_TRUE(IsEqualGUID(__uuidof(type), IID_##type)) << "__uuidof(" #type ")";
#define QOR_FUNCTION(function)                                                                                         \
    for (std::size_t i = 0; i < qor_abi::kSignatureLength; ++i)                                                        \
        ours["function " #function "." + std::to_string(i)] = qor_abi::signatureOf(&function)[i];

// Sizes, offsets, vtable slots, identifiers, values and the parameters of
// functions, each list as AbiFactList.h gives it. E_BOUNDS, of the Windows SDK, is not in mingw-w64
// yet.
TEST(WindowsAbi, SameBytesAsMingw) {
    std::map<std::string, long long> ours;
    QOR_ABI_SCALARS(QOR_SIZE)
    QOR_ABI_RECORDS(QOR_SIZE, QOR_OFFSET)
    QOR_ABI_VTABLES(QOR_SLOT)
    QOR_ABI_INTERFACES(QOR_ID)
    QOR_ABI_CONSTANTS(QOR_VALUE)
    QOR_ABI_ERROR_CODES(QOR_VALUE)
#define QOR_ABI_FUNCTION QOR_FUNCTION
    QOR_ABI_FUNCTIONS(QOR_FUNCTION)
    struct Fact {
        char const* name;
        long long value;
    };
    static constexpr Fact mingw[] = {
#include "MingwAbiFacts.inc"
    };
    for (auto const& [name, value] : mingw) {
        auto const mine = ours.find(name);
        ASSERT_NE(mine, ours.end()) << name << ": read from mingw-w64, not listed for ours";
        EXPECT_EQ(mine->second, value) << name << ": ours " << mine->second << ", mingw-w64 " << value;
        ours.erase(mine);
    }
    for (auto const& [name, value] : ours)
        EXPECT_EQ(name, "value E_BOUNDS") << "not among the facts read from mingw-w64";
}

} // namespace
