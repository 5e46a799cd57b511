#include "game/board.h"

#include <cstring>

#include "core/random.h"

Board board;

static_assert(sizeof(Cell) == 116, "Cell is a file layout of 116 bytes");
static_assert(sizeof(BlastRecord) == 44, "BlastRecord is a file layout of 44 bytes");
static_assert(sizeof(BoltEntry) == 20, "BoltEntry is a file layout of 20 bytes");
static_assert(offsetof(Cell, offset) == FIGURE_PART_OFFSET, "figure part starts at the offset");
static_assert(offsetof(Cell, state) == FIGURE_PART_OFFSET + FIGURE_PART_SIZE, "figure part ends before the state");

namespace {

void zeroBytes(void* p, size_t n) { std::memset(p, 0, n); }

void setHammerConstants()
{
    board.hammerFull = HAMMER_FULL;
    board.hammerEmpty = HAMMER_EMPTY;
}

} // namespace

void resetBoard()
{
    zeroBytes(&board, sizeof board);
    setHammerConstants();
    board.colourCount = 8;
    resetFigureImages();
    board.hammerShown = board.hammerEmpty;
    board.hammerTarget = board.hammerEmpty;
    board.hintDelayMs = 6000.0f;
    board.lastGroupColour = -2;
    board.sameColourRun = 1;
    board.allClicksOnTargets = 1;
}

Vec2 cellCentre(int col, int row)
{
    return Vec2{CELL_PITCH * static_cast<float>(col) - 243.0f, 268.0f - CELL_PITCH * static_cast<float>(row)};
}

CellPos cellAt(float x, float y)
{
    float cx = x + 270.0f;
    float ry = 295.0f - y;
    // Lowering negative values by one pitch makes the truncating division round down.
    if (cx < 0.0f) cx -= CELL_PITCH;
    if (ry < 0.0f) ry -= CELL_PITCH;
    return CellPos{static_cast<int>(cx / CELL_PITCH), static_cast<int>(ry / CELL_PITCH)};
}

Cell& cellRef(int row, int col) { return board.cells[row][col]; }

void clearBoard()
{
    zeroBytes(board.cells, sizeof board.cells);
    for (auto& row : board.cells) {
        for (Cell& c : row) c.highlighted = 0;
    }
    zeroBytes(board.blasts, sizeof board.blasts);
    board.nextBlast = 0;
    zeroBytes(board.groupCols, sizeof board.groupCols);
    zeroBytes(board.groupRows, sizeof board.groupRows);
    zeroBytes(board.groupCentres, sizeof board.groupCentres);
    board.groupColour = 0;
    board.groupSize = 0;
    board.groupCount = 0;
    board.targetsTotal = 0;
    board.targetsLeft = 0;
    board.boardClockMs = 0.0f;
    board.idleTimerMs = 0.0f;
    board.busyMs = 0.0f;
    zeroBytes(board.boltSets, sizeof board.boltSets);
    board.nextBoltSet = 0;
    zeroBytes(board.thunderColourDone, sizeof board.thunderColourDone);
    board.shakeOn = 0;
    board.shakeClockMs = 0.0f;
    board.shakeOffset = Vec2{};
}

void clearFigure(int row, int col)
{
    Cell& c = board.cells[row][col];
    c.colour = -1;
    c.bonus = BonusKind::None;
    c.recolourPending = 0;
    c.offset = Vec2{};
    board.hintTimerMs = 0.0f;
    board.hintShown = 0;
    board.hammerTarget += 0.015f * (board.hammerFull - board.hammerEmpty);
}

void countTargets()
{
    int total = 0;
    for (const auto& row : board.cells) {
        for (const Cell& c : row) {
            if (c.chained) total += 1;
            if (c.tile > 0) total += c.tile;
        }
    }
    board.targetsTotal = total;
    board.targetsLeft = total;
}

void copyFigurePart(Cell& to, const Cell& from)
{
    std::memcpy(reinterpret_cast<unsigned char*>(&to) + FIGURE_PART_OFFSET,
                reinterpret_cast<const unsigned char*>(&from) + FIGURE_PART_OFFSET, FIGURE_PART_SIZE);
}

bool isBonus(BonusKind kind)
{
    int k = static_cast<int>(kind);
    return k >= 1 && k <= 5;
}

void resetFigureImages()
{
    for (int i = 0; i < FIGURE_IMAGE_COUNT; i++) board.figureImage[i] = i;
}

void cheatClearSquares()
{
    for (auto& row : board.cells) {
        for (Cell& c : row) {
            if (c.tile > 0) c.tile = 0;
        }
    }
}

void cheatCycleBonus(int row, int col)
{
    if (row < 0 || row >= BOARD_ROWS || col < 0 || col >= BOARD_COLS) return;
    Cell& c = board.cells[row][col];
    int k = static_cast<int>(c.bonus) + 1;
    if (k >= 6 || k < 0) k = 0;
    c.bonus = static_cast<BonusKind>(k);
}

int randomBelow(int n)
{
    if (n <= 0) return 0;
    return rand15() % n;
}

int rulesBelow(int n)
{
    if (n <= 0) return 0;
    return rulesRand15() % n;
}

float randomUpTo(float max)
{
    return static_cast<float>(rand15()) * max / static_cast<float>(RAND15_MAX);
}
