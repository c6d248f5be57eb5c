#pragma once
// Samples from one writer thread to one reader thread without a lock: the decoder writes,
// the sound device's thread reads. The storage is allocated once, at construction; neither
// side ever allocates, blocks or waits for the other.
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace rv::media {

class SpscRing {
  public:
    // Holds at least `capacity` samples (rounded up to a power of two, so an index wraps
    // with a mask).
    explicit SpscRing(std::size_t capacity)
        : m_mask(round_up(capacity) - 1), m_data(std::make_unique<std::int16_t[]>(m_mask + 1)) {}
    SpscRing(const SpscRing&) = delete;
    SpscRing& operator=(const SpscRing&) = delete;

    std::size_t capacity() const { return m_mask + 1; }
    // Either side may ask; the answer is exact for the side asking about its own end and a
    // lower bound for the other side's.
    std::size_t size() const {
        return static_cast<std::size_t>(m_tail.load(std::memory_order_acquire) -
                                        m_head.load(std::memory_order_acquire));
    }

    // Writer: copies as many of `count` samples as fit; returns how many.
    std::size_t push(const std::int16_t* in, std::size_t count) {
        const std::uint64_t tail = m_tail.load(std::memory_order_relaxed);
        const std::uint64_t head = m_head.load(std::memory_order_acquire);
        const std::size_t n = std::min(count, capacity() - static_cast<std::size_t>(tail - head));
        const std::size_t at = static_cast<std::size_t>(tail) & m_mask;
        const std::size_t first = std::min(n, capacity() - at);
        std::copy_n(in, first, m_data.get() + at);
        std::copy_n(in + first, n - first, m_data.get());
        m_tail.store(tail + n, std::memory_order_release);
        return n;
    }

    // Reader: copies up to `count` samples out; returns how many.
    std::size_t pop(std::int16_t* out, std::size_t count) {
        const std::uint64_t head = m_head.load(std::memory_order_relaxed);
        const std::uint64_t tail = m_tail.load(std::memory_order_acquire);
        const std::size_t n = std::min(count, static_cast<std::size_t>(tail - head));
        const std::size_t at = static_cast<std::size_t>(head) & m_mask;
        const std::size_t first = std::min(n, capacity() - at);
        std::copy_n(m_data.get() + at, first, out);
        std::copy_n(m_data.get(), n - first, out + first);
        m_head.store(head + n, std::memory_order_release);
        return n;
    }

  private:
    static std::size_t round_up(std::size_t n) {
        std::size_t c = 1;
        while (c < n) c <<= 1;
        return c;
    }
    const std::size_t m_mask;
    const std::unique_ptr<std::int16_t[]> m_data;
    // Counts of samples ever written and read: they only grow (64 bits do not wrap in any
    // lifetime), so full and empty never look alike. Each on its own cache line, so the two
    // threads do not pull one line back and forth.
    alignas(64) std::atomic<std::uint64_t> m_head{0};
    alignas(64) std::atomic<std::uint64_t> m_tail{0};
};

}  // namespace rv::media
