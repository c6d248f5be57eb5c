#include "platform/media/spsc_ring.h"

#include <gtest/gtest.h>

#include <numeric>
#include <thread>
#include <vector>

namespace rv {
namespace {

using media::SpscRing;

// Each step pushes or pops a count and expects how many went and what the ring then holds.
struct Step {
    bool push;
    std::size_t count, moved, size_after;
};
struct RingCase {
    const char* name;
    std::size_t capacity;
    std::vector<Step> steps;
};

TEST(SpscRing, PushesAndPopsInOrderAcrossTheWrap) {
    const RingCase cases[] = {
        {"capacity rounds up to a power of two", 5, {{true, 9, 8, 8}, {false, 9, 8, 0}}},
        {"empty gives nothing", 8, {{false, 4, 0, 0}, {true, 3, 3, 3}, {false, 4, 3, 0}}},
        {"full takes nothing",
         8,
         {{true, 8, 8, 8}, {true, 1, 0, 8}, {false, 1, 1, 7}, {false, 8, 7, 0}}},
        {"a push wraps around the end",
         8,
         {{true, 6, 6, 6}, {false, 5, 5, 1}, {true, 6, 6, 7}, {false, 7, 7, 0}}},
        {"a pop wraps around the end",
         8,
         {{true, 7, 7, 7}, {false, 7, 7, 0}, {true, 8, 8, 8}, {false, 3, 3, 5}, {false, 8, 5, 0}}},
        {"many laps", 4, {{true, 3, 3, 3}, {false, 2, 2, 1}, {true, 3, 3, 4}, {false, 4, 4, 0}}},
    };
    for (const auto& c : cases) {
        SpscRing ring(c.capacity);
        std::int16_t next_in = 0, next_out = 0;
        for (int lap = 0; lap < 5; ++lap) {
            for (const auto& s : c.steps) {
                std::vector<std::int16_t> buf(s.count);
                if (s.push) {
                    std::iota(buf.begin(), buf.end(), next_in);
                    const std::size_t n = ring.push(buf.data(), buf.size());
                    EXPECT_EQ(n, s.moved) << c.name;
                    next_in = static_cast<std::int16_t>(next_in + n);
                } else {
                    const std::size_t n = ring.pop(buf.data(), buf.size());
                    EXPECT_EQ(n, s.moved) << c.name;
                    for (std::size_t i = 0; i < n; ++i)
                        ASSERT_EQ(buf[i], next_out++) << c.name << " sample " << i;
                }
                EXPECT_EQ(ring.size(), s.size_after) << c.name;
            }
        }
        EXPECT_EQ(ring.capacity(), c.capacity <= 4 ? 4u : 8u) << c.name;
    }
}

// One thread writes a counting sequence in uneven pieces, another reads it in other uneven
// pieces: every sample arrives once, in order (and ThreadSanitizer sees the two sides).
TEST(SpscRing, TwoThreadsPassEverySampleOnceInOrder) {
    SpscRing ring(1024);
    constexpr std::uint32_t kTotal = 2'000'000;
    std::thread writer([&] {
        std::vector<std::int16_t> buf(333);
        std::uint32_t sent = 0;
        while (sent < kTotal) {
            const std::size_t want = std::min<std::size_t>(buf.size(), kTotal - sent);
            for (std::size_t i = 0; i < want; ++i)
                buf[i] = static_cast<std::int16_t>((sent + i) & 0x7fff);
            std::size_t done = 0;
            while (done < want) {
                done += ring.push(buf.data() + done, want - done);
                if (done < want) std::this_thread::yield();
            }
            sent += static_cast<std::uint32_t>(want);
        }
    });
    std::vector<std::int16_t> buf(517);
    std::uint32_t got = 0;
    bool in_order = true;
    while (got < kTotal) {
        const std::size_t n = ring.pop(buf.data(), buf.size());
        for (std::size_t i = 0; i < n; ++i)
            in_order = in_order && buf[i] == static_cast<std::int16_t>((got + i) & 0x7fff);
        got += static_cast<std::uint32_t>(n);
        if (n == 0) std::this_thread::yield();
    }
    writer.join();
    EXPECT_TRUE(in_order);
    EXPECT_EQ(got, kTotal);
    EXPECT_EQ(ring.size(), 0u);
}

}  // namespace
}  // namespace rv
