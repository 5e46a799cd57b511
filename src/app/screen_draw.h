#pragma once
// The drawing the screens do themselves: the splash and loading pictures, the loading bar, the
// key prompt, the set-up of the menu-style screens and the software cursor.
// The screens own the timing and the decisions; these functions only draw.
#include "core/math.h"

// Size of every file the loading bar expects to see registered (bytes).
constexpr int LOAD_TOTAL_BYTES = 25176136;

// Starts decoding "splash1.jpg" of the data folder (ending with a separator) on a second thread,
// so that loadSplashPictures finds it decoded (start-up, right after the single-instance lock).
void decodeFirstSplashAhead(const char* dataDir);
// Loads "splash1.jpg" and sets culling off; true when "splash2.jpg" can be opened in the current
// folder. "splash2.jpg", "loadscreen.jpg" and "loadbar.tga" are loaded when first drawn; the
// splash pictures are released when the next picture takes their place.
bool loadSplashPictures();
// The full-screen splash picture (the second one when `second`) at brightness 0..255.
void drawSplashPicture(bool second, int brightness);
// The loading background tinted, and the bar filled to `progress` (0..1).
void drawLoadingPictureAndBar(const Color& tint, float progress);
// The pulsing "keytoresume" line at the given text size.
void drawPromptText(float size);
// Releases the four splash pictures.
void releaseSplashPictures();
// Render states of the menu-style screens: blending, no depth test, alpha test, orthographic
// 800 by 600 camera, and the view frustum rebuilt from it.
void menuRenderSetup();
// Alpha test off and the standard blend factors, after the menu-style screens' dialogs.
void menuRenderFinish();
// Selects font 0 for the screen's texts.
void selectDefaultFont();
