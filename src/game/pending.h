#pragma once
// Operations of game parts that are not built yet and that the board engine calls: the move
// counter display. It records its request (core/requestlog.h) and does nothing else; the record
// lets tests check what a rule asked for.
// The tip panel (showTip), the score pop-ups (addScorePopup), the limits (applyLimits), the
// debris and the square pieces (game/boardrender.h) are built; their headers come with this one
// for the board's callers, and so do the backdrops' (effects/backdrops.h).
#include "effects/backdrops.h"
#include "game/boardrender.h"
#include "game/hud.h"
#include "game/limits.h"
#include "game/scoring.h"

// The HUD's move display learns that a move was made. Recorded as "moveMade".
void noteMoveMade();
