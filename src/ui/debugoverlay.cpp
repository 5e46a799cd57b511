// The FPS and triangle-count overlay.
#include "ui/debugoverlay.h"

#include "core/appstate.h"
#include "graphics/device.h"
#include "graphics/draw.h"
#include "ui/font.h"

#include <cstdio>

DebugOverlayState debugOverlay;

void resetDebugOverlay() { debugOverlay = DebugOverlayState{}; }

void drawDebugOverlay()
{
    // Formatted first: the count is the scene's, without the overlay's own glyphs.
    std::snprintf(debugOverlay.lastLine[0], sizeof debugOverlay.lastLine[0], "%s", app.fpsText);
    std::snprintf(debugOverlay.lastLine[1], sizeof debugOverlay.lastLine[1], "%i TRI", app.triangleCount);
    Matrix view = getTransform(GpuTransform::View);
    begin2D();
    drawTextAnsi(-360.0f, -100.0f, 10.0f, debugOverlay.lastLine[0]);
    drawTextAnsi(-360.0f, -115.0f, 10.0f, debugOverlay.lastLine[1]);
    disableSwitch(3);
    setTransform(GpuTransform::View, &view);
    disableSwitch(4);
    disableSwitch(5);
    debugOverlay.framesDrawn++;
}
