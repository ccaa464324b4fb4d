#pragma once

#include "Format/Engine/JavaScript/Com/Extraction/ComFunction.h"
#include "Format/Engine/JavaScript/Com/Extraction/SharedList.h"
#include "Id/Guid.h"

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
// made. What differs between the types sharing a run, the interface its
// members are called through, is kept beside it for each type.
class ComMembers {
public:
    using Run = SharedList<ComFunction>;

    // A run as one type holds it. `interfaceId`: for the members of a
    // coclass's interface other than its default one, that interface (its
    // IID), through which they are called: their DISPIDs mean nothing to the
    // object's default IDispatch. Nil for the members of the default
    // interface, of a type that is no coclass, and of interfaces that cannot
    // be called through IDispatch.
    struct Part {
        Run members;
        Guid interfaceId;
    };

    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = ComFunction;
        using difference_type = std::ptrdiff_t;
        using pointer = ComFunction const*;
        using reference = ComFunction const&;

        const_iterator() = default;
        reference operator*() const { return runs_[run_].members[index_]; }
        pointer operator->() const { return &**this; }
        const_iterator& operator++() {
            // Runs are never empty, so the next one has a first member.
            if (++index_ == runs_[run_].members.size()) {
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
        const_iterator(Part const* runs, std::size_t run) : runs_(runs), run_(run) {}

        Part const* runs_ = nullptr;
        std::size_t run_ = 0;
        std::size_t index_ = 0;
    };
    using iterator = const_iterator;
    using value_type = ComFunction;
    using size_type = std::size_t;

    ComMembers() = default;
    // The members as one run of their own.
    ComMembers(std::vector<ComFunction> functions) {
        append(Run(std::move(functions)));
    }

    // Shares `run` at the end; an empty run adds nothing.
    void append(Run run) {
        if (run.empty())
            return;
        size_ += run.size();
        ends_.push_back(size_);
        runs_.push_back(Part{std::move(run), {}});
    }
    // The runs from `first` to `end` (of runs()) are called through
    // `interfaceId`.
    void callThrough(std::size_t first, std::size_t end, Guid const& interfaceId) {
        for (std::size_t run = first; run < end; ++run)
            runs_[run].interfaceId = interfaceId;
    }

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    ComFunction const& operator[](std::size_t index) const {
        auto const run = static_cast<std::size_t>(std::ranges::upper_bound(ends_, index) - ends_.begin());
        return runs_[run].members[index - (run == 0 ? 0 : ends_[run - 1])];
    }
    const_iterator begin() const { return {runs_.data(), 0}; }
    const_iterator end() const { return {runs_.data(), runs_.size()}; }
    std::vector<Part> const& runs() const { return runs_; }

private:
    std::vector<Part> runs_;
    // Where each run ends in the whole sequence.
    std::vector<std::size_t> ends_;
    std::size_t size_ = 0;
};

} // namespace qor::format::engine::javascript
