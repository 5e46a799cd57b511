#pragma once
// Operations of game parts that are not built yet and that the board engine calls: in-game
// tips, score pop-ups, debris and square pieces, the move counter display, level limits,
// backdrops and the profile's saved-game flag; and saveAll of persist/settings.h (writing the
// settings, profiles, records and high scores), recorded as "saveAll".
// Each records its request (showTip also keeps the profile's once-only tip flags) (app/core/requestlog.h) and does nothing else; the records let
// tests check which tip, pop-up or piece a rule asked for.

// Opens the in-game tip panel of a text key at (x, y). Recorded as "showTip" with x, y. A tip
// with a profile flag (play.tipFlags) is shown once: nothing happens while its flag is clear.
void showTip(const char* key, float x, float y, float delayMs = 0.0f, bool needsButton = false, int arrow = 0);
// A rising "+value" at (x, y). Recorded as "addScorePopup", a = value.
void addScorePopup(float x, float y, int value);
// Figure-break debris. Recorded as "spawnDebris", a = colour, b = kind.
void spawnDebris(int colour, float x, float y, int kind);
// Flying quarters of a worn square. Recorded as "spawnSquarePiece", a = old tile value.
void spawnSquarePiece(float x, float y, int oldTile);
// The HUD's move display learns that a move was made. Recorded as "moveMade".
void noteMoveMade();
// Time and move limits of the started level. Recorded as "applyLimits".
void applyLimits();
// Backdrop of the level and its tint preset. Recorded as "setBackdrop" / "setBackdropTint", a = number.
void setBackdrop(int number);
void setBackdropTint(int preset);
// Clears the current profile's saved-game flag of a mode. Recorded as "clearSavedGameFlag", a = mode.
void clearSavedGameFlag(int mode);
