#include "game/savegame.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "core/appstate.h"
#include "core/dialogport.h"
#include "game/board.h"
#include "game/boardrender.h"
#include "game/playstate.h"
#include "persist/profile.h"
#include "persist/settings.h"
#include "platform/os/files.h"
#include "trophies/trophyroom.h"

namespace {

// How a piece of the image is checked before it is read over the game state.
enum class Check {
    None,      // any bytes
    Range,     // int32 in lo..hi
    Finite,    // float, not NaN or infinite
    Flag,      // byte 0 or 1
    Mode,      // byte: the mode of the file being read
    Cells,     // the 132 cell records
    Blasts,    // the blast ring
    Debris,    // the debris ring
    Bolts,     // the thunder bolt sets
    Images,    // the 17 figure image indices: 0..16
    Flags8,    // 8 bytes, each 0 or 1
    Vec2Pair,  // two finite floats
};

// One piece of the image: a field of the game state. Blocks are runs of pieces; the blocks' sizes
// are the file's layout and never change.
struct Piece {
    int block;
    void* field;
    int size;
    Check check;
    int32_t lo;
    int32_t hi;
};

constexpr int32_t BIG = 0x7FFFFFFF;

// The layout, in file order (docs/persist.md lists it with the meaning of each block).
constexpr Piece PIECES[] = {
    {0, boardRender.debris, sizeof boardRender.debris, Check::Debris, 0, 0},
    {1, board.blasts, sizeof board.blasts, Check::Blasts, 0, 0},
    {2, board.cells, sizeof board.cells, Check::Cells, 0, 0},
    {3, board.boltSets, sizeof board.boltSets, Check::Bolts, 0, 0},
    {4, &board.hammerShown, 4, Check::Finite, 0, 0},
    {4, &board.hammerTarget, 4, Check::Finite, 0, 0},
    {4, &board.hammerFull, 4, Check::Finite, 0, 0},
    {4, &board.hammerEmpty, 4, Check::Finite, 0, 0},
    {5, &board.nextBlast, 4, Check::Range, 0, BLAST_RING_SIZE - 1},
    {6, &boardRender.nextDebris, 4, Check::Range, 0, DEBRIS_RING - 1},
    {7, &board.colourCount, 4, Check::Range, 1, MAX_COLOURS},
    {7, board.figureImage, sizeof board.figureImage, Check::Images, 0, 0},
    {7, &board.targetsTotal, 4, Check::Range, 0, BOARD_CELLS * 3},
    {7, &board.targetsLeft, 4, Check::Range, -BIG, BIG},
    {7, &board.nextBoltSet, 4, Check::Range, 0, BOLT_SET_COUNT - 1},
    {8, &board.idleTimerMs, 4, Check::Finite, 0, 0},
    {8, &board.busyMs, 4, Check::Finite, 0, 0},
    {8, &board.hintDelayMs, 4, Check::Finite, 0, 0},
    {8, &board.recolourClockMs, 4, Check::Finite, 0, 0},
    {8, &board.boardClockMs, 4, Check::Finite, 0, 0},
    {9, &play.levelIndex, 4, Check::Range, 0, LEVELS_PER_MODE - 1},
    {10, &play.movesMade, 4, Check::Range, 0, BIG},
    {11, &play.moveLimit, 4, Check::Range, 0, BIG},
    {12, &play.levelScore, 4, Check::Range, -BIG, BIG},
    {13, &play.colourStreak, 4, Check::Range, 0, BIG},
    {14, &play.bestStreak, 4, Check::Range, 0, BIG},
    {15, &play.comboCount, 4, Check::Range, 0, BIG},
    {16, &play.bankedScore, 4, Check::Range, -BIG, BIG},
    {17, &play.shownLevelScore, 4, Check::Range, -BIG, BIG},
    {18, &board.groupCount, 4, Check::Range, 0, BOARD_CELLS / 2},
    {19, &board.hintGroup, 4, Check::Range, -1, BOARD_CELLS},
    {20, &board.lastGroupColour, 4, Check::Range, -1, MAX_COLOURS - 1},
    {21, &board.sameColourRun, 4, Check::Range, 0, BIG},
    {22, &board.quickClicks, 4, Check::Range, 0, BIG},
    {23, &board.clicksSinceThunder, 4, Check::Range, 0, BIG},
    {24, &board.thunderRuns, 4, Check::Range, 0, BIG},
    {25, board.thunderColourDone, 8, Check::Flags8, 0, 0},
    {26, &board.shakeOffset, 8, Check::Vec2Pair, 0, 0},
    {27, &dialogPort.open, 1, Check::Flag, 0, 0},
    {28, &play.gameMode, 1, Check::Mode, 0, 0},
    {29, &play.gameInProgress, 1, Check::Flag, 0, 0},
    {30, &board.hintShown, 1, Check::Flag, 0, 0},
    {31, &board.recolourWaveOn, 1, Check::Flag, 0, 0},
    {32, &board.hammerReady, 1, Check::Flag, 0, 0},
    {33, &board.allClicksOnTargets, 1, Check::Flag, 0, 0},
    {34, &app.globalTimeMs, 4, Check::Finite, 0, 0},
    {35, &play.timeLimitMs, 4, Check::Finite, 0, 0},
    {36, &play.timeUsedMs, 4, Check::Finite, 0, 0},
    {37, &play.limitClockMs, 4, Check::Finite, 0, 0},
    {38, &play.movesShown, 4, Check::Finite, 0, 0},
    {39, &play.warnTickMs, 4, Check::Finite, 0, 0},
    {40, &play.playClockMs, 4, Check::Finite, 0, 0},
    {41, &board.bombSizeRuns, 4, Check::Range, 0, BIG},
    {42, &board.megaSizeRuns, 4, Check::Range, 0, BIG},
    {43, &board.bombUseRun, 4, Check::Range, 0, BIG},
    {44, &board.megaUseRun, 4, Check::Range, 0, BIG},
    {45, &board.thunderUseRun, 4, Check::Range, 0, BIG},
};
constexpr int PIECE_COUNT = sizeof PIECES / sizeof PIECES[0];

constexpr int BLOCK_SIZES[SAVED_GAME_BLOCKS] = {
    9000, 6600, 15312, 20480, 16, 4, 4, 84, 20,
    4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4,
    8, 8,
    1, 1, 1, 1, 1, 1, 1,
    4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4,
};

constexpr int sumBlocks()
{
    int total = 0;
    for (int size : BLOCK_SIZES) total += size;
    return total;
}
static_assert(sumBlocks() == SAVED_GAME_SIZE, "the saved game is 51655 bytes");

// Every block is exactly filled by its pieces, in block order.
constexpr bool piecesFillBlocks()
{
    int block = 0;
    int filled = 0;
    for (const Piece& piece : PIECES) {
        if (piece.block == block + 1 && filled == BLOCK_SIZES[block]) {
            block++;
            filled = 0;
        }
        if (piece.block != block) return false;
        filled += piece.size;
    }
    return block == SAVED_GAME_BLOCKS - 1 && filled == BLOCK_SIZES[block];
}
static_assert(piecesFillBlocks(), "the pieces of the saved game fill its 46 blocks");
static_assert(sizeof(Debris) * DEBRIS_RING == 9000 && sizeof(BlastRecord) * BLAST_RING_SIZE == 6600);
static_assert(sizeof(Cell) * BOARD_CELLS == 15312 && sizeof(BoltEntry) * BOLT_SET_COUNT * BOLTS_PER_SET == 20480);

template <typename T>
T readAt(const uint8_t* p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

bool finite(float f) { return std::isfinite(f); }
bool flag(uint8_t b) { return b <= 1; }
bool finiteVec(const Vec2& v) { return finite(v.x) && finite(v.y); }

bool validBonus(BonusKind k)
{
    int32_t v = static_cast<int32_t>(k);
    return v >= 0 && v <= 5;
}

bool validCells(const uint8_t* p, int colourCount)
{
    for (int i = 0; i < BOARD_CELLS; i++) {
        Cell c = readAt<Cell>(p + static_cast<size_t>(i) * sizeof(Cell));
        if (c.tile < -1 || c.tile > 2 || c.chained < 0 || c.chained > 1) return false;
        if (c.colour < -1 || c.colour >= colourCount) return false;
        if (c.animFrame < 0 || c.animFrame > 31) return false;
        if (!validBonus(c.bonus) || !validBonus(c.queuedBonus)) return false;
        int32_t st = static_cast<int32_t>(c.state);
        if (st != 0 && st != 1 && st != 3) return false;
        if (!flag(c.recolourPending) || !flag(c.sliding) || !flag(c.highlighted) || !flag(c.sweepPending) || !flag(c.hit))
            return false;
        if (c.groupStep < -1 || c.groupStep >= BOARD_CELLS || c.groupId < -1 || c.groupId >= BOARD_CELLS) return false;
        if (!finiteVec(c.offset) || !finite(c.fallSpeed) || !finite(c.bonusTimer) || !finite(c.animHoldMs) ||
            !finite(c.animClockMs) || !finiteVec(c.jiggle) || !finiteVec(c.flyVelocity) || !finite(c.timer))
            return false;
    }
    return true;
}

bool validBlasts(const uint8_t* p)
{
    for (int i = 0; i < BLAST_RING_SIZE; i++) {
        BlastRecord b = readAt<BlastRecord>(p + static_cast<size_t>(i) * sizeof(BlastRecord));
        if (!validBonus(b.kind)) return false;
        if (b.kind == BonusKind::None) continue;
        if (b.row < 0 || b.row >= BOARD_ROWS || b.col < 0 || b.col >= BOARD_COLS) return false;
        if (!finiteVec(b.centre) || !finite(b.elapsedMs) || !finite(b.startAtMs) || !finite(b.durationMs)) return false;
        if (!flag(b.started)) return false;
        for (uint8_t r : b.rays) {
            if (!flag(r)) return false;
        }
    }
    return true;
}

bool validDebris(const uint8_t* p)
{
    for (int i = 0; i < DEBRIS_RING; i++) {
        Debris d = readAt<Debris>(p + static_cast<size_t>(i) * sizeof(Debris));
        if (d.colourPlusOne < 0 || d.colourPlusOne > MAX_COLOURS) return false;
        if (d.colourPlusOne == 0) continue;
        if (d.frame < 0 || d.frame > 31) return false;
        if (!finiteVec(d.position) || !finiteVec(d.drawOffset) || !finiteVec(d.velocity) || !finite(d.frameTimerMs))
            return false;
    }
    return true;
}

bool validBolts(const uint8_t* p)
{
    for (int i = 0; i < BOLT_SET_COUNT * BOLTS_PER_SET; i++) {
        BoltEntry e = readAt<BoltEntry>(p + static_cast<size_t>(i) * sizeof(BoltEntry));
        if (!flag(e.active)) return false;
        if (e.active && (!finiteVec(e.centre) || !finite(e.lifeMs))) return false;
    }
    return true;
}

// Offset of the first piece of every kind that later checks need.
int pieceOffset(const void* field)
{
    int offset = 0;
    for (const Piece& piece : PIECES) {
        if (piece.field == field) return offset;
        offset += piece.size;
    }
    return -1;
}

bool validPiece(const Piece& piece, const uint8_t* p, int colourCount, int mode)
{
    switch (piece.check) {
    case Check::None:
        return true;
    case Check::Range: {
        int32_t v = readAt<int32_t>(p);
        return v >= piece.lo && v <= piece.hi;
    }
    case Check::Finite:
        return finite(readAt<float>(p));
    case Check::Flag:
        return flag(p[0]);
    case Check::Mode:
        return p[0] == mode;
    case Check::Cells:
        return validCells(p, colourCount);
    case Check::Blasts:
        return validBlasts(p);
    case Check::Debris:
        return validDebris(p);
    case Check::Bolts:
        return validBolts(p);
    case Check::Images:
        for (int i = 0; i < FIGURE_IMAGE_COUNT; i++) {
            int32_t v = readAt<int32_t>(p + 4 * i);
            if (v < 0 || v >= FIGURE_IMAGE_COUNT) return false;
        }
        return true;
    case Check::Flags8:
        for (int i = 0; i < 8; i++) {
            if (!flag(p[i])) return false;
        }
        return true;
    case Check::Vec2Pair:
        return finite(readAt<float>(p)) && finite(readAt<float>(p + 4));
    }
    return false;
}

bool validForMode(const uint8_t* data, int32_t size, int mode)
{
    if (!data || size != SAVED_GAME_SIZE) return false;
    int colourOffset = pieceOffset(&board.colourCount);
    int32_t colourCount = readAt<int32_t>(data + colourOffset);
    if (colourCount < 1 || colourCount > MAX_COLOURS) return false;
    int offset = 0;
    for (const Piece& piece : PIECES) {
        if (!validPiece(piece, data + offset, colourCount, mode)) return false;
        offset += piece.size;
    }
    return true;
}

bool savedGamePath(int mode, char* out, int capacity)
{
    if (mode < 0 || mode >= MODE_COUNT || profileState.count <= 0) return false;
    int cur = profileState.current;
    if (cur < 0 || cur >= profileState.count) return false;
    return profileFilePath(cur, ProfileSaveAdventure + mode, out, capacity);
}

} // namespace

int savedGameBlockSize(int block)
{
    return block >= 0 && block < SAVED_GAME_BLOCKS ? BLOCK_SIZES[block] : 0;
}

void saveGameToBytes(uint8_t* out)
{
    int offset = 0;
    for (const Piece& piece : PIECES) {
        if (piece.check == Check::Mode) {
            out[offset] = static_cast<uint8_t>(play.gameMode);  // the mode is stored as one byte
        } else {
            std::memcpy(out + offset, piece.field, static_cast<size_t>(piece.size));
        }
        offset += piece.size;
    }
}

bool validSavedGame(const uint8_t* data, int32_t size)
{
    if (!data || size != SAVED_GAME_SIZE) return false;
    return validForMode(data, size, data[pieceOffset(&play.gameMode)]);
}

bool loadGameFromBytes(const uint8_t* data, int32_t size)
{
    if (!validSavedGame(data, size)) return false;
    int offset = 0;
    for (const Piece& piece : PIECES) {
        if (piece.check == Check::Mode) {
            play.gameMode = data[offset];
        } else {
            std::memcpy(piece.field, data + offset, static_cast<size_t>(piece.size));
        }
        offset += piece.size;
    }
    return true;
}

bool canSaveGame()
{
    if (!play.gameInProgress || !play.levelTouched || play.levelWon || play.levelLost || play.gameComplete ||
        play.gameMode < 0 || play.gameMode >= MODE_COUNT || profileState.count <= 0)
        return false;
    // The trophy room over the front end: the game was left before (the room's trip from the game
    // comes back to it, so there the game is still on).
    if (trophyRoom.open && trophyRoom.returnTarget != TROPHY_RETURN_GAME) return false;
    // Only for the player whose level it is.
    char stem[PROFILE_STEM_MAX];
    currentProfileStem(stem, sizeof stem);
    return std::strcmp(stem, play.profileStem) == 0;
}

bool saveGame()
{
    if (!canSaveGame()) return false;
    int mode = play.gameMode;
    char path[OS_PATH_MAX];
    if (!savedGamePath(mode, path, sizeof path) || !ensureSettingsFolder()) {
        reportFolderFailure();
        return false;
    }
    Profile& p = currentProfile();
    int32_t scoreBefore = p.score[mode];
    p.score[mode] = play.bankedScore + play.shownLevelScore;
    uint8_t* image = static_cast<uint8_t*>(std::malloc(SAVED_GAME_SIZE));
    bool ok = image != nullptr;
    if (ok) {
        saveGameToBytes(image);
        ok = osWriteFileAtomic(path, image, SAVED_GAME_SIZE);
        std::free(image);
    }
    // The flag only promises a game that is really on the disk, and the level's points go into
    // the profile's score only with it. A failed write leaves the file as it was: when that is an
    // earlier moment of this level's game (loaded or saved since the level began), it is still
    // the player's saved game and stays offered.
    if (ok) {
        p.savedGame[mode] = 1;
        play.savedOnDisk = 1;
        noteSaveSucceeded();
    } else {
        p.score[mode] = scoreBefore;
        p.savedGame[mode] = play.savedOnDisk ? 1 : 0;
        reportWriteFailure(path);
    }
    return ok;
}

bool loadGame()
{
    if (profileState.count <= 0) return false;
    int mode = profileMode();
    char path[OS_PATH_MAX];
    bool ok = false;
    if (savedGamePath(mode, path, sizeof path)) {
        int32_t size = 0;
        uint8_t* data = osReadFileLimited(path, SAVED_GAME_SIZE, &size);
        ok = data && validForMode(data, size, mode) && loadGameFromBytes(data, size);
        std::free(data);
    }
    if (!ok) {
        setProfileSavedGame(mode, false);
        return false;
    }
    play.gameInProgress = 1;
    play.levelTouched = 1;
    play.savedOnDisk = 1;
    currentProfileStem(play.profileStem, sizeof play.profileStem);
    return true;
}

void removeSavedGame(int mode)
{
    char path[OS_PATH_MAX];
    if (savedGamePath(mode, path, sizeof path)) osDeleteFile(path);
}
