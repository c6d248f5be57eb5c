#pragma once
// Where the single-instance socket may live and whom it may talk to, in plain POSIX calls. A
// socket in a folder anyone can write is a door anyone can take first, so the socket lives
// only in a folder that is this user's alone, and each end asks who the other one is.
#include <sys/types.h>

#include <string>

namespace rv::qt {

// True when `folder` is a real folder (not a link to one) owned by `uid` that neither its
// group nor others may enter; otherwise false, with what is wrong in `why`.
bool is_private_folder(const std::string& folder, uid_t uid, std::string& why);

// This user's folder for the socket: $XDG_RUNTIME_DIR when it is private to the user, else
// ravelin-UID in $TMPDIR (or /tmp), made 0700 when missing. "" with the reason in `why` when
// neither is private.
std::string private_runtime_folder(std::string& why);

// What stands at `path`. Anything but a socket is never ours to delete.
enum class PathHolds { Nothing, Socket, Other };
PathHolds what_is_at(const std::string& path);

// The user id of the process at the other end of a connected local socket; -1 when the
// system cannot tell.
long peer_uid(int fd);

}  // namespace rv::qt
