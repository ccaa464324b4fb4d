#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace qor::format::engine::javascript {

// An immutable list that copies share: every engine takes its own copy of
// the process's class bindings, and copying thousands of member records for
// each would cost more than the engine itself. Elements never move once the
// list is made, so callbacks may keep pointers to them.
template <class T>
class SharedList {
public:
    SharedList() = default;
    SharedList(std::vector<T> items) : items_(std::make_shared<std::vector<T> const>(std::move(items))) {}

    std::size_t size() const { return items_ ? items_->size() : 0; }
    bool empty() const { return size() == 0; }
    T const& operator[](std::size_t index) const { return (*items_)[index]; }
    T const& front() const { return items_->front(); }
    T const* begin() const { return items_ ? items_->data() : nullptr; }
    T const* end() const { return items_ ? items_->data() + items_->size() : nullptr; }

private:
    std::shared_ptr<std::vector<T> const> items_;
};

} // namespace qor::format::engine::javascript
