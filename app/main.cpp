// Ravelin: wires the real backends together and starts the main window.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "aol/settings.h"
#include "app/cover_art.h"
#include "app/display_check.h"
#include "app/later_starts.h"
#include "app/options.h"
#include "app/program.h"
#include "app/remote_bridge.h"
#include "app/script.h"
#include "app/stop_signals.h"
#include "platform/loop/virtual_loop.h"
#include "platform/media/sdl_player.h"
#include "platform/media/virtual_player.h"
#include "platform/qt/mpris.h"
#include "platform/qt/qt_front.h"
#include "platform/qt/single_instance.h"
#include "platform/text/case.h"
#include "standin/chat_network.h"
#include "standin/view/client_view.h"
#include "standin/view/irc_socket.h"

namespace {

using rv::app::Program;
using rv::app::ScriptRunner;

[[noreturn]] void end_at_once(int status) {
    // The program ends where it stands: no window's closing code, nothing saved.
    std::cout.flush();
    std::fflush(nullptr);
    std::_Exit(status);
}

// What the program's own end reports: script actions that failed make it 1. `first` runs
// before the process ends (leaving the chat network).
std::function<void()> ending(std::unique_ptr<ScriptRunner>& runner,
                             std::function<void()> first = {}) {
    return [&runner, first] {
        if (first) first();
        end_at_once(runner ? runner->finish() : 0);
    };
}

// Ctrl+C and SIGTERM close the main window as its close label does, once it is there.
std::function<void()> close_like_the_label(Program*& program, std::unique_ptr<ScriptRunner>& runner,
                                           std::function<void()> first = {}) {
    return [&program, &runner, first] {
        if (program && program->form1.loaded()) program->form1.lbclose_Click();
        if (first) first();
        end_at_once(runner ? runner->finish() : 0);
    };
}

// Leaving a chat network waits up to this long for the server's goodbye.
constexpr double kLeaveChatSeconds = 2.0;
// A stop signal's close may take that long on top of the close label's own slide and waits.
constexpr int kStopGraceMs = 1500 + static_cast<int>(kLeaveChatSeconds * 1000) + 500;

bool load_script(const std::string& path, std::vector<rv::app::ScriptAction>& actions) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::cerr << path << ": cannot read the script\n";
        return false;
    }
    std::stringstream ss;
    ss << in.rdbuf();
    std::string error;
    if (!rv::app::parse_script(ss.str(), actions, error)) {
        std::cerr << path << ": " << rv::app::escape_controls(error) << "\n";
        return false;
    }
    return true;
}

bool holds_mp3_files(const std::string& folder) {
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(folder, ec)) {
        if (rv::text::ascii_lower(e.path().extension().string()) == ".mp3" && e.is_regular_file(ec))
            return true;
    }
    return false;
}

// A stored folder that is gone or holds no music leaves an empty list and nothing in the
// room: one line says why, before any window opens.
void check_stored_folder(const std::string& settings_file) {
    const std::string folder = rv::aol::ReadSetting("ravelin", "DIRECTORY", settings_file);
    if (folder.empty()) return;
    std::error_code ec;
    const char* problem = !std::filesystem::is_directory(folder, ec) ? "does not exist"
                          : !holds_mp3_files(folder)                 ? "holds no MP3 files"
                                                                     : nullptr;
    if (problem)
        std::cerr << "ravelin: the stored music folder " << rv::app::escape_controls(folder) << " "
                  << problem << "; choose another with Load\n";
}

ScriptRunner* make_runner(std::unique_ptr<ScriptRunner>& runner, Program& program,
                          std::vector<rv::app::ScriptAction> actions,
                          const rv::app::Options& options) {
    const auto transcript =
        options.plain_transcript ? rv::app::Transcript::Plain : rv::app::Transcript::Html;
    runner = std::make_unique<ScriptRunner>(program, std::move(actions), std::cout, std::cerr,
                                            transcript);
    program.env.set_input_box([r = runner.get()](const std::string&, const std::string&,
                                                 const std::string&) { return r->next_answer(); });
    return runner.get();
}

int run_headless(const rv::app::Options& options, std::vector<rv::app::ScriptAction> actions) {
    rv::VirtualLoop loop;
    std::unique_ptr<ScriptRunner> runner;
    Program* target = nullptr;
    rv::app::StopSignals stop(loop, close_like_the_label(target, runner));
    rv::media::VirtualPlayer media(loop);
    Program program(loop, media, options);
    target = &program;
    program.services.end_program = ending(runner);
    ScriptRunner* r = make_runner(runner, program, std::move(actions), options);
    program.start();
    if (!options.files.empty()) program.play_files(options.files);
    while (!r->done()) r->step();
    return r->finish();
}

int run_windows(int argc, char** argv, const rv::app::Options& options,
                std::vector<rv::app::ScriptAction> actions, bool scripted) {
    rv::qt::QtFront front(argc, argv);
    // Checked before any window opens (the TLS library needs Qt started): a certificate
    // that cannot be shown would only be found out at every connection.
    if (std::string why; !options.chat_cert.empty() &&
                         !rv::standin::view::IrcSocket::check_client_cert(options.chat_cert, why)) {
        std::cerr << "ravelin: --chat-cert " << rv::app::escape_controls(options.chat_cert) << ": "
                  << rv::app::escape_controls(why) << "\n";
        return 2;
    }
    std::unique_ptr<ScriptRunner> runner;
    Program* target = nullptr;
    // However the program ends, the chat network is left first: its last lines and QUIT go
    // out instead of being cut off with the process.
    rv::standin::ChatNetwork* chat = nullptr;
    const auto leave_chat = [&chat] {
        if (chat) chat->leave(kLeaveChatSeconds);
    };
    // Before the audio library starts: it leaves handlers that are already there alone.
    rv::app::StopSignals stop(front.loop(), close_like_the_label(target, runner, leave_chat),
                              kStopGraceMs);
    // A second start brings the first to the front and hands it its files. Scripted runs
    // are tools, not a person's player: they never hand over. Requests are answered once the
    // program is there to answer them (`later`).
    std::function<void(const std::vector<std::string>&)> later_start;
    rv::qt::SingleInstance instance;
    if (!scripted && !options.new_instance) {
        std::string why;
        using Start = rv::qt::SingleInstance::Start;
        const auto on_request = [&later_start](const std::vector<std::string>& files) {
            if (later_start) later_start(files);
        };
        switch (instance.start(options.files, on_request, why)) {
            case Start::HandedOver:
                // The running program says what it cannot play on its own terminal; a file
                // that is not there at all is said here too, where it was typed.
                for (const std::string& file : options.files)
                    if (std::error_code ec; !std::filesystem::is_regular_file(file, ec))
                        std::cerr << "ravelin: " << rv::app::escape_controls(file)
                                  << ": no such file\n";
                return 0;
            case Start::Alone:
                std::cerr << "ravelin: " << rv::app::escape_controls(why) << "\n";
                break;
            case Start::Listening:
                break;
        }
    }
    rv::media::SdlPlayer media(front.loop());
    Program program(front.loop(), media, options);
    target = &program;
    program.services.end_program = ending(runner, leave_chat);
    program.env.set_screen_size_twips(front.screen_width_twips(), front.screen_height_twips());
    front.show_forms(program.env);
    // The client's link to a chat network; it signs on only when asked (--chat or its form).
    rv::standin::view::IrcSocket socket;
    rv::standin::ChatNetwork network(program.client, front.loop(), socket);
    chat = &network;
    if (!options.chat.empty()) {
        rv::standin::net::Endpoint endpoint;
        std::string error;
        rv::standin::net::parse_chat_url(options.chat, endpoint, error);  // checked already
        endpoint.insecure = options.chat_insecure;
        endpoint.client_cert = options.chat_cert;
        const char* password = std::getenv(rv::app::kChatPasswordVariable);
        const char* account = std::getenv(rv::app::kChatAccountVariable);
        network.start(endpoint, password ? password : "", account ? account : "");
    }
    // Beside the main window, which opens at (3255, 2355) twips.
    rv::standin::ClientView client_view(program.client, 520, 157);
    const auto bring_back = [&front, &client_view] {
        front.raise_windows();
        client_view.raise();
    };
    rv::app::LaterStarts later(program, bring_back);
    later_start = [&later](const std::vector<std::string>& files) { later.request(files); };
    rv::app::RemoteBridge remote(program.form1, bring_back, rv::app::cover_art_folder());
    rv::qt::Mpris mpris(remote);
    if (std::string why; !mpris.start(why))
        std::cerr << "ravelin: no media keys or desktop media applet: " << why << "\n";
    ScriptRunner* r =
        scripted ? make_runner(runner, program, std::move(actions), options) : nullptr;
    if (!r) program.env.set_input_box(front.input_box());
    front.at_start([&] {
        program.start();
        if (!options.files.empty()) program.play_files(options.files);
        later.started();
        if (r) {
            while (!r->done()) r->step();
            front.quit();
        }
    });
    const int status = front.exec();
    later_start = nullptr;
    leave_chat();
    chat = nullptr;
    // Heard as a gap by whoever listened: said once, for whoever looks into why.
    if (const auto dry = media.times_ran_dry())
        std::cerr << "ravelin: the sound ran dry " << dry << (dry == 1 ? " time" : " times")
                  << " while playing\n";
    return r ? r->finish() : status;
}

}  // namespace

int main(int argc, char** argv) {
    rv::app::Options options;
    std::string error;
    if (!rv::app::parse_options(argc, argv, options, error)) {
        std::cerr << "ravelin: " << error << " (ravelin --help lists the options)\n";
        return 2;
    }
    const std::string settings_file = Program::settings_path(options.home);
    if (options.help) {
        std::cout << rv::app::usage(settings_file);
        return 0;
    }
    if (options.version) {
        std::cout << "ravelin " << rv::app::kVersion << "\n";
        return 0;
    }
    std::vector<rv::app::ScriptAction> actions;
    if (!options.script.empty() && !load_script(options.script, actions)) return 2;
    if (!options.headless) {
        // Checked before the window system starts: without a screen it aborts the process.
        const std::string why = rv::app::why_no_display(rv::app::display_env_from_process(),
                                                        rv::app::local_x_server_answers);
        if (!why.empty()) {
            std::cerr << "ravelin: no display to open the windows on (" << why
                      << "); without windows: ravelin --headless --script FILE\n";
            return 2;
        }
    }
    check_stored_folder(settings_file);
    if (options.headless) return run_headless(options, std::move(actions));
    return run_windows(argc, argv, options, std::move(actions), !options.script.empty());
}
