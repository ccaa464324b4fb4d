#pragma once

// What a binding throws into a script when a use of COM fails, and what a
// script's Error thrown back into COM says. By default a failure is its plain
// text; under the engine's errorObjects option it is an Error that says
// where it happened and carries the HRESULT, as classic script hosts give it.

#include "Platform/Com.h"

#include <v8.h>

#include <cstdint>
#include <optional>
#include <string>

namespace qor::format::engine::javascript {

// The Error's constructor: TypeError and RangeError where JavaScript would
// use one for a wrong argument.
enum class ErrorKind { error, typeError, rangeError };

struct BindingFailure {
    // The text thrown by default, and the Error's `description`.
    std::string text;
    // The Error's `number`.
    HRESULT number = E_FAIL;
    ErrorKind kind = ErrorKind::error;
    // What the Error's message puts before the detail: the member
    // ("Class.Member", or the class for its constructor), then which of its
    // arguments ("argument 2", "the value") when that is known. Empty where
    // the text names them already.
    std::string member;
    std::string argument;
    // What the message says after them; the text when empty.
    std::string detail;
    // What the object put in its EXCEPINFO besides its description.
    std::optional<std::string> source;
    std::optional<std::string> helpFile;
    std::uint32_t helpContext = 0;

    // "Member: argument N: detail", naming the member once where the detail
    // begins with it or its class already.
    std::string message() const;
};

// The failure of an IDispatch::Invoke: the most specific text there is (the
// object's own description, the system's message for the code, or the code
// itself), the code (EXCEPINFO's scode when the object put it there), and
// what else the object said. `arguments` is the call's count, with
// `argumentError` the position in COM's order that the object blamed, if
// any; a property put's one argument is "the value".
BindingFailure invokeFailure(HRESULT result, EXCEPINFO const& excepInfo, std::string member,
                             UINT arguments = 0, std::optional<UINT> argumentError = std::nullopt,
                             bool propertyPut = false);

// Whether the engine's failures are Errors (its errorObjects option).
bool failuresAreErrors(v8::Isolate* isolate);

// The constructor JavaScript would use for a failure with this code: a
// TypeError for a value of the wrong type or count, a RangeError for a
// number its argument cannot hold.
ErrorKind kindOf(HRESULT number, bool argumentKnown);

// Throws the failure into the script, unless the script is being terminated
// (then nothing it could catch may replace the termination).
void throwFailure(v8::Isolate* isolate, BindingFailure const& failure);

// Throws a failure that is its text alone, with the code it stands for.
void throwFailure(v8::Isolate* isolate, std::string text, HRESULT number = E_FAIL,
                  ErrorKind kind = ErrorKind::error);

// The failure a script's exception stands for in COM, under the
// errorObjects option: an object whose `number` is a failing HRESULT (signed
// or unsigned 32-bit), with its `message` as the text and its `source`,
// `helpFile` and `helpContext`. Nothing for any other value.
std::optional<BindingFailure> failureOf(v8::Isolate* isolate, v8::Local<v8::Value> exception);

// What a thrown value says in words: the description of a binding's Error,
// else the value's text.
std::string exceptionText(v8::Isolate* isolate, v8::Local<v8::Value> exception);

} // namespace qor::format::engine::javascript
