#pragma once

// A creator for COM objects built on the base templates that records which
// objects it was told of, so that tests can check the creator link.

#include "Platform/Windows/Com/UnknownCreationInterface.h"

#include <vector>

namespace qor::test {

class CountingCreator : public platform::windows::com::UnknownCreationInterface {
public:
    void objectCreated(IUnknown* object) override { created.push_back(object); }
    void objectDestroyed(IUnknown* object) override { destroyed.push_back(object); }
    std::uint64_t nextUniqueId() override { return ++lastId; }

    std::vector<IUnknown*> created;
    std::vector<IUnknown*> destroyed;
    std::uint64_t lastId = 0;
};

} // namespace qor::test
