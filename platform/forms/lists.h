#pragma once
#include <string>
#include <vector>

#include "platform/forms/control.h"
#include "platform/text/collate.h"

namespace rv::forms {

// Shared by every list: entries, the selection and the first visible row.
class ListBase : public Control {
  public:
    using Control::Control;
    int list_count() const { return static_cast<int>(m_items.size()); }
    const std::vector<std::string>& items() const { return m_items; }
    const std::string& item(int i) const;
    int list_index() const { return m_index; }
    // Setting the selection from code raises Click, as the toolkit does. Out-of-range
    // values other than -1 are refused (false) and change nothing.
    bool set_list_index(int i);
    int top_index() const { return m_top; }
    void set_top_index(int i);
    // Rows that fit in the control's height at the font's line height.
    int visible_rows() const;
    // A user's click on row `row` of the visible part selects it, then raises Click.
    void user_select_row(int row);
    // A user's arrow key: the selection moves `rows` entries, stopping at either end (with
    // nothing selected, the first entry is selected), and Click follows when it moved.
    void user_step(int rows);

  protected:
    void set_items(std::vector<std::string> items);
    std::vector<std::string> m_items;
    int m_index = -1;
    int m_top = 0;
};

class ListBox : public ListBase {
  public:
    ListBox(Form& f, std::string name, Control* container)
        : ListBase(f, Kind::ListBox, std::move(name), container) {}
    bool sorted() const { return m_sorted; }
    void set_sorted(bool v) { m_sorted = v; }
    void add_item(std::string s);
    void remove_item(int i);
    void clear();

  private:
    bool m_sorted = false;
};

// The lists' order (platform/text/collate.h).
using text::fold_case;
using text::less_without_case;
// "*.mp3;*.MP2" style patterns, `*` and `?`, compared without regard to case.
bool match_pattern(const std::string& name, const std::string& pattern);

class FileListBox : public ListBase {
  public:
    FileListBox(Form& f, std::string name, Control* container)
        : ListBase(f, Kind::FileListBox, std::move(name), container) {}
    const std::string& path() const { return m_path; }
    // Points the list at a folder and lists it at once; nothing is selected afterwards.
    // An empty path stands for the process's current folder. A folder that cannot be read
    // lists nothing.
    void set_path(const std::string& p);
    const std::string& pattern() const { return m_pattern; }
    void set_pattern(std::string p);
    // The selected entry as listed, "" when none. Entries are text: bytes of a name that are
    // not UTF-8 are listed as U+FFFD, so a name can go into a caption or a chat line as it is.
    std::string file_name() const;
    // The selected file's full path with its name as it is on the disk, "" when none: what
    // opens the file, whatever its name holds.
    std::string file_path() const;
    // Re-reads the folder; the selection is kept where the same file is still listed.
    void refresh();

  private:
    const std::string& disk_name() const;  // of the selected entry
    std::string m_path;
    std::string m_pattern = "*.*";
    std::vector<std::string> m_names;  // on the disk, row for row with the entries
};

// The folder tree: the current folder's ancestors, the folder itself, then its subfolders.
// A user's double-click on an entry makes it the current folder. Entries are text, as in the
// file list; the paths keep the names as they are on the disk.
class DirListBox : public ListBase {
  public:
    DirListBox(Form& f, std::string name, Control* container)
        : ListBase(f, Kind::DirListBox, std::move(name), container) {}
    const std::string& path() const { return m_path; }
    void set_path(const std::string& p);
    // The full path of entry i.
    std::string entry_path(int i) const;
    // Indent level of entry i, for drawing.
    int entry_depth(int i) const;
    // Entry i is the current folder or one of its ancestors (shown open).
    bool entry_open(int i) const { return i >= 0 && i < m_open_count; }
    void user_dbl_click() override;

  private:
    std::string m_path;
    std::vector<std::string> m_paths;
    std::vector<int> m_depths;
    int m_open_count = 0;
};

class DriveListBox : public ListBase {
  public:
    DriveListBox(Form& f, std::string name, Control* container);
    std::string drive() const { return list_index() >= 0 ? item(list_index()) : ""; }
};

}  // namespace rv::forms
