#include "Format/Engine/JavaScript/Com/Engine/TimerIndex.h"

#include <utility>

namespace qor::format::engine::javascript {
namespace {

constexpr std::size_t initialBuckets = 16;

} // namespace

// Fibonacci hashing: consecutive ids, as timers get them, spread over the
// whole table.
std::size_t TimerIndex::home(Id id) const {
    return static_cast<std::size_t>((id * 0x9E3779B97F4A7C15ull) >> shift);
}

// The bucket holding `id`, or the empty one where it would go.
std::size_t TimerIndex::bucketOf(Id id) const {
    std::size_t bucket = home(id);
    while (buckets[bucket].id != 0 && buckets[bucket].id != id)
        bucket = next(bucket);
    return bucket;
}

void TimerIndex::insert(Id id, Slot slot) {
    if (2 * (count + 1) > buckets.size())
        grow();
    Bucket& bucket = buckets[bucketOf(id)];
    if (bucket.id == 0)
        ++count;
    bucket = Bucket{id, slot};
}

std::optional<TimerIndex::Slot> TimerIndex::find(Id id) const {
    if (count == 0 || id == 0)
        return std::nullopt;
    Bucket const& bucket = buckets[bucketOf(id)];
    if (bucket.id == 0)
        return std::nullopt;
    return bucket.slot;
}

// Linear probing without tombstones: the entries after the hole that would
// not find their way past it move back into it.
void TimerIndex::erase(Id id) {
    if (count == 0 || id == 0)
        return;
    std::size_t hole = bucketOf(id);
    if (buckets[hole].id == 0)
        return;
    --count;
    for (std::size_t bucket = next(hole); buckets[bucket].id != 0; bucket = next(bucket)) {
        std::size_t const wanted = home(buckets[bucket].id);
        // Whether `wanted` lies cyclically in (hole, bucket]: then the entry
        // is reached without passing the hole and stays.
        bool const staysReachable = hole <= bucket ? (hole < wanted && wanted <= bucket)
                                                   : (hole < wanted || wanted <= bucket);
        if (staysReachable)
            continue;
        buckets[hole] = buckets[bucket];
        hole = bucket;
    }
    buckets[hole] = Bucket{};
}

void TimerIndex::clear() {
    buckets.clear();
    shift = 64;
    count = 0;
}

void TimerIndex::grow() {
    std::vector<Bucket> old = std::exchange(buckets, {});
    buckets.assign(old.empty() ? initialBuckets : 2 * old.size(), Bucket{});
    shift = 64;
    for (std::size_t size = buckets.size(); size > 1; size /= 2)
        --shift;
    for (Bucket const& entry : old)
        if (entry.id != 0)
            buckets[bucketOf(entry.id)] = entry;
}

} // namespace qor::format::engine::javascript
