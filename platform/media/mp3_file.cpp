#include "platform/media/mp3_file.h"

#include <fcntl.h>
#include <mpg123.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

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

// The library asks for one byte at a time while it looks for a frame; served from a block in
// memory instead of a system call each, a long stretch of junk costs milliseconds, not hours.
// The file offset is always the end of the block; the stream's position is inside it.
class BlockReader {
  public:
    BlockReader(int fd, const ReadOptions& options)
        : m_fd(fd), m_options(options), m_block(kReadBlockBytes) {}

    static mpg123_ssize_t read(void* self, void* out, std::size_t count) {
        return static_cast<BlockReader*>(self)->read(static_cast<unsigned char*>(out), count);
    }
    static off_t seek(void* self, off_t offset, int whence) {
        return static_cast<BlockReader*>(self)->seek(offset, whence);
    }

  private:
    mpg123_ssize_t read(unsigned char* out, std::size_t count) {
        if (m_options.cancel && m_options.cancel->load(std::memory_order_relaxed)) {
            errno = ECANCELED;
            return -1;
        }
        if (m_at == m_end) {
            m_start += static_cast<off_t>(m_end);
            m_at = m_end = 0;
            // A large request (a big tag) goes straight to the caller.
            if (count >= m_block.size()) {
                const mpg123_ssize_t n = read_file(out, count);
                if (n > 0) m_start += n;
                return n;
            }
            const mpg123_ssize_t n = read_file(m_block.data(), m_block.size());
            if (n <= 0) return n;
            m_end = static_cast<std::size_t>(n);
        }
        const std::size_t n = std::min(count, m_end - m_at);
        std::memcpy(out, m_block.data() + m_at, n);
        m_at += n;
        return static_cast<mpg123_ssize_t>(n);
    }

    // Reads at the file offset, which is m_start, up to the size limit.
    mpg123_ssize_t read_file(unsigned char* out, std::size_t count) {
        if (m_options.size_limit >= 0) {
            if (m_start >= m_options.size_limit) return 0;
            count = std::min<std::size_t>(count,
                                          static_cast<std::size_t>(m_options.size_limit - m_start));
        }
        ssize_t n = 0;
        do n = ::read(m_fd, out, count);
        while (n < 0 && errno == EINTR);
        if (n > 0 && m_options.bytes_read) *m_options.bytes_read += static_cast<std::uint64_t>(n);
        return n;
    }

    off_t seek(off_t offset, int whence) {
        const off_t here = m_start + static_cast<off_t>(m_at);
        off_t target = -1;
        if (whence == SEEK_SET) {
            target = offset;
        } else if (whence == SEEK_CUR) {
            target = here + offset;
        } else if (whence == SEEK_END) {
            const off_t end =
                m_options.size_limit >= 0 ? m_options.size_limit : ::lseek(m_fd, 0, SEEK_END);
            if (end < 0) return -1;
            target = end + offset;
            m_at = m_end = 0;  // the file offset moved: the block no longer follows it
            m_start = -1;
        }
        if (target < 0) {
            errno = EINVAL;
            return -1;
        }
        if (m_start >= 0 && target >= m_start && target <= m_start + static_cast<off_t>(m_end)) {
            m_at = static_cast<std::size_t>(target - m_start);
            return target;
        }
        if (::lseek(m_fd, target, SEEK_SET) < 0) return -1;
        m_start = target;
        m_at = m_end = 0;
        return target;
    }

    int m_fd;
    ReadOptions m_options;
    std::vector<unsigned char> m_block;
    off_t m_start = 0;     // file offset of m_block[0]
    std::size_t m_at = 0;  // the stream's position in the block
    std::size_t m_end = 0;
};

Decoder::Decoder(int fd, const ReadOptions& options) {
    ensure_mpg123();
    if (::lseek(fd, 0, SEEK_SET) != 0) return;
    int err = MPG123_OK;
    m_handle = mpg123_new(nullptr, &err);
    if (!m_handle) return;
    m_reader = new BlockReader(fd, options);
    mpg123_param(m_handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    mpg123_param(m_handle, MPG123_RESYNC_LIMIT, kNoFrameBytes, 0);
    if (options.pictures) mpg123_param(m_handle, MPG123_ADD_FLAGS, MPG123_PICTURE, 0);
    // The reader is ours to delete: the library is given no clean-up of its own.
    if (mpg123_replace_reader_handle(m_handle, BlockReader::read, BlockReader::seek, nullptr) !=
            MPG123_OK ||
        mpg123_open_handle(m_handle, m_reader) != MPG123_OK)
        reset();
}

Decoder::~Decoder() {
    reset();
}

Decoder::Decoder(Decoder&& o) noexcept
    : m_handle(std::exchange(o.m_handle, nullptr)), m_reader(std::exchange(o.m_reader, nullptr)) {}

Decoder& Decoder::operator=(Decoder&& o) noexcept {
    if (this != &o) {
        reset();
        m_handle = std::exchange(o.m_handle, nullptr);
        m_reader = std::exchange(o.m_reader, nullptr);
    }
    return *this;
}

void Decoder::reset() {
    if (m_handle) {
        mpg123_close(m_handle);
        mpg123_delete(m_handle);
    }
    delete m_reader;
    m_handle = nullptr;
    m_reader = nullptr;
}

StreamFormat read_format(mpg123_handle* h) {
    StreamFormat f;
    int encoding = 0;
    // The search for the first frame keeps the library's usual bound, so a large file of
    // something else is refused quickly; once in the stream, damage is resynced through.
    mpg123_param(h, MPG123_RESYNC_LIMIT, kFirstFrameSearch, 0);
    const int r = mpg123_getformat(h, &f.rate, &f.channels, &encoding);
    mpg123_param(h, MPG123_RESYNC_LIMIT, kNoFrameBytes, 0);
    if (r != MPG123_OK || f.rate <= 0 || (f.channels != 1 && f.channels != 2)) return {};
    f.ok = true;
    const off_t estimate = mpg123_length(h);
    if (estimate > 0) f.estimate = static_cast<double>(estimate) / static_cast<double>(f.rate);
    return f;
}

namespace {

int samples_per_frame(const mpg123_frameinfo& fi) {
    if (fi.layer == 1) return 384;
    if (fi.layer == 2 || fi.version == MPG123_1_0) return 1152;
    return 576;
}

bool cancelled(const ReadOptions& options) {
    return options.cancel && options.cancel->load(std::memory_order_relaxed);
}

// Seconds that frames at another sample rate add beyond what the library counts: it counts
// each frame's samples at the first frame's rate.
bool rate_correction(int fd, const ReadOptions& options, double& correction) {
    Decoder h(fd, options);
    if (!h) return false;
    correction = 0;
    long first_rate = 0;
    int r = MPG123_OK;
    while ((r = mpg123_framebyframe_next(h.get())) == MPG123_OK || r == MPG123_NEW_FORMAT) {
        if (cancelled(options)) return false;
        mpg123_frameinfo fi{};
        if (mpg123_info(h.get(), &fi) != MPG123_OK || fi.rate <= 0) continue;
        if (first_rate == 0) first_rate = fi.rate;
        if (fi.rate == first_rate) continue;
        const double samples = samples_per_frame(fi);
        correction +=
            samples / static_cast<double>(fi.rate) - samples / static_cast<double>(first_rate);
    }
    return !cancelled(options);
}

}  // namespace

bool scan_seconds(int fd, const ReadOptions& options, double& seconds) {
    ReadOptions now = options;
    struct stat st {};
    if (now.size_limit < 0 && ::fstat(fd, &st) == 0) now.size_limit = st.st_size;
    double correction = 0;
    if (!rate_correction(fd, now, correction)) return false;
    // The library's own count knows the encoder's delay and padding to the sample.
    Decoder h(fd, now);
    if (!h) return false;
    StreamFormat f = read_format(h.get());
    if (!f.ok || mpg123_scan(h.get()) != MPG123_OK || cancelled(now)) return false;
    const off_t samples = mpg123_length(h.get());
    if (samples <= 0) return false;
    seconds = static_cast<double>(samples) / static_cast<double>(f.rate) + correction;
    return seconds > 0;
}

}  // namespace rv::media
