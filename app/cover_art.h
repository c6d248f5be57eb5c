#pragma once
// The tags' pictures as files a desktop's media applet can show: each written once into the
// user's cache folder, named after its bytes, so the same picture is never written twice.
#include <string>

namespace rv::app {

// The folder for them: $XDG_CACHE_HOME/ravelin, else ~/.cache/ravelin; "" without either.
std::string cover_art_folder();

// The file holding `bytes` (a picture of MIME type `type`) in `folder`, written there if it
// is not yet; "" when there is nothing to write or it cannot be written (said once on
// stderr).
std::string cover_art_file(const std::string& folder, const std::string& bytes,
                           const std::string& type);

}  // namespace rv::app
