#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace qor::format::engine::javascript {

// Where the timer of an id is kept: a slot number for each id set and not
// yet cleared or ended. Open addressing in one array, so that setting and
// ending a timer, which every timer does, costs no allocation (a node-based
// map allocates and frees one per timer). Ids are never 0.
class TimerIndex {
public:
    using Id = std::uint64_t;
    using Slot = std::uint32_t;

    void insert(Id id, Slot slot);
    std::optional<Slot> find(Id id) const;
    void erase(Id id);
    void clear();
    std::size_t size() const { return count; }

private:
    struct Bucket {
        Id id = 0; // 0: empty
        Slot slot = 0;
    };
    std::size_t home(Id id) const;
    std::size_t next(std::size_t bucket) const { return (bucket + 1) & (buckets.size() - 1); }
    std::size_t bucketOf(Id id) const;
    void grow();

    // A power of two, at most half full.
    std::vector<Bucket> buckets;
    unsigned shift = 64;
    std::size_t count = 0;
};

} // namespace qor::format::engine::javascript
