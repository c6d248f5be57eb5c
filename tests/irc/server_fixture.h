#pragma once
// A real server of each kind a suite is run for, listening on 127.0.0.1, with bob, a client
// of the test's own, signed on and in #music.
#include <gtest/gtest.h>

#include <memory>

#include "tests/helpers.h"
#include "tests/irc/irc_harness.h"

namespace rv::test {

struct ServerWithBob : ::testing::TestWithParam<ServerKind> {
    // Skipped where the server is not installed. A derived SetUp goes on only when `ready()`.
    void SetUp() override {
        if (!installed(GetParam()))
            GTEST_SKIP() << server_name(GetParam())
                         << " is not installed (scripts/setup-deps test)";
        server = make_server(GetParam(), server_dir.path());
        ASSERT_TRUE(server->start());
        ASSERT_TRUE(bob.connect(server->port()));
        ASSERT_TRUE(bob.sign_on("bob"));
        ASSERT_TRUE(bob.join("#music"));
    }
    static bool ready() { return !IsSkipped() && !HasFatalFailure(); }

    TempDir server_dir;
    std::unique_ptr<IrcServer> server;
    Peer bob;
};

}  // namespace rv::test
