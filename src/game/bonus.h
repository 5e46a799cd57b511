#pragma once
// Bonus blasts: a breaking carrier registers a `BlastRecord` in the ring of 150; the driver
// starts it on the level clock, marks the figures in its area, throws figures above it up,
// sweeps its beams, builds thunder bolt sets and shakes the view. Carriers broken by a blast go
// off 150 ms after it, so chains of blasts follow one another.
#include "game/board.h"

// 250 for Bomb, 500 for Thunder, 700 for the beam bombs; 0 for anything else.
float blastDuration(BonusKind kind);
// Registers a blast for every breaking carrier; delaySteps of 150 ms each (0 after a click).
void fireBreakingBonuses(int delaySteps);
// The blast driver, run first in every board step (also runs the view shake).
void runBlasts();
// Forgets the thunder bolt sets of the last move (every click and hammer strike).
void forgetThunderDrawings();
// The view shake of explosions, advanced once per frame.
void updateShake();
