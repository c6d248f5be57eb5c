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
};

// Writes the MP3; false when it could not.
bool write_tone_mp3(const std::string& path, const ToneSpec& spec);

}  // namespace rv::tools
