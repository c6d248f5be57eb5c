#pragma once
// Files that look like tracks but are not, or are damaged: made by the tests, byte for byte
// the same on every run.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "tools/tone_mp3.h"

namespace rv::test {

enum class Malformed {
    Text,          // a text file named like a track
    Empty,         // nothing in it
    Truncated,     // a 3 s track cut in half
    Garbage,       // 256 KB of noise
    Id3Only,       // a tag and no audio
    DamagedBytes,  // a 3 s track with 4 KB of noise over its middle
    DamagedZeros,  // a 3 s track with 200 KB of zeros put in its middle
    RateChange,    // 3 s at 44.1 kHz, then 3 s at 8 kHz
    ZeroTail,      // 5 s with no info header, then zeros to 2 GB: a partial download
    Fifo,          // a named pipe with nobody writing
};

constexpr off_t kZeroTailBytes = 2LL << 30;

inline std::string read_all(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void write_all(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline std::string noise(std::size_t n) {
    std::minstd_rand gen(7);
    std::string out(n, '\0');
    for (char& c : out) c = static_cast<char>(gen() & 0xFF);
    return out;
}

inline std::string tone_bytes(const std::string& path, double seconds, int rate = 44100,
                              bool info_header = true) {
    tools::ToneSpec spec;
    spec.seconds = seconds;
    spec.sample_rate = rate;
    spec.info_header = info_header;
    tools::write_tone_mp3(path, spec);
    return read_all(path);
}

// Writes the case at `path` (a FIFO replaces whatever is there). False if it could not.
inline bool make_malformed(Malformed kind, const std::string& path) {
    std::error_code ec;
    std::filesystem::remove(path, ec);
    std::string bytes;
    switch (kind) {
        case Malformed::Text:
            bytes = "This is a text file with an .mp3 name.\n";
            break;
        case Malformed::Empty:
            break;
        case Malformed::Truncated:
            bytes = tone_bytes(path, 3.0);
            bytes.resize(bytes.size() / 2);
            break;
        case Malformed::Garbage:
            bytes = noise(256 * 1024);
            break;
        case Malformed::Id3Only:
            bytes = std::string("ID3\x03\x00\x00\x00\x00\x07\x68", 10) + std::string(1000, '\0');
            break;
        case Malformed::DamagedBytes:
            bytes = tone_bytes(path, 3.0);
            bytes.replace(bytes.size() / 2, 4096, noise(4096));
            break;
        case Malformed::DamagedZeros:
            bytes = tone_bytes(path, 3.0);
            bytes.insert(bytes.size() / 2, std::string(200 * 1024, '\0'));
            break;
        case Malformed::RateChange:
            bytes = tone_bytes(path, 3.0, 44100, false) + tone_bytes(path, 3.0, 8000, false);
            break;
        case Malformed::ZeroTail:
            // Sparse: the zeros take no room on the disk. The bare stream's length is guessed
            // from the file's size until it is scanned.
            tone_bytes(path, 5.0, 44100, false);
            return ::truncate(path.c_str(), kZeroTailBytes) == 0;
        case Malformed::Fifo:
            return ::mkfifo(path.c_str(), 0600) == 0;
    }
    write_all(path, bytes);
    return true;
}

}  // namespace rv::test
