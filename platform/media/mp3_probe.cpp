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
    mpg123_handle* h = new_decoder();
    if (!h) {
        info.error = "no decoder";
        return info;
    }
    StreamFormat f;
    if (mpg123_open_fd(h, fd.get()) == MPG123_OK) f = read_format(h);
    mpg123_close(h);
    mpg123_delete(h);
    if (!f.ok || !scan_seconds(fd.get(), nullptr, info.duration)) {
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
