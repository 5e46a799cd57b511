#pragma once
// The trophy room: a screen of its own over the trophy hall (backdrop 17) with its ambient birds
// and waterfall. Won trophies stand on their shelves in colour, the others show only as a softly
// pulsing glow; pointing at a trophy for two seconds shows its tip. Trophies won since the last
// visit are presented one by one, lowest number first, in a small dialog that grows, waits for its
// button and shrinks; then the trophy takes its place with a sparkle ("trophyadd2"). The exit
// button (or Escape) fades the room out and returns where the player came from: the main menu, a
// mode dialog, or the game.
//
// The screens are out of this module's reach: the shell sets the hooks of `trophyRoute`.
#include "core/math.h"
#include "graphics/textures.h"
#include "trophies/trophies.h"

#include <cstdint>

// Return targets of enterTrophyRoom: 0, 1, 2 a mode dialog ("adventure", "timeless", "puzzle").
constexpr int TROPHY_RETURN_MAIN = -1;  // the main menu
constexpr int TROPHY_RETURN_GAME = -2;  // the game, after an announced award
constexpr int TROPHY_ROOM_BACKDROP = 17;

constexpr float TROPHY_ROOM_QUIET_MS = 1000.0f;   // no interaction at first
constexpr float TROPHY_ROOM_FADE_MS = 1000.0f;    // fade in at entry, fade out when leaving
constexpr float TROPHY_TIP_DELAY_MS = 2000.0f;    // pointing time before the tip shows
constexpr float TROPHY_PRESENT_MS = 500.0f;       // growing and shrinking of the presentation
constexpr float TROPHY_EXIT_X = -364.0f, TROPHY_EXIT_Y = 264.0f, TROPHY_EXIT_SIZE = 64.0f;
constexpr float TROPHY_DIALOG_W = 400.0f, TROPHY_DIALOG_H = 250.0f;
constexpr float TROPHY_BUTTON_X = 0.0f, TROPHY_BUTTON_Y = -64.0f, TROPHY_BUTTON_W = 128.0f, TROPHY_BUTTON_H = 64.0f;

enum class Presentation : int32_t { Growing = 1, Waiting = 2, Shrinking = 3, Idle = 4 };

struct TrophyRoomState {
    uint8_t open;             // the room is showing (from enterTrophyRoom to the end of the fade)
    float clockMs;            // since entry
    int32_t returnTarget;     // 0..2, TROPHY_RETURN_MAIN or TROPHY_RETURN_GAME
    int32_t previousBackdrop; // restored when going back to the game
    char profile[PROFILE_STEM_MAX];  // whose trophies are shown (the profile's file stem)
    int32_t hovered;          // trophy index 0..16 under the pointer, -1 none
    float hoverMs;            // how long the pointer has been on it
    Presentation presentation;
    float presentMs;
    int32_t presented;        // trophy number being presented, 0 none
    uint8_t leaving;
    float leaveMs;
    uint8_t exitHovered;
    uint8_t picturesLoaded;
    Texture* image[TROPHY_COUNT];
    Texture* glow[TROPHY_COUNT];
    Texture* maskTarget;      // "masktex1": the hover test draws a trophy into it
    // The last opacity test, so a resting pointer is not tested again every frame.
    int32_t maskSlot;
    Vec2 maskPoint;
    uint8_t maskOpaque;
    int32_t maskTests;        // opacity tests made (since reset)
    int32_t visits;           // times the room was entered
};

extern TrophyRoomState trophyRoom;

// Where the room leads; set by the shell. Unset hooks are recorded in the request log
// ("toTrophyScreen", "trophyRoomToFrontEnd", "trophyRoomToGame").
struct TrophyRoute {
    void (*showRoom)();    // make the trophy screen current
    void (*toFrontEnd)();  // the menu screen with the front-end backdrop
    void (*toGame)();      // the game screen again
};
extern TrophyRoute trophyRoute;

void resetTrophyRoom();

// Loads the 34 pictures from the trophy folder (once; a missing one is fatal through the texture
// loader) and makes "masktex1". Called at entry; nothing happens without the definitions.
void loadTrophyPictures();

// Opens the room for the current player; target as above.
void enterTrophyRoom(int returnTarget);
// Runs when the leaving fade is over: every "new" flag is cleared and written, then by target:
// the front end with "main" or the mode dialog, or the game with its backdrop again.
void leaveTrophyRoom();

// Once per frame before drawing: clock, ambience, leaving fade, hover and tips, presentation.
void updateTrophyRoom();
// The trophy screen's key handler, once per frame with the pending key (0 for none): Escape saves
// the layout and leaves; Enter or Space closes a waiting presentation.
void trophyRoomKeyDown(int vk);
void trophyRoomPress();
void trophyRoomDoubleClick();
void trophyRoomRelease();
void trophyRoomHover();
// The backdrop, the trophies, the exit button, the tip and the presentation dialog.
void drawTrophyRoom();

// The room's brightness 0..1 (fading in at entry and out while leaving).
float trophyRoomTint();
// Only the trophies' slow glow and the backdrop's ambience move: the room has faded in, nothing
// is presented or waits to be, and it is not being left. Its idle frames may then come slower.
bool trophyRoomQuiet();
// Scale of the presentation dialog (0 when none shows).
float presentationScale();
// Is the pointer on trophy index (0..16)? Its rectangle first, then the picture's opacity under
// the pointer: drawn into "masktex1" and read back on the GL device, looked up in the picture's
// texels on the headless device.
bool trophyUnderPointer(int index, Vec2 pointer);
