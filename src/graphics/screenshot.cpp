// Screenshots of the back buffer.
#include "graphics/screenshot.h"

#include "core/appstate.h"
#include "platform/gpu/gpu.h"
#include "platform/os/dirs.h"
#include "platform/os/files.h"

#include <cstdio>

#include <climits>

namespace {

struct ScreenshotState {
    bool requested = false;
    bool savedNotice = false;  // a requested picture was saved and nobody asked for its name yet
    char lastPath[PATH_MAX + 32] = {};
};

ScreenshotState shots;

}  // namespace

bool captureFrame(ImageData* out)
{
    if (!out || !gpuCreated()) return false;
    int w = 0, h = 0;
    gpuBackBufferSize(&w, &h);
    if (w <= 0 || h <= 0) return false;
    out->width = w;
    out->height = h;
    out->hasAlpha = false;
    out->pixels.assign(static_cast<size_t>(w) * h * 4, 0);
    if (!gpuReadPixels(0, out->pixels.data(), static_cast<int>(out->pixels.size()))) return false;
    for (size_t i = 3; i < out->pixels.size(); i += 4) out->pixels[i] = 255;  // the frame is opaque
    return true;
}

bool saveScreenshot(const char* path)
{
    ImageData frame;
    std::vector<uint8_t> png;
    if (!path || !captureFrame(&frame) || !imageEncodePng(frame, &png)) return false;
    return osWriteFile(path, png.data(), static_cast<int32_t>(png.size()));
}

void requestScreenshot() { shots.requested = true; }

const char* takeRequestedScreenshot()
{
    if (!shots.requested) return "";
    shots.requested = false;
    char folder[PATH_MAX];
    const char* dir = app.startDir[0] ? app.startDir : ".";
    if (osScreenshotDir(folder, sizeof folder)) dir = folder;
    for (int i = 0; i < 1000; ++i) {
        std::snprintf(shots.lastPath, sizeof shots.lastPath, "%s/screenshot%03d.png", dir, i);
        if (osFileExists(shots.lastPath)) continue;
        if (!saveScreenshot(shots.lastPath)) return "";
        shots.savedNotice = true;
        return shots.lastPath;
    }
    return "";
}

bool takeSavedScreenshot(char* out, int capacity)
{
    if (!shots.savedNotice || !out || capacity <= 0) return false;
    shots.savedNotice = false;
    std::snprintf(out, static_cast<size_t>(capacity), "%s", shots.lastPath);
    return true;
}
