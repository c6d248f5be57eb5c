#pragma once
// What a file's tags say about it, for the desktop's media applet: ID3v2 first, ID3v1 for
// whatever the first leaves out, both read by libmpg123.
#include <string>

namespace rv::media {

struct Mp3Tags {
    // UTF-8; empty where no tag says.
    std::string title;
    std::string artist;
    std::string album;
    int track_number = 0;  // 0: none
    // The embedded picture (the front cover when there are several), its bytes and type
    // ("image/png"); empty when there is none.
    std::string picture;
    std::string picture_type;
    bool has_tag = false;  // a tag of either kind was found
};

// Reads the tags of the MP3 at `path`. A file that cannot be read, or holds no tag, gives
// empty tags; nothing is ever refused loudly.
Mp3Tags read_mp3_tags(const std::string& path);

// The ID3v1 fields: fixed width, padded with NULs or blanks, in Latin-1; as trimmed UTF-8.
std::string latin1_field(const char* field, std::size_t width);

}  // namespace rv::media
