#pragma once
// Opening and measuring MP3 files safely: only regular files are opened, never blocking on a
// FIFO or a device, and the decoder resyncs through damage anywhere in the file.
#include <atomic>
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

// A quiet decoder handle that resyncs through the whole file (damage in the middle is
// skipped, not taken for the end). Null when the library cannot make one.
mpg123_handle* new_decoder();

// What the first frames say about a file opened on `fd`; `ok` false when it is no MPEG audio.
struct StreamFormat {
    bool ok = false;
    long rate = 0;
    int channels = 0;
    double estimate = 0;  // seconds, from an info header or the file size
};
StreamFormat read_format(mpg123_handle* h);

// The exact length in seconds of the stream on `fd` (its offset is moved), every frame counted
// at its own sample rate. Returns false when cancelled or when nothing decodes.
bool scan_seconds(int fd, const std::atomic<bool>* cancel, double& seconds);

}  // namespace rv::media
