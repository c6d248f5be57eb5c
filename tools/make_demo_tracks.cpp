// Makes a folder of short, pleasant demo tracks so that a newcomer hears music at once.
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "tools/tone_mp3.h"

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--one") {
        // One track of a given length, for benchmarks.
        rv::tools::ToneSpec spec;
        spec.seconds = std::atof(argv[2]);
        spec.notes = {261.63, 329.63, 392.00, 523.25};
        spec.note_seconds = 0.3;
        return spec.seconds > 0 && rv::tools::write_tone_mp3(argv[3], spec) ? 0 : 1;
    }
    // With --tagged the tracks carry title, artist, album, number and a cover picture.
    const bool tagged = argc == 3 && std::string(argv[1]) == "--tagged";
    // An option it does not know is not a folder name.
    if ((argc != 2 && !tagged) || argv[argc - 1][0] == '-') {
        std::cerr << "usage: make-demo-tracks [--tagged] FOLDER | --one SECONDS FILE\n";
        return 2;
    }
    std::filesystem::path dir = argv[argc - 1];
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    struct Track {
        const char* name;
        std::vector<double> notes;
        double seconds;
    };
    // Arpeggios in a few keys: C major, A minor, F major, G major.
    const Track tracks[] = {
        {"Morning Arpeggio.mp3", {261.63, 329.63, 392.00, 523.25, 392.00, 329.63}, 20},
        {"Evening in A minor.mp3", {220.00, 261.63, 329.63, 440.00, 329.63, 261.63}, 24},
        {"Fields of F.mp3", {174.61, 220.00, 261.63, 349.23, 261.63, 220.00}, 18},
        {"G Walk.mp3", {196.00, 246.94, 293.66, 392.00, 293.66, 246.94}, 22},
    };
    int number = 0;
    for (const auto& t : tracks) {
        rv::tools::ToneSpec spec;
        if (tagged) {
            const std::string name = t.name;
            spec.tags.title = name.substr(0, name.size() - 4);
            spec.tags.artist = "The Ravelin Demo Band";
            spec.tags.album = "Arpeggios";
            spec.tags.track = std::to_string(++number);
            spec.tags.picture = rv::tools::demo_cover_png();
        }
        spec.notes = t.notes;
        spec.seconds = t.seconds;
        spec.note_seconds = 0.3;
        spec.amplitude = 0.35;
        if (!rv::tools::write_tone_mp3((dir / t.name).string(), spec)) {
            std::cerr << "make-demo-tracks: cannot write " << (dir / t.name) << "\n";
            return 1;
        }
    }
    std::cout << "demo tracks in " << dir.string() << "\n";
    return 0;
}
