#pragma once

// The script class Enumerator, which walks a COM collection:
//     for (var e = new Enumerator(sheets); !e.atEnd(); e.moveNext()) e.item();
// A collection that implements the host's collection interface is walked by
// index; any other through the IEnumVARIANT its DISPID_NEWENUM member gives.

#include "Format/Engine/JavaScript/Com/Bindings/IEnumerator.h"
#include "Platform/Com.h"

#include <v8.h>

#include <array>

namespace qor::format::engine::javascript {

// The host's collection interface, recognised by its identifier; only its
// count and its item are used, by their places in its method table.
inline constexpr IID IID_HostCollection = {
    0x25B808FB, 0x0140, 0x4087, {0xA2, 0x3F, 0x00, 0x27, 0x63, 0x5F, 0x26, 0x06}};

// The walk by index over the host's collection interface. The count is read
// once, at construction.
class Enumerator : public IEnumerator {
public:
    // Holds a reference of its own on `collection`, an interface pointer of
    // the host's collection interface.
    explicit Enumerator(IDispatch* collection);
    ~Enumerator() override;
    Enumerator(Enumerator const&) = delete;
    Enumerator& operator=(Enumerator const&) = delete;

    bool atEnd() override;
    void moveNext() override;
    void moveFirst() override;
    void item(VARIANT* out) override;

private:
    IDispatch* collection;
    LONG count = 0;
    LONG index = 0;
};

// The walk over an IEnumVARIANT, one item ahead. Without one, it is at its
// end from the start.
class IEnumVariantEnumerator : public IEnumerator {
public:
    // Asks `collection` for its enumerator; keeps no reference on the
    // collection itself.
    explicit IEnumVariantEnumerator(IDispatch* collection);
    ~IEnumVariantEnumerator() override;
    IEnumVariantEnumerator(IEnumVariantEnumerator const&) = delete;
    IEnumVariantEnumerator& operator=(IEnumVariantEnumerator const&) = delete;

    bool atEnd() override;
    void moveNext() override;
    void moveFirst() override;
    void item(VARIANT* out) override;

private:
    void fetch();

    IEnumVARIANT* enumVariant = nullptr;
    VARIANT current;
    bool isAtEnd = true;
};

// The script callbacks of the class.
void Constructor(v8::FunctionCallbackInfo<v8::Value> const& info);
void Destructor(v8::WeakCallbackInfo<void> const& data);
void AtEnd(v8::FunctionCallbackInfo<v8::Value> const& info);
void MoveNext(v8::FunctionCallbackInfo<v8::Value> const& info);
void MoveFirst(v8::FunctionCallbackInfo<v8::Value> const& info);
void Item(v8::FunctionCallbackInfo<v8::Value> const& info);

namespace EnumeratorClass {

// The methods of a script Enumerator, as its template installs them.
struct Method {
    char const* name;
    v8::FunctionCallback callback;
};
inline constexpr std::array<Method, 4> methods{
    {{"atEnd", AtEnd}, {"moveNext", MoveNext}, {"moveFirst", MoveFirst}, {"item", Item}}};

// Puts the class on the global template under "Enumerator" and gives it
// back, for the engine to keep.
v8::Local<v8::FunctionTemplate> registerOn(v8::Isolate* isolate, v8::Local<v8::ObjectTemplate> global);

// A new script Enumerator over a COM wrapper's object (for `for...of` on the
// wrapper), walked through its IEnumVARIANT; empty, with the exception
// thrown, when none can be made.
v8::MaybeLocal<v8::Object> over(v8::Local<v8::Context> context, IDispatch* collection);

} // namespace EnumeratorClass

} // namespace qor::format::engine::javascript
