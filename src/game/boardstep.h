#pragma once
// The board's engine: the per-frame step (blasts, resolve, gravity, motion, labelling), the
// set-up fill, the recolour wave of a board without moves, the idle hint and board tips, the
// cleared-level check and the board motion of a completed level. Clicks (game/click.h) and
// blasts (game/bonus.h) only mark figures; the contents of the board change here.

// Most times the set-up fill starts over on a board without a group before giving up.
constexpr int SETUP_FILL_MAX_ATTEMPTS = 1000;

// All places at rest and no free figure able to fall straight or sideways.
bool isIdle();
// True when some free figure has an empty place straight below it.
bool straightFallPending();
// Labels every group of like figures (groupStep, groupId, groupCount); true if one of two or more exists.
bool labelGroups();
// Puts random figures on every place the level left empty and starts over (up to
// SETUP_FILL_MAX_ATTEMPTS times) until a group exists. False when it gave up.
bool setUpBoard();
// One board step: blasts, resolve, cleared check, gravity, motion, labelling and the idle hint timer.
void boardStep();
// Parts of the board step, exposed for tests and the benchmark.
void resolveStep();
void applyGravity();
void moveFigures();
// Gives the place a new random figure entering from one place above.
void newFigure(int row, int col);
// True when no square is left and the level was neither won nor lost before: the level-complete
// sequence starts (startLevelComplete).
bool checkLevelCleared();
// The board's side of a won level: the fly-off style and every tile's start delay.
void prepareFlyOff();

// No-moves recolour wave.
void startRecolourWave();
// Advanced once per drawn frame.
void stepRecolourWave();
// The drawing pass's board logic: the idle hint and the board-driven tips.
void runHintAndTips();
// Bonus-created label timers (counted down per drawn frame).
void updateBonusLabels();
// Board motion of the level-complete sequence at its clock t (ms since the win). The tiles are
// thrown from 2000 ms; from FLY_OFF_FADE_MS they fade out while they fly on, and at
// FLY_OFF_END_MS they are gone and the motion ends.
constexpr float FLY_OFF_FADE_MS = 5000.0f;
constexpr float FLY_OFF_END_MS = 5800.0f;
void levelCompleteMotion(float t);
// The opacity of the flying tiles at the sequence clock t: 1 until FLY_OFF_FADE_MS, 0 from
// FLY_OFF_END_MS.
float flyOffAlpha(float t);

// The board's parts of the game frame (gameflow.h gameFrame): boardUpdate is the level clock
// and, unless the board is frozen, the step, the hammer meter and the hover; boardPassLogic is
// the board logic of the drawing pass. boardFrame runs the two back to back, the board alone
// as the game frame runs it (the board's own tests use it).
void boardUpdate();
void boardPassLogic();
void boardFrame();
