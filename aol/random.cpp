#include "aol/random.h"

#include <chrono>
#include <cstring>

namespace rv::aol {

namespace {
double seconds_since_midnight() {
    using namespace std::chrono;
    const auto now = system_clock::now().time_since_epoch();
    return static_cast<double>(duration_cast<microseconds>(now % hours(24)).count()) / 1e6;
}
}  // namespace

void Random::reseed_from_clock() {
    const double seconds = m_clock ? m_clock() : seconds_since_midnight();
    const auto single = static_cast<float>(seconds);
    std::uint32_t bits = 0;
    std::memcpy(&bits, &single, sizeof bits);
    // The middle bytes of the state take the clock's bits; the low byte keeps the past.
    const std::uint32_t mixed = ((bits >> 16) ^ bits) & 0xFFFF;
    m_state = ((m_state & 0xFF) | (mixed << 8)) & kMask;
}

float Random::next_single() {
    m_state = (m_state * 0x43FD43FDu + 0xC39EC3u) & kMask;
    return static_cast<float>(m_state) / static_cast<float>(kMask + 1);
}

int Random::below(int n) {
    if (n < 1) return 0;
    const int pick = static_cast<int>(static_cast<double>(n) * next_single());
    return pick < n ? pick : n - 1;
}

int RandomBelow(Random& random, int n) {
    if (n < 1) return 0;
    random.reseed_from_clock();
    return random.below(n);
}

}  // namespace rv::aol
