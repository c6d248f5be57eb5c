#pragma once
#include <string>

namespace rv::aol {

// Reads a value of the settings file through a 750-byte buffer: a longer value comes back
// cut to its first 749 bytes. The key is looked up in lower case; sections and keys compare
// without regard to case. Anything missing reads as "".
std::string ReadSetting(const std::string& section, const std::string& key,
                        const std::string& file);
// Writes the key in upper case; creates what is needed. A refused write changes nothing in
// the room or the windows; it leaves one line with the cause on stderr.
void WriteSetting(const std::string& section, const std::string& key, const std::string& value,
                  const std::string& file);

}  // namespace rv::aol
