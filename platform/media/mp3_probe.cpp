#include "platform/media/mp3_probe.h"

#include <mpg123.h>

#include <mutex>

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
    ensure_mpg123();
    Mp3Info info;
    int err = MPG123_OK;
    mpg123_handle* h = mpg123_new(nullptr, &err);
    if (!h) return info;
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    if (mpg123_open(h, path.c_str()) == MPG123_OK) {
        long rate = 0;
        int channels = 0, encoding = 0;
        if (mpg123_getformat(h, &rate, &channels, &encoding) == MPG123_OK && rate > 0 &&
            mpg123_scan(h) == MPG123_OK) {
            off_t samples = mpg123_length(h);
            if (samples > 0) {
                info.ok = true;
                info.rate = rate;
                info.channels = channels;
                info.duration = static_cast<double>(samples) / static_cast<double>(rate);
            }
        }
        mpg123_close(h);
    }
    mpg123_delete(h);
    return info;
}

}  // namespace rv::media
