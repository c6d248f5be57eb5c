#pragma once
// The profile (INI file) calls. Sections and keys compare without regard to case; a missing
// file, section or key reads as the default; the first of duplicate sections or keys wins.
// A write keeps every other byte as it was and replaces the file atomically and durably.
#include <cstddef>
#include <string>

namespace rv::winapi {

// Copies the value (or `default_value`) into `buffer` of `size` bytes, cut to size - 1 bytes
// (never inside a UTF-8 sequence) and 0-terminated; returns the bytes copied.
std::size_t GetPrivateProfileStringA(const char* section, const char* key,
                                     const char* default_value, char* buffer, std::size_t size,
                                     const char* file);
// Creates the file, section and key as needed; a null value removes the key. A symbolic link
// is followed to the file it names, whose permissions stay. False, with errno set, when the
// file could not be read (only a missing file starts empty) or written; the old file is then
// left whole. A value holding a line break, a section name holding "]" or a key holding "="
// would damage the file: refused (EINVAL).
bool WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* file);

}  // namespace rv::winapi
