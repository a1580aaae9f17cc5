// Build step: writes the penalty sound to the path given, beside the program.
#include <cstdio>

#include "game/PenaltyWav.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.wav\n", argv[0]);
        return 2;
    }
    std::vector<uint8_t> wav = car::MakePenaltyWav();
    std::FILE* f = std::fopen(argv[1], "wb");
    if (!f) {
        std::perror(argv[1]);
        return 1;
    }
    bool ok = std::fwrite(wav.data(), 1, wav.size(), f) == wav.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
