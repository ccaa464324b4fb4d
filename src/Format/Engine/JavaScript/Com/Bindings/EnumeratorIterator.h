#pragma once

// `for...of` over COM collections: the script iterator protocol on top of the
// Enumerator class.

#include <v8.h>

namespace qor::format::engine::javascript::EnumeratorIterator {

// Gives an Enumerator's instances [Symbol.iterator]: an iterator that walks
// on from the enumerator's current item, moving the enumerator as it goes.
void addTo(v8::Isolate* isolate, v8::Local<v8::ObjectTemplate> instance, v8::Local<v8::FunctionTemplate> receiver);

// Gives the wrappers of a collection [Symbol.iterator]: a walk through a new
// Enumerator over the collection's IEnumVARIANT.
void addToCollection(v8::Isolate* isolate, v8::Local<v8::ObjectTemplate> wrapper,
                     v8::Local<v8::FunctionTemplate> receiver);

// The two [Symbol.iterator] callbacks.
void ofEnumerator(v8::FunctionCallbackInfo<v8::Value> const& info);
void ofCollection(v8::FunctionCallbackInfo<v8::Value> const& info);

} // namespace qor::format::engine::javascript::EnumeratorIterator
