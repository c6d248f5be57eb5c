// Profile text of any shape: a write sets exactly the value asked for, leaves other sections'
// values alone, and a read never overruns its buffer nor cuts a character.
#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>

#include "check.h"
#include "platform/winapi/desktop.h"
#include "platform/winapi/profile_ini.h"

namespace ini = rv::winapi::ini;

namespace {

// A value the profile format reads back as it is: no blanks or quotes at its ends.
bool storable(const std::string& v) {
    if (!v.empty() && std::strchr(" \t'\"", v.front())) return false;
    return v.empty() || !std::strchr(" \t'\"", v.back());
}

// Well-formed UTF-8 (lead bytes followed by the right count of continuation bytes).
bool valid_utf8(const std::string& s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t len = c < 0x80         ? 1
                                : (c >> 5) == 6  ? 2
                                : (c >> 4) == 14 ? 3
                                : (c >> 3) == 30 ? 4
                                                 : 0;
        if (len == 0 || i + len > s.size()) return false;
        for (std::size_t k = 1; k < len; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += len;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    // The first byte sizes the read buffer; up to a 0 byte the value, after it the file.
    const std::size_t buffer_size = data[0] % 32;
    const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::size_t zero = rest.find('\0');
    const std::string value = zero == std::string::npos ? "" : rest.substr(0, zero);
    const std::string text = zero == std::string::npos ? rest : rest.substr(zero + 1);

    std::string before_other, after_other, read_back;
    const bool had_other = ini::find_value(text, "other", "k", before_other);
    const std::string written = ini::set_value(text, "ravelin", "DIRECTORY", value.c_str());
    if (!ini::can_store("ravelin", "DIRECTORY", value.c_str())) {
        FUZZ_CHECK(written == text);  // refused whole: nothing split into lines of its own
        return 0;
    }
    FUZZ_CHECK(ini::find_value(written, "RAVELIN", "directory", read_back));
    if (storable(value)) FUZZ_CHECK(read_back == value);
    FUZZ_CHECK(ini::find_value(written, "other", "k", after_other) == had_other);
    FUZZ_CHECK(after_other == before_other);
    // Writing the same value again changes nothing.
    FUZZ_CHECK(ini::set_value(written, "ravelin", "DIRECTORY", value.c_str()) == written);
    // Removing the key leaves it unreadable, other keys unchanged.
    const std::string removed = ini::set_value(written, "ravelin", "DIRECTORY", nullptr);
    std::string gone;
    // Only where the file held no such key of its own, in any case: a second copy of a key
    // is a line of the file that the write leaves alone.
    std::string lower = text;
    for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    if (lower.find("directory") == std::string::npos)
        FUZZ_CHECK(!ini::find_value(removed, "ravelin", "DIRECTORY", gone));

    char buffer[32];
    std::memset(buffer, 'x', sizeof buffer);
    const std::size_t n = rv::winapi::copy_text(read_back, buffer, buffer_size);
    if (buffer_size == 0) {
        FUZZ_CHECK(n == 0);
    } else {
        FUZZ_CHECK(n < buffer_size && buffer[n] == '\0');
        FUZZ_CHECK(read_back.compare(0, n, buffer, n) == 0);
        if (valid_utf8(read_back))  // whole characters only
            FUZZ_CHECK(n == read_back.size() ||
                       (static_cast<unsigned char>(read_back[n]) & 0xC0) != 0x80);
    }
    return 0;
}
