#pragma once
// The full-screen painted backdrop behind the board, the menus and the trophy room. A backdrop
// is chosen by number (0..17); its picture "AnimBacks\_a_back<n>.jpg" (800 x 600 in the top left
// of a 1024 x 1024 texture) is drawn over the whole screen, tinted by a colour that drifts
// towards one of three presets. Changing the backdrop either swaps the picture at once
// (setBackdrop) or cross-fades to it with a short camera move (prepareBackdrop, completed by
// setBackdrop). The scenes of animated objects placed on the pictures are not built yet: reading
// their catalogue is recorded as a request (core/requestlog.h).
#include "graphics/textures.h"

#include <cstdint>

constexpr int BACKDROP_COUNT = 18;            // pictures 0..17
constexpr float BACKDROP_FADE_MS = 3000.0f;   // length of a cross-fade's clock
constexpr float BACKDROP_FADE_HOLD_MS = 1500.0f;  // the fade clock stops below this
constexpr float BACKDROP_TINT_RATE = 0.0015f;  // share of the way to the target tint per ms
constexpr float BACKDROP_PICTURE_W = 800.0f;
constexpr float BACKDROP_PICTURE_H = 600.0f;

struct Backdrop {
    Texture* picture = nullptr;   // the current picture (looked up again each frame)
    int number = -1;              // its number, -1 before the first backdrop is chosen
    Texture* nextPicture = nullptr;  // the picture faded in during a cross-fade
    int nextNumber = -1;
    int8_t pictureFailed = 0;     // the current number's picture could not be loaded
    int8_t nextFailed = 0;
    uint8_t ready = 0;            // the data set is open (loadBackdropCatalogue ran): pictures may load
    float fadeMs = 0.0f;          // cross-fade clock: 3000 at its start, 0 when none runs
    float tint[4] = {1.0f, 1.0f, 1.0f, 1.0f};        // current tint (red, green, blue, alpha)
    float targetTint[4] = {1.0f, 1.0f, 1.0f, 1.0f};  // the preset it drifts towards
    float lastShift[2] = {0.0f, 0.0f};  // camera shift and scale of the last drawn frame
    float lastScale = 1.0f;
    float lastFade = 0.0f;              // opacity the next picture was drawn with last frame
};

extern Backdrop backdrop;

// Releases the pictures and returns the state to its start (for tests and shutdown).
void resetBackdrop();
// The picture file of a backdrop number ("AnimBacks\_a_back<n>.jpg"); numbers outside 0..17 give 0's.
const char* backdropPictureName(int number);
// Part of the loading phase: from now on the pictures load when drawn. Reading the object
// catalogue and the scenes is deferred (recorded as "loadBackdropCatalogue").
void loadBackdropCatalogue();
// Shows backdrop n at once (outside 0..17: 0). Choosing the current number reloads nothing;
// otherwise the old picture is released and the new one is loaded when next drawn, unless a
// cross-fade towards n hands its picture over. Any cross-fade ends. A missing picture stops the
// program with the texture loader's message.
void setBackdrop(int number);
// Starts a 3000 ms cross-fade towards backdrop n (outside 0..17: 0); its picture, loaded when
// next drawn, is the next picture. setBackdrop(n) completes the cross-fade.
void prepareBackdrop(int number);
// Tint presets: 0 = (0.8, 0.8, 1, 1), 1 = (1, 0.8, 0.8, 1), 2 = white; others are ignored.
void setBackdropTint(int preset);
// Once per frame before everything in front of it: advances the tint and the cross-fade by
// app.frameMs and draws the picture full screen (with the camera move when asked). Chooses
// backdrop 0 when none was chosen yet. Before the loading phase nothing is drawn.
void drawBackdrop(bool withCameraMove);
