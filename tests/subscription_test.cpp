// Subscriptions end with their subscriber, whichever goes first: each subscriber of the
// program is destroyed before its source, and the source goes on (AddressSanitizer watches).
#include "platform/loop/subscription.h"

#include <gtest/gtest.h>

#include <sstream>

#include "app/script.h"
#include "standin/chat_network.h"
#include "tests/helpers.h"
#include "tests/irc_fakes.h"

namespace rv {
namespace {

TEST(Signal, SubscribersComeAndGoEvenWhileItCalls) {
    Signal<int> signal;
    std::vector<std::string> calls;
    Subscription a, b, c;
    a = signal.subscribe([&](int n) {
        calls.push_back("a" + std::to_string(n));
        b.reset();  // ends a later subscriber: it is not called
        c = signal.subscribe([&](int m) { calls.push_back("c" + std::to_string(m)); });
    });
    b = signal.subscribe([&](int n) { calls.push_back("b" + std::to_string(n)); });
    signal(1);
    EXPECT_EQ(calls, (std::vector<std::string>{"a1"}));  // c waits for the next call
    a.reset();
    signal(2);
    EXPECT_EQ(calls, (std::vector<std::string>{"a1", "c2"}));
    EXPECT_EQ(signal.size(), 1u);
    {
        Subscription moved = std::move(c);
        EXPECT_FALSE(c.active());
    }
    EXPECT_EQ(signal.size(), 0u);
    // A subscription that outlives its source ends quietly.
    auto source = std::make_unique<Signal<>>();
    Subscription late = source->subscribe([] {});
    source.reset();
    late.reset();
    AliveToken::Watch watch = [] {
        AliveToken token;
        EXPECT_TRUE(token.watch().alive());
        return token.watch();
    }();
    EXPECT_FALSE(watch.alive());
}

TEST(Subscribers, EachCanGoBeforeItsSource) {
    test::World w("DJ");
    w.start("Bob");
    auto say = [&] { w.program->client.say_as(*w.program->client.top_room(), "Ann", "hi"); };
    const std::size_t before = w.program->client.on_line.size();
    {
        test::FakeTransport transport;
        standin::ChatNetwork network(w.program->client, w.loop, transport);
        std::ostringstream out, err;
        app::ScriptRunner runner(*w.program, {}, out, err, app::Transcript::Html);
        EXPECT_EQ(w.program->client.on_line.size(), before + 2);
        say();
        EXPECT_NE(out.str().find("ROOM Ann: hi"), std::string::npos);
    }
    EXPECT_EQ(w.program->client.on_line.size(), before);
    say();
    w.loop.advance(1);

    // A view's form destroyed first: the environment says so, and changes stop reaching it.
    forms::Environment& env = w.program->env;
    std::vector<std::string> gone;
    Subscription watching =
        env.form_gone.subscribe([&](forms::Form& f) { gone.push_back(f.name()); });
    int changes = 0;
    Subscription observing =
        env.add_observer([&](forms::Form&, forms::Control*, bool) { ++changes; });
    struct Scratch : forms::Form {
        using Form::Form;
        void build() override { set_caption("scratch"); }
    };
    {
        Scratch scratch(env, "Scratch");
        scratch.Show();
    }
    EXPECT_EQ(gone, std::vector<std::string>{"Scratch"});
    EXPECT_GT(changes, 0);
    observing.reset();
    changes = 0;
    w.form1().Label3->set_caption("x");
    EXPECT_EQ(changes, 0);
}

}  // namespace
}  // namespace rv
