#pragma once

#include "Format/Engine/JavaScript/Com/ComFunction.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <memory>
#include <utility>
#include <vector>

namespace qor::format::engine::javascript {

// The members of a COM type in order, held as runs: a run is the members one
// interface declares itself. Every type that reaches an interface (IDispatch
// under each class, a base under each derived interface) shares its run
// rather than a copy. Reads as one sequence; the records never change once
// made.
class ComMembers {
public:
    using Run = std::shared_ptr<std::vector<ComFunction> const>;

    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = ComFunction;
        using difference_type = std::ptrdiff_t;
        using pointer = ComFunction const*;
        using reference = ComFunction const&;

        const_iterator() = default;
        reference operator*() const { return (*runs_[run_])[index_]; }
        pointer operator->() const { return &**this; }
        const_iterator& operator++() {
            // Runs are never empty, so the next one has a first member.
            if (++index_ == runs_[run_]->size()) {
                ++run_;
                index_ = 0;
            }
            return *this;
        }
        const_iterator operator++(int) {
            const_iterator before = *this;
            ++*this;
            return before;
        }
        bool operator==(const_iterator const& other) const { return run_ == other.run_ && index_ == other.index_; }

    private:
        friend class ComMembers;
        const_iterator(Run const* runs, std::size_t run) : runs_(runs), run_(run) {}

        Run const* runs_ = nullptr;
        std::size_t run_ = 0;
        std::size_t index_ = 0;
    };
    using iterator = const_iterator;
    using value_type = ComFunction;
    using size_type = std::size_t;

    ComMembers() = default;
    // The members as one run of their own.
    ComMembers(std::vector<ComFunction> functions) {
        if (!functions.empty())
            append(std::make_shared<std::vector<ComFunction> const>(std::move(functions)));
    }

    // Shares `run` at the end; an empty run adds nothing.
    void append(Run run) {
        if (!run || run->empty())
            return;
        size_ += run->size();
        ends_.push_back(size_);
        runs_.push_back(std::move(run));
    }

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    ComFunction const& operator[](std::size_t index) const {
        auto const run = static_cast<std::size_t>(std::ranges::upper_bound(ends_, index) - ends_.begin());
        return (*runs_[run])[index - (run == 0 ? 0 : ends_[run - 1])];
    }
    const_iterator begin() const { return {runs_.data(), 0}; }
    const_iterator end() const { return {runs_.data(), runs_.size()}; }
    std::vector<Run> const& runs() const { return runs_; }

private:
    std::vector<Run> runs_;
    // Where each run ends in the whole sequence.
    std::vector<std::size_t> ends_;
    std::size_t size_ = 0;
};

} // namespace qor::format::engine::javascript
