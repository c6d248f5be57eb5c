#include "platform/qt/rendezvous.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace rv::qt {

namespace {

std::string octal_mode(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

std::string env_folder(const char* name) {
    const char* value = std::getenv(name);
    // A relative folder would move with the working folder: not a place to meet.
    return value && value[0] == '/' ? value : "";
}

}  // namespace

bool is_private_folder(const std::string& folder, uid_t uid, std::string& why) {
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0) {
        why = folder + ": " + std::strerror(errno);
        return false;
    }
    if (S_ISLNK(st.st_mode))
        why = folder + " is a symbolic link, not a folder of this user's alone";
    else if (!S_ISDIR(st.st_mode))
        why = folder + " is not a folder";
    else if (st.st_uid != uid)
        why = folder + " belongs to user " + std::to_string(st.st_uid) + ", not to this user";
    else if ((st.st_mode & 077) != 0)
        why = folder + " is open to others (mode " + octal_mode(st.st_mode) + ")";
    else
        return true;
    return false;
}

std::string private_runtime_folder(std::string& why) {
    const uid_t uid = ::geteuid();
    const std::string runtime = env_folder("XDG_RUNTIME_DIR");
    if (!runtime.empty() && is_private_folder(runtime, uid, why)) return runtime;
    std::string temp = env_folder("TMPDIR");
    if (temp.empty()) temp = "/tmp";
    while (temp.size() > 1 && temp.back() == '/') temp.pop_back();
    const std::string folder = temp + "/ravelin-" + std::to_string(uid);
    // Made by us or found: either way it must pass the check, as anyone may have made it.
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        why = folder + ": " + std::strerror(errno);
        return "";
    }
    return is_private_folder(folder, uid, why) ? folder : "";
}

PathHolds what_is_at(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return errno == ENOENT ? PathHolds::Nothing : PathHolds::Other;
    return S_ISSOCK(st.st_mode) ? PathHolds::Socket : PathHolds::Other;
}

long peer_uid(int fd) {
    struct ucred cred {};
    socklen_t size = sizeof cred;
    if (fd < 0 || ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &size) != 0 ||
        size != sizeof cred)
        return -1;
    return static_cast<long>(cred.uid);
}

}  // namespace rv::qt
