#pragma once
// The planning bot's forecast: what the player can see of the board (tiles, chains, figures and
// their bonuses) in a compact copy, and the game's rules for a click, a hammer strike, the
// blasts they set off, the breaking and the fall of the figures, played out at once instead of
// frame by frame. New figures come from the forecast's own random stream, never from the
// game's, so the bot knows no more of the future than a player does. The forecast chooses the
// move; the move itself goes to the game through the player's click route (bot.h).
#include <cstdint>

#include "game/board.h"

struct PlanCell {
    int8_t tile;     // -1 hole, 0 bare tile, 1 square, 2 dual square
    int8_t chained;
    int8_t colour;   // -1 no figure
    int8_t bonus;    // BonusKind as a number
    int8_t queued;   // a second bonus waiting on the same figure
    int8_t state;    // 0 at rest, 1 breaking (fires its bonus), 2 struck by thunder
    int8_t hit;      // its square or chain is hit when the board resolves
    int8_t pad;
};

struct PlanBoard {
    PlanCell cells[BOARD_ROWS][BOARD_COLS];
    int colourCount;
    int lastColour;     // colour of the last group clicked
    int sameColourRun;  // clicks on that colour in a row before this one (a thunder at 3)
    uint32_t random;    // the forecast's own random stream
};

struct PlanMove {
    int row;
    int col;
    bool hammer;  // a hammer strike instead of a click
};

// How a settled board is valued; bigger is better.
struct PlanWeights {
    float target = 10.0f;     // each square layer or chain left
    float reachable = 1.5f;   // each of them under a group that can be clicked now
    float bonus = 4.0f;       // each free bonus figure (the beam bombs count 1.5, mega 2.5)
    float groups = 0.15f;     // each figure that belongs to a group of two or more
    float noMoves = 6.0f;     // a board without a group (the game recolours it)
    float move = 3.0f;        // each click used
    float hammer = 1.0f;      // a hammer strike used
    float won = 1000.0f;      // no square left
};

// How far and how wide the bot looks.
struct PlanSearch {
    int depth = 2;     // 1: every move once; 2: the best `width` of those followed by every reply
    int width = 4;
    int samples = 1;   // forecasts per move (different refills), averaged
};

// The game's board (the figures as drawn) and the click counters the player knows of.
void planFromGame(PlanBoard& out, uint32_t seed);
// A click on the place: false (board unchanged) when it holds no figure of a group of two or more.
bool planClick(PlanBoard& b, int row, int col);
// A hammer strike on a place with a figure; false when it holds none.
bool planHammer(PlanBoard& b, int row, int col);
// Square layers and chains left.
int planTargets(const PlanBoard& b);
// The value of a settled board.
float planValue(const PlanBoard& b, const PlanWeights& w);
// The best move on a settled board, the hammer counted only when hammerReady; false when the
// board has no move. `evaluated` (may be null) counts the forecasts made.
bool planChoose(const PlanBoard& b, bool hammerReady, const PlanWeights& w, const PlanSearch& s, PlanMove* out,
                long* evaluated);
