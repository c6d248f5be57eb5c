#include "aol/settings.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

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

}  // namespace rv::aol
