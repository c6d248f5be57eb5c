#pragma once
// The text of a profile (INI) file, edited in memory. Sections and keys compare without
// regard to case; the first of duplicate sections or keys wins. An edit changes only the
// lines it must: every other byte of the text stays as it was, line ends included.
#include <string>

namespace rv::winapi::ini {

// The value of `key` in `section`, blanks around it and one pair of surrounding quotes
// dropped; false when the section or the key is missing.
bool find_value(const std::string& text, const char* section, const char* key, std::string& value);
// Whether the names and the value fit on their lines: no line break anywhere, no "]" in the
// section name, no "=" in the key, neither empty. Anything else would split or misname lines.
bool can_store(const char* section, const char* key, const char* value);
// `text` with `key` of `section` set to `value`, creating the section and the key as needed;
// a null `value` removes the key. `text` as it is when they cannot be stored.
std::string set_value(const std::string& text, const char* section, const char* key,
                      const char* value);

}  // namespace rv::winapi::ini
