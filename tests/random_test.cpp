#include "aol/random.h"

#include <gtest/gtest.h>

#include <set>

#include "helpers.h"

namespace rv {
namespace {

TEST(Random, BeforeAnyReseedTheSequenceIsTheSameInEveryRun) {
    aol::Random a, b;
    // Pinned: a sequence that depended on the time or the run would not give these.
    const float first[] = {a.next_single(), a.next_single(), a.next_single()};
    EXPECT_FLOAT_EQ(first[0], 0.7055475f);
    EXPECT_FLOAT_EQ(first[1], 0.533424f);
    EXPECT_FLOAT_EQ(first[2], 0.5795186f);
    for (float f : first) EXPECT_EQ(f, b.next_single());
}

TEST(Random, SingleValuesStayInTheHalfOpenUnitRange) {
    aol::Random r(12345);
    std::set<float> distinct;
    for (int i = 0; i < 100000; ++i) {
        const float v = r.next_single();
        ASSERT_GE(v, 0.0f);
        ASSERT_LT(v, 1.0f);
        distinct.insert(v);
    }
    EXPECT_GT(distinct.size(), 99000u);  // no short cycle
}

TEST(Random, BelowStaysInRangeAndReachesEveryValue) {
    aol::Random r(7);
    EXPECT_EQ(r.below(0), 0);
    EXPECT_EQ(r.below(-3), 0);
    EXPECT_EQ(r.below(1), 0);
    std::vector<int> seen(7, 0);
    for (int i = 0; i < 2000; ++i) {
        const int v = aol::RandomBelow(r, 7);
        ASSERT_GE(v, 0);
        ASSERT_LT(v, 7);
        ++seen[static_cast<std::size_t>(v)];
    }
    for (int count : seen) EXPECT_GT(count, 150);  // about 285 each
}

TEST(Random, AReseedFromAFixedClockRepeatsAndAnotherTimeDiffers) {
    auto picks = [](double at) {
        aol::Random r;
        r.set_clock([at] { return at; });
        std::vector<int> out;
        for (int i = 0; i < 5; ++i) out.push_back(aol::RandomBelow(r, 1000));
        return out;
    };
    EXPECT_EQ(picks(43200.25), picks(43200.25));
    EXPECT_NE(picks(43200.25), picks(61.5));
}

TEST(Random, ThePlayersRandomChoiceDrawsFromTheProgramsGenerator) {
    test::World w;
    const std::vector<std::string> names = {"a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.mp3",
                                            "f.mp3", "g.mp3", "h.mp3", "i.mp3", "j.mp3"};
    w.store_folder(w.music(names));
    w.start();
    aol::Random twin;
    for (aol::Random* r : {&w.program->random, &twin}) {
        r->reseed(99);
        r->set_clock([] { return 3600.0; });
    }
    for (int i = 0; i < 5; ++i) {
        w.form1().Label1_Click();
        EXPECT_EQ(w.form1().File1->list_index(), aol::RandomBelow(twin, 10));
    }
    // What the choice left behind is what the next draw sees.
    EXPECT_EQ(w.program->random.next_single(), twin.next_single());
}

}  // namespace
}  // namespace rv
