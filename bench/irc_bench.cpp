// A channel line to Ravelin's ChatMessage handler, over a real IRC server on 127.0.0.1:
// median and worst of 1000 lines, each sent by another client after the last arrived.
#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "app/program.h"
#include "platform/media/virtual_player.h"
#include "platform/qt/qt_loop.h"
#include "standin/chat_network.h"
#include "standin/view/irc_socket.h"
#include "tests/helpers.h"
#include "tests/irc/irc_harness.h"

namespace {

double seconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

int fail(const char* what) {
    std::fprintf(stderr, "irc_bench: %s\n", what);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (!rv::test::Ngircd::installed()) return fail("ngircd is not installed");
    rv::test::TempDir dir;
    rv::test::Ngircd server(dir.path());
    rv::test::Peer bob;
    if (!server.start() || !bob.connect(server.port()) || !bob.sign_on("bob") ||
        !bob.join("#music"))
        return fail("the server did not come up");
    rv::qt::QtLoop loop;
    rv::media::VirtualPlayer media(loop);
    rv::app::Options options;
    options.home = dir.path();
    options.screen_name = "DJ";
    options.chat = server.url("#music");
    rv::app::Program program(loop, media, options);
    program.env.set_input_box([](const std::string&, const std::string&, const std::string&) {
        return std::string("DJ");
    });
    rv::standin::view::IrcSocket socket;
    rv::standin::ChatNetwork network(program.client, loop, socket);
    rv::standin::net::Endpoint endpoint;
    std::string error;
    rv::standin::net::parse_chat_url(options.chat, endpoint, error);
    network.start(endpoint, "");
    if (!rv::test::wait_until([&] { return network.link().joined("#music"); }, 20))
        return fail("no sign-on");
    program.start();
    double sent_at = 0;
    bool arrived = false;
    std::vector<double> latencies;
    auto inner = program.form1.Chat1.ChatMessage;
    program.form1.Chat1.ChatMessage = [&](const std::string& name, const std::string& text) {
        if (name == "bob" && text.rfind("bench ", 0) == 0) {
            latencies.push_back(seconds() - sent_at);
            arrived = true;
        }
        if (inner) inner(name, text);
    };
    for (int i = 0; i < 1000; ++i) {
        arrived = false;
        sent_at = seconds();
        bob.say("#music", "bench " + std::to_string(i));
        if (!rv::test::wait_until(
                [&] {
                    bob.poll();
                    return arrived;
                },
                10))
            return fail("a line was lost");
    }
    std::sort(latencies.begin(), latencies.end());
    std::printf("channel line -> ChatMessage over %zu lines: median %.1f ms, worst %.1f ms\n",
                latencies.size(), latencies[latencies.size() / 2] * 1000, latencies.back() * 1000);
    return 0;
}
