#pragma once
// The adventure map on which the levels of every mode are chosen: one large picture crossed by
// a winding path with fifteen stage marks, a traveller mark that moves along the path to the
// chosen stage (the view scrolls with it), the ring of level marks of the current stage, the
// completion animation after a won level, an info panel with the chosen level's miniature, and
// the congratulation panel after the last level. The menu screen draws it (menuMode 1) under
// the mode dialogs, which pass their clicks and their "start" item here. The stage picture
// beside the map and the artefact screen are in map/stagepicture.h.
//
// Coordinates: the path and the stage points are in map pixels (x right, y down, 0..1024);
// marks are drawn in centred screen units through the view (mapToScreen).
#include "core/math.h"

#include <cstdint>

constexpr int MAP_STAGE_COUNT = 15;
constexpr int MAP_LEVEL_COUNT = 129;
constexpr int MAP_DONE_SIZE = 1024;
constexpr int MAP_PATH_MAX_POINTS = 4096;
constexpr float MAP_PATH_STEP = 20.0f;      // arc length between two path points
constexpr float MAP_PICTURE_SIZE = 1024.0f;
// The map window on the screen (centred units).
constexpr float MAP_WINDOW_LEFT = -384.0f;
constexpr float MAP_WINDOW_RIGHT = 112.0f;
constexpr float MAP_WINDOW_BOTTOM = -284.0f;
constexpr float MAP_WINDOW_TOP = 284.0f;
constexpr float RING_START_MS = 2000.0f;
constexpr float COMPLETION_START_MS = 5000.0f;

// Levels per stage; the table ends with a 0 entry.
extern const int MAP_STAGE_LEVELS[MAP_STAGE_COUNT + 1];

// The path as "mapspline.spl" gives it (after the reader's shift of (0, 30)).
struct MapPath {
    int count;        // points, 0 when the file is missing or damaged
    float length;     // arc length in pixels (as stored)
    Vec2 points[MAP_PATH_MAX_POINTS];
};

// Why a path file was refused.
enum class MapPathStatus { Ok, Missing, TooShort, BadCount, TooLong, BadLength, BadPoint };
const char* mapPathStatusText(MapPathStatus status);

// What the "start" item of a mode dialog must do.
enum class MapStart {
    None,          // nothing (the game-complete state lasts)
    Continue,      // go on at the profile's current level with its saved score
    NewGame,       // a new game at the selected level (already stored in the profile)
    AskZeroScore,  // ask "zeroscore" first; "yes" calls mapConfirmNewGame
};

// One spark flying from a level mark to a piece of the stage picture.
struct MapSpark {
    Vec2 from;     // screen units
    Vec2 to;
    float ageMs;   // < 0 waiting to set off
    float lifeMs;
    uint8_t active;
};
constexpr int MAP_SPARK_COUNT = 10;
constexpr float SPARK_FLIGHT_MS = 900.0f;
constexpr float SPARK_STAGGER_MS = 120.0f;

struct MapState {
    MapPath path;
    float stageArc[MAP_STAGE_COUNT];
    int stageCount;                        // counted up to the 0 entry of MAP_STAGE_LEVELS
    // Points for other screens that place things on the path.
    Vec2 stageBoundary[MAP_STAGE_COUNT + 1];
    Vec2 levelPoint[MAP_LEVEL_COUNT];
    Vec2 levelDirection[MAP_LEVEL_COUNT];  // unit vectors

    int levelDone[MAP_DONE_SIZE];
    int selectedLevel;
    int currentStage;
    int completedLevel;    // the level just completed, -1 for none
    int entryLevel;        // the profile's level at entry
    uint8_t replay;        // the completed level had been completed before
    uint8_t gameComplete;  // the last level was won: the congratulation follows the stage screen

    float travellerArc;
    float targetArc;
    float ringTimer;          // -1 idle
    float completionTimer;    // -1 idle
    float glowPhase;          // degrees
    float emitterTimer;       // "map01" every 40 ms
    float hoverFade;          // 0..255, the picture of a hovered complete stage
    int hoverStage;           // the complete stage whose picture fades in, -1 none
    int hoverStageShown;      // the stage picture drawn for the fade (kept while it fades out)
    MapSpark sparks[MAP_SPARK_COUNT];
    uint8_t firstSparkArrived;

    // Congratulation panel: state -1 closed, 0 scaling in, 1 waiting, 2 scaling out.
    int congratState;
    float congratTimer;
    uint8_t frozen;           // the map stands still behind the congratulation

    // Called when the congratulation panel has closed (the caller clears the game-complete
    // state, shows the main-menu backdrop and opens "hiscore"; the dialogs set it).
    void (*onCongratulationDone)();

    // The typed unlock code's state, mirrored by the menu screen each frame: levels 0..127 count
    // as done while it is set.
    uint8_t unlocked;
    // Pictures resident (a test without a device may run the rules alone), and a load tried
    // since the last release (a data set without the map's pictures is not asked again).
    uint8_t picturesLoaded;
    uint8_t picturesTried;
};

extern MapState mapState;

// Empty path, nothing loaded, idle timers (keeps no hooks).
void resetMap();

// Reads a path from the bytes of a "mapspline.spl" file into path; on any damage the path is
// left empty and the reason returned. The points are shifted by (0, 30).
MapPathStatus parseMapPath(const uint8_t* data, int32_t size, MapPath& path);
// Point on the path at arc length a: (-1000, 0) beyond the end, (1000, 0) before the start.
Vec2 pathPointAt(float a);
// Stage arcs, boundaries and level points from the loaded path.
void deriveMapPoints();

// Loads "mapspline.spl" (optional). The map's pictures wait until the map is entered.
void loadMap();
// The map's pictures with the stage pictures and covers, about 19 MiB of textures with the
// default data set, are resident only while the map can show: ensureMapPictures loads them
// (when the map is entered or first drawn; true when they are there: they are required when
// "megamap.jpg" exists, a data set without it has no map to draw), releaseMapPictures lets them
// go (when the menus turn to another mode or another screen shows).
bool ensureMapPictures();
void releaseMapPictures();
// Loads the map's own pictures only (false when one is missing), and releases them.
bool loadMapPictures();
void releaseMapTextures();

// Stage of a level (0..14) and the first level of a stage.
int stageOfLevel(int level);
int firstLevelOfStage(int stage);
int stageLevelCount(int stage);
bool stageComplete(int stage);
bool stageOpen(int stage);
// A level mark can be chosen: it belongs to currentStage and the level before it is done.
bool levelSelectable(int level);
// Levels of a stage that are done.
int stageDoneCount(int stage);

// Sets up the map for the current profile's current mode. completedLevel: the level just won,
// -1 when the map is entered from the main menu; gameComplete: the last level was won.
void enterMap(int completedLevel, bool gameComplete);
// One frame of the map's logic by dt milliseconds (drawMap(0) calls it with app.frameMs).
void updateMap(float dt);
// pass 0: updates the map and draws it with the stage picture, title, story and info panel;
// pass 1: the artefact screen and the congratulation panel over it.
void drawMap(int pass);
// A click at the pointer (app.mouseX/Y); true when the map took it.
bool mapClick();
// While the artefact screen or the congratulation is open, the dialog's buttons must not act.
bool mapBlocksInput();
// The "start" item of a mode dialog.
MapStart startMapLevel();
// The keyboard's choice of a level: the next (+1) or previous (-1) level, when it is open to play
// (the first, or one after a level done), crossing into the next or previous land when that land
// is open (the traveller goes there). False, and nothing changes, when there is none or the
// artefact screen or the congratulation holds the map.
bool mapStepLevel(int step);
// "yes" to "zeroscore": a new game at the selected level (score 0, lives 3).
void mapConfirmNewGame();
int mapSelectedLevel();

// Screen position of a map pixel through the current view, and the view's centre in map pixels.
Vec2 mapToScreen(const Vec2& mapPixel);
Vec2 mapViewCentre();
// Screen position of level mark j of the current stage's ring (as drawn this frame).
Vec2 ringMarkPosition(int level);

// The mode dialog's buttons: which 0 start (256 x 106), 1 back (64 x 64).
void drawMapButton(int which, float x, float y, float w, float h, float alpha, bool hover);
