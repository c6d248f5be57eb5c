#include "platform/files/file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace rv::files {

namespace {

// Restores errno on the way out, so that clean-up keeps the cause of a failure.
struct KeepErrno {
    int saved = errno;
    ~KeepErrno() { errno = saved; }
};

bool write_all(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string folder_of(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string base_name(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Temporary files are hidden, named after the file and their writer's pid.
std::string temp_name_prefix(const std::string& path) {
    return "." + base_name(path) + ".tmp-";
}

// The pid in a temporary file's name, or 0 when the name is not one of ours.
pid_t temp_owner(const std::string& name, const std::string& prefix) {
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return 0;
    long pid = 0;
    for (std::size_t i = prefix.size(); i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9' || pid > 99999999) return 0;
        pid = pid * 10 + (name[i] - '0');
    }
    return static_cast<pid_t>(pid);
}

// Removes the temporary files of writers that no longer run (and our own): what a crash in
// the middle of a write left behind. A live writer's file is its own business.
void remove_stale_temps(const std::string& path) {
    KeepErrno keep;
    const std::string prefix = temp_name_prefix(path);
    DIR* dir = ::opendir(folder_of(path).c_str());
    if (!dir) return;
    while (const dirent* e = ::readdir(dir)) {
        const pid_t owner = temp_owner(e->d_name, prefix);
        if (owner == 0) continue;
        if (owner == ::getpid() || (::kill(owner, 0) != 0 && errno == ESRCH))
            ::unlinkat(::dirfd(dir), e->d_name, 0);
    }
    ::closedir(dir);
}

mode_t less_umask(mode_t mode) {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return mode & ~mask;
}

// The new file's permissions and owner are the old file's; a new file gets `new_mode`.
void copy_mode(int fd, const std::string& path, mode_t new_mode) {
    KeepErrno keep;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        ::fchmod(fd, less_umask(new_mode));
        return;
    }
    if (::fchown(fd, st.st_uid, st.st_gid) != 0) {
        // Not ours to give away: the file stays ours, its permission bits still carry over.
    }
    ::fchmod(fd, st.st_mode & 07777);
}

void sync_folder(const std::string& path) {
    KeepErrno keep;
    int dfd = ::open(folder_of(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd < 0) return;
    ::fsync(dfd);
    ::close(dfd);
}

}  // namespace

FileRead read_whole_file(const std::string& path, std::string& data) {
    // Non-blocking: a FIFO in the file's place must not hang the program.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? FileRead::Missing : FileRead::Failed;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        KeepErrno keep;
        ::close(fd);
        return FileRead::Failed;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return FileRead::Failed;
    }
    data.clear();
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            KeepErrno keep;
            ::close(fd);
            return FileRead::Failed;
        }
        if (n == 0) break;
        data.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return FileRead::Read;
}

std::string resolve_links(const std::string& path) {
    std::string p = path;
    // As the system does, give up after 40 links (a loop); the write then fails on it.
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return p;
        std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        ssize_t n = ::readlink(p.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= target.size()) return p;
        target.resize(static_cast<std::size_t>(n));
        p = target[0] == '/' ? target : folder_of(p) + "/" + target;
    }
    return p;
}

std::string temp_prefix(const std::string& path) {
    const std::string folder = folder_of(path);
    return (folder == "/" ? "" : folder) + "/" + temp_name_prefix(path);
}

bool replace_file(const std::string& link, const std::string& data, mode_t new_mode) {
    const std::string path = resolve_links(link);
    remove_stale_temps(path);
    const std::string tmp = temp_prefix(path) + std::to_string(::getpid());
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    copy_mode(fd, path, new_mode);
    bool ok = write_all(fd, data) && ::fsync(fd) == 0;
    {
        KeepErrno keep;
        if (::close(fd) != 0 && ok) {
            ok = false;
            keep.saved = errno;
        }
    }
    if (ok && ::rename(tmp.c_str(), path.c_str()) == 0) {
        sync_folder(path);
        return true;
    }
    KeepErrno keep;
    ::unlink(tmp.c_str());
    return false;
}

bool append_file(const std::string& path, const std::string& data, mode_t new_mode) {
    // Non-blocking open: a FIFO in the file's place must not hang the program.
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC,
                    less_umask(new_mode));
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0;
    if (ok && !S_ISREG(st.st_mode)) {
        ok = false;
        errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    }
    // One write: a reader, or a crash, sees the whole of it or none of it in all but the
    // rarest case, and a torn tail is still one line.
    if (ok && !(write_all(fd, data) && ::fdatasync(fd) == 0)) {
        // A full disk took part of it: the file ends where it ended, not in half a line.
        KeepErrno keep;
        ok = false;
        if (::ftruncate(fd, st.st_size) == 0) ::fdatasync(fd);
    }
    KeepErrno keep;
    if (::close(fd) != 0 && ok) {
        ok = false;
        keep.saved = errno;
    }
    return ok;
}

}  // namespace rv::files
