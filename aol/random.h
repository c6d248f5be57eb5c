#pragma once
// The program's one pseudo-random generator, shared by the windows: the random track choice
// reseeds it from the clock, the equalizer draws its levels from it. Before any reseed its
// sequence is the same in every run.
#include <cstdint>
#include <functional>

namespace rv::aol {

class Random {
  public:
    // Seconds since midnight, as the reseed reads them.
    using Clock = std::function<double()>;

    Random() = default;
    explicit Random(std::uint32_t seed) { reseed(seed); }

    // Starts the sequence again from `seed` (tests give a fixed one).
    void reseed(std::uint32_t seed) { m_state = seed & kMask; }
    // Mixes the clock into the state; the low byte of the state is kept, so two reseeds
    // within one clock tick differ when values were drawn in between.
    void reseed_from_clock();
    // The next value in [0, 1), in steps of 2^-24, exact in single precision.
    float next_single();
    // A uniform whole number in 0 .. n-1 from the next value; 0 when n < 1.
    int below(int n);

    // Tests replace the clock to make a reseed repeatable.
    void set_clock(Clock clock) { m_clock = std::move(clock); }

  private:
    static constexpr std::uint32_t kMask = 0xFFFFFF;
    static constexpr std::uint32_t kStartState = 0x50000;
    std::uint32_t m_state = kStartState;
    Clock m_clock;
};

// A pick in 0 .. n-1 with equal chances: reseeds `random` from the clock, then draws one
// value; 0 when n < 1.
int RandomBelow(Random& random, int n);

}  // namespace rv::aol
