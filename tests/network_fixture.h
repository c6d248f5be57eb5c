#pragma once
// The whole program's client on a network whose server the test plays, on virtual time.
#include <gtest/gtest.h>

#include <string>

#include "standin/chat_network.h"
#include "tests/helpers.h"
#include "tests/irc_fakes.h"

namespace rv::test {

struct ClientOnNetwork : ::testing::Test {
    // Connects to irc.test for #music.
    void connect() {
        standin::net::Endpoint e;
        e.host = "irc.test";
        e.channel = "#music";
        network.start(e, "");
        transport.accept();
    }
    // The server signs the client on as `nick` and joins it to #music, with `others` there
    // as the server lists them ("@bob" for an operator).
    void welcome(const std::string& nick, const std::string& others) {
        transport.say(":srv 001 " + nick + " :hi\r\n:" + nick + "!u@h JOIN #music\r\n:srv 353 " +
                      nick + " = #music :" + nick + " " + others + "\r\n:srv 366 " + nick +
                      " #music :End\r\n");
    }

    World w{"DJ"};
    FakeTransport transport;
    standin::ChatNetwork network{w.program->client, w.loop, transport};
};

}  // namespace rv::test
