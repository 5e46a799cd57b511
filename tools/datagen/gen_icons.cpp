// The desktop icons: the window icon's art drawn at each size the icon theme wants, as PNG
// files "icons/ostrimar-<size>.png" below the data folder. The install step puts them into
// the hicolor theme; the game itself does not read them.
#include "boardart.h"
#include "datagen.h"

#include <cstdio>
#include <string>
#include <sys/stat.h>

bool genIcons(const char* /*srcDir*/, const char* outDir)
{
    std::string dir = std::string(outDir) + "/icons";
    mkdir(dir.c_str(), 0755);
    for (int size : {32, 48, 64, 128, 256}) {
        Image icon = windowIconPicture(size);
        if (icon.width != size) return false;
        std::string path = dir + "/ostrimar-" + std::to_string(size) + ".png";
        if (!writeBytes(path, encodePng(icon))) {
            std::fprintf(stderr, "datagen: cannot write %s\n", path.c_str());
            return false;
        }
    }
    return true;
}
