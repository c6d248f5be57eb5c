#pragma once
// Opening and measuring MP3 files safely: only regular files are opened, never blocking on a
// FIFO or a device; the file is read in large blocks; the decoder resyncs through damage but
// gives up on a long stretch with no frame (a partly downloaded file padded with zeros).
#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

typedef struct mpg123_handle_struct mpg123_handle;

namespace rv::media {

// A file descriptor that closes itself.
class FileHandle {
  public:
    FileHandle() = default;
    explicit FileHandle(int fd) : m_fd(fd) {}
    ~FileHandle();
    FileHandle(FileHandle&& o) noexcept : m_fd(o.release()) {}
    FileHandle& operator=(FileHandle&& o) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    int get() const { return m_fd; }
    int release() {
        int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    explicit operator bool() const { return m_fd >= 0; }

  private:
    int m_fd = -1;
};

// Opens `path` for reading without blocking and keeps it only if it is a regular, non-empty
// file. On failure `error` says why, in a few words ("no such file", "empty file", ...).
FileHandle open_regular_file(const std::string& path, std::string& error);

// Bytes without a frame after which the stream counts as ended: far more than any damage a
// track survives, far less than the zeros a partial download is padded with.
constexpr long kNoFrameBytes = 4L * 1024 * 1024;
// The size of one read from the file.
constexpr std::size_t kReadBlockBytes = 64 * 1024;

// How a decoder reads its file.
struct ReadOptions {
    // Once set, reading fails at once, so a decoder call under way returns promptly.
    const std::atomic<bool>* cancel = nullptr;
    // Counts the bytes read from the file, when given; only the decoder's own thread adds.
    std::uint64_t* bytes_read = nullptr;
    // The file ends here for this decoder, when not negative: a file that grows meanwhile
    // cannot keep a scan going.
    off_t size_limit = -1;
    // The tag's pictures are kept (mpg123_id3 then has them); only a reader of tags asks.
    bool pictures = false;
};

class BlockReader;

// A quiet decoder reading a file from its start in large blocks, resyncing through up to
// kNoFrameBytes of damage. The file must outlive the decoder, which does not close it.
class Decoder {
  public:
    Decoder() = default;
    Decoder(int fd, const ReadOptions& options);
    ~Decoder();
    Decoder(Decoder&&) noexcept;
    Decoder& operator=(Decoder&&) noexcept;
    mpg123_handle* get() const { return m_handle; }
    // False when the library could not make one or the file could not be read.
    explicit operator bool() const { return m_handle != nullptr; }

  private:
    void reset();
    mpg123_handle* m_handle = nullptr;
    BlockReader* m_reader = nullptr;
};

// What the first frames say about the decoder's file; `ok` false when it is no MPEG audio.
struct StreamFormat {
    bool ok = false;
    long rate = 0;
    int channels = 0;
    double estimate = 0;  // seconds, from an info header or the file size
};
StreamFormat read_format(mpg123_handle* h);

// The exact length in seconds of the stream on `fd` as it is now, every frame counted at its
// own sample rate, up to the first stretch of kNoFrameBytes without a frame. Returns false
// when cancelled or when nothing decodes.
bool scan_seconds(int fd, const ReadOptions& options, double& seconds);

}  // namespace rv::media
