// Ravelin: wires the real backends together and starts the main window.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

#include "app/options.h"
#include "app/program.h"
#include "app/script.h"
#include "platform/loop/virtual_loop.h"
#include "platform/media/sdl_player.h"
#include "platform/media/virtual_player.h"
#include "platform/qt/qt_front.h"
#include "standin/chat_network.h"
#include "standin/view/irc_socket.h"

namespace {

[[noreturn]] void end_at_once() {
    // The program ends where it stands: no window's closing code, nothing saved.
    std::cout.flush();
    std::fflush(nullptr);
    std::_Exit(0);
}

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
        std::cerr << path << ": " << error << "\n";
        return false;
    }
    return true;
}

int run_headless(const rv::app::Options& options, std::vector<rv::app::ScriptAction> actions) {
    rv::VirtualLoop loop;
    rv::media::VirtualPlayer media(loop);
    rv::app::Program program(loop, media, options);
    program.services.end_program = end_at_once;
    rv::app::ScriptRunner runner(program, std::move(actions), std::cout, std::cerr);
    program.env.set_input_box([&runner](const std::string&, const std::string&,
                                        const std::string&) { return runner.next_answer(); });
    program.start();
    while (!runner.done()) runner.step();
    std::cout.flush();
    return 0;
}

int run_windows(int argc, char** argv, const rv::app::Options& options,
                std::vector<rv::app::ScriptAction> actions, bool scripted) {
    rv::qt::QtFront front(argc, argv);
    rv::media::SdlPlayer media(front.loop());
    rv::app::Program program(front.loop(), media, options);
    program.services.end_program = end_at_once;
    program.env.set_screen_size_twips(front.screen_width_twips(), front.screen_height_twips());
    front.show_forms(program.env);
    // The client's link to a chat network; it signs on only when asked (--chat or its form).
    rv::standin::view::IrcSocket socket;
    rv::standin::ChatNetwork network(program.client, front.loop(), socket);
    if (!options.chat.empty()) {
        rv::standin::net::Endpoint endpoint;
        std::string error;
        rv::standin::net::parse_chat_url(options.chat, endpoint, error);  // checked already
        endpoint.insecure = options.chat_insecure;
        const char* password = std::getenv(rv::app::kChatPasswordVariable);
        network.start(endpoint, password ? password : "");
    }
    // Beside the main window, which opens at (3255, 2355) twips.
    front.show_client(program.client, 520, 157);
    std::unique_ptr<rv::app::ScriptRunner> runner;
    if (scripted) {
        runner = std::make_unique<rv::app::ScriptRunner>(program, std::move(actions), std::cout,
                                                         std::cerr);
        program.env.set_input_box([&runner](const std::string&, const std::string&,
                                            const std::string&) { return runner->next_answer(); });
    } else {
        program.env.set_input_box(front.input_box());
    }
    front.at_start([&] {
        program.start();
        if (runner) {
            while (!runner->done()) runner->step();
            front.quit();
        }
    });
    return front.exec();
}

}  // namespace

int main(int argc, char** argv) {
    rv::app::Options options;
    std::string error;
    if (!rv::app::parse_options(argc, argv, options, error)) {
        std::cerr << "ravelin: " << error << "\n" << rv::app::usage();
        return 2;
    }
    if (options.help) {
        std::cout << rv::app::usage();
        return 0;
    }
    std::vector<rv::app::ScriptAction> actions;
    if (!options.script.empty() && !load_script(options.script, actions)) return 2;
    if (options.headless) return run_headless(options, std::move(actions));
    return run_windows(argc, argv, options, std::move(actions), !options.script.empty());
}
