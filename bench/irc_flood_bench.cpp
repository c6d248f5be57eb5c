// Memory under a flood: a server on 127.0.0.1 (played here, over a real socket) sends the
// program's channel 200 000 lines, one in ten of them to the user alone, while the client's
// window shows them (offscreen). Resident memory is printed after sign-on and at every
// 25 000 lines: it must level off once the room and the conversation hold their last lines.
#include <QApplication>
#include <QTcpServer>
#include <QTcpSocket>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "app/program.h"
#include "platform/media/virtual_player.h"
#include "platform/qt/qt_loop.h"
#include "standin/chat_network.h"
#include "standin/view/client_view.h"
#include "standin/view/irc_socket.h"
#include "tests/helpers.h"
#include "tests/irc/irc_harness.h"

namespace {

constexpr int kLines = 200000;
constexpr int kReportEvery = 25000;

long rss_kb() {
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> value;
            return value;
        }
        status.ignore(1 << 10, '\n');
    }
    return -1;
}

std::string flood_line(int i) {
    return ":bob!u@h PRIVMSG " + std::string(i % 10 ? "#music" : "DJ") + " :line " +
           std::to_string(i) + " of the flood, with some words to make it a line\r\n";
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0)) {
        std::fprintf(stderr, "irc_flood_bench: cannot listen\n");
        return 1;
    }
    QTcpSocket* peer = nullptr;
    int next = 0;
    // Fed as the socket drains, so that the flood waits in no buffer of ours.
    auto feed = [&] {
        std::string chunk;
        while (next < kLines && chunk.size() < 32 * 1024) chunk += flood_line(next++);
        if (!chunk.empty()) peer->write(chunk.data(), static_cast<qint64>(chunk.size()));
    };
    QObject::connect(&server, &QTcpServer::newConnection, [&] {
        peer = server.nextPendingConnection();
        QObject::connect(peer, &QTcpSocket::readyRead, [&] {
            const QByteArray got = peer->readAll();
            if (got.contains("USER ") && next == 0) {
                peer->write(
                    ":srv 001 DJ :hi\r\n:DJ!u@h JOIN #music\r\n"
                    ":srv 353 DJ = #music :DJ bob\r\n:srv 366 DJ #music :End\r\n");
            }
        });
        QObject::connect(peer, &QTcpSocket::bytesWritten, [&] {
            if (next > 0 && peer->bytesToWrite() == 0) feed();
        });
    });

    rv::test::TempDir dir;
    rv::qt::QtLoop loop;
    rv::media::VirtualPlayer media(loop);
    rv::app::Options options;
    options.home = dir.path();
    options.screen_name = "DJ";
    rv::app::Program program(loop, media, options);
    program.env.set_input_box(
        [](const std::string&, const std::string&, const std::string&) { return "DJ"; });
    rv::standin::view::IrcSocket socket;
    rv::standin::ChatNetwork network(program.client, loop, socket);
    rv::standin::net::Endpoint endpoint;
    endpoint.host = "127.0.0.1";
    endpoint.port = server.serverPort();
    endpoint.channel = "#music";
    network.start(endpoint, "");
    rv::standin::ClientView view(program.client, 0, 0);
    program.start();
    if (!rv::test::wait_until([&] { return network.link().joined("#music"); }, 20)) {
        std::fprintf(stderr, "irc_flood_bench: no sign-on\n");
        return 1;
    }
    rv::test::wait_until([] { return false; }, 1);  // the program's first lines and drawing
    const long start_kb = rss_kb();
    long half_kb = 0;
    std::printf("lines    RSS MB   room lines   conversation lines\n");
    std::printf("%6d %8.1f\n", 0, start_kb / 1024.0);
    auto received = [&] {
        const auto* room = program.client.room_named("#music");
        return room ? room->dropped() + room->lines().size() : 0;
    };
    const std::size_t base = received();
    feed();
    for (int mark = kReportEvery; mark <= kLines; mark += kReportEvery) {
        const std::size_t want = base + static_cast<std::size_t>(mark - mark / 10);
        if (!rv::test::wait_until([&] { return received() >= want; }, 120)) {
            std::fprintf(stderr, "irc_flood_bench: the flood stalled at %zu lines\n",
                         received() - base);
            return 1;
        }
        rv::test::wait_until([] { return false; }, 0.1);  // let the view draw
        std::size_t im_lines = 0;
        for (const auto& w : program.client.windows())
            if (auto* im = dynamic_cast<rv::standin::ImWindow*>(w.get()))
                im_lines = im->lines().size();
        if (mark == kLines / 2) half_kb = rss_kb();
        std::printf("%6d %8.1f %12zu %20zu\n", mark, rss_kb() / 1024.0,
                    program.client.room_named("#music")->lines().size(), im_lines);
        std::fflush(stdout);
    }
    // Past the first half the windows hold their last lines only: what is still added is
    // what is kept for each line.
    std::printf(
        "growth over the last %d lines: %.1f MB (%.0f bytes a line); from sign-on: %.1f MB\n",
        kLines / 2, (rss_kb() - half_kb) / 1024.0, (rss_kb() - half_kb) * 1024.0 / (kLines / 2),
        (rss_kb() - start_kb) / 1024.0);
    return 0;
}
