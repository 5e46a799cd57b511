#pragma once
// The full-screen living backdrop behind the board, the menus and the trophy room. A backdrop
// is chosen by number (0..17); its picture "AnimBacks\_a_back<n>.jpg" (800 x 600 in the top left
// of a 1024 x 1024 texture) is drawn over the whole screen with the objects of its scene
// "AnimBacks\level<n>.lev" around it: textured rectangles (or composite meshes) from the object
// catalogue "AnimBacks\gameobjs.txt", animated by their names (skies drift, waterfalls and
// water flow, spray rises, leaves sway). The whole backdrop is tinted by a colour that drifts
// towards one of three presets and is dimmed while a dialog is shown over the game. Changing the
// backdrop either swaps it at once (setBackdrop) or cross-fades to it with a short camera move
// (prepareBackdrop, completed by setBackdrop).
//
// Depth arrangement (see docs/backdrops.md): the picture is laid under everything, the first
// pass is drawn nearer than the picture writing depth where its texels are not fully
// transparent, and the picture drawn after it stays behind it.
#include "core/math.h"
#include "effects/mesh.h"
#include "graphics/textures.h"

#include <cstdint>

constexpr int BACKDROP_COUNT = 18;            // pictures 0..17
constexpr int BACKDROP_SCENES_CHECKED = 16;   // scenes 0..15 must exist at start-up
constexpr float BACKDROP_FADE_MS = 3000.0f;   // length of a cross-fade's clock
constexpr float BACKDROP_FADE_HOLD_MS = 1500.0f;  // the fade clock stops below this
constexpr float BACKDROP_SCENE_FADE_MS = 500.0f;  // a scene that completes a cross-fade fades in
constexpr float BACKDROP_TINT_RATE = 0.0015f;  // share of the way to the target tint per ms
constexpr float BACKDROP_PICTURE_W = 800.0f;
constexpr float BACKDROP_PICTURE_H = 600.0f;

constexpr int CATALOGUE_CAPACITY = 512;        // objects of "gameobjs.txt"
constexpr int CATALOGUE_NAME_SIZE = 32;        // object name and terminator (as in the scene files)
constexpr int CATALOGUE_FILE_SIZE = 64;        // texture or composite file name and terminator
constexpr int SCENE_CAPACITY = 256;            // placed objects of one scene
constexpr int SCENE_HEADER_SIZE = 68;          // scene name (64) and object count (4)
constexpr int SCENE_OBJECT_SIZE = 65;          // one placed object in the file
constexpr float SCENE_VALUE_LIMIT = 100000.0f; // larger (or not finite) numbers make an object unusable
constexpr int SPRAY_RING_SIZE = 256;
constexpr float SPRAY_LIFE_MS = 2000.0f;
constexpr int BACKDROP_EXTRA_SPRITES = 128;    // sprites other modules queue for one frame
constexpr float BACKDROP_FIRST_PASS_Z = 5.0f;  // depth of the first pass (nearer)
constexpr float BACKDROP_PICTURE_Z = 50.0f;    // depth of the picture (behind the first pass)
constexpr float WINDMILL_DEGREES_PER_MS = 0.02f; // a windmill's sails turn 20 degrees a second

// Animation rules, chosen by the placed object's name (first match in this order).
enum BackdropRule : uint8_t { RuleSky, RuleWaterfall, RuleWater, RuleSpray, RuleLeaves, RulePlain };

// One entry of the object catalogue.
struct CatalogueObject {
    char name[CATALOGUE_NAME_SIZE];
    char file[CATALOGUE_FILE_SIZE];
    int group;                       // its group's number, groups counted from 0 in file order
    Texture* texture;                // a ".tga" or ".jpg" entry (null for a composite)
    CompositeObject* composite;      // a ".cgo" entry; null when it could not be loaded
};

// One object of the current scene.
struct PlacedObject {
    int object;                      // index into the catalogue
    Rect rect;                       // screen units, y up (top > bottom)
    float angle;                     // degrees, counter-clockwise
    float scrollX, scrollY;
    uint8_t mirrored;
    uint8_t firstPass;               // drawn in the first pass (before the picture)
    uint8_t rule;                    // BackdropRule
    uint8_t drawn;                   // drawn this frame
    float clockMs;                   // the object's clock (leaves, spray)
    float drawAngle;                 // angle of the last frame (leaves swing)
    Color colour;
};

struct SpraySprite {
    Vec2 position;
    float life;                      // ms; free at 0 or below
    Texture* texture;
};

struct ExtraSprite {
    const Texture* texture;
    float x, y, w, h, angle;         // centre, size, degrees
    Rect uv;
    Color colour;
    int blendMode;                   // setBlendMode's numbers
};

// Loads a composite named by the catalogue (a name in the folder "AnimBacks").
CompositeObject* loadBackdropComposite(const char* fileName);

// Composite objects come from the mesh module through these hooks (tests put their own in).
struct BackdropMeshHooks {
    CompositeObject* (*load)(const char* fileName) = loadBackdropComposite;
    void (*draw)(const CompositeObject* object, const Matrix& parent) = drawComposite;
};

struct Backdrop {
    Texture* picture = nullptr;   // the current picture (looked up again each frame)
    int number = -1;              // its number, -1 before the first backdrop is chosen
    Texture* nextPicture = nullptr;  // the picture faded in during a cross-fade
    int nextNumber = -1;
    int8_t pictureFailed = 0;     // the current number's picture could not be loaded
    int8_t nextFailed = 0;
    uint8_t ready = 0;            // the data set is open (loadBackdropCatalogue ran): pictures may load
    float fadeMs = 0.0f;          // cross-fade clock: 3000 at its start, 0 when none runs
    float sceneFadeMs = 0.0f;     // fade-in left for the scene that completed a cross-fade
    float tint[4] = {1.0f, 1.0f, 1.0f, 1.0f};        // current tint (red, green, blue, alpha)
    float targetTint[4] = {1.0f, 1.0f, 1.0f, 1.0f};  // the preset it drifts towards
    float lastShift[2] = {0.0f, 0.0f};  // camera shift and scale of the last drawn frame
    float lastScale = 1.0f;
    float lastFade = 0.0f;              // opacity the next picture was drawn with last frame
    float lastObjectAlpha = 1.0f;       // opacity the animated objects were drawn with last frame
    float lastDrawTint[4] = {1.0f, 1.0f, 1.0f, 1.0f};  // tint used for drawing (dimmed) last frame

    // The catalogue.
    CatalogueObject catalogue[CATALOGUE_CAPACITY] = {};
    int catalogueCount = 0;
    int groupCount = 0;
    int catalogueDropped = 0;     // entries beyond the capacity or unusable (too long, other kinds)

    // The current scene.
    int sceneNumber = -1;         // the number whose scene is loaded, -1 for none
    char sceneName[64] = {};
    PlacedObject objects[SCENE_CAPACITY] = {};
    int objectCount = 0;
    int skippedObjects = 0;       // placed objects of the scene that could not be used

    SpraySprite spray[SPRAY_RING_SIZE] = {};
    int nextSpray = 0;
    ExtraSprite extras[BACKDROP_EXTRA_SPRITES] = {};
    int extraCount = 0;
    uint32_t random = 1;          // the backdrop's own 15-bit generator

    BackdropMeshHooks meshHooks;
    int lastDrawnObjects = 0;     // placed objects drawn last frame (both passes)
};

extern Backdrop backdrop;

// Releases the pictures, empties the composite caches and returns the state to its start (for
// tests and shutdown).
void resetBackdrop();
// The picture file of a backdrop number ("AnimBacks\_a_back<n>.jpg"); numbers outside 0..17 give 0's.
const char* backdropPictureName(int number);
// The scene file of a backdrop number ("AnimBacks\level<n>.lev"); numbers outside 0..17 give 0's.
const char* backdropSceneName(int number);

// Reads "gameobjs.txt" text (size bytes, need not be terminated) into the catalogue, replacing
// it: groups "[name/]" ... "[/name]", entries "name = file". Loads nothing.
void parseCatalogue(const char* text, int32_t size);
// Index of the catalogue object with exactly this name, or -1.
int findCatalogueObject(const char* name);
// Reads a scene file's bytes into the placed objects (replacing them). Objects that do not fit
// the file, whose numbers are not finite or out of range, or whose name the catalogue lacks
// are skipped. False when the file is too short for its header (the scene is then empty).
bool parseScene(const uint8_t* bytes, int32_t size);
// One placed object as the scene file stores it.
struct SceneRecord {
    char name[CATALOGUE_NAME_SIZE + 1];  // the 32-byte field, always terminated here
    float left, top, right, bottom, angle, scrollX, scrollY;
    uint8_t mirrored;
    int32_t firstPass;
};
// The number of whole object records a scene file of size bytes holds (0 when it is shorter
// than its header); *declared receives the count its header gives (0 when there is none).
int32_t sceneRecordsInFile(const uint8_t* bytes, int32_t size, int32_t* declared);
// Record i of a scene file; i must be below sceneRecordsInFile.
void readSceneRecord(const uint8_t* bytes, int32_t i, SceneRecord* out);
// The animation rule of an object name.
BackdropRule backdropRule(const char* name);

// Part of the loading phase: reads the catalogue in the folder "AnimBacks" (loading every
// texture and composite it names), checks that the scenes 0..15 exist (a missing one is a fatal
// load error) and lets pictures load from now on.
void loadBackdropCatalogue();
// Shows backdrop n at once (outside 0..17: 0). Choosing the current number reloads nothing;
// otherwise the old picture is released and the new picture and scene are loaded when next
// drawn, unless a cross-fade towards n hands its picture over. Any cross-fade ends. A missing
// picture stops the program with the texture loader's message.
void setBackdrop(int number);
// Starts a 3000 ms cross-fade towards backdrop n (outside 0..17: 0); its picture, loaded when
// next drawn, is the next picture. setBackdrop(n) completes the cross-fade: the new scene's
// objects then start their clocks at 0 and fade in over 500 ms.
void prepareBackdrop(int number);
// True while a cross-fade has run its course and holds, showing the next picture, until
// setBackdrop completes it.
bool backdropFadeHeld();
// Tint presets: 0 = (0.8, 0.8, 1, 1), 1 = (1, 0.8, 0.8, 1), 2 = white; others are ignored.
void setBackdropTint(int preset);
// Queues a sprite drawn over the backdrop this frame (after the spray); false when 128 are queued.
bool queueBackdropSprite(const ExtraSprite& sprite);
// Once per frame before everything in front of it: advances the tint, the cross-fade and the
// animations by app.frameMs and draws the first pass, the picture, the second pass, the spray and
// the queued sprites (with the camera move when asked). Chooses backdrop 0 when none was chosen
// yet. Before the loading phase nothing is drawn.
void drawBackdrop(bool withCameraMove);
// The texture rectangle of a placed object at a program clock (ms) by its rule: a sky's u
// scrolls, waterfalls and water are offset by their scroll speeds, mirrored objects run u from
// right to left.
Rect backdropObjectUv(const PlacedObject& object, const Texture* texture, double clockMs);
// The leaves' swing for an object clock: the angle added to the base angle (degrees).
float leavesSwing(const char* name, float t);
