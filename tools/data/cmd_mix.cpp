// The mix command of ostrimar-data: the levels of the music, the ambience and the effects of a
// data set, rendered through the game's own audio path (see mixlevels.h and docs/audio.md).
#include "commands.h"
#include "mixlevels.h"

#include <cstdio>
#include <cstring>
#include <string>

int cmdMix(int argc, char** argv)
{
    const char* wavDir = nullptr;
    if (argc == 3 && std::strcmp(argv[1], "--wav") == 0) wavDir = argv[2];
    else if (argc != 1) {
        std::fprintf(stderr, "usage: ostrimar-data mix DATA_DIR [--wav DIR]\n");
        return 1;
    }
    std::string dir = argv[0];
    if (dir.empty() || dir.back() != '/') dir += '/';
    static MixLevels levels;
    if (!measureMixLevels(dir.c_str(), wavDir, &levels)) {
        std::fprintf(stderr, "%s: no sound device, or no sounds and music there\n", argv[0]);
        return 1;
    }
    std::printf("%-28s %8s %9s %9s %6s %6s\n", "stem", "seconds", "rms dBFS", "peak dBFS", "full", "bent");
    for (int i = 0; i < levels.count; i++) {
        const StemLevel& s = levels.stems[i];
        std::printf("%-28s %8.2f %9.1f %9.1f %6d %6d\n", s.name, s.seconds, s.rmsDb, s.peakDb, s.atFullScale, s.bent);
    }
    std::printf("quietest game song rms     %6.1f dBFS\n", levels.musicRmsDb);
    std::printf("loudest ambience rms       %6.1f dBFS (%.1f dB under the music)\n", levels.ambienceRmsDb,
                levels.musicRmsDb - levels.ambienceRmsDb);
    std::printf("loudest effect peak        %6.1f dBFS (effects volume 100)\n", levels.loudestEffectDb);
    std::printf("busy chain peak            %6.1f dBFS, %d samples at full scale\n", levels.busyPeakDb,
                levels.busyAtFullScale);
    return 0;
}
