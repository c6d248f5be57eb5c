#include "aol/random.h"

#include <algorithm>
#include <chrono>

namespace rv::aol {

void Random::reseed_from_clock() {
    const auto ticks = static_cast<std::uint64_t>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count());
    const auto mixed = static_cast<std::uint32_t>(ticks ^ (ticks >> 32)) ^ m_engine();
    m_engine.seed(mixed);
}

float Random::next_single() {
    return static_cast<float>(m_engine() >> 8) * (1.0f / 16777216.0f);
}

int Random::below(int n) {
    if (n < 1) return 0;
    const auto pick = static_cast<int>(static_cast<double>(n) * next_single());
    return std::min(pick, n - 1);
}

int RandomBelow(Random& generator, int n) {
    if (n < 1) return 0;
    generator.reseed_from_clock();
    return generator.below(n);
}

}  // namespace rv::aol
