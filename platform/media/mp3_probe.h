#pragma once
#include <cstdint>
#include <string>

namespace rv::media {

struct Mp3Info {
    bool ok = false;      // the file decodes as MPEG audio
    double duration = 0;  // seconds, exact (every frame scanned at its own rate)
    long rate = 0;
    int channels = 0;
    std::string error;             // why not, when not ok
    std::uint64_t bytes_read = 0;  // from the file, by the whole probe
};

// Scans the file frame by frame: VBR files without an info header, files behind a large ID3
// tag and files with damage in the middle get their true length. A long stretch with no frame
// (a partial download padded with zeros) ends the stream there, so the cost is bounded by the
// audio, not by the file's size. Only regular files are read, so a FIFO in the folder returns
// at once. Safe on any input; never throws.
Mp3Info probe_mp3(const std::string& path);

// Makes the decoding library ready; cheap after the first call.
void ensure_mpg123();

}  // namespace rv::media
