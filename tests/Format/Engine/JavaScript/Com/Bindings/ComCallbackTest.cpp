// Calls across the bridge both ways: scripts calling methods and properties of
// wrapped COM objects, and the host and its objects calling script functions;
// what each side sees when a call fails. Then COM events handled by scripts:
// listeners on a COM object, global functions bound by ConnectObject, and the
// connections' lifetime.

#include "Format/Engine/JavaScript/Com/BindingHost.h"

#include "Format/Engine/JavaScript/Com/Engine/IsolateData.h"
#include "Support/EventfulObject.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace qor::test::bindings {
namespace {

namespace IsolateData = format::engine::javascript::IsolateData;
using format::engine::javascript::EngineOptions;

// One Invoke as the object saw it, arguments in COM's order (last first).
struct SeenCall {
    DISPID dispid;
    WORD flags;
    std::vector<_variant_t> arguments;
    std::vector<DISPID> named;
    bool operator==(SeenCall const&) const = default;
};

// The script reaches the item as Application.Items (the fixture's getter of
// an IItems, answered here with the item itself).
class ComCallbackTest : public BindingTest {
protected:
    ComCallbackTest() {
        item.onInvoke([this](DISPID dispid, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo) {
            seen.push_back({dispid, flags, std::vector<_variant_t>(params->rgvarg, params->rgvarg + params->cArgs),
                            std::vector<DISPID>(params->rgdispidNamedArgs, params->rgdispidNamedArgs + params->cNamedArgs)});
            return answer ? answer(dispid, flags, params, result, excepInfo) : S_OK;
        });
        application.onInvoke(handingOut(&item));
    }
    ~ComCallbackTest() override {
        seen.clear();
        expectBalancedAfterTeardown(item, application);
    }

    // The item answers every call by calling the script's Item.OnChange, as a
    // host object raising an event would.
    void callingBack() {
        answer = [this](DISPID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*) {
            GUID const guid = clsidItem.to<GUID>();
            return engine->invokeComFunction(&guid, u"OnChange", params, result) ? S_OK : DISP_E_MEMBERNOTFOUND;
        };
    }
    // Item.OnChange called by COM, arguments in script order.
    bool onChange(std::vector<_variant_t> arguments, VARIANT* result = nullptr) {
        std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
        DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
        GUID const guid = clsidItem.to<GUID>();
        return engine->invokeComFunction(&guid, u"OnChange", &params, result);
    }
    _variant_t call(char const* function, std::vector<_variant_t> arguments = {}) {
        return engine->callJsFunctionGetError(function, arguments);
    }

    TypedDispatch item{host.typeInfo(iidItem)};
    CountedDispatch::Handler answer;
    std::vector<SeenCall> seen;
};

// --- scripts calling COM -------------------------------------------------------

TEST_F(ComCallbackTest, AMethodOrPropertyUseIsOneInvokeWithTheArgumentsReversed) {
    answer = answering(LONG{42});
    EXPECT_EQ(run("var item = Application.Items; item.Add(1, 'two')"), "42");
    // Fewer arguments than parameters go as they are: the object applies its
    // own defaults. Ten are more than the arguments kept without allocation.
    run("item.Add(1); item.Activate(); item.Many(1, 2, 3, 4, 5, 6, 7, 8, 9, 10); item.Cell(2, 3);"
        "item.Name; item.Name = 'Budget'");
    std::vector<_variant_t> tenToOne;
    for (LONG n = 10; n > 0; --n)
        tenToOne.emplace_back(n);
    // A get with arguments is called as a method with the property-get flag.
    EXPECT_EQ(seen,
              (std::vector<SeenCall>{{itemAdd, DISPATCH_METHOD, {_variant_t(u"two"), _variant_t(LONG{1})}, {}},
                                     {itemAdd, DISPATCH_METHOD, {_variant_t(LONG{1})}, {}},
                                     {itemActivate, DISPATCH_METHOD, {}, {}},
                                     {itemMany, DISPATCH_METHOD, tenToOne, {}},
                                     {itemCell, DISPATCH_PROPERTYGET, {_variant_t(LONG{3}), _variant_t(LONG{2})}, {}},
                                     {itemName, DISPATCH_PROPERTYGET, {}, {}},
                                     {itemName, DISPATCH_PROPERTYPUT, {_variant_t(u"Budget")}, {DISPID_PROPERTYPUT}}}));
    // Cell's put was dropped: assigning is no COM call. Plumbing members are
    // left out, but InvokeEx is an ordinary method.
    EXPECT_EQ(run("[typeof item.Cell, typeof item.QueryInterface, typeof item.AddRef, typeof item.Invoke,"
                  " typeof item.GetIDsOfNames, typeof item.InvokeEx, typeof item.New, typeof item.New2].join()"),
              "function,undefined,undefined,undefined,undefined,function,function,function");
}

TEST_F(ComCallbackTest, CallsThatCannotGoAreRefusedBeforeCallingCom) {
    run("var item = Application.Items");
    // The sample's errors script shows too many arguments, objects and BigInts.
    EXPECT_EQ(run("String(item.WriteOnly)"), "undefined");
    EXPECT_EQ(thrown("item.Echo(Symbol('s'))"),
              "IItem.Echo: argument 1 cannot be passed to COM: symbol values have no COM form");
    EXPECT_EQ(thrown("item.Name = () => 1"),
              "IItem.Name: the value cannot be passed to COM: script objects other than arrays and COM objects have "
              "no COM form");
    // A number its parameter cannot hold is refused, not wrapped into it.
    EXPECT_EQ(thrown("item.Activate(3000000000)"),
              "IItem.Activate: argument 1 cannot be passed to COM: 3000000000 is out of range for its COM type "
              "(-2147483648 to 2147483647)");
    EXPECT_EQ(thrown("item.WriteOnly = -2147483649"),
              "IItem.WriteOnly: the value cannot be passed to COM: -2147483649 is out of range for its COM type "
              "(-2147483648 to 2147483647)");
    // A member applied to another object is refused before any call.
    EXPECT_EQ(thrown("item.Activate.call(Application, 1)"), "TypeError: Illegal invocation");
    EXPECT_TRUE(seen.empty());
    EXPECT_TRUE(asserts.empty());
    // A put that answers a value has taken effect, and throws.
    answer = answering(LONG{42});
    EXPECT_EQ(thrown("item.WriteOnly = 5"), "Setter should always return void.");
    EXPECT_EQ(seen.size(), 1u);
}

TEST_F(ComCallbackTest, ComFailuresBecomeTheMostSpecificTextThereIs) {
    struct Case {
        HRESULT failure;
        char16_t const* description;
        SCODE scode;
        std::string thrown;
    };
    // The sample's errors script shows an object's own description.
    for (Case const& c : {Case{DISP_E_EXCEPTION, u"\u00e9", E_FAIL, "\xc3\xa9"},
                          Case{DISP_E_EXCEPTION, nullptr, E_ACCESSDENIED, "Access is denied."},
                          Case{DISP_E_MEMBERNOTFOUND, nullptr, 0, "Member not found."},
                          Case{static_cast<HRESULT>(0xA0001234), nullptr, 0, "EXCEPINFO scode: 0"},
                          Case{static_cast<HRESULT>(0xA0001234), nullptr, E_FAIL, "EXCEPINFO scode: 80004005"}}) {
        answer = [&](DISPID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO* excepInfo) {
            excepInfo->bstrDescription = c.description != nullptr ? SysAllocString(c.description) : nullptr;
            excepInfo->scode = c.scode;
            return c.failure;
        };
        EXPECT_EQ(thrown("Application.Items.Fail()"), c.thrown);
    }
    // Uncaught, it reaches the host with its location.
    answer = [](DISPID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*) { return DISP_E_TYPEMISMATCH; };
    run("\n  Application.Items.Value = 'x';");
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0].message, "Uncaught Type mismatch.");
    EXPECT_EQ(reported[0].lineNumber, 2);
    EXPECT_EQ(reported[0].sourceLine, "  Application.Items.Value = 'x';");
    answer = nullptr;
    EXPECT_EQ(run("Application.Items.Fail(); 'recovered'"), "recovered");
}

// HRESULT_FROM_WIN32(ERROR_DISK_FULL)
constexpr auto diskFull = static_cast<HRESULT>(0x80070070);

// Echo calls the script function it is given; Fail fails with all an
// EXCEPINFO holds; every other member cannot take its last argument.
class ComFailureTest : public ComCallbackTest {
protected:
    ComFailureTest() {
        run("var item = Application.Items");
        item.blameArgument(0);
        answer = [](DISPID dispid, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo) {
            if (dispid == itemEcho) {
                DISPPARAMS none{};
                return params->rgvarg[0].pdispVal->Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_METHOD, &none, result,
                                                          excepInfo, nullptr);
            }
            if (dispid == itemName && params->rgvarg[0].vt == VT_BSTR && SysStringLen(params->rgvarg[0].bstrVal) == 0)
                excepInfo->bstrDescription = SysAllocString(u"Name: a name cannot be empty");
            if (dispid != itemFail)
                return DISP_E_TYPEMISMATCH;
            excepInfo->bstrDescription = SysAllocString(u"Disk full");
            excepInfo->bstrSource = SysAllocString(u"Sheet");
            excepInfo->bstrHelpFile = SysAllocString(u"sheet.chm");
            excepInfo->dwHelpContext = 42;
            excepInfo->scode = diskFull;
            return DISP_E_EXCEPTION;
        };
    }
    // What the script caught from `script`, run in a function named failing.
    std::string caught(std::string const& script, std::string const& what) {
        return run("(function () { try { (function failing() { " + script + "; })(); return 'nothing thrown'; }"
                   " catch (e) { return " + what + "; } })()");
    }
};

// The sample's errors script catches each kind, shown with and without it.
TEST_F(ComFailureTest, FailuresAreTheirTextOrUnderTheOptionErrorsThatSayWhere) {
    struct Case {
        std::string script;
        std::string text;  // thrown without the option
        std::string error; // String(e) with it
        HRESULT number;
    };
    itemCreator.failInvoke(E_ACCESSDENIED);
    std::string const outOfRange = "3000000000 is out of range for its COM type (-2147483648 to 2147483647)";
    Case const cases[] = {
        // member
        {"item.Fail()", "Disk full", "Error: IItem.Fail: Disk full", diskFull},
        {"item.Fail(1)", "More arguments than the function can receive.",
         "TypeError: IItem.Fail: More arguments than the function can receive.", DISP_E_BADPARAMCOUNT},
        // argument: as the object names it, last first, or as the bridge finds it
        {"item.Add(1, 'two')", "Type mismatch.", "TypeError: IItem.Add: argument 2: Type mismatch.",
         DISP_E_TYPEMISMATCH},
        {"item.Activate(3000000000)", "IItem.Activate: argument 1 cannot be passed to COM: " + outOfRange,
         "RangeError: IItem.Activate: argument 1: " + outOfRange, DISP_E_OVERFLOW},
        // constructor
        {"new Item('a')", "Access is denied.", "Error: Item: Access is denied.", E_ACCESSDENIED},
        {"new Item(null, 1)", "No matching constructor found.", "TypeError: Item: No matching constructor found.",
         DISP_E_TYPEMISMATCH},
        // property put
        {"item.Name = 'x'", "Type mismatch.", "TypeError: IItem.Name: the value: Type mismatch.", DISP_E_TYPEMISMATCH},
        // activation
        {"new ActiveXObject('No.Such.Class')", "ActiveXObject: no COM class is registered as \"No.Such.Class\"",
         "Error: ActiveXObject: no COM class is registered as \"No.Such.Class\"", CO_E_CLASSSTRING},
        {"new Enumerator(5)", "Enumerator: the argument is not a COM object",
         "TypeError: Enumerator: the argument is not a COM object", DISP_E_TYPEMISMATCH},
    };
    for (Case const& c : cases)
        EXPECT_EQ(caught(c.script, "typeof e + ' ' + e"), "string " + c.text) << c.script;
    // Plain failures name no argument, and ask the object for none.
    ASSERT_FALSE(item.calls().empty());
    EXPECT_FALSE(item.calls().back().argumentErrorAsked);
    engine->setOptions(EngineOptions{.errorObjects = true});
    for (Case const& c : cases) {
        // The stack is the script's, where the call failed.
        EXPECT_EQ(caught(c.script, "[e, e.number, e.description, e instanceof Error, /at failing/.test(e.stack)]"
                                   ".join('|')"),
                  fmt::format("{}|{}|{}|true|true", c.error, c.number, c.text))
            << c.script;
    }
    EXPECT_EQ(caught("item.Fail()", "[e.source, e.helpFile, e.helpContext].join()"), "Sheet,sheet.chm,42");
    EXPECT_EQ(caught("item.Add(1, 'two')", "['source', 'helpFile', 'helpContext'].filter(p => p in e).join()"), "");
    EXPECT_TRUE(reported.empty());
}

// A script that catches a COM error may throw it on through COM, or throw
// its own with the code it chooses: COM's caller gets that code.
TEST_F(ComFailureTest, AnErrorWithANumberGoesThroughComAsThatCodeAndComesBack) {
    std::string const ownError = "item.Echo(() => { const e = new Error('Sheet is protected'); e.number = 0x800A03EC;"
                                 " e.source = 'Book'; throw e; })";
    std::string const what = "[e.message, e.number, e.description, e.source].join('|')";
    engine->setOptions(EngineOptions{.scriptObjects = true, .errorObjects = true});
    EXPECT_EQ(caught(ownError, what), "IItem.Echo: Sheet is protected|-2146827284|Sheet is protected|Book");
    EXPECT_EQ(caught("item.Echo(() => item.Fail())", what),
              "IItem.Echo: IItem.Fail: Disk full|-2147024784|IItem.Fail: Disk full|Sheet");
    // Without a number the error is the script's text, as without the option.
    EXPECT_EQ(caught("item.Echo(() => { throw new Error('no'); })", what),
              "IItem.Echo: Error: no|-2147467259|Error: no|JavaScript");
    engine->setOptions(EngineOptions{.scriptObjects = true});
    EXPECT_EQ(caught(ownError, "e"), "Error: Sheet is protected");
}

// Objects often begin their descriptions with the member's name, and a
// nested call's Error names its member already: the message names it once.
TEST_F(ComFailureTest, TheMessageNamesTheMemberOnceWhereTheTextNamesItAlready) {
    engine->setOptions(EngineOptions{.scriptObjects = true, .errorObjects = true});
    EXPECT_EQ(caught("item.Name = ''", "[e.message, e.description].join('|')"),
              "IItem.Name: the value: a name cannot be empty|Name: a name cannot be empty");
    EXPECT_EQ(caught("item.Echo(() => item.Echo(() => item.Fail()))", "e.message"), "IItem.Echo: IItem.Fail: Disk full");
}

TEST_F(ComCallbackTest, WrappedObjectsGoBackToComAsTheSamePointerWithAReferenceOfTheirOwn) {
    long during = 0;
    answer = [&](DISPID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*) {
        during = item.refCount();
        return params->rgvarg[0].pdispVal == &item ? S_OK : E_FAIL;
    };
    run("var item = Application.Items");
    long const before = item.refCount();
    run("item.Echo(item)");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(during, before + 2); // the argument's and the test's copy of it
    seen.clear();
    EXPECT_EQ(item.refCount(), before);
}

TEST_F(ComCallbackTest, AGlobalObjectPassedBeforeItsFirstUseStillGoesAsItsComObject) {
    itemCreator.onInvoke(handingOut(&item));
    run("new Item('first').Echo(Application)");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].arguments.at(0), _variant_t(static_cast<IDispatch*>(&application)));
}

// --- the host and COM calling scripts ----------------------------------------

TEST_F(ComCallbackTest, CallsOfNothingLeaveTheResultAloneAndCallsBeforeAnyRunAreRefused) {
    EXPECT_EQ(call("f").vt, VT_EMPTY);
    EXPECT_FALSE(onChange({}));
    EXPECT_EQ(engine->getIsolate(), nullptr);
    run("function f() { return 5; }");
    ASSERT_EQ(reported.size(), 0u); // the first refusal stays pending until a report point
    engine->stopScript();
    EXPECT_EQ(reportedMessages(), std::vector<std::string>{"Cannot call f: no script has run on this engine yet"});
    EXPECT_EQ(call("f"), _variant_t(LONG{5}));

    _variant_t result(LONG{7});
    EXPECT_FALSE(onChange({}, &result));
    EXPECT_EQ(result, _variant_t(LONG{7}));
    EXPECT_EQ(call("nothing").vt, VT_EMPTY);
    EXPECT_FALSE(engine->hasPendingError());
}

TEST_F(ComCallbackTest, ValuesThatCannotCrossGiveTheHostAClearError) {
    run("function symbol() { return Symbol('s'); } function echo(x) { return x; }");
    EXPECT_EQ(call("symbol").vt, VT_EMPTY);
    engine->stopScript();
    _variant_t date;
    date.vt = VT_DATE;
    EXPECT_EQ(call("echo", {_variant_t(LONG{1}), date}).vt, VT_EMPTY);
    engine->stopScript();
    EXPECT_EQ(reportedMessages(),
              (std::vector<std::string>{
                  "symbol returned a value that cannot be passed to COM: symbol values have no COM form",
                  "echo: argument 2 cannot be passed to the script: Missing V8 variant implementation (returnVar.vt): 7"}));
}

TEST_F(ComCallbackTest, ObjectArgumentsArriveAsWrappersTheScriptMayKeep) {
    run("var kept; function keep(item) { kept = item; return typeof item.Activate; }");
    EXPECT_EQ(call("keep", {_variant_t(static_cast<IDispatch*>(&item))}), _variant_t(u"function"));
    // The script holds the object of its own; collected, it lets go.
    EXPECT_EQ(item.refCount(), 2);
    run("kept = null");
    collectGarbage();
    EXPECT_TRUE(item.balanced()) << item.refCount();
}

TEST_F(ComCallbackTest, ADirectHostCallLeavesItsErrorPendingAndACallFromComReportsIt) {
    run("function fail() { throw new Error('no'); } Item.OnChange = fail;");
    EXPECT_EQ(call("fail").vt, VT_EMPTY);
    EXPECT_TRUE(engine->hasPendingError());
    EXPECT_TRUE(reported.empty());
    engine->stopScript();
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0].message, "Uncaught Error: no");

    // A function that throws counts as not called.
    EXPECT_FALSE(onChange({}));
    ASSERT_EQ(reported.size(), 2u);
    EXPECT_EQ(reported[1].message, "Uncaught Error: no");
    EXPECT_EQ(reported[1].lineNumber, 1);
    EXPECT_FALSE(engine->hasPendingError());
    EXPECT_EQ(run("6 * 7"), "42");
}

TEST_F(ComCallbackTest, AnErrorDeepInNestedCallsIsReportedOnceByTheOutermostCallFromCom) {
    // Each level calls into COM, whose object calls the next level back.
    callingBack();
    run("var depth = 0, item = Application.Items;"
        "Item.OnChange = function (level) {"
        "  depth = Math.max(depth, level);"
        "  if (level === 100) throw new Error('deep ' + level);"
        "  return item.Echo(level + 1);"
        "};");
    _variant_t result;
    EXPECT_FALSE(onChange({_variant_t(LONG{1})}, &result));
    EXPECT_EQ(run("depth"), "100");
    EXPECT_EQ(reportedMessages(), std::vector<std::string>{"Uncaught Error: deep 100"});
    EXPECT_FALSE(engine->hasPendingError());

    // Without the error, the value travels back through every level.
    run("Item.OnChange = function (level) { return level === 100 ? 'bottom' : item.Echo(level + 1); }");
    ASSERT_TRUE(onChange({_variant_t(LONG{1})}, &result));
    EXPECT_EQ(result, _variant_t(u"bottom"));
    EXPECT_EQ(reported.size(), 1u);
}

TEST_F(ComCallbackTest, ATerminatedRunEndsOnceThroughNestedCallsAndLetsGoOfItsObjects) {
    callingBack();
    run("var item = Application.Items;"
        "Item.OnChange = function (level) { if (level === 3) for (;;) {} return item.Echo(level + 1); };");
    std::atomic<bool> done{false};
    std::thread host([&] {
        while (!done) {
            engine->terminateScript();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    EXPECT_EQ(run("try { item.Echo(1); } catch (e) {} 'went on'"), "");
    done = true;
    host.join();
    EXPECT_EQ(reportedMessages(), std::vector<std::string>{"Script terminated by the host"});
    EXPECT_EQ(run("6 * 7"), "42");
}

// qorjs's fault suite stops a script blocked in a call under --timeout.
TEST_F(ComCallbackTest, AStopAskedWhileComHasTheThreadEndsTheScriptBeforeItRunsOn) {
    run("var item = Application.Items");
    seen.clear();
    application.onInvoke([this](DISPID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*) {
        std::thread([this] { engine->terminateScript(); }).join();
        return handOut(result, &item);
    });
    EXPECT_EQ(run("Application.Items; item.Name = 'ran on'; 'finished'"), "");
    // Stopped in its last call, the run still ends with the stop.
    EXPECT_EQ(run("Application.Items"), "");
    engine->setTimeLimit(std::chrono::milliseconds(50));
    application.onInvoke([this](DISPID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        return handOut(result, &item);
    });
    EXPECT_EQ(run("Application.Items; item.Name = 'ran on'; 'finished'"), "");
    engine->setTimeLimit(std::nullopt);
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(reportedMessages(),
              (std::vector<std::string>{"Script terminated by the host", "Script terminated by the host",
                                        "Script terminated: it ran longer than its time limit of 0.05 s"}));
    EXPECT_EQ(run("6 * 7"), "42");
}

// qorjs's fault suite calls a module's exports and one it lacks.
TEST_F(ComCallbackTest, AModuleFunctionIsCalledOnlyWhenAModuleRan) {
    run("1");
    v8::Isolate::Scope isolateScope(isolate());
    v8::HandleScope scope(isolate());
    auto none = engine->callModuleFunction("f", {});
    ASSERT_TRUE(none.has_value());
    EXPECT_TRUE(none->IsEmpty());
    EXPECT_EQ(asserts, std::vector<std::string>{"No top level module"});
}

// --- events ------------------------------------------------------------------------

// Each script that reads Application.Items gets the object handed out.
class ScriptEventsTest : public BindingTest {
protected:
    ScriptEventsTest() {
        engine->setOptions(EngineOptions::all());
        application.onInvoke([this](DISPID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*) {
            return handOut(result, handedOut);
        });
    }
    ~ScriptEventsTest() override {
        expectBalancedAfterTeardown(item, gauge);
        EXPECT_EQ(item.connectionCount(), 0u);
    }

    std::size_t libraryObjects() { return IsolateData::objectRegistry(isolate()).libraryObjects.size(); }

    // An Item, whose events the host's type library names.
    EventfulObject<&diidItemEvents> item{host.typeInfo(iidItem)};
    // A Gauge, which names its class itself.
    EventfulObject<&diidGaugeEvents> gauge{host.typeInfo(iidPoint), host.typeInfo(clsidGauge)};
    IDispatch* handedOut = &item;
};

// The sample's extensions script adds and removes listeners, binds functions
// with ConnectObject, and asks an object without events for one.
TEST_F(ScriptEventsTest, AListenerIsAddedOnceWhateverTheCaseOfTheEventAndBadOnesAreRefused) {
    run("var item = Application.Items, heard = [];"
        "function first(row, value) { heard.push(`${row} ${value} ${this === item}`); }"
        "item.addEventListener('Changed', first);"
        "item.addEventListener('changed', first);");
    EXPECT_EQ(item.fire(1, {_variant_t(LONG{3}), _variant_t(OLESTR("x"))}), 1u);
    EXPECT_EQ(item.fire(2, {}), 1u);
    EXPECT_EQ(run("heard.join()"), "3 x true");
    run("item.removeEventListener('Changed', first)");
    EXPECT_EQ(item.connectionCount(), 0u);

    // Every option is on: failures are Errors.
    EXPECT_EQ(thrown("item.addEventListener('Nope', () => {})"),
              "Error: addEventListener: ItemEvents has no event \"Nope\"");
    EXPECT_EQ(thrown("item.addEventListener('Changed', 5)"), "TypeError: addEventListener: the listener is not a function");
    EXPECT_EQ(thrown("ConnectObject(5, 'x_')"), "TypeError: ConnectObject: the first argument is not a COM object");
    EXPECT_EQ(item.connectionCount(), 0u);
    EXPECT_TRUE(reported.empty());
}

TEST_F(ScriptEventsTest, ObjectsMetAtRunTimeNameTheirEventsAndAMemberOfTheSameNameWins) {
    handedOut = &gauge;
    run("var gauge = Application.Items, moved = [];"
        "gauge.addEventListener('Moved', x => moved.push(x));");
    gauge.fire(5, {_variant_t(LONG{7})});
    EXPECT_EQ(run("moved.join()"), "7");

    TypedDispatch listened(host.typeInfo(iidListened));
    listened.onInvoke(answering(LONG{42}));
    handedOut = &listened;
    EXPECT_EQ(run("Application.Items.addEventListener('Moved')"), "42");
    expectBalancedAfterTeardown(listened);
}

// A delivery goes on past a listener that throws, and skips the listeners
// one of them removed meanwhile.
TEST_F(ScriptEventsTest, AThrowingListenerIsReportedAndListenersMayRemoveOthersWhileTheEventIsDelivered) {
    run("var item = Application.Items, heard = [];"
        "function a() { heard.push('a'); item.removeEventListener('Changed', a); item.removeEventListener('Changed', b); }"
        "function b() { heard.push('b'); }"
        "item.addEventListener('Changed', () => { throw new Error('listener failed'); });"
        "item.addEventListener('Changed', a);"
        "item.addEventListener('Changed', b);");
    item.fire(1, {_variant_t(LONG{1}), _variant_t()});
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_NE(reported[0].message.find("listener failed"), std::string::npos) << reported[0].message;
    EXPECT_EQ(run("heard.join()"), "a");
    EXPECT_EQ(item.connectionCount(), 1u);
}

TEST_F(ScriptEventsTest, ACollectedWrapperDisconnectsItsEvents) {
    run("1");
    std::size_t const before = libraryObjects();
    run("(() => { Application.Items.addEventListener('Changed', () => { globalThis.late = true; }); })()");
    EXPECT_EQ(item.connectionCount(), 1u);
    collectGarbage();
    EXPECT_EQ(item.connectionCount(), 0u);
    EXPECT_EQ(item.fire(1, {_variant_t(LONG{1}), _variant_t()}), 0u);
    EXPECT_EQ(run("typeof late"), "undefined");
    // The sink is gone as well.
    EXPECT_EQ(libraryObjects(), before);
}

TEST_F(ScriptEventsTest, AnObjectFiringAsTheEngineGoesReachesNoScript) {
    run("var item = Application.Items;"
        "item.addEventListener('Changed', () => { throw new Error('too late'); });");
    item.whenUnadvised = [this] { item.fire(1, {_variant_t(LONG{1}), _variant_t()}); };
    engine.reset();
    EXPECT_TRUE(reported.empty());
    EXPECT_EQ(item.connectionCount(), 0u);
}

TEST_F(ScriptEventsTest, ASinkCalledFromAnotherThreadRefuses) {
    run("Application.Items.addEventListener('Changed', () => {})");
    IEnumConnections* connections = nullptr;
    ASSERT_EQ(item.point.EnumConnections(&connections), S_OK);
    CONNECTDATA connection{};
    ASSERT_EQ(connections->Next(1, &connection, nullptr), S_OK);
    connections->Release();
    IDispatch* sink = nullptr;
    ASSERT_EQ(connection.pUnk->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&sink)), S_OK);
    connection.pUnk->Release();
    DISPPARAMS none{};
    HRESULT answer = S_OK;
    std::thread([&] { answer = sink->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr); })
        .join();
    EXPECT_EQ(answer, RPC_E_WRONG_THREAD);
    sink->Release();
}

// A worker thread may not call the sink; it posts, and the engine's thread
// fires the events in the order they were posted.
TEST_F(ScriptEventsTest, EventsPostedFromAWorkerThreadReachTheListenerInOrder) {
    run("var heard = []; Application.Items.addEventListener('Changed', (row, value) => heard.push(row));");
    auto inbox = engine->getTaskInbox();
    std::thread worker([&, expected = inbox->expect()]() mutable {
        for (LONG row = 1; row < 100; ++row)
            inbox->post([this, row] { item.fire(1, {_variant_t(row), _variant_t()}); });
        expected.post([this] { item.fire(1, {_variant_t(LONG{100}), _variant_t()}); });
    });
    while (auto due = engine->runPendingTasks())
        std::this_thread::yield();
    worker.join();
    EXPECT_EQ(run("heard.length + ' ' + heard.every((row, i) => row === i + 1)"), "100 true");
    EXPECT_TRUE(reported.empty());
}

TEST_F(BindingTest, WithoutTheOptionCOMObjectsHaveNoEventFunctions) {
    EXPECT_EQ(run("typeof Application.addEventListener + ' ' + typeof ConnectObject"), "undefined undefined");
}

} // namespace
} // namespace qor::test::bindings
