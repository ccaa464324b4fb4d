#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <type_traits>
#include <vector>

namespace qor::platform::posix::ole {

// Asks CallStorage to leave the elements unset: the caller sets each one
// before it is read. Clearing a few words first costs more than the call
// around them when the compiler makes it a string instruction.
inline constexpr struct SetByCaller {
} setByCaller;

// Per-call storage of one value per argument: on the stack for the usual
// handful, so that a call through a vtable allocates nothing of its own.
template <class T, std::size_t LocalCount = 12>
class CallStorage {
public:
    explicit CallStorage(std::size_t count, T const& initial = T{}) {
        if (count > local_.size()) {
            heap_.assign(count, initial);
            data_ = heap_.data();
        } else {
            std::fill_n(local_.begin(), count, initial);
            data_ = local_.data();
        }
    }
    CallStorage(std::size_t count, SetByCaller) {
        static_assert(std::is_trivially_default_constructible_v<T>);
        if (count > local_.size()) {
            heap_.resize(count);
            data_ = heap_.data();
        } else {
            data_ = local_.data();
        }
    }
    CallStorage(CallStorage const&) = delete;
    CallStorage& operator=(CallStorage const&) = delete;

    T& operator[](std::size_t i) { return data_[i]; }
    T const& operator[](std::size_t i) const { return data_[i]; }
    T* data() { return data_; }

private:
    // Left unset: only the first `count` are used, and those are filled.
    std::array<T, LocalCount> local_;
    std::vector<T> heap_;
    T* data_ = nullptr;
};

} // namespace qor::platform::posix::ole
