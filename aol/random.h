#pragma once
// The program's one pseudo-random generator, shared by the random track choice and the
// equalizer. Until something reseeds it, it runs the same sequence in every run.
#include <cstdint>
#include <random>

namespace rv::aol {

class Random {
  public:
    // The fixed start state every run begins with.
    static constexpr std::uint32_t kUnseeded = 5489u;

    explicit Random(std::uint32_t seed = kUnseeded) : m_engine(seed) {}
    // A fixed seed: the sequence that follows is the same every time.
    void reseed(std::uint32_t s) { m_engine.seed(s); }
    // A seed from the clock, mixed with the current state so that two reseeds within one
    // clock tick still differ.
    void reseed_from_clock();
    // The next number as a single-precision value in [0, 1): 24 random bits, so every value
    // is exact in a float and 1 is never reached.
    float next_single();
    // The integer part of n x the next single: 0 .. n - 1; 0 when n < 1.
    int below(int n);

  private:
    std::mt19937 m_engine;
};

// A uniform pick in 0 .. n-1: reseeds `generator` from the clock, then draws; 0 when n < 1.
int RandomBelow(Random& generator, int n);

}  // namespace rv::aol
