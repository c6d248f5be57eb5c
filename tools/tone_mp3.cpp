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
    if (lame_init_params(lame.get()) < 0) return false;

    std::FILE* f = std::fopen(path.c_str(), "w+b");
    if (!f) return false;
    if (spec.id3_padding > 0) {
        std::vector<unsigned char> tag = {'I', 'D', '3', 3, 0, 0};
        put_syncsafe(tag, static_cast<std::uint32_t>(spec.id3_padding));
        tag.resize(tag.size() + static_cast<std::size_t>(spec.id3_padding), 0);
        std::fwrite(tag.data(), 1, tag.size(), f);
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
    if (ok && spec.info_header) {
        // The info frame is filled in once the stream is complete; it sits right after the
        // ID3 tag, if there is one.
        std::vector<unsigned char> frame(2880);
        std::size_t n = lame_get_lametag_frame(lame.get(), frame.data(), frame.size());
        long at = spec.id3_padding > 0 ? 10L + spec.id3_padding : 0L;
        if (n > 0 && n <= frame.size() && std::fseek(f, at, SEEK_SET) == 0)
            ok = std::fwrite(frame.data(), 1, n, f) == n;
    }
    ok = std::fclose(f) == 0 && ok;
    return ok;
}

}  // namespace rv::tools
