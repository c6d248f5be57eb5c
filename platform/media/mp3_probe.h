#pragma once
#include <string>

namespace rv::media {

struct Mp3Info {
    bool ok = false;      // the file decodes as MPEG audio
    double duration = 0;  // seconds, exact (every frame scanned)
    long rate = 0;
    int channels = 0;
};

// Scans the whole file: VBR files without an info header and files behind a large ID3 tag
// get their true length. Safe on any input; never throws.
Mp3Info probe_mp3(const std::string& path);

}  // namespace rv::media
