#include "Format/Engine/JavaScript/Com/ComV8Engine.h"
#include "Platform/Windows/Com/IScriptStartStop.h"
#include "Support/CountedObject.h"

#include <gtest/gtest.h>

#include <memory>

using qor::format::engine::javascript::ComV8Engine;
using qor::platform::windows::com::IScriptStartStop;
using qor::platform::windows::com::iidScriptStartStop;

namespace {

// A host object that wants to hear when scripts start and stop.
class HostObject : public qor::test::CountedDispatch, public IScriptStartStop {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (ppv != nullptr && IsEqualGUID(riid, iidScriptStartStop.to<IID>())) {
            *ppv = static_cast<IScriptStartStop*>(this);
            AddRef();
            return S_OK;
        }
        return CountedDispatch::QueryInterface(riid, ppv);
    }
    void start() override { ++starts; }
    void stop() override { ++stops; }

    int starts = 0;
    int stops = 0;
};

class SharedInstanceTest : public ::testing::Test {
protected:
    SharedInstanceTest() {
        classes.add("Sheet", *qor::Guid::parse("{6B29FC40-CA47-1067-B31D-00DD010662DA}"), [this](auto*) {
            ++created;
            return sheet.unknown();
        });
        classes.add("Broken", *qor::Guid::parse("{6B29FC40-CA47-1067-B31D-00DD010662DB}"), [](auto*) {
            return static_cast<IUnknown*>(nullptr);
        });
    }

    HostObject sheet;
    int created = 0;
    ComV8Engine::ComClasses classes;
    ComV8Engine::TypeLibrary typeLibrary;
};

TEST_F(SharedInstanceTest, CreatesOneInstancePerClassAndReleasesItWithTheEngine) {
    for (bool ran : {false, true}) {
        int const starts = sheet.starts;
        {
            ComV8Engine engine(classes, typeLibrary, ".");
            engine.setScript("1", {});
            if (ran)
                engine.runScript();
            IDispatch* first = engine.getSharedInstance("Sheet");
            EXPECT_EQ(first, static_cast<IDispatch*>(&sheet));
            EXPECT_EQ(engine.getSharedInstance("Sheet"), first);
            EXPECT_EQ(engine.getSharedInstance("sheet"), nullptr); // names are case-sensitive
            EXPECT_EQ(engine.getSharedInstance("Broken"), nullptr);
            EXPECT_FALSE(sheet.balanced()); // the engine holds it
            if (ran) {
                EXPECT_EQ(sheet.starts, starts + 1);
            }
        }
        EXPECT_TRUE(sheet.balanced()) << sheet.refCount();
    }
    EXPECT_EQ(created, 2);
}

TEST_F(SharedInstanceTest, StopTellsSharedInstancesThatTheScriptStopped) {
    ComV8Engine engine(classes, typeLibrary, ".");
    engine.setScript("1", {});
    engine.runScript();
    engine.stopScript(); // nothing created yet: nothing to stop
    EXPECT_EQ(sheet.stops, 0);
    engine.getSharedInstance("Sheet");
    engine.stopScript();
    engine.stopScript();
    EXPECT_EQ(sheet.stops, 2);
}

} // namespace
