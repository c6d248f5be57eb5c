#include "afk/message_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace rv::afk {

namespace {

// Bytes in the UTF-8 character that starts with `lead`; a stray byte counts as one.
std::size_t char_length(unsigned char lead) {
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
    if (lead >= 0xC2) return 2;
    return 1;
}

bool write_all(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// A new file beside `path`, named after it, that no one else holds; -1 when none can be made.
int create_beside(const std::string& path, std::string& temp) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = folder + "/." + name + "." + std::to_string(::getpid()) + "." +
               std::to_string(counter++);
        int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// Writes `bytes` to a new file in the folder of `path` and renames it over `path`. On any
// failure the new file is removed, `path` is untouched and `error` says why.
bool replace_file(const std::string& path, const std::string& bytes, std::string& error) {
    std::string temp;
    int fd = create_beside(path, temp);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    // The user may have chosen who can read the file: the new one keeps that.
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode))
        (void)::fchmod(fd, old.st_mode & 07777);
    // No fsync: the bytes outlive the process once written, and the rename-over-an-old-file
    // pattern is ordered by the file system; a sync per message would cost a disk round trip.
    bool ok = write_all(fd, bytes);
    int saved_errno = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        saved_errno = errno;
    }
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        saved_errno = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        error = std::strerror(saved_errno);
    }
    return ok;
}

}  // namespace

std::string one_line(std::string text) {
    for (char& c : text)
        if (c == '\r' || c == '\n') c = ' ';
    return text;
}

std::optional<std::string> message_entry(const std::string& ScreenName, const std::string& Text) {
    if (Text.compare(0, 4, ".msg") != 0 || Text.size() < 4) return std::nullopt;
    std::size_t from = 4;
    if (from < Text.size()) {
        // The fifth character, however many bytes it takes; a broken sequence ends early.
        const std::size_t end = from + char_length(static_cast<unsigned char>(Text[from]));
        ++from;
        while (from < end && from < Text.size() && (Text[from] & 0xC0) == 0x80) ++from;
    }
    const std::string message = from < Text.size() ? Text.substr(from) : "";
    return one_line(ScreenName + ":" + message);
}

std::string message_file_bytes(const std::vector<std::string>& entries) {
    std::string bytes;
    for (const auto& e : entries) bytes += one_line(e) + "\r\n";
    return bytes;
}

bool save_entries(const std::string& path, const std::vector<std::string>& entries) {
    std::string error;
    if (replace_file(path, message_file_bytes(entries), error)) return true;
    std::fprintf(stderr, "ravelin: the messages were not saved to %s (%s); the file is as it was\n",
                 path.c_str(), error.c_str());
    return false;
}

bool SaveList(const std::string& path, const forms::ListBox& list) {
    return save_entries(path, list.items());
}

}  // namespace rv::afk
