#pragma once
// Stage pictures and the artefact screen. Beside the map the artefact picture of the current
// stage lies under a cover of ten pieces; each completed level of the stage uncovers the next
// tenth (the newly uncovered piece blinks once the sparks of the map have reached it). When a
// stage is complete, the artefact screen shows the whole picture large with the stage's title
// and story until the player presses "ok".
//
// Covers: cover i (1..10) hides pieces i-1..9. It is drawn as "mask\zaglushka.jpg" with the
// alpha of "mask\mask%i.tga", and "mask\cover%i.tga" (the engraved ornament of the same
// pieces, transparent elsewhere) over it.
#include "core/math.h"

#include <cstdint>

constexpr int COVER_PIECES = 10;
constexpr float STAGE_PICTURE_SIZE = 256.0f;
constexpr float REVEAL_END_PHASE = 15.707964f;  // 5 pi: the blink's end (0.007 t)
constexpr float DUE_END_MS = 10000.0f;

extern const Vec2 COVER_PIECE_OFFSETS[COVER_PIECES];

struct StagePicture {
    int stage;               // 0..14
    Vec2 centre;             // (256, 156)
    float size;              // 256
    float progress;          // 0..1
    float progressBefore;
    int coverStep;           // trunc(progress * 10)
    int coverStepBefore;
    uint8_t reveal;          // the newly uncovered piece blinks
    float revealTimer;
    uint8_t due;             // a level was completed; the cover waits for the sparks
    float dueTimer;
    Vec2 piecePoints[COVER_PIECES];  // screen units, pieces coverStepBefore..coverStep-1
    int pieceCount;
};

// Artefact screen states: -1 closed; 0 the picture moves to (0, 100) and grows; 1 the panel
// opens; 2 full panel until "ok"; 3 the panel closes; 4 the picture flies to the stage icon.
struct ArtefactPanel {
    int state;
    float timer;
    Vec2 iconPos;   // the stage icon on the map (screen units)
    int stage;
};

constexpr float ARTEFACT_MOVE_MS = 1000.0f;
constexpr float ARTEFACT_OPEN_MS = 500.0f;
constexpr float ARTEFACT_CLOSE_MS = 300.0f;
constexpr float ARTEFACT_FLY_MS = 1000.0f;
constexpr float ARTEFACT_PANEL_HEIGHT = 560.0f;

struct StagePictureState {
    StagePicture picture;
    ArtefactPanel panel;
};

extern StagePictureState stagePictures;

void resetStagePictures();
// Loads the fifteen art pictures, "zaglushka.jpg" and the ten covers (with a device).
bool loadStagePictures();
void releaseStagePictures();

// Progress of stage s from its done and total level counts; clamps the stage number to 0..14
// and rebuilds the piece points.
void setStageProgress(int stage, int done, int total);
// Cover i to draw for a step (1..10), 0 for no cover.
int coverForStep(int step);
// Starts the blink of the newly uncovered piece (the first spark has arrived).
void startReveal();
// A level was completed for the first time: the cover pulses until the reveal.
void startDue();
// Advances the reveal and due timers.
void updateStagePicture(float dt);
// The stage picture beside the map (the caller decides whether it shows).
void drawStagePicture(bool covered);
// The whole picture of a stage at a centre and size, with an alpha (the hover fade).
void drawArtefactPicture(int stage, const Vec2& centre, float size, int alpha);
// The title and the story of a stage beside the map.
void drawStageTexts(int stage);

// Opens the artefact screen of a stage with its icon's screen position.
void openArtefactPanel(int stage, const Vec2& iconPos);
bool artefactPanelOpen();
// Advances the panel; returns true in the frame it closes (state 5).
bool updateArtefactPanel(float dt);
void drawArtefactPanel();
// A click while the panel is open: true when it hit "ok" (state 2 only).
bool artefactPanelClick(const Vec2& pointer);
// The "ok" hit area in state 2 (grows over 600 ms to 160 x 56 about (0, -220)).
Rect artefactOkArea();
// Centre and size of the picture in the current panel state.
void artefactPictureAt(Vec2* centre, float* size);
// Panel height in the current state.
float artefactPanelHeight();
