#pragma once
// The debug overlay of the frame: the last FPS text and the triangle count of the frame so far,
// in small text near the left edge, drawn with the standard 2-D preset; afterwards the scene's
// perspective projection and view transform are back and alpha blending and testing are off.
// The shell calls it after the current screen has drawn, while the overlay is switched on.

struct DebugOverlayState {
    int framesDrawn;        // overlays drawn since the last reset
    char lastLine[2][32];   // the two lines last drawn (the FPS text and "%i TRI")
};

extern DebugOverlayState debugOverlay;

void resetDebugOverlay();
// Draws app.fpsText at (-360, -100) and app.triangleCount as "%i TRI" at (-360, -115), scale 10.
void drawDebugOverlay();
