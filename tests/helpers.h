#pragma once
// A whole program on virtual time for the logic tests: the stand-in client, a silent player
// whose files last as long as the test says, and a temporary program folder.
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/program.h"
#include "platform/loop/virtual_loop.h"
#include "platform/media/virtual_player.h"

namespace rv::test {

// How many times `needle` stands in `hay`, not overlapping.
inline std::string slurp_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline std::size_t count(const std::string& hay, const std::string& needle) {
    std::size_t n = 0;
    for (std::size_t at = hay.find(needle); at != std::string::npos;
         at = hay.find(needle, at + needle.size()))
        ++n;
    return n;
}

class TempDir {
  public:
    TempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "ravelin-XXXXXX").string();
        m_path = ::mkdtemp(tmpl.data()) ? tmpl : "";
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }
    void touch(const std::string& name, const std::string& content = "") const {
        std::ofstream(file(name), std::ios::binary) << content;
    }

  private:
    std::string m_path;
};

struct SentLine {
    std::string name;
    std::string html;
    double at;  // virtual seconds
};

class World {
  public:
    explicit World(std::string screen_name = "Tester") {
        options.home = home.path();
        options.screen_name = std::move(screen_name);
        program = std::make_unique<app::Program>(loop, media, options);
        program->services.end_program = [this] { ended = true; };
        program->env.set_input_box(
            [this](const std::string& prompt, const std::string&, const std::string&) {
                prompts.push_back(prompt);
                if (answers.empty()) return std::string();
                std::string a = answers.front();
                answers.pop_front();
                return a;
            });
        lines_seen = program->client.on_line.subscribe(
            [this](const standin::Room&, const standin::ChatLine& l) {
                lines.push_back({l.screen_name, l.html, loop.now()});
            });
    }

    // A music folder with these files (empty: the player's durations come from `durations`).
    std::string music(const std::vector<std::string>& names) {
        std::filesystem::create_directories(music_dir.path());
        for (const auto& n : names) music_dir.touch(n);
        return music_dir.path();
    }
    void store_folder(const std::string& folder) {
        std::ofstream(home.file("mp3.oca")) << "[ravelin]\nDIRECTORY=" << folder << "\n";
    }
    void start(const std::string& handle = "Bob") {
        answers.push_back(handle);
        program->start();
    }
    app::Form1& form1() { return program->form1; }
    std::vector<std::string> htmls() const {
        std::vector<std::string> out;
        for (const auto& l : lines) out.push_back(l.html);
        return out;
    }

    VirtualLoop loop;
    std::map<std::string, double> durations;  // by file name
    media::VirtualPlayer media{
        loop, [this](const std::string& path) {
            auto it = durations.find(std::filesystem::path(path).filename().string());
            return it == durations.end() ? 0.0 : it->second;
        }};
    TempDir home;
    TempDir music_dir;
    app::Options options;
    std::unique_ptr<app::Program> program;
    std::deque<std::string> answers;
    std::vector<std::string> prompts;
    std::vector<SentLine> lines;
    Subscription lines_seen;
    bool ended = false;
};

}  // namespace rv::test
