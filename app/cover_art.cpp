#include "app/cover_art.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "platform/files/file_io.h"

namespace rv::app {

namespace {

// 64-bit FNV-1a: a name that follows the bytes, with no collision to fear among a
// user's covers.
std::string name_of(const std::string& bytes) {
    std::uint64_t h = 1469598103934665603ULL;
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 1099511628211ULL;
    }
    static const char digits[] = "0123456789abcdef";
    std::string out(16, '0');
    for (int i = 15; i >= 0; --i, h >>= 4) out[static_cast<std::size_t>(i)] = digits[h & 0xF];
    return out;
}

std::string extension_of(const std::string& type) {
    if (type == "image/png") return ".png";
    if (type == "image/jpeg" || type == "image/jpg") return ".jpg";
    if (type == "image/gif") return ".gif";
    if (type == "image/bmp") return ".bmp";
    if (type == "image/webp") return ".webp";
    return ".img";
}

}  // namespace

std::string cover_art_folder() {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache && *cache == '/') return std::string(cache) + "/ravelin";
    const char* home = std::getenv("HOME");
    if (home && *home == '/') return std::string(home) + "/.cache/ravelin";
    return "";
}

std::string cover_art_file(const std::string& folder, const std::string& bytes,
                           const std::string& type) {
    if (folder.empty() || bytes.empty()) return "";
    const std::string path = folder + "/" + name_of(bytes) + extension_of(type);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        static_cast<std::size_t>(st.st_size) == bytes.size())
        return path;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!ec && files::replace_file(path, bytes)) return path;
    static bool said = false;
    if (!said) {
        said = true;
        std::cerr << "ravelin: cannot keep cover pictures in " << folder << ": "
                  << (ec ? ec.message() : std::strerror(errno)) << "\n";
    }
    return "";
}

}  // namespace rv::app
