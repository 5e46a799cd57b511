// datagen SRC_DIR OUT_DIR: makes the default data set.
#include "datagen.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: datagen SRC_DIR OUT_DIR\n");
        return 1;
    }
    const char* src = argv[1];
    const char* out = argv[2];
    if (!genTexts(src, out)) return 1;
    if (!genPictures(src, out)) return 1;
    if (!genBoardArt(src, out)) return 1;
    if (!genLevels(src, out)) return 1;
    if (!genFont(src, out)) return 1;
    if (!genBackdrops(src, out)) return 1;
    if (!genMap(src, out)) return 1;
    if (!genIcons(src, out)) return 1;
    if (!genEffects(src, out)) return 1;
    if (!genSounds(src, out)) return 1;
    if (!genMusic(src, out)) return 1;
    if (!genMenus(src, out)) return 1;
    if (!genMeshes(src, out)) return 1;
    if (!genTrophies(src, out)) return 1;
    if (!genArchives(src, out)) return 1;
    return 0;
}
