#include "platform/winapi/profile.h"

#include <strings.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string_view>
#include <vector>

#include "platform/winapi/desktop.h"

namespace rv::winapi {

namespace {

struct IniFile {
    std::vector<std::string> lines;  // without line ends
    bool crlf = true;                // new files get the platform's classic line ends
    bool bom = false;
    bool ends_with_newline = true;
};

bool read_ini(const std::string& path, IniFile& ini) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::stringstream ss;
    ss << in.rdbuf();
    std::string data = ss.str();
    if (data.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        ini.bom = true;
        data.erase(0, 3);
    }
    std::size_t lf = data.find('\n');
    ini.crlf = lf == std::string::npos ? true : (lf > 0 && data[lf - 1] == '\r');
    ini.ends_with_newline = data.empty() || data.back() == '\n';
    std::size_t start = 0;
    while (start < data.size()) {
        std::size_t end = data.find('\n', start);
        if (end == std::string::npos) end = data.size();
        std::string line = data.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        ini.lines.push_back(std::move(line));
        start = end + 1;
    }
    return true;
}

std::string_view trim(std::string_view s) {
    const char* ws = " \t";
    std::size_t a = s.find_first_not_of(ws);
    if (a == std::string_view::npos) return {};
    std::size_t b = s.find_last_not_of(ws);
    return s.substr(a, b - a + 1);
}

bool equal_nocase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// The section name of a "[name]" line, or false.
bool section_of(const std::string& line, std::string_view& name) {
    std::string_view t = trim(line);
    if (t.size() < 2 || t.front() != '[') return false;
    std::size_t close = t.find(']');
    if (close == std::string_view::npos) return false;
    name = trim(t.substr(1, close - 1));
    return true;
}

// The key and value of a "key=value" line, or false.
bool entry_of(const std::string& line, std::string_view& key, std::string_view& value) {
    std::size_t eq = line.find('=');
    if (eq == std::string::npos) return false;
    key = trim(std::string_view(line).substr(0, eq));
    value = trim(std::string_view(line).substr(eq + 1));
    return true;
}

// Line range [first, last) of the first section called `section`; first is the header.
bool find_section(const IniFile& ini, const char* section, std::size_t& first, std::size_t& last) {
    for (std::size_t i = 0; i < ini.lines.size(); ++i) {
        std::string_view name;
        if (!section_of(ini.lines[i], name) || !equal_nocase(name, section)) continue;
        first = i;
        last = i + 1;
        while (last < ini.lines.size() && !section_of(ini.lines[last], name)) ++last;
        return true;
    }
    return false;
}

bool find_key(const IniFile& ini, std::size_t first, std::size_t last, const char* key,
              std::size_t& at, std::string_view& value) {
    for (std::size_t i = first + 1; i < last; ++i) {
        std::string_view k;
        if (entry_of(ini.lines[i], k, value) && equal_nocase(k, key)) {
            at = i;
            return true;
        }
    }
    return false;
}

bool write_atomically(const std::string& path, const std::string& data) {
    std::string tmp = path + ".tmp" + std::to_string(::getpid());
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(data.data(), static_cast<std::streamsize>(data.size()));
        out.flush();
        if (!out) {
            std::remove(tmp.c_str());
            return false;
        }
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0) {
        std::remove(tmp.c_str());
        return false;
    }
    return true;
}

}  // namespace

std::size_t GetPrivateProfileStringA(const char* section, const char* key,
                                     const char* default_value, char* buffer, std::size_t size,
                                     const char* file) {
    std::string value = default_value ? default_value : "";
    IniFile ini;
    std::size_t first = 0, last = 0, at = 0;
    std::string_view v;
    if (section && key && file && read_ini(file, ini) && find_section(ini, section, first, last) &&
        find_key(ini, first, last, key, at, v)) {
        // One pair of surrounding quotes is dropped, as the platform does.
        if (v.size() >= 2 &&
            ((v.front() == '"' && v.back() == '"') || (v.front() == '\'' && v.back() == '\'')))
            v = v.substr(1, v.size() - 2);
        value = std::string(v);
    }
    return copy_text(value, buffer, size);
}

bool WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* file) {
    if (!section || !key || !file) return false;
    IniFile ini;
    read_ini(file, ini);  // a missing file starts empty
    std::size_t first = 0, last = 0, at = 0;
    std::string_view old;
    std::string line = std::string(key) + "=" + (value ? value : "");
    if (!find_section(ini, section, first, last)) {
        if (!value) return true;
        if (!ini.lines.empty() && !trim(ini.lines.back()).empty()) ini.lines.emplace_back();
        ini.lines.push_back("[" + std::string(section) + "]");
        ini.lines.push_back(line);
    } else if (find_key(ini, first, last, key, at, old)) {
        if (value)
            ini.lines[at] = line;
        else
            ini.lines.erase(ini.lines.begin() + static_cast<std::ptrdiff_t>(at));
    } else if (value) {
        // After the section's last non-blank line.
        std::size_t pos = last;
        while (pos > first + 1 && trim(ini.lines[pos - 1]).empty()) --pos;
        ini.lines.insert(ini.lines.begin() + static_cast<std::ptrdiff_t>(pos), line);
    }
    std::string eol = ini.crlf ? "\r\n" : "\n";
    std::string data = ini.bom ? "\xEF\xBB\xBF" : "";
    for (std::size_t i = 0; i < ini.lines.size(); ++i) {
        data += ini.lines[i];
        if (i + 1 < ini.lines.size() || ini.ends_with_newline) data += eol;
    }
    return write_atomically(file, data);
}

}  // namespace rv::winapi
