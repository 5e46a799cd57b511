#include "app/cursors.h"

#include "core/appstate.h"
#include "platform/image/image.h"
#include "platform/os/files.h"
#include "platform/os/os.h"

#include <climits>
#include <cstdio>
#include <cstdlib>

bool loadCursorPicture(const char* path, std::vector<uint8_t>* rgba, int* width, int* height)
{
    int32_t size = 0;
    uint8_t* data = osReadFile(path, &size);
    if (!data) return false;
    ImageData img;
    bool ok = imageDecode(data, static_cast<size_t>(size), &img);
    std::free(data);
    if (!ok || img.width <= 0 || img.height <= 0 || img.width > 256 || img.height > 256) return false;
    size_t n = static_cast<size_t>(img.width) * static_cast<size_t>(img.height);
    rgba->resize(n * 4);
    for (size_t i = 0; i < n; i++) {
        const uint8_t* bgra = &img.pixels[i * 4];
        uint8_t* out = &(*rgba)[i * 4];
        out[0] = bgra[2];
        out[1] = bgra[1];
        out[2] = bgra[0];
        out[3] = img.hasAlpha ? bgra[3] : 255;
    }
    *width = img.width;
    *height = img.height;
    return true;
}

bool setProgramCursor(int resource)
{
    const char* name = resource == CURSOR_HAMMER ? "cursors/hammer.tga" : "cursors/arrow.tga";
    int hot = resource == CURSOR_HAMMER ? 8 : 1;
    char path[PATH_MAX + 32];
    std::snprintf(path, sizeof path, "%s%s", app.dataDir, name);
    std::vector<uint8_t> rgba;
    int w = 0;
    int h = 0;
    if (!loadCursorPicture(path, &rgba, &w, &h)) return false;
    return osSetColorCursor(rgba.data(), w, h, hot < w ? hot : 0, hot < h ? hot : 0);
}

bool setProgramIcon()
{
    char path[PATH_MAX + 32];
    std::snprintf(path, sizeof path, "%sicon.tga", app.dataDir);
    std::vector<uint8_t> rgba;
    int w = 0;
    int h = 0;
    if (!loadCursorPicture(path, &rgba, &w, &h)) return false;
    return osSetWindowIcon(rgba.data(), w, h);
}

void setSystemCursor()
{
    osSetArrowCursor();
}
