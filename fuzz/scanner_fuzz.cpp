// The chat scanner over a room where anyone says anything: every line is reported once, in
// order, under the name the room recorded it with, with the text the transcript shows.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "check.h"
#include "platform/chatscan/chat_scanner.h"
#include "platform/loop/virtual_loop.h"
#include "standin/chat_html.h"
#include "standin/client.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    rv::winapi::Desktop desktop;
    rv::VirtualLoop loop;
    rv::standin::Client client(desktop, loop, "Me");
    rv::standin::Room& room = client.open_room("Lobby");
    rv::chatscan::ChatScanner scanner(desktop, loop);
    std::vector<std::pair<std::string, std::string>> recorded, reported;
    auto seen =
        client.on_line.subscribe([&](const rv::standin::Room&, const rv::standin::ChatLine& line) {
            recorded.emplace_back(line.screen_name, rv::standin::html_to_plain(line.html));
        });
    scanner.ChatMessage = [&](const std::string& name, const std::string& text) {
        reported.emplace_back(name, text);
    };
    scanner.ScanOn();
    scanner.poll();  // the room as it stands is old news
    loop.pump();     // each new line is raised as an event of its own

    // Records split at 0x01; the first byte picks who speaks; a 0 byte ends a chatter's name.
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0, unpolled = 0;
    while (start < input.size()) {
        // The scanner looks 20 times a second; a window lets its oldest lines go only after
        // thousands more, so every line said is still there when it looks.
        if (++unpolled == rv::standin::Room::kDropLines) {
            unpolled = 0;
            scanner.poll();
            loop.pump();
        }
        std::size_t end = input.find('\x01', start);
        if (end == std::string::npos) end = input.size();
        const std::string record = input.substr(start, end - start);
        start = end + 1;
        if (record.empty()) continue;
        const std::string body = record.substr(1);
        switch (record[0] % 3) {
            case 0:
                client.user_send(room, body);
                break;
            case 1: {
                const std::size_t zero = body.find('\0');
                client.say_as(room, body.substr(0, zero),
                              zero == std::string::npos ? "" : body.substr(zero + 1));
                break;
            }
            default:
                unpolled = 0;
                scanner.poll();
                loop.pump();  // each new line is raised as an event of its own
        }
    }
    scanner.poll();
    loop.pump();  // each new line is raised as an event of its own
    if (room.dropped() == 0) {
        FUZZ_CHECK(reported == recorded);
    } else {
        // Past the window's first drop, alike lines may make one go unreported; never one
        // reported that was not said, nor out of order.
        std::size_t at = 0;
        for (const auto& r : reported) {
            while (at < recorded.size() && recorded[at] != r) ++at;
            FUZZ_CHECK(at < recorded.size());
            ++at;
        }
    }
    FUZZ_CHECK(scanner.UserScreenName() == "Me");
    return 0;
}
