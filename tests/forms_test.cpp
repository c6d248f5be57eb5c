#include <gtest/gtest.h>

#include <functional>
#include <utility>

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

// Controls that say when they are freed, to see a reload keep a running handler's control.
std::vector<std::string> g_freed;

template <class T>
class Watched : public T {
  public:
    using T::T;
    ~Watched() override { g_freed.push_back(this->name()); }
};

// A form whose button and timer handlers can unload and show it again while they run.
class Reloading : public forms::Form {
  public:
    using Form::Form;
    forms::Label* button = nullptr;
    forms::Timer* tick = nullptr;
    std::function<void()> during_click, during_tick;
    int clicks = 0, ticks = 0;
    std::string seen;

    void reload() {
        Unload();
        Show();
    }

  protected:
    void build() override {
        button = add<Watched<forms::Label>>("button");
        // The closure is larger than a std::function keeps inline: it lives on the heap with
        // the control, so a freed control shows as a read of freed memory.
        button->on_click = [this, tag = std::string(64, 'b')] {
            ++clicks;
            if (during_click) during_click();
            seen = tag;
        };
        tick = add<Watched<forms::Timer>>("tick");
        tick->set_interval_ms(10);
        tick->set_timer_enabled(false);
        tick->on_timer = [this, tag = std::string(64, 't')] {
            ++ticks;
            if (during_tick) during_tick();
            seen = tag;
        };
    }
};

TEST(Reload, AClickHandlerThatReloadsItsFormRunsToItsEndOnItsOwnControl) {
    g_freed.clear();
    VirtualLoop loop;
    forms::Environment env(loop);
    Reloading f(env, "f");
    f.Show();
    forms::Label* old = f.button;
    const auto generation = f.generation();
    bool reloaded = false;
    f.during_click = [&] {
        if (std::exchange(reloaded, true)) return;
        f.reload();
        EXPECT_NE(f.button, old);
        EXPECT_GT(f.generation(), generation);
        EXPECT_TRUE(g_freed.empty());  // the running handler's control is kept
        EXPECT_EQ(old->name(), "button");
    };
    f.button->user_click();
    EXPECT_EQ(f.seen, std::string(64, 'b'));
    // Freed once the handler has returned; the new control works.
    EXPECT_EQ(g_freed, (std::vector<std::string>{"button", "tick"}));
    f.button->user_click();
    EXPECT_EQ(f.clicks, 2);
}

TEST(Reload, NestedReloadsKeepEveryRunningControlUntilTheOutermostHandlerEnds) {
    g_freed.clear();
    VirtualLoop loop;
    forms::Environment env(loop);
    Reloading f(env, "f");
    f.Show();
    int depth = 0;
    f.during_click = [&] {
        if (++depth > 2) return;
        f.reload();
        f.button->user_click();  // the new control's handler reloads once more, nested
        EXPECT_TRUE(g_freed.empty());
    };
    f.button->user_click();
    EXPECT_EQ(f.clicks, 3);
    EXPECT_EQ(g_freed.size(), 4u);  // two generations of button and timer
}

TEST(Reload, ATimerThatReloadsItsFormInItsTickIsKeptUntilTheTickEnds) {
    g_freed.clear();
    VirtualLoop loop;
    forms::Environment env(loop);
    Reloading f(env, "f");
    f.Show();
    f.tick->set_timer_enabled(true);
    bool reloaded = false;
    f.during_tick = [&] {
        if (std::exchange(reloaded, true)) return;
        f.reload();
        EXPECT_TRUE(g_freed.empty());
        f.tick->set_timer_enabled(true);
    };
    loop.advance(0.01);
    EXPECT_EQ(f.seen, std::string(64, 't'));
    EXPECT_EQ(g_freed.size(), 2u);
    loop.advance(0.03);  // the new timer ticks; the old one never again
    EXPECT_EQ(f.ticks, 4);
}

TEST(Reload, AReloadWithNoHandlerRunningFreesTheOldControlsAtOnce) {
    g_freed.clear();
    VirtualLoop loop;
    forms::Environment env(loop);
    Reloading f(env, "f");
    for (int i = 0; i < 3; ++i) f.reload();
    EXPECT_EQ(g_freed.size(), 4u);  // the first Show had nothing to free; the last set lives
    // Changes of a retired control reach no observer: views hold no pointer to it.
    int told = 0;
    auto observing =
        env.add_observer([&](forms::Form&, forms::Control* c, bool) { told += c != nullptr; });
    bool reloaded = false;
    f.during_click = [&] {
        if (std::exchange(reloaded, true)) return;
        forms::Label* old = f.button;
        f.reload();
        told = 0;
        old->set_caption("late");
        EXPECT_EQ(told, 0);
    };
    f.button->user_click();
}

}  // namespace
}  // namespace rv

namespace rv {
namespace {

// Each accented letter sorts with its base letter: after the letter before it and before the
// letter after it, whatever its case.
TEST(Sorting, AccentedLettersSortWithTheirBaseLetter) {
    struct Row {
        const char* letter;
        const char* before;  // a name that sorts just before
        const char* after;   // and one just after
    } const rows[] = {
        {"\u00FF", "x", "z"},  // ÿ
        {"\u0178", "x", "z"},  // Ÿ
        {"\u00FD", "x", "z"},  // ý
        {"\u00FE", "s", "u"},  // þ
        {"\u00DF", "r", "t"},  // ß
        {"\u00E9", "d", "f"},  // é
        {"\u00C9", "d", "f"},  // É
        {"\u0179", "y", "{"},  // Ź
        {"\u017A", "y", "{"},  // ź
        {"\u0161", "r", "t"},  // š
        {"\u0160", "r", "t"},  // Š
        {"\u0142", "k", "m"},  // ł
    };
    for (const auto& r : rows) {
        EXPECT_TRUE(forms::less_without_case(r.before, r.letter)) << r.letter;
        EXPECT_TRUE(forms::less_without_case(r.letter, r.after)) << r.letter;
    }
    EXPECT_EQ(forms::fold_case("\u0178"), "\u00FF");
    EXPECT_EQ(forms::fold_case("\u0179"), "\u017A");
}

}  // namespace
}  // namespace rv
