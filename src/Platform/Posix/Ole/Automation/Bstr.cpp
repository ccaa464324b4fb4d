#include "Platform/Posix/Ole/Automation/Bstr.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "Platform/Posix/Ole/Automation/BstrCache.h"
#include "Platform/Posix/Ole/Core/Memory.h"
#include "Platform/Posix/Ole/Core/TaskMemorySize.h"

namespace {

// The block starts 8 bytes before the text so that the text stays 8-byte
// aligned; the byte length sits in the 4 bytes just before the text.
constexpr std::size_t kHeader = 8;
// Enough zero bytes to end the text with a whole U+0000, also for an odd
// byte length.
constexpr std::size_t kTerminator = 3;
constexpr UINT kMaxBytes = std::numeric_limits<UINT>::max() - kHeader - kTerminator;

namespace bstrcache = qor::platform::posix::ole::bstrcache;

char* blockOf(BSTR text)
{
    return reinterpret_cast<char*>(text) - kHeader;
}

std::size_t blockBytes(UINT byteLength)
{
    return kHeader + std::size_t(byteLength) + kTerminator;
}

// Writes the length before the text and the terminator after it.
BSTR frame(char* block, UINT byteLength)
{
    std::memset(block, 0, kHeader - sizeof(UINT));
    std::memcpy(block + kHeader - sizeof(UINT), &byteLength, sizeof(UINT));
    char* text = block + kHeader;
    std::memset(text + byteLength, 0, kTerminator);
    return reinterpret_cast<BSTR>(text);
}

// Allocates a BSTR of byteLength bytes, copying them from source when given
// and zero-filling otherwise.
BSTR allocateBytes(const void* source, UINT byteLength)
{
    if (byteLength > kMaxBytes)
        return nullptr;
    auto* block = static_cast<char*>(bstrcache::take(blockBytes(byteLength)));
    if (block == nullptr)
        block = static_cast<char*>(CoTaskMemAlloc(bstrcache::blockSizeFor(blockBytes(byteLength))));
    if (block == nullptr)
        return nullptr;
    BSTR text = frame(block, byteLength);
    if (source != nullptr)
        std::memcpy(text, source, byteLength);
    else
        std::memset(text, 0, byteLength);
    return text;
}

UINT length(const OLECHAR* text)
{
    UINT n = 0;
    while (text[n] != 0)
        ++n;
    return n;
}

} // namespace

BSTR SysAllocString(const OLECHAR* psz)
{
    if (psz == nullptr)
        return nullptr;
    return SysAllocStringLen(psz, length(psz));
}

BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui)
{
    if (ui > kMaxBytes / sizeof(OLECHAR))
        return nullptr;
    return allocateBytes(strIn, ui * static_cast<UINT>(sizeof(OLECHAR)));
}

BSTR SysAllocStringByteLen(LPCSTR psz, UINT len)
{
    return allocateBytes(psz, len);
}

INT SysReAllocStringLen(BSTR* pbstr, const OLECHAR* psz, unsigned int len)
{
    if (pbstr == nullptr || len > kMaxBytes / sizeof(OLECHAR))
        return FALSE;
    // Without a source the old text is kept. A source inside the old string
    // is read up to its end only, however long the new one is: the rest
    // stays zero rather than what lies beyond the old block.
    BSTR old = *pbstr;
    const OLECHAR* source = psz != nullptr ? psz : old;
    UINT count = len;
    if (old != nullptr && source >= old && source <= old + SysStringLen(old))
        count = std::min(len, static_cast<UINT>(old + SysStringLen(old) - source));
    UINT const bytes = len * static_cast<UINT>(sizeof(OLECHAR));
    // A block with room for the new string is kept, as Windows keeps it.
    if (old != nullptr && qor::platform::posix::ole::taskMemorySize(blockOf(old)) >= blockBytes(bytes)) {
        std::memmove(old, source, count * sizeof(OLECHAR));
        std::memset(old + count, 0, (len - count) * sizeof(OLECHAR));
        frame(blockOf(old), bytes);
        return TRUE;
    }
    BSTR fresh = SysAllocStringLen(nullptr, len);
    if (fresh == nullptr)
        return FALSE;
    if (source != nullptr)
        std::memcpy(fresh, source, count * sizeof(OLECHAR));
    // The source may lie inside the old string, so it is freed only now.
    SysFreeString(old);
    *pbstr = fresh;
    return TRUE;
}

INT SysReAllocString(BSTR* pbstr, const OLECHAR* psz)
{
    if (pbstr == nullptr)
        return FALSE;
    BSTR fresh = SysAllocString(psz);
    if (fresh == nullptr && psz != nullptr)
        return FALSE;
    SysFreeString(*pbstr);
    *pbstr = fresh;
    return TRUE;
}

void SysFreeString(BSTR bstrString)
{
    if (bstrString != nullptr)
        bstrcache::release(blockOf(bstrString));
}

void SetOaNoCache()
{
    bstrcache::disable();
}

UINT SysStringByteLen(BSTR bstr)
{
    if (bstr == nullptr)
        return 0;
    UINT bytes;
    std::memcpy(&bytes, blockOf(bstr) + kHeader - sizeof(UINT), sizeof(UINT));
    return bytes;
}

UINT SysStringLen(BSTR pbstr)
{
    return SysStringByteLen(pbstr) / sizeof(OLECHAR);
}
