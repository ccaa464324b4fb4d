#pragma once

#include "Platform/Com.h"

#include <utility>

namespace qor::platform::windows::com {

// Holds one reference on a COM interface and releases it at the end of its
// scope, so that early returns and exceptions cannot leak it.
template <class Interface>
class ComRef {
public:
    ComRef() = default;
    // Takes over the caller's reference.
    explicit ComRef(Interface* pointer) : pointer_(pointer) {}
    ComRef(ComRef&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComRef& operator=(ComRef&& other) noexcept {
        if (this != &other) {
            reset();
            pointer_ = std::exchange(other.pointer_, nullptr);
        }
        return *this;
    }
    ComRef(ComRef const&) = delete;
    ComRef& operator=(ComRef const&) = delete;
    ~ComRef() { reset(); }

    Interface* get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    Interface& operator*() const { return *pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

    // The place an out-parameter fills; anything held before is released.
    Interface** put() {
        reset();
        return &pointer_;
    }
    // Hands the reference to the caller.
    Interface* detach() { return std::exchange(pointer_, nullptr); }

    void reset() {
        if (Interface* old = std::exchange(pointer_, nullptr))
            old->Release();
    }

private:
    Interface* pointer_ = nullptr;
};

} // namespace qor::platform::windows::com
