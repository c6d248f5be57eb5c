#include "platform/media/mp3_file.h"

#include <fcntl.h>
#include <mpg123.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <memory>

#include "platform/media/mp3_probe.h"

namespace rv::media {

namespace {
constexpr long kFirstFrameSearch = 1024;  // the library's own default
}  // namespace

FileHandle::~FileHandle() {
    if (m_fd >= 0) ::close(m_fd);
}

FileHandle& FileHandle::operator=(FileHandle&& o) noexcept {
    if (this != &o) {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = o.release();
    }
    return *this;
}

FileHandle open_regular_file(const std::string& path, std::string& error) {
    // Non-blocking: opening a FIFO with no writer, or a device, returns at once and is then
    // refused by its type.
    FileHandle fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd) {
        error = errno == ENOENT ? "no such file" : std::strerror(errno);
        return {};
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        error = std::strerror(errno);
        return {};
    }
    if (!S_ISREG(st.st_mode)) {
        error = "not a regular file";
        return {};
    }
    if (st.st_size == 0) {
        error = "empty file";
        return {};
    }
    return fd;
}

mpg123_handle* new_decoder() {
    ensure_mpg123();
    int err = MPG123_OK;
    mpg123_handle* h = mpg123_new(nullptr, &err);
    if (!h) return nullptr;
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    mpg123_param(h, MPG123_RESYNC_LIMIT, -1, 0);
    return h;
}

StreamFormat read_format(mpg123_handle* h) {
    StreamFormat f;
    int encoding = 0;
    // The search for the first frame keeps the library's usual bound, so a large file of
    // something else is refused quickly; once in the stream, damage is resynced through.
    mpg123_param(h, MPG123_RESYNC_LIMIT, kFirstFrameSearch, 0);
    const int r = mpg123_getformat(h, &f.rate, &f.channels, &encoding);
    mpg123_param(h, MPG123_RESYNC_LIMIT, -1, 0);
    if (r != MPG123_OK || f.rate <= 0 || (f.channels != 1 && f.channels != 2)) return {};
    f.ok = true;
    const off_t estimate = mpg123_length(h);
    if (estimate > 0) f.estimate = static_cast<double>(estimate) / static_cast<double>(f.rate);
    return f;
}

namespace {

using Decoder = std::unique_ptr<mpg123_handle, void (*)(mpg123_handle*)>;

Decoder decoder_on(int fd) {
    Decoder h(new_decoder(), [](mpg123_handle* p) {
        mpg123_close(p);
        mpg123_delete(p);
    });
    if (h && (::lseek(fd, 0, SEEK_SET) != 0 || mpg123_open_fd(h.get(), fd) != MPG123_OK)) h.reset();
    return h;
}

int samples_per_frame(const mpg123_frameinfo& fi) {
    if (fi.layer == 1) return 384;
    if (fi.layer == 2 || fi.version == MPG123_1_0) return 1152;
    return 576;
}

// Seconds that frames at another sample rate add beyond what the library counts: it counts
// each frame's samples at the first frame's rate.
bool rate_correction(int fd, const std::atomic<bool>* cancel, double& correction) {
    Decoder h = decoder_on(fd);
    if (!h) return false;
    correction = 0;
    long first_rate = 0;
    int r = MPG123_OK;
    while ((r = mpg123_framebyframe_next(h.get())) == MPG123_OK || r == MPG123_NEW_FORMAT) {
        if (cancel && cancel->load(std::memory_order_relaxed)) return false;
        mpg123_frameinfo fi{};
        if (mpg123_info(h.get(), &fi) != MPG123_OK || fi.rate <= 0) continue;
        if (first_rate == 0) first_rate = fi.rate;
        if (fi.rate == first_rate) continue;
        const double samples = samples_per_frame(fi);
        correction +=
            samples / static_cast<double>(fi.rate) - samples / static_cast<double>(first_rate);
    }
    return true;
}

}  // namespace

bool scan_seconds(int fd, const std::atomic<bool>* cancel, double& seconds) {
    double correction = 0;
    if (!rate_correction(fd, cancel, correction)) return false;
    if (cancel && cancel->load()) return false;
    // The library's own count knows the encoder's delay and padding to the sample.
    Decoder h = decoder_on(fd);
    if (!h) return false;
    StreamFormat f = read_format(h.get());
    if (!f.ok || mpg123_scan(h.get()) != MPG123_OK) return false;
    const off_t samples = mpg123_length(h.get());
    if (samples <= 0) return false;
    seconds = static_cast<double>(samples) / static_cast<double>(f.rate) + correction;
    return seconds > 0;
}

}  // namespace rv::media
