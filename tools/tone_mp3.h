#pragma once
// Generated MP3s for the demo folder and the tests: nothing binary is kept in the project.
#include <string>
#include <vector>

namespace rv::tools {

struct ToneSpec {
    double seconds = 2.0;
    int sample_rate = 44100;
    int channels = 2;
    // A melody: notes in Hz played one after another, each `note_seconds` long, with a soft
    // attack and release. One constant note when there is just one.
    std::vector<double> notes{440.0};
    double note_seconds = 0.25;
    double amplitude = 0.5;
    bool vbr = false;            // variable bit rate
    bool info_header = true;     // the encoder's VBR/info frame; off gives a bare stream
    int id3_padding = 0;         // bytes of an ID3v2 tag put in front
    double silence_seconds = 0;  // silence before the music starts
    // Tags, written by the encoder when any field is set: an ID3v2 tag in front (with the
    // picture, which must be PNG, JPEG or GIF data) and an ID3v1 tag at the end, or only one.
    struct Tags {
        std::string title, artist, album, track;
        std::string picture;
        bool v1 = true, v2 = true;
        bool any() const {
            return !title.empty() || !artist.empty() || !album.empty() || !track.empty() ||
                   !picture.empty();
        }
    } tags;
};

// A small square cover picture (PNG), for tagged tracks.
std::string demo_cover_png();

// Writes the MP3; false when it could not.
bool write_tone_mp3(const std::string& path, const ToneSpec& spec);

}  // namespace rv::tools
