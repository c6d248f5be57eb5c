#include "platform/media/mp3_tags.h"

#include <mpg123.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/media/mp3_file.h"

namespace rv::media {

namespace {

std::string text_of(const mpg123_string* s) {
    if (!s || !s->p || s->fill == 0) return {};
    // A field may hold several strings, NUL-separated: the first one is the value.
    return std::string(s->p, ::strnlen(s->p, s->fill));
}

// "3" or "3/12": the track's number within the album.
int track_of(const std::string& text) {
    const long n = std::strtol(text.c_str(), nullptr, 10);
    return n > 0 && n < 100000 ? static_cast<int>(n) : 0;
}

void from_v2(const mpg123_id3v2& v2, Mp3Tags& out) {
    out.title = text_of(v2.title);
    out.artist = text_of(v2.artist);
    out.album = text_of(v2.album);
    for (std::size_t i = 0; i < v2.texts; ++i)
        if (std::memcmp(v2.text[i].id, "TRCK", 4) == 0)
            out.track_number = track_of(text_of(&v2.text[i].text));
    const mpg123_picture* chosen = nullptr;
    for (std::size_t i = 0; i < v2.pictures; ++i) {
        const mpg123_picture& p = v2.picture[i];
        if (!p.data || p.size == 0) continue;
        if (!chosen ||
            (p.type == mpg123_id3_pic_front_cover && chosen->type != mpg123_id3_pic_front_cover))
            chosen = &p;
    }
    if (chosen) {
        out.picture.assign(reinterpret_cast<const char*>(chosen->data), chosen->size);
        out.picture_type = text_of(&chosen->mime_type);
    }
}

void from_v1(const mpg123_id3v1& v1, Mp3Tags& out) {
    if (out.title.empty()) out.title = latin1_field(v1.title, sizeof v1.title);
    if (out.artist.empty()) out.artist = latin1_field(v1.artist, sizeof v1.artist);
    if (out.album.empty()) out.album = latin1_field(v1.album, sizeof v1.album);
    // ID3v1.1: a NUL before the comment's last byte makes that byte the track number.
    if (out.track_number == 0 && v1.comment[28] == 0 && v1.comment[29] != 0)
        out.track_number = static_cast<unsigned char>(v1.comment[29]);
}

constexpr std::uint64_t kLargestPictureTag = 16u << 20;
constexpr std::uint64_t kLargestTag = 64u << 20;

// The size an ID3v2 tag at the file's start says it has (0 when there is none), read without
// moving the file's offset.
std::uint64_t id3v2_size(int fd) {
    unsigned char h[10];
    const ssize_t got = ::pread(fd, h, sizeof h, 0);
    if (got != static_cast<ssize_t>(sizeof h) || std::memcmp(h, "ID3", 3) != 0) return 0;
    std::uint64_t size = 0;
    for (int i = 6; i < 10; ++i) size = (size << 7) | (h[i] & 0x7F);
    return size + 10;
}

}  // namespace

std::string latin1_field(const char* field, std::size_t width) {
    std::size_t n = ::strnlen(field, width);
    while (n > 0 && (field[n - 1] == ' ' || field[n - 1] == '\0')) --n;
    std::string out;
    for (std::size_t i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(field[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

Mp3Tags read_mp3_tags(const std::string& path) {
    Mp3Tags out;
    std::string error;
    FileHandle file = open_regular_file(path, error);
    if (!file) return out;
    ReadOptions reading;
    // A tag may be up to 256 MB; one beyond what a cover needs is read without its pictures,
    // and one beyond any real tag not at all, so a new track never stalls the windows.
    const std::uint64_t tag = id3v2_size(file.get());
    if (tag > kLargestTag) return out;
    reading.pictures = tag <= kLargestPictureTag;
    Decoder decoder(file.get(), reading);
    // The ID3v2 tag is read on the way to the first frame, the ID3v1 tag as the file opens.
    if (!decoder || !read_format(decoder.get()).ok) return out;
    if ((mpg123_meta_check(decoder.get()) & MPG123_ID3) == 0) return out;
    mpg123_id3v1* v1 = nullptr;
    mpg123_id3v2* v2 = nullptr;
    if (mpg123_id3(decoder.get(), &v1, &v2) != MPG123_OK) return out;
    if (v2) from_v2(*v2, out);
    if (v1 && std::memcmp(v1->tag, "TAG", 3) == 0) from_v1(*v1, out);
    out.has_tag = v1 || v2;
    return out;
}

}  // namespace rv::media
