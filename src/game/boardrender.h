#pragma once
// Drawing of the board: tiles (with the highlight of the hovered group or the hammer's target),
// figures with their 32-frame animation, chains, bonus marks, the flying quarters of worn
// squares, the debris of broken figures, lightning bolts (thunder and the crackle of thunder
// carriers) and the view shake; and the loading of the board's pictures.
//
// The board is drawn with camera-facing sprites in a view of its own: orthographic 800 x 600,
// the camera 120 units in front of the board plane and moved by the explosion shake. Glows are
// additive sprites of "flare.jpg". Every ring is a fixed array scanned whole each frame, so
// nothing is allocated while playing.
#include <cstdint>

#include "core/math.h"
#include "game/board.h"
#include "game/boardview.h"
#include "graphics/textures.h"

constexpr int SQUARE_PIECE_RING = 150;
constexpr int DEBRIS_RING = 150;
constexpr int CRACKLE_COUNT = 8;
constexpr int BOLT_QUEUE_SIZE = 511;
constexpr int BOLT_MAX_POINTS = 99;
constexpr int FIGURE_FRAMES = 32;
constexpr float FIGURE_FRAME_MS = 30.0f;
// Figure strips hold their 32 frames in 8 columns and 4 rows of equal cells.
constexpr int STRIP_COLUMNS = 8;
constexpr int STRIP_ROWS = 4;
constexpr float FIGURE_HALF_SIZE = 24.0f;
constexpr float TILE_HALF_SIZE = 28.0f;
constexpr float DEBRIS_GRAVITY = 0.002f;  // per ms squared

// The flying quarters of one worn square.
struct SquarePiece {
    int32_t oldTile;
    uint8_t active;
    float ageMs;
    float glintMs;
    Vec2 centre;
    Vec2 direction;  // unit vector of quarter 0; quarter i moves along it turned by -90 * i degrees
};

// One broken figure falling off the board: 60 bytes, saved raw with the game.
struct Debris {
    Vec2 position;
    Vec2 drawOffset;
    Vec2 velocity;     // units per ms
    int32_t colourPlusOne;  // 0: free slot
    int32_t kind;      // always 1
    int32_t frame;
    float frameTimerMs;
    uint8_t reserved40[20];
};
static_assert(sizeof(Debris) == 60, "Debris is a file layout of 60 bytes");

// One flickering bolt of a thunder carrier, shared by all of them.
struct Crackle {
    Vec2 from;
    Vec2 to;
    float timerMs;
};

// A bolt queued for this frame: its points are drawn anew every frame, so it flickers.
struct QueuedBolt {
    int32_t pointCount;
    float coreWidth;
    float glowWidth;
    Color coreColour;
    Color glowColour;
    Vec2 points[BOLT_MAX_POINTS];
};

struct BoardRenderState {
    float tilePulseMs;
    SquarePiece pieces[SQUARE_PIECE_RING];
    int32_t nextPiece;
    Debris debris[DEBRIS_RING];
    int32_t nextDebris;
    Crackle crackles[CRACKLE_COUNT];
    QueuedBolt bolts[BOLT_QUEUE_SIZE];
    int32_t boltCount;
    int32_t droppedBolts;  // requests beyond the queue's capacity since the last reset
    float markEffectMs;    // every 10 ms the cross and mega bomb marks emit a spark
    // Pictures (null until loaded; a missing picture is drawn as nothing).
    const Texture* figures[FIGURE_IMAGE_COUNT];
    const Texture* tiles[3];
    const Texture* chain;
    const Texture* crossMark;
    const Texture* megaMark;
    const Texture* flare;
    // The pictures are loaded when the game screen or the help shows (set by the load after the
    // splash and by any load of them; tests without a data set leave it clear and draw without).
    uint8_t picturesOnShow;
};

extern BoardRenderState boardRender;

// Empty rings and queue, no pictures (tests; a new run).
void resetBoardRender();
// Forgets the pieces, debris and bolts of the last level (a level starts); pictures stay.
void clearBoardEffects();

// The 17 figure strips ("figures\aqua.tga" ...), the tiles, chain, bonus marks, "flare.jpg" and
// the hammer, HUD, candle and shutter pictures. A missing picture is fatal ("Couldn't load
// texture: %s").
void loadBoardPictures();
// Whether the board's pictures are resident (loadBoardPictures ran and they were not released).
bool boardPicturesResident();
// Loads them when they are not resident and picturesOnShow is set (the game screen showing, the
// help pages drawn).
void loadBoardPicturesOnShow();
// Releases the board's pictures and the HUD's (releaseHudPictures); the pointers go null. Leaving
// the game screen does this: the menus, the map and the trophy room do not show them (the help
// pages load them again when drawn, as does drawing a level).
void releaseBoardPictures();
// The strip files in figure-image order.
const char* figureStripName(int index);

// Figure-break debris (kind 1) at a place's centre: rises and falls off the screen.
void spawnDebris(int colour, float x, float y, int kind);
// The four quarters of a worn square layer fly apart.
void spawnSquarePiece(float x, float y, int oldTile);

// A bolt from `from` to `to` for this frame's bolt layer; dropped when 511 are queued.
void queueBolt(Vec2 from, Vec2 to, float segmentLength, float coreWidth, float glowWidth, float jitter,
               Color coreColour, Color glowColour);

// Texture rectangle (u0, v0, u1, v1) of a frame of a figure strip; frames outside 0..31 wrap.
Rect figureFrameRect(int frame);
// Advances one figure's animation by app.frameMs; `hovered` keeps it cycling.
void animateFigure(Cell& cell, bool hovered);
// Number of debris records in use, of square pieces flying.
int activeDebrisCount();
int activeSquarePieceCount();

// Sets the board's view (camera 120 units away, moved by the shake) and rebuilds the frustum;
// endBoardView returns to the standard 2-D preset's view and projection.
void beginBoardView();
void endBoardView();
