#pragma once
// A link on virtual time with the server played by the test, for the link's suites.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/loop/virtual_loop.h"
#include "standin/net/irc_link.h"
#include "tests/irc_fakes.h"

namespace rv::standin::net {

using test::FakeTransport;
using test::RecordingSink;
using Line = RecordingSink::Line;
using Strings = std::vector<std::string>;

struct LinkTest : ::testing::Test {
    explicit LinkTest(LinkSettings s = {}) : settings(s) {}
    void SetUp() override {
        link = std::make_unique<IrcLink>(loop, transport, sink, settings);
        link->log = [this](const std::string& l) { logged.push_back(l); };
    }
    // A fresh link and a fresh record, for a table's next row.
    void reset() {
        link.reset();
        sink.chat.clear();
        sink.system.clear();
        sink.opened.clear();
        sink.people.clear();
        sink.nicks.clear();
        logged.clear();
        transport.lines();
        SetUp();
    }
    Endpoint music() {
        Endpoint e;
        e.host = "irc.test";
        e.channel = "#music";
        return e;
    }
    // Connects and signs on as `nick`, joined to #music with bob in it.
    void sign_on(const std::string& nick = "DJ") {
        link->start(music(), nick, "");
        transport.accept();
        transport.say(":srv 001 " + nick + " :Welcome\r\n");
        transport.say(":" + nick + "!u@h JOIN #music\r\n");
        transport.say(":srv 353 " + nick + " = #music :@" + nick + " +bob\r\n:srv 366 " + nick +
                      " #music :End of NAMES\r\n");
        transport.lines();
    }
    Strings privmsgs() {
        Strings out;
        for (auto& l : transport.lines())
            if (l.rfind("PRIVMSG", 0) == 0) out.push_back(l);
        return out;
    }

    LinkSettings settings;
    VirtualLoop loop;
    FakeTransport transport;
    RecordingSink sink;
    std::unique_ptr<IrcLink> link;
    Strings logged;
};

}  // namespace rv::standin::net
