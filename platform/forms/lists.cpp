#include "platform/forms/lists.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <system_error>

#include "platform/forms/form.h"
#include "platform/text/utf8.h"

namespace fs = std::filesystem;

namespace rv::forms {

// ---- ListBase --------------------------------------------------------------------------

const std::string& ListBase::item(int i) const {
    static const std::string empty;
    return i >= 0 && i < list_count() ? m_items[static_cast<std::size_t>(i)] : empty;
}

bool ListBase::set_list_index(int i) {
    if (i < -1 || i >= list_count()) return false;
    m_index = i;
    // Keep the selection in view.
    if (i >= 0 && i < m_top) m_top = i;
    int rows = std::max(1, visible_rows());
    if (i >= m_top + rows) m_top = i - rows + 1;
    changed();
    raise(on_click);
    return true;
}

void ListBase::set_top_index(int i) {
    int rows = std::max(1, visible_rows());
    i = std::clamp(i, 0, std::max(0, list_count() - rows));
    if (i == m_top) return;
    m_top = i;
    changed();
}

int ListBase::visible_rows() const {
    float line_twips = font().size * 20.0f * 1.2f;  // points to twips, with leading
    return std::max(1, static_cast<int>(height() / line_twips));
}

void ListBase::user_select_row(int row) {
    if (!enabled()) return;
    int i = m_top + row;
    if (i >= 0 && i < list_count()) set_list_index(i);
}

void ListBase::user_step(int rows) {
    if (!enabled() || list_count() == 0) return;
    const int to = m_index < 0 ? 0 : std::clamp(m_index + rows, 0, list_count() - 1);
    if (to != m_index) set_list_index(to);
}

void ListBase::set_items(std::vector<std::string> items) {
    m_items = std::move(items);
    m_index = -1;
    m_top = 0;
    changed();
}

void ListBox::add_item(std::string s) {
    if (!m_sorted) {
        m_items.push_back(std::move(s));
    } else {
        auto at = std::upper_bound(m_items.begin(), m_items.end(), s, less_without_case);
        m_items.insert(at, std::move(s));
    }
    changed();
}

void ListBox::remove_item(int i) {
    if (i < 0 || i >= list_count()) return;
    m_items.erase(m_items.begin() + i);
    if (m_index >= list_count()) m_index = -1;
    changed();
}

void ListBox::clear() {
    set_items({});
}

// ---- patterns --------------------------------------------------------

namespace {

bool match_one(const char* n, const char* p) {
    // Iterative glob with backtracking on the last star; ASCII case folded.
    const char* star = nullptr;
    const char* resume = nullptr;
    auto low = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    while (*n) {
        if (*p == '*') {
            star = p++;
            resume = n;
        } else if (*p == '?' || (*p && low(*p) == low(*n))) {
            ++p;
            ++n;
        } else if (star) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (*p == '*') ++p;
    return *p == 0;
}

}  // namespace

bool match_pattern(const std::string& name, const std::string& pattern) {
    std::size_t start = 0;
    while (start <= pattern.size()) {
        std::size_t end = pattern.find(';', start);
        if (end == std::string::npos) end = pattern.size();
        std::string one = pattern.substr(start, end - start);
        if (!one.empty() && match_one(name.c_str(), one.c_str())) return true;
        start = end + 1;
    }
    return false;
}

// ---- FileListBox -----------------------------------------------------------------------

void FileListBox::set_path(const std::string& p) {
    std::error_code ec;
    m_path = p.empty() ? fs::current_path(ec).string() : p;
    refresh();
    m_index = -1;
    m_top = 0;
    changed();
}

void FileListBox::set_pattern(std::string p) {
    m_pattern = std::move(p);
    refresh();
}

std::string FileListBox::file_name() const {
    return m_index >= 0 ? item(m_index) : "";
}

std::string FileListBox::file_path() const {
    // Folders are separated by "/" on this platform.
    return m_index >= 0 ? m_path + "/" + disk_name() : "";
}

const std::string& FileListBox::disk_name() const {
    static const std::string none;
    const auto i = static_cast<std::size_t>(m_index);
    return m_index >= 0 && i < m_names.size() ? m_names[i] : none;
}

void FileListBox::refresh() {
    const std::string keep = disk_name();
    struct Entry {
        std::string shown, name;
    };
    std::vector<Entry> entries;
    std::error_code ec;
    fs::path dir(m_path);
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code ec2;
        if (!it->is_regular_file(ec2)) continue;
        std::string n = it->path().filename().string();
        if (n.empty() || n[0] == '.') continue;  // hidden files are not listed
        if (match_pattern(n, m_pattern)) entries.push_back({text::to_valid_utf8(n), std::move(n)});
    }
    // Names that show alike keep one order: the bytes on the disk settle it.
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.shown != b.shown ? less_without_case(a.shown, b.shown) : a.name < b.name;
    });
    std::vector<std::string> shown;
    m_names.clear();
    for (auto& e : entries) {
        shown.push_back(std::move(e.shown));
        m_names.push_back(std::move(e.name));
    }
    int old_top = m_top;
    set_items(std::move(shown));
    if (!keep.empty()) {
        auto it = std::find(m_names.begin(), m_names.end(), keep);
        if (it != m_names.end()) m_index = static_cast<int>(it - m_names.begin());
        m_top = std::clamp(old_top, 0, std::max(0, list_count() - 1));
    }
}

// ---- DirListBox ------------------------------------------------------------------------

void DirListBox::set_path(const std::string& p) {
    std::error_code ec;
    fs::path dir = p.empty() ? fs::current_path(ec) : fs::path(p);
    fs::path abs = fs::weakly_canonical(fs::absolute(dir, ec), ec);
    if (ec) abs = dir;
    std::string norm = abs.string();
    while (norm.size() > 1 && norm.back() == '/') norm.pop_back();
    m_path = norm;

    m_paths.clear();
    m_depths.clear();
    std::vector<std::string> names;
    // Ancestors from the root down, then the folder itself.
    std::vector<fs::path> chain;
    for (fs::path a = abs; !a.empty(); a = a.parent_path()) {
        chain.push_back(a);
        if (a == a.parent_path()) break;
    }
    std::reverse(chain.begin(), chain.end());
    int depth = 0;
    for (const auto& a : chain) {
        std::string n = a.filename().string();
        names.push_back(text::to_valid_utf8(n.empty() ? a.string() : n));
        m_paths.push_back(a.string());
        m_depths.push_back(depth++);
    }
    m_open_count = depth;
    std::vector<std::string> subs;
    for (fs::directory_iterator it(abs, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code ec2;
        std::string n = it->path().filename().string();
        if (it->is_directory(ec2) && !n.empty() && n[0] != '.') subs.push_back(n);
    }
    std::sort(subs.begin(), subs.end(), less_without_case);
    for (const auto& s : subs) {
        names.push_back(text::to_valid_utf8(s));
        m_paths.push_back((abs / s).string());
        m_depths.push_back(depth);
    }
    set_items(std::move(names));
    m_index = static_cast<int>(chain.size()) - 1;  // the current folder is highlighted
}

std::string DirListBox::entry_path(int i) const {
    return i >= 0 && i < static_cast<int>(m_paths.size()) ? m_paths[static_cast<std::size_t>(i)]
                                                          : "";
}

int DirListBox::entry_depth(int i) const {
    return i >= 0 && i < static_cast<int>(m_depths.size()) ? m_depths[static_cast<std::size_t>(i)]
                                                           : 0;
}

void DirListBox::user_dbl_click() {
    if (!enabled()) return;
    std::string target = entry_path(list_index());
    if (!target.empty()) set_path(target);
    raise(on_dbl_click);
}

DriveListBox::DriveListBox(Form& f, std::string name, Control* container)
    : ListBase(f, Kind::DriveListBox, std::move(name), container) {
    // One file-system root on this platform.
    set_items({"/"});
    m_index = 0;
}

}  // namespace rv::forms
