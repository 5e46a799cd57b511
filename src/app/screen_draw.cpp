// Until the drawing is built, each function records its call (app/core/requestlog.h) so tests
// can follow what a screen drew.
#include "app/screen_draw.h"

#include "app/core/requestlog.h"
#include "platform/os/files.h"

bool loadSplashPictures()
{
    bool second = osFileExists("splash2.jpg");
    recordRequest("loadSplashPictures", "", second ? 1 : 0);
    return second;
}

void drawSplashPicture(bool second, int brightness)
{
    recordRequest("drawSplashPicture", "", second ? 1 : 0, brightness);
}

void drawLoadingPictureAndBar(const Color& tint, float progress)
{
    recordRequest("drawLoadingPictureAndBar", "", static_cast<int>(tint.asWord()), 0, progress);
}

void drawPromptText(float size) { recordRequest("drawPromptText", "keytoresume", 0, 0, size); }
void releaseSplashPictures() { recordRequest("releaseSplashPictures"); }
void menuRenderSetup() { recordRequest("menuRenderSetup"); }
void menuRenderFinish() { recordRequest("menuRenderFinish"); }
void selectDefaultFont() { recordRequest("selectDefaultFont"); }

void drawDebugOverlay(const char* fpsText, int triangleCount)
{
    recordRequest("drawDebugOverlay", fpsText, triangleCount);
}

void drawSoftwareCursor() { recordRequest("drawSoftwareCursor"); }
