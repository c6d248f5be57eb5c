#include "platform/media/mp3_probe.h"

#include <mpg123.h>

#include <mutex>

#include "platform/media/mp3_file.h"

namespace rv::media {

void ensure_mpg123() {
    static std::once_flag once;
    std::call_once(once, [] {
#if MPG123_API_VERSION < 46
        mpg123_init();
#endif
    });
}

Mp3Info probe_mp3(const std::string& path) {
    Mp3Info info;
    FileHandle fd = open_regular_file(path, info.error);
    if (!fd) return info;
    ReadOptions options;
    options.bytes_read = &info.bytes_read;
    StreamFormat f;
    {
        Decoder h(fd.get(), options);
        if (!h) {
            info.error = "no decoder";
            return info;
        }
        f = read_format(h.get());
    }
    if (!f.ok || !scan_seconds(fd.get(), options, info.duration)) {
        info.error = "not an MP3 file";
        info.duration = 0;
        return info;
    }
    info.ok = true;
    info.rate = f.rate;
    info.channels = f.channels;
    return info;
}

}  // namespace rv::media
