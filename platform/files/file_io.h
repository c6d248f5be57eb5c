#pragma once
// Files the program keeps for the user (the settings, the messages): read whole without
// blocking, replaced whole and durably, appended to durably.
#include <sys/types.h>

#include <string>

namespace rv::files {

enum class FileRead { Read, Missing, Failed };

// Reads a regular file whole. A missing file is Missing; anything else that cannot be read
// (a folder, a FIFO, no permission, an I/O error) is Failed, with errno set.
FileRead read_whole_file(const std::string& path, std::string& data);

// Follows symbolic links to the file they name (which may not exist yet).
std::string resolve_links(const std::string& path);

// What a file made anew gets: the usual permissions (0666 less the umask), or fewer.
constexpr mode_t kUsualMode = 0666;
constexpr mode_t kPrivateMode = 0600;

// Replaces the file at `path` by `data`. A symbolic link stays a link: the file it names is
// replaced. The data is written to a temporary file beside that file, flushed to disk, given
// the old file's permissions and renamed over it, so a reader or a crash sees the old file or
// the new one, never a part. A file made anew gets `new_mode` (less the umask). Temporary
// files left by a writer that died are removed first. False with errno set when nothing was
// replaced.
bool replace_file(const std::string& path, const std::string& data, mode_t new_mode = kUsualMode);

// Appends `data` to the regular file at `path` (made with `new_mode` when missing, a link
// followed) in one write, and returns only once it is on disk. False with errno set when the
// data may not be whole on disk; something that is not a regular file is never written.
bool append_file(const std::string& path, const std::string& data, mode_t new_mode = kUsualMode);

// The temporary files' names beside `path` start with this.
std::string temp_prefix(const std::string& path);

}  // namespace rv::files
