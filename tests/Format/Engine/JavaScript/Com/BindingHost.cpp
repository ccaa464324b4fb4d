#include "Format/Engine/JavaScript/Com/BindingHost.h"

#include "Format/Engine/JavaScript/Com/Engine/IsolateData.h"
#include "Platform/Windows/Com/ComClassEntry.h"

#include "Format/Engine/JavaScript/Com/Bindings/StartupSnapshot.h"

#include <cstdlib>
#include <filesystem>

namespace qor::test::bindings {

using platform::windows::com::ComClassEntry;

BindingHost::BindingHost() {
    // The suite runs a second time over contexts built without the snapshot.
    if (char const* plain = std::getenv("QOR_TEST_PLAIN_CONTEXTS"); plain != nullptr && *plain == '1')
        format::engine::javascript::StartupSnapshot::disable();
    std::filesystem::path const folder(QOR_BINDINGS_FIXTURE_DIR);
    typeLibrary.addPath(folder / "Bindings.tlb");
    typeLibrary.addPath(folder / "UserModel.tlb");
    // The engine's own library, so that script arrays have type information.
    typeLibrary.addPath(std::filesystem::path(QOR_ENGINE_TLB_DIR) / "QorJavaScriptCom.tlb");
    auto const runtimePath = (folder / "BindingsRuntime.tlb").u16string();
    EXPECT_EQ(LoadTypeLibEx(reinterpret_cast<OLECHAR const*>(runtimePath.c_str()), REGKIND_NONE, &runtimeLibrary),
              S_OK);
    classes.add("Item", clsidItem, [this](auto*) -> IUnknown* { return itemCreator; });
    classes.add("Application", clsidApplication, [this](auto*) -> IUnknown* { return application; },
                ComClassEntry::globalObject);
    classes.add("Sheet", clsidSheet, [this](auto*) -> IUnknown* { return sheetCreator; });
    classes.add("Cells", clsidCells, [this](auto*) -> IUnknown* { return cellsCreator; });
}

BindingHost::~BindingHost() {
    if (runtimeLibrary != nullptr)
        runtimeLibrary->Release();
}

ITypeInfo* BindingHost::typeInfo(Guid const& guid) {
    if (auto* entry = typeLibrary.find(guid))
        return entry->typeInfo;
    ITypeInfo* found = nullptr;
    if (runtimeLibrary != nullptr && SUCCEEDED(runtimeLibrary->GetTypeInfoOfGuid(guid.to<GUID>(), &found))) {
        // The library keeps the type alive for the program's lifetime.
        found->Release();
        return found;
    }
    ADD_FAILURE() << "no type " << guid.toString();
    return nullptr;
}

BindingTest::BindingTest() {
    host.itemCreator = &itemCreator;
    host.application = &application;
    // The fixture's own engine, which never ran, gives way to one over the model.
    engine = std::make_unique<ComV8Engine>(host.classes, host.typeLibrary, ".");
    engine->errorHandler = [this](auto&, Error& error) { reported.push_back(error); };
}

BindingTest::~BindingTest() {
    engine.reset();
    host.itemCreator = nullptr;
    host.application = nullptr;
}

std::string BindingTest::thrown(std::string_view script) {
    return run("(() => { try { " + std::string(script) + "; return 'nothing thrown'; } catch (e) { return String(e); } })()");
}

void BindingTest::collectGarbage() {
    isolate()->LowMemoryNotification();
}

std::size_t BindingTest::liveWrappers() const {
    return format::engine::javascript::IsolateData::objectRegistry(engine->getIsolate()).v8ComObjectList.size();
}

} // namespace qor::test::bindings
