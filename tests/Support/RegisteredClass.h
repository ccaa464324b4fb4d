#pragma once

// A class factory of the test process, registered under a CLSID and a ProgID
// for as long as the registration lives (the POSIX runtime's registry).

#include "Platform/Posix/Ole/Core/ProgIdRegistry.h"
#include "Platform/Windows/Com/OleActivation.h"
#include "Support/CountedObject.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace qor::test {

// What it makes is up to the test; aggregation is refused.
class CountedClassFactory : public CountedObject<IClassFactory> {
public:
    using Make = std::function<HRESULT(REFIID, void**)>;
    explicit CountedClassFactory(Make make) : make_(std::move(make)) {}

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
        return outer != nullptr ? CLASS_E_NOAGGREGATION : make_(riid, object);
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }

private:
    Make make_;
};

class RegisteredClass {
public:
    RegisteredClass(Guid const& clsid, char16_t const* progId, IClassFactory* factory) : progId_(progId) {
        platform::windows::com::ensureOleInitialized();
        EXPECT_EQ(CoRegisterClassObject(clsid.to<CLSID>(), factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                        &cookie_),
                  S_OK);
        EXPECT_EQ(platform::posix::ole::registerProgId(progId, clsid.to<CLSID>()), S_OK);
    }
    ~RegisteredClass() {
        CoRevokeClassObject(cookie_);
        platform::posix::ole::revokeProgId(progId_);
    }
    RegisteredClass(RegisteredClass const&) = delete;
    RegisteredClass& operator=(RegisteredClass const&) = delete;

private:
    std::u16string progId_;
    DWORD cookie_ = 0;
};

} // namespace qor::test
