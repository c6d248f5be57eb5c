#include "platform/winapi/profile.h"

#include <cerrno>

#include "platform/files/file_io.h"
#include "platform/winapi/desktop.h"
#include "platform/winapi/profile_ini.h"

namespace rv::winapi {

std::size_t GetPrivateProfileStringA(const char* section, const char* key,
                                     const char* default_value, char* buffer, std::size_t size,
                                     const char* file) {
    std::string value = default_value ? default_value : "";
    std::string data;
    if (section && key && file && files::read_whole_file(file, data) == files::FileRead::Read)
        ini::find_value(data, section, key, value);
    return copy_text(value, buffer, size);
}

bool WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* file) {
    if (!file || !ini::can_store(section, key, value)) {
        errno = EINVAL;  // a line break in a value would split it into lines of its own
        return false;
    }
    // Through a link, the file it names is the one read and written.
    const std::string path = files::resolve_links(file);
    std::string data;
    // Only a missing file starts empty: one that cannot be read would lose what it holds.
    if (files::read_whole_file(path, data) == files::FileRead::Failed) return false;
    std::string updated = ini::set_value(data, section, key, value);
    if (updated == data) return true;  // nothing to change, nothing to risk
    return files::replace_file(path, updated);
}

}  // namespace rv::winapi
