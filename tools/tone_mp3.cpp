#include "tools/tone_mp3.h"

#include <lame/lame.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>

namespace rv::tools {

namespace {
void put_syncsafe(std::vector<unsigned char>& out, std::uint32_t v) {
    out.push_back(static_cast<unsigned char>((v >> 21) & 0x7F));
    out.push_back(static_cast<unsigned char>((v >> 14) & 0x7F));
    out.push_back(static_cast<unsigned char>((v >> 7) & 0x7F));
    out.push_back(static_cast<unsigned char>(v & 0x7F));
}
}  // namespace

std::string demo_cover_png() {
    // 8 x 8 pixels of the player's blue.
    static const char png[] =
        "\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\x00\x08"
        "\x00\x00\x00\x08\x08\x02\x00\x00\x00\x4b\x6d\x29\xdc\x00\x00\x00\x11\x49\x44\x41"
        "\x54\x78\xda\x63\x30\x4e\xfb\x8f\x15\x31\x0c\x2d\x09\x00\xa8\x11\x66\x01\x0a\x63"
        "\x3b\x08\x00\x00\x00\x00\x49\x45\x4e\x44\xae\x42\x60\x82";
    return std::string(png, sizeof png - 1);
}

bool write_tone_mp3(const std::string& path, const ToneSpec& spec) {
    std::unique_ptr<lame_global_flags, int (*)(lame_global_flags*)> lame(lame_init(), lame_close);
    if (!lame) return false;
    lame_set_in_samplerate(lame.get(), spec.sample_rate);
    lame_set_num_channels(lame.get(), spec.channels);
    lame_set_quality(lame.get(), 5);
    if (spec.vbr) {
        lame_set_VBR(lame.get(), vbr_default);
        lame_set_VBR_quality(lame.get(), 4);
    } else {
        lame_set_brate(lame.get(), 128);
    }
    lame_set_bWriteVbrTag(lame.get(), spec.info_header ? 1 : 0);
    const ToneSpec::Tags& tags = spec.tags;
    if (tags.any()) {
        // Written here, not by the encoder, so the info frame's place is known.
        lame_set_write_id3tag_automatic(lame.get(), 0);
        id3tag_init(lame.get());
        if (!tags.v1) id3tag_v2_only(lame.get());
        if (!tags.v2) id3tag_v1_only(lame.get());
        if (tags.v2) id3tag_add_v2(lame.get());
        if (!tags.title.empty()) id3tag_set_title(lame.get(), tags.title.c_str());
        if (!tags.artist.empty()) id3tag_set_artist(lame.get(), tags.artist.c_str());
        if (!tags.album.empty()) id3tag_set_album(lame.get(), tags.album.c_str());
        if (!tags.track.empty()) id3tag_set_track(lame.get(), tags.track.c_str());
        if (!tags.picture.empty() &&
            id3tag_set_albumart(lame.get(), tags.picture.data(), tags.picture.size()) != 0)
            return false;
    }
    if (lame_init_params(lame.get()) < 0) return false;

    std::FILE* f = std::fopen(path.c_str(), "w+b");
    if (!f) return false;
    if (spec.id3_padding > 0) {
        std::vector<unsigned char> tag = {'I', 'D', '3', 3, 0, 0};
        put_syncsafe(tag, static_cast<std::uint32_t>(spec.id3_padding));
        tag.resize(tag.size() + static_cast<std::size_t>(spec.id3_padding), 0);
        std::fwrite(tag.data(), 1, tag.size(), f);
    }
    std::vector<unsigned char> v2(tags.any() && tags.v2 ? 1 << 20 : 0);
    if (!v2.empty()) {
        v2.resize(lame_get_id3v2_tag(lame.get(), v2.data(), v2.size()));
        std::fwrite(v2.data(), 1, v2.size(), f);
    }
    const long total = std::lround(spec.seconds * spec.sample_rate);
    const long per_note = std::max(1L, std::lround(spec.note_seconds * spec.sample_rate));
    const int chunk = 4096;
    std::vector<short> left(chunk), right(chunk);
    std::vector<unsigned char> mp3(static_cast<std::size_t>(1.25 * chunk + 7200));
    const double two_pi = 2.0 * M_PI;
    bool ok = true;
    for (long done = 0; done < total && ok;) {
        int n = static_cast<int>(std::min<long>(chunk, total - done));
        for (int i = 0; i < n; ++i) {
            long s = done + i;
            std::size_t idx = spec.notes.size() == 1
                                  ? 0
                                  : static_cast<std::size_t>(s / per_note) % spec.notes.size();
            double freq = spec.notes[idx];
            const double t = static_cast<double>(s) / spec.sample_rate;
            double t_in_note =
                spec.notes.size() == 1 ? 1.0 : static_cast<double>(s % per_note) / spec.sample_rate;
            double env = spec.notes.size() == 1
                             ? 1.0
                             : std::min(1.0, t_in_note / 0.01) *
                                   std::exp(-2.5 * t_in_note / spec.note_seconds);
            if (t < spec.silence_seconds) env = 0;
            double v = spec.amplitude * env *
                       (0.8 * std::sin(two_pi * freq * t) + 0.2 * std::sin(two_pi * 2 * freq * t));
            left[static_cast<std::size_t>(i)] = static_cast<short>(std::lround(v * 32767.0));
            right[static_cast<std::size_t>(i)] = left[static_cast<std::size_t>(i)];
        }
        int bytes = lame_encode_buffer(lame.get(), left.data(), right.data(), n, mp3.data(),
                                       static_cast<int>(mp3.size()));
        if (bytes < 0)
            ok = false;
        else
            std::fwrite(mp3.data(), 1, static_cast<std::size_t>(bytes), f);
        done += n;
    }
    int bytes = lame_encode_flush(lame.get(), mp3.data(), static_cast<int>(mp3.size()));
    if (bytes > 0) std::fwrite(mp3.data(), 1, static_cast<std::size_t>(bytes), f);
    if (tags.any() && tags.v1) {
        unsigned char v1[128];
        if (lame_get_id3v1_tag(lame.get(), v1, sizeof v1) == sizeof v1)
            std::fwrite(v1, 1, sizeof v1, f);
    }
    if (ok && spec.info_header) {
        // The info frame is filled in once the stream is complete; it sits right after the
        // ID3 tag, if there is one.
        std::vector<unsigned char> frame(2880);
        std::size_t n = lame_get_lametag_frame(lame.get(), frame.data(), frame.size());
        long at =
            (spec.id3_padding > 0 ? 10L + spec.id3_padding : 0L) + static_cast<long>(v2.size());
        if (n > 0 && n <= frame.size() && std::fseek(f, at, SEEK_SET) == 0)
            ok = std::fwrite(frame.data(), 1, n, f) == n;
    }
    ok = std::fclose(f) == 0 && ok;
    return ok;
}

}  // namespace rv::tools
