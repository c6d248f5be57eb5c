#pragma once
// The profile file on disk: read whole without blocking, replaced whole and durably.
#include <string>

namespace rv::winapi {

enum class FileRead { Read, Missing, Failed };

// Reads a regular file whole. A missing file is Missing; anything else that cannot be read
// (a folder, a FIFO, no permission, an I/O error) is Failed, with errno set.
FileRead read_whole_file(const std::string& path, std::string& data);

// Follows symbolic links to the file they name (which may not exist yet).
std::string resolve_links(const std::string& path);

// Replaces the file at `path` (a resolved path) by `data`: written to a temporary file beside
// it, flushed to disk, given the old file's permissions and renamed over it, so a reader or
// a crash sees the old file or the new one, never a part. Temporary files left by a writer
// that died are removed first. False with errno set when nothing was replaced.
bool replace_file(const std::string& path, const std::string& data);

// The temporary files' names beside `path` start with this.
std::string temp_prefix(const std::string& path);

}  // namespace rv::winapi
