#include <gtest/gtest.h>

#include "helpers.h"
#include "platform/forms/environment.h"
#include "platform/forms/form.h"

namespace rv {
namespace {

class Lists : public forms::Form {
  public:
    using Form::Form;
    forms::FileListBox* files = nullptr;
    forms::DirListBox* dirs = nullptr;
    std::vector<std::string> clicks;

  protected:
    void build() override {
        files = add<forms::FileListBox>("File1");
        files->set_pattern("*.mp3");
        files->on_click = [this] { clicks.push_back(files->file_name()); };
        dirs = add<forms::DirListBox>("Dir1");
    }
};

TEST(Patterns, MatchWithoutCase) {
    struct Case {
        const char* name;
        const char* pattern;
        bool match;
    };
    for (const Case c : {Case{"a.MP3", "*.mp3", true}, Case{"b.mp3.bak", "*.mp3", false},
                         Case{"x.mp2", "*.mp3;*.mp2", true}, Case{"song", "*.mp3", false},
                         Case{"ab.mp3", "a?.mp3", true}, Case{"abc.mp3", "a?.mp3", false},
                         Case{"a.b.mp3", "*.*", true}, Case{".mp3", "*.mp3", true}})
        EXPECT_EQ(forms::match_pattern(c.name, c.pattern), c.match) << c.name << " " << c.pattern;
}

TEST(FileListBox, SettingTheSelectionFromCodeRaisesClickAndRefreshKeepsIt) {
    VirtualLoop loop;
    forms::Environment env(loop);
    Lists f(env, "f");
    f.Load();
    test::TempDir dir;
    for (const char* n : {"b.mp3", "A.mp3", "c.MP3", ".hidden.mp3", "d.txt"}) dir.touch(n);
    std::filesystem::create_directory(dir.file("sub.mp3"));  // folders are not listed
    f.files->set_path(dir.path());
    EXPECT_EQ(f.files->items(), (std::vector<std::string>{"A.mp3", "b.mp3", "c.MP3"}));
    EXPECT_EQ(f.files->list_index(), -1);
    EXPECT_EQ(f.files->file_name(), "");
    EXPECT_TRUE(f.files->set_list_index(1));
    EXPECT_FALSE(f.files->set_list_index(3));  // no such entry: refused
    EXPECT_EQ(f.clicks, std::vector<std::string>{"b.mp3"});
    dir.touch("a0.mp3");
    f.files->refresh();
    EXPECT_EQ(f.files->file_name(), "b.mp3");  // the same name stays selected
    EXPECT_EQ(f.files->list_count(), 4);
    f.files->set_path(dir.path());  // a new path: nothing selected
    EXPECT_EQ(f.files->list_index(), -1);
}

TEST(DirListBox, ShowsAncestorsThenSubfoldersAndOpensOnDoubleClick) {
    VirtualLoop loop;
    forms::Environment env(loop);
    Lists f(env, "f");
    f.Load();
    test::TempDir dir;
    std::filesystem::create_directories(dir.file("Music/Jazz"));
    std::filesystem::create_directory(dir.file("alpha"));
    f.dirs->set_path(dir.path());
    const int here = f.dirs->list_index();
    EXPECT_EQ(f.dirs->entry_path(here), dir.path());
    EXPECT_TRUE(f.dirs->entry_open(here));
    EXPECT_EQ(f.dirs->item(here + 1), "alpha");
    EXPECT_EQ(f.dirs->item(here + 2), "Music");
    EXPECT_FALSE(f.dirs->entry_open(here + 1));
    // A highlighted entry is not the choice until it is opened.
    f.dirs->user_select_row(here + 2 - f.dirs->top_index());
    EXPECT_EQ(f.dirs->path(), dir.path());
    f.dirs->user_dbl_click();
    EXPECT_EQ(f.dirs->path(), dir.file("Music"));
    EXPECT_EQ(f.dirs->item(f.dirs->list_index() + 1), "Jazz");
    f.dirs->set_path("/no/such/place");  // lists what it can: the chain, no subfolders
    EXPECT_EQ(f.dirs->path(), "/no/such/place");
}

}  // namespace
}  // namespace rv
