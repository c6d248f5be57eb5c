// Seeking in the real decoder, and the tags a desktop controller shows, read from files the
// test makes with the encoder's own tag writer.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <mutex>
#include <thread>

#include "helpers.h"
#include "manual_device.h"
#include "platform/media/mp3_tags.h"
#include "platform/media/sdl_player.h"
#include "platform/media/virtual_player.h"
#include "tools/tone_mp3.h"

namespace rv {
namespace {

// The player on a device the test plays by hand: every sample it hands over is kept.
class Seeking : public ::testing::Test {
  protected:
    void SetUp() override {
        player.EndOfStream = [this] { ++ends; };
        player.on_device_samples = [this](const std::int16_t* s, std::size_t n) {
            std::lock_guard<std::mutex> lock(heard_mutex);
            heard.insert(heard.end(), s, s + n);
        };
        // 1.5 s of silence, then a steady tone to the end at 3 s: where playing goes on is
        // heard in the samples.
        tools::ToneSpec spec;
        spec.seconds = 3.0;
        spec.silence_seconds = 1.5;
        ASSERT_TRUE(tools::write_tone_mp3(path, spec));
    }
    // The next samples the device is given (the decoder runs on its own thread), as their
    // mean loudness.
    double next_loudness(std::size_t count = 4410) {
        for (int i = 0; i < 2000; ++i) {
            std::size_t before;
            {
                std::lock_guard<std::mutex> lock(heard_mutex);
                before = heard.size();
            }
            test::pull(*device, count);
            std::lock_guard<std::mutex> lock(heard_mutex);
            if (heard.size() > before) {
                double sum = 0;
                for (std::size_t k = before; k < heard.size(); ++k) sum += std::abs(heard[k]);
                last_got = heard.size() - before;
                return sum / static_cast<double>(last_got);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return -1;
    }

    test::TempDir dir;
    std::string path = dir.file("quiet-then-tone.mp3");
    VirtualLoop loop;
    std::shared_ptr<test::ManualDevice::State> device =
        std::make_shared<test::ManualDevice::State>();
    media::SdlPlayer player{loop, std::make_unique<test::ManualDevice>(device)};
    int ends = 0;
    std::size_t last_got = 0;
    std::mutex heard_mutex;
    std::vector<std::int16_t> heard;
};

TEST_F(Seeking, WhatWasQueuedIsDroppedAndPlayingGoesOnFromThere) {
    EXPECT_FALSE(player.Seek(1.0));  // nothing open
    ASSERT_TRUE(player.Open(path));
    EXPECT_LT(next_loudness(), 50);  // the silent start
    struct Step {
        double to;
        bool tone;  // the tone, not the silence, is heard from there
    };
    for (const Step& s : {Step{2.0, true}, Step{0.25, false}, Step{1.75, true}}) {
        const int opens = device->opens;
        ASSERT_TRUE(player.Seek(s.to)) << s.to;
        // The device is opened again, which drops what it held unheard.
        EXPECT_EQ(device->opens, opens + 1) << s.to;
        EXPECT_EQ(player.PlayState(), media::kPlaying);
        EXPECT_NEAR(player.CurrentPosition(), s.to, 1e-6) << s.to;
        const double loud = next_loudness();
        if (s.tone)
            EXPECT_GT(loud, 1000) << s.to;
        else
            EXPECT_LT(loud, 50) << s.to;
        next_loudness();  // asking again: the first lot was heard
        EXPECT_NEAR(player.CurrentPosition(), s.to + 4410 / 88200.0, 1e-6) << s.to;
    }
    EXPECT_NEAR(player.Duration(), 3.0, 0.01);

    // Paused, it stays paused at the new place, and plays on from there.
    player.Pause();
    ASSERT_TRUE(player.Seek(2.5));
    EXPECT_EQ(player.PlayState(), media::kPaused);
    EXPECT_NEAR(player.CurrentPosition(), 2.5, 1e-6);
    EXPECT_TRUE(device->paused);
    player.Play();
    EXPECT_GT(next_loudness(), 1000);
    next_loudness();
    EXPECT_NEAR(player.CurrentPosition(), 2.5 + 4410 / 88200.0, 1e-6);

    // Past the end is the end: it is told once, after the last sample.
    ASSERT_TRUE(player.Seek(99));
    for (int i = 0; i < 2000 && ends == 0; ++i) {
        test::pull(*device, 4410);
        loop.pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(player.PlayState(), media::kStopped);
    EXPECT_FALSE(player.Seek(1.0));
}

// The file went away while it played: the seek is refused and playing goes on where it was.
TEST_F(Seeking, AFileThatCannotSeekPlaysOnWhereItWas) {
    ASSERT_TRUE(player.Open(path));
    next_loudness();
    const double at = player.CurrentPosition();
    const int opens = device->opens;
    std::filesystem::remove(path);
    EXPECT_FALSE(player.Seek(2.0));
    EXPECT_EQ(player.PlayState(), media::kPlaying);
    EXPECT_EQ(device->opens, opens) << "what was queued is kept";
    EXPECT_NEAR(player.CurrentPosition(), at, 1e-6);
    EXPECT_GE(next_loudness(), 0);
    EXPECT_GT(player.CurrentPosition(), at);
}

TEST(SilentSeeking, TheHeadlessPlayerSeeksOnItsClock) {
    VirtualLoop loop;
    media::VirtualPlayer player(loop, [](const std::string&) { return 10.0; });
    int ends = 0;
    player.EndOfStream = [&] { ++ends; };
    EXPECT_FALSE(player.Seek(2));
    ASSERT_TRUE(player.Open("ten.mp3"));
    loop.wait_until(loop.now() + 1.0);
    ASSERT_TRUE(player.Seek(8.0));
    EXPECT_DOUBLE_EQ(player.CurrentPosition(), 8.0);
    player.Pause();
    ASSERT_TRUE(player.Seek(-3));
    EXPECT_DOUBLE_EQ(player.CurrentPosition(), 0.0);
    EXPECT_EQ(player.PlayState(), media::kPaused);
    ASSERT_TRUE(player.Seek(9.0));
    player.Play();
    loop.wait_until(loop.now() + 0.9);
    EXPECT_EQ(ends, 0);
    loop.wait_until(loop.now() + 0.2);
    EXPECT_EQ(ends, 1);
}

TEST(Tags, ComeFromEitherKindOfTagTheSecondFillingWhatTheFirstLeavesOut) {
    test::TempDir dir;
    using Tags = tools::ToneSpec::Tags;
    const std::string cover = tools::demo_cover_png();
    struct Case {
        const char* what;
        Tags tags;
        media::Mp3Tags want;
    };
    auto tags = [](std::string title, std::string artist, std::string album, std::string track,
                   std::string picture, bool v1, bool v2) {
        Tags t;
        t.title = std::move(title);
        t.artist = std::move(artist);
        t.album = std::move(album);
        t.track = std::move(track);
        t.picture = std::move(picture);
        t.v1 = v1;
        t.v2 = v2;
        return t;
    };
    auto want = [](std::string title, std::string artist, std::string album, int track,
                   std::string picture, bool has_tag) {
        media::Mp3Tags t;
        t.title = std::move(title);
        t.artist = std::move(artist);
        t.album = std::move(album);
        t.track_number = track;
        t.picture = std::move(picture);
        t.picture_type = t.picture.empty() ? "" : "image/png";
        t.has_tag = has_tag;
        return t;
    };
    const std::string long_title = "A Title Far Longer Than Thirty Bytes Of The Old Tag";
    // The encoder takes its words in Latin-1, as the old tag holds them.
    const Case cases[] = {
        {"both", tags("Blue \xE9t\xE9", "Vosk", "Arps", "3/12", cover, true, true),
         want("Blue \xC3\xA9t\xC3\xA9", "Vosk", "Arps", 3, cover, true)},
        {"ID3v2 only", tags(long_title, "Band", "", "7", "", false, true),
         want(long_title, "Band", "", 7, "", true)},
        // Latin-1 in the old tag comes back as UTF-8; its title is cut to 30 bytes.
        {"ID3v1 only", tags(long_title, "Caf\xE9", "Old", "9", "", true, false),
         want(long_title.substr(0, 30), "Caf\xC3\xA9", "Old", 9, "", true)},
        {"no tag", Tags{}, want("", "", "", 0, "", false)},
    };
    for (const auto& c : cases) {
        tools::ToneSpec spec;
        spec.seconds = 0.5;
        spec.tags = c.tags;
        const std::string path = dir.file(std::string(c.what) + ".mp3");
        ASSERT_TRUE(tools::write_tone_mp3(path, spec)) << c.what;
        const media::Mp3Tags got = media::read_mp3_tags(path);
        EXPECT_EQ(got.title, c.want.title) << c.what;
        EXPECT_EQ(got.artist, c.want.artist) << c.what;
        EXPECT_EQ(got.album, c.want.album) << c.what;
        EXPECT_EQ(got.track_number, c.want.track_number) << c.what;
        EXPECT_EQ(got.picture, c.want.picture) << c.what;
        EXPECT_EQ(got.picture_type, c.want.picture_type) << c.what;
        EXPECT_EQ(got.has_tag, c.want.has_tag) << c.what;
    }
    // What is no MP3 at all has no tags, and says nothing.
    const std::string text = dir.file("text.mp3");
    std::ofstream(text) << "TAG not really";
    EXPECT_FALSE(media::read_mp3_tags(text).has_tag);
    EXPECT_FALSE(media::read_mp3_tags(dir.file("missing.mp3")).has_tag);
}

// An ID3v2.3 tag made by hand: a title and a picture of `picture_bytes`, before a short tone;
// `claimed` overrides the size the header gives (0: the real one).
std::string tagged_tone(std::size_t picture_bytes, std::uint32_t claimed = 0) {
    auto frame = [](const char* id, const std::string& body) {
        const auto n = static_cast<std::uint32_t>(body.size());
        std::string f(id, 4);
        for (int shift : {24, 16, 8, 0}) f += static_cast<char>((n >> shift) & 0xFF);
        return f + std::string(2, '\0') + body;
    };
    const std::string frames =
        frame("TIT2", std::string("\0Walk", 5)) +
        frame("APIC", std::string("\0image/png\0\x03\0", 13) + std::string(picture_bytes, 'p'));
    const std::uint32_t size = claimed ? claimed : static_cast<std::uint32_t>(frames.size());
    std::string tag = std::string("ID3\x03\x00\x00", 6);
    for (int shift : {21, 14, 7, 0}) tag += static_cast<char>((size >> shift) & 0x7F);
    test::TempDir dir;
    tools::ToneSpec spec;
    spec.seconds = 0.5;
    const std::string plain = dir.file("plain.mp3");
    if (!tools::write_tone_mp3(plain, spec)) return {};
    return tag + frames + test::slurp_file(plain);
}

// Tags too large for a cover are read without their pictures, and larger ones not at all.
TEST(Tags, ALargeTagIsReadWithoutItsPicturesAndAHugeOneNotAtAll) {
    test::TempDir dir;
    const struct {
        const char* what;
        std::size_t picture;
        std::uint32_t claimed;
        const char* title;
        std::size_t picture_kept;
    } cases[] = {
        {"a cover", 1000, 0, "Walk", 1000},
        {"a picture past 16 MB", 17u << 20, 0, "Walk", 0},
        {"a header claiming 200 MB", 1000, 200u << 20, "", 0},
    };
    for (const auto& c : cases) {
        const std::string path = dir.file(std::string(c.what) + ".mp3");
        const std::string bytes = tagged_tone(c.picture, c.claimed);
        ASSERT_FALSE(bytes.empty());
        std::ofstream(path, std::ios::binary) << bytes;
        const media::Mp3Tags got = media::read_mp3_tags(path);
        EXPECT_EQ(got.title, c.title) << c.what;
        EXPECT_EQ(got.picture.size(), c.picture_kept) << c.what;
    }
}

TEST(Tags, OldTagFieldsAreTrimmedLatin1) {
    const struct {
        const char* field;
        std::size_t width;
        const char* want;
    } cases[] = {
        {"abc   ", 6, "abc"},
        {"abc\0\0\0", 6, "abc"},
        {"\xE9t\xE9 ", 4, "\xC3\xA9t\xC3\xA9"},
        {"full width", 10, "full width"},
        {"", 0, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(media::latin1_field(c.field, c.width), c.want);
}

}  // namespace
}  // namespace rv
