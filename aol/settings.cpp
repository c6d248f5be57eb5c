#include "aol/settings.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>

#include "platform/winapi/profile.h"

namespace rv::aol {

namespace {
std::string with_case(std::string s, int (*f)(int)) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [f](char c) { return static_cast<char>(f(static_cast<unsigned char>(c))); });
    return s;
}
}  // namespace

std::string ReadSetting(const std::string& section, const std::string& key,
                        const std::string& file) {
    std::string buffer(750, '\0');
    std::size_t n =
        winapi::GetPrivateProfileStringA(section.c_str(), with_case(key, ::tolower).c_str(), "",
                                         buffer.data(), buffer.size(), file.c_str());
    buffer.resize(n);
    return buffer;
}

void WriteSetting(const std::string& section, const std::string& key, const std::string& value,
                  const std::string& file) {
    if (winapi::WritePrivateProfileStringA(section.c_str(), with_case(key, ::toupper).c_str(),
                                           value.c_str(), file.c_str()))
        return;
    // The room and the windows stay as they are; a person at the terminal learns why the
    // setting will not be there next time.
    const int cause = errno;
    std::fprintf(stderr, "ravelin: the settings file %s was not written: %s\n", file.c_str(),
                 std::strerror(cause));
}

int RandomBelow(int n) {
    if (n < 1) return 0;
    static std::mt19937_64 generator;
    // Reseeded from the clock at every call; the previous state is mixed in so that two
    // calls within one clock tick still differ.
    auto ticks = static_cast<std::uint64_t>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count());
    generator.seed(ticks ^ generator());
    double r = std::generate_canonical<double, 53>(generator);
    int pick = static_cast<int>(n * r);
    return std::min(pick, n - 1);  // r < 1, but guard the rounding of n * r all the same
}

}  // namespace rv::aol
