// The fence a stop request and a run's end pair up on, tried as the
// store-buffer litmus test: each side stores its flag, fences, and reads the
// other's. Without a fence on both sides a CPU may read before its own store
// is visible, and both then read 0; the light half, a compiler barrier, and
// the heavy half, which the system makes every thread of the process pass,
// must forbid that as two full fences do.

#include "Format/Engine/JavaScript/Limits/AsymmetricFence.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <random>
#include <thread>
#include <vector>

namespace qor::test {
namespace {

using format::engine::javascript::AsymmetricFence;

// Spins up to a few hundred cycles: shifts the two sides against each
// other from round to round, so that their stores and loads meet in every
// order.
void jitter(std::minstd_rand& random) {
    unsigned volatile spin = random() % 256;
    while (spin != 0)
        spin = spin - 1u;
}

// How many of `rounds` ended with both sides reading 0. Each round has flags
// of its own, so that nothing is reset between rounds, and starts when both
// sides have come to it.
template <class Light, class Heavy>
int bothReadZero(int rounds, Light const& light, Heavy const& heavy) {
    struct Round {
        std::atomic<int> x{0};
        std::atomic<int> y{0};
        std::uint8_t lightRead = 0;
        std::uint8_t heavyRead = 0;
    };
    std::vector<Round> flags(rounds);
    std::atomic<int> arrived{0};
    auto side = [&](unsigned seed, bool isLight) {
        std::minstd_rand random(seed);
        for (int round = 0; round < rounds; ++round) {
            Round& flag = flags[round];
            arrived.fetch_add(1, std::memory_order_acq_rel);
            // Yields after a while: on a busy machine the other side may
            // share this one's CPU.
            for (int spins = 0; arrived.load(std::memory_order_acquire) < 2 * (round + 1); ++spins)
                if (spins > 1000)
                    std::this_thread::yield();
            jitter(random);
            if (isLight) {
                flag.x.store(1, std::memory_order_relaxed);
                light();
                flag.lightRead = static_cast<std::uint8_t>(flag.y.load(std::memory_order_relaxed));
            } else {
                flag.y.store(1, std::memory_order_relaxed);
                heavy();
                flag.heavyRead = static_cast<std::uint8_t>(flag.x.load(std::memory_order_relaxed));
            }
        }
    };
    std::thread lightSide(side, 1u, true);
    side(2u, false);
    lightSide.join();
    int both = 0;
    for (Round const& flag : flags)
        both += flag.lightRead == 0 && flag.heavyRead == 0;
    return both;
}

// Were the heavy half a fence of its own thread only, some ten to forty of
// the rounds would end so on a machine of two CPUs, and some hundreds with
// no fence at all.
TEST(AsymmetricFenceTest, TheTwoHalvesForbidBothSidesReadingTheOldValue) {
    bool const systemWide = AsymmetricFence::heavyIsSystemWide();
    EXPECT_EQ(bothReadZero(20000, [&] { AsymmetricFence::light(systemWide); }, [] { AsymmetricFence::heavy(); }), 0);
}

} // namespace
} // namespace qor::test
