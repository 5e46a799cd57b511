#pragma once
// The board: 11 rows by 12 columns of places (`Cell`) holding tiles and figures, the
// board-wide values of a level, the blast ring and the thunder bolt sets. There is exactly
// one board (`board`); the saved game stores the cell records and the blast ring byte for
// byte, so `Cell` and `BlastRecord` are file layouts as well as memory layouts.
#include <cstddef>
#include <cstdint>

#include "core/math.h"

constexpr int BOARD_ROWS = 11;
constexpr int BOARD_COLS = 12;
constexpr int BOARD_CELLS = BOARD_ROWS * BOARD_COLS;
constexpr float CELL_PITCH = 54.0f;
constexpr int FIGURE_IMAGE_COUNT = 17;
constexpr int MAX_COLOURS = 17;
constexpr int BLAST_RING_SIZE = 150;
constexpr int BOLT_SET_COUNT = 16;
constexpr int BOLTS_PER_SET = 64;
// Bounds of the hammer meter (kept in the board state as hammerFull and hammerEmpty too).
constexpr float HAMMER_FULL = 0.88f;
constexpr float HAMMER_EMPTY = 0.18f;

// What a figure carries; any value outside 0..5 counts as None.
enum class BonusKind : int32_t {
    None = 0,
    Bomb = 1,
    Thunder = 2,
    CrossBomb = 3,
    DiagonalBomb = 4,
    MegaBomb = 5,
};

enum class FigureState : int32_t {
    Idle = 0,      // lies still or falls
    Breaking = 1,  // removed by a click or a blast, leaves at the next resolve step
    Struck = 3,    // hit by a thunder of its colour; breaks like Breaking
};

// One place of the board: 116 bytes, little-endian, no implicit padding.
struct Cell {
    int32_t tile;              // -1 hole, 0 bare tile, 1 square, 2 dual square
    int32_t chained;           // 1: a chain holds the figure
    // Bytes 8..55 are the figure's part of the record; they move with the figure.
    Vec2 offset;               // displacement from the place's centre while falling or sliding
    int32_t colour;            // 0..colourCount-1; -1 no figure
    int32_t animFrame;
    BonusKind bonus;
    BonusKind queuedBonus;     // replaces `bonus` after the first has fired
    uint8_t recolourPending;   // waiting for the recolour wave
    uint8_t pad33[3];
    float fallSpeed;
    float bonusTimer;          // ms left of the bonus-created label
    uint8_t sliding;           // moving sideways into a gap (1.5 times faster)
    uint8_t highlighted;
    uint8_t sweepPending;      // figure is drawn only while set
    uint8_t pad47;
    float animHoldMs;
    float animClockMs;
    // End of the figure's part.
    FigureState state;
    uint8_t hit;               // reached by a click or blast in this step
    uint8_t pad61[3];
    uint8_t reserved64[8];
    int32_t groupStep;         // distance from the group's seed, -1 not in a group
    int32_t groupId;           // group number, -1 not in a group of two or more
    Vec2 jiggle;               // extra draw displacement of tile and chain
    Vec2 flyVelocity;          // tile fly-off after a won level
    uint8_t reserved96[8];
    float reserved104;         // always 0
    int32_t scoreGain;         // points earned here in the current resolve step
    float timer;               // level-complete motion timer
};

constexpr size_t FIGURE_PART_OFFSET = 8;
constexpr size_t FIGURE_PART_SIZE = 48;

// A pending or running bonus blast: 44 bytes, saved raw in a ring of 150.
struct BlastRecord {
    BonusKind kind;   // None: free slot
    int32_t row;
    int32_t col;
    Vec2 centre;
    float elapsedMs;
    float startAtMs;  // board clock at which it starts
    float durationMs;
    uint8_t started;
    uint8_t rays[8];  // down, up, right, left, down-right, up-right, down-left, up-left
    uint8_t pad41[3];
};

// One bolt end of a thunder bolt set: 20 bytes.
struct BoltEntry {
    uint8_t active;
    uint8_t pad1[3];
    Vec2 centre;
    Color colour;
    float lifeMs;
};

enum RayIndex { RayDown, RayUp, RayRight, RayLeft, RayDownRight, RayUpRight, RayDownLeft, RayUpLeft };

struct Board {
    Cell cells[BOARD_ROWS][BOARD_COLS];

    int32_t colourCount;
    int32_t figureImage[FIGURE_IMAGE_COUNT];
    int32_t targetsTotal;
    int32_t targetsLeft;

    // The hovered group; member 0 is the place under the cursor.
    int32_t groupCols[BOARD_CELLS];
    int32_t groupRows[BOARD_CELLS];
    Vec2 groupCentres[BOARD_CELLS];
    int32_t groupColour;
    int32_t groupSize;

    BlastRecord blasts[BLAST_RING_SIZE];
    int32_t nextBlast;
    BoltEntry boltSets[BOLT_SET_COUNT][BOLTS_PER_SET];
    int32_t nextBoltSet;
    uint8_t thunderColourDone[8];
    uint8_t shakeOn;
    float shakeClockMs;
    Vec2 shakeOffset;           // view offset of the explosion shake

    float boardClockMs;         // ms since the level started

    // Board step.
    float idleTimerMs;
    float busyMs;
    int32_t groupCount;
    float hintTimerMs;
    float hintDelayMs;
    int32_t hintGroup;
    uint8_t hintShown;
    uint8_t recolourWaveOn;
    float recolourClockMs;
    int32_t flyOffStyle;        // chosen when the level is cleared

    // Clicks.
    uint8_t hoverValid;
    int32_t lastGroupColour;
    int32_t sameColourRun;
    int32_t quickClicks;
    int32_t clicksSinceThunder;
    int32_t thunderRuns;
    int32_t bombSizeRuns;
    int32_t megaSizeRuns;
    int32_t bombUseRun;
    int32_t megaUseRun;
    int32_t thunderUseRun;
    uint8_t allClicksOnTargets;

    // Hammer.
    float hammerShown;
    float hammerTarget;
    float hammerFull;
    float hammerEmpty;
    uint8_t hammerReady;
    uint8_t hammerArmed;
    uint8_t hammerCursor;       // 1 while the pointer shows the hammer

    // A left click the board could not take yet (figures moving, settle timer running): the
    // latest one, at its client position, played once the board is at rest.
    uint8_t clickHeld;
    int32_t heldClickX;
    int32_t heldClickY;
    float heldClickAgeMs;
};

extern Board board;

// Zeroes the whole board state (tests; program start).
void resetBoard();

// A place inside the grid that is not a hole.
inline bool hasCell(int row, int col)
{
    if (row < 0 || row >= BOARD_ROWS || col < 0 || col >= BOARD_COLS) return false;
    return board.cells[row][col].tile >= 0;
}
// A place that holds a figure.
inline bool hasFigure(int row, int col) { return hasCell(row, col) && board.cells[row][col].colour >= 0; }
// Centre of a place in centred screen coordinates. Column first.
Vec2 cellCentre(int col, int row);
struct CellPos {
    int col;
    int row;
};
// The place under a point; may lie outside the grid (a point left of the board gives -1).
CellPos cellAt(float x, float y);
Cell& cellRef(int row, int col);

// Start of a level: every record zeroed, blast ring, group and counters zeroed.
void clearBoard();
// Takes the figure off a place (also restarts the idle hint and feeds the hammer meter).
void clearFigure(int row, int col);
void countTargets();
// Copies the figure's part of a record (bytes 8..55) to another place.
void copyFigurePart(Cell& to, const Cell& from);
bool isBonus(BonusKind kind);
// Identity mapping 0..16.
void resetFigureImages();

// Cheat-key effects.
void cheatClearSquares();
void cheatCycleBonus(int row, int col);

// Uniform random numbers through the project's 15-bit generator (core/random.h):
// an integer 0..n-1 (0 when n <= 0) and a float 0..max.
int randomBelow(int n);
// 0..n-1 from the rules' stream (core/random.h): what the rules depend on draws only here.
int rulesBelow(int n);
float randomUpTo(float max);
