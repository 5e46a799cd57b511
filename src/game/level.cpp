#include "game/level.h"

#include "core/random.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <cerrno>
#include <cstring>

#include "core/appstate.h"
#include "audio/audio.h"
#include "game/boardkeys.h"
#include "game/board.h"
#include "game/boardstep.h"
#include "game/pending.h"
#include "game/playstate.h"
#include "persist/profile.h"
#include "platform/os/files.h"
#include "resources/files.h"
#include "resources/keyvalue.h"

LevelFilesState levelFiles;

const char* const FIGURE_IMAGE_NAMES[17] = {
    "coins", "nugget", "perl", "perls", "rings2", "rings3", "sack", "scepter", "bracelet",
    "brooch1", "crown", "dagger", "goblet", "locket1", "pot", "rings1", "diamond",
};

namespace {

bool isPlaceCode(unsigned char ch) { return ch == '.' || (ch >= '0' && ch <= 'z') || ch >= 0xC0; }

void setFixed(Cell& c, int colour, BonusKind bonus)
{
    c.tile = 2;
    c.chained = 1;
    c.colour = colour;
    c.bonus = bonus;
}

void applyPlaceCode(Cell& c, unsigned char ch)
{
    if (ch == '.') {
        c.tile = -1;
    } else if (ch >= '0' && ch <= '2') {
        c.tile = ch - '0';
        c.chained = 0;
        c.bonus = BonusKind::None;
    } else if (ch >= 'A' && ch <= 'O') {
        setFixed(c, ch - 'A', BonusKind::None);
    } else if (ch >= 0x51 && ch <= 0x5F) {
        setFixed(c, ch - 0x51, BonusKind::Bomb);
    } else if (ch >= 'a' && ch <= 'o') {
        setFixed(c, ch - 'a', BonusKind::Thunder);
    } else if (ch >= 'q' && ch <= 'z') {
        setFixed(c, ch - 'q', BonusKind::CrossBomb);
    } else if (ch >= 0xC0 && ch <= 0xCE) {
        setFixed(c, ch - 0xC0, BonusKind::DiagonalBomb);
    } else if (ch >= 0xD0 && ch <= 0xDE) {
        setFixed(c, ch - 0xD0, BonusKind::MegaBomb);
    }
    // Every other code consumes the place and leaves it a bare tile.
}

void readGrid(const char* text, int32_t size)
{
    const char* key = std::strstr(text, "level=");
    if (!key) return;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(key + 6);
    const unsigned char* end = reinterpret_cast<const unsigned char*>(text) + size;
    for (int place = 0; place < BOARD_CELLS; place++) {
        if (p >= end || *p == 0) return;
        if (end - p >= 4 && p[0] == '\r' && p[1] == '\n' && p[2] == '\r' && p[3] == '\n') return;
        while (p < end && *p != 0 && !isPlaceCode(*p)) p++;
        if (p >= end || *p == 0) return;
        applyPlaceCode(board.cells[place / BOARD_COLS][place % BOARD_COLS], *p);
        p++;
    }
}

// Enters the folder "levels" for the duration of a read and returns to where it was.
struct LevelsFolder {
    char previous[OS_PATH_MAX];
    bool entered = false;
    LevelsFolder()
    {
        std::snprintf(previous, sizeof previous, "%s", osGetCurrentDirectory());
        entered = osSetCurrentDirectory("levels");
    }
    ~LevelsFolder()
    {
        if (entered) osSetCurrentDirectory(previous);
    }
};

} // namespace

uint64_t levelBytesHash(const void* bytes, int32_t size)
{
    uint64_t h = 0xCBF29CE484222325ull;
    const auto* b = static_cast<const unsigned char*>(bytes);
    for (int32_t i = 0; i < size; i++) {
        h ^= b[i];
        h *= 0x100000001B3ull;
    }
    return h;
}

float clampLevelTime(float seconds)
{
    if (std::isnan(seconds)) return 10.0f;
    if (seconds < LEVEL_TIME_MIN) return LEVEL_TIME_MIN;
    if (seconds > LEVEL_TIME_MAX) return LEVEL_TIME_MAX;
    return seconds;
}

int clampLevelMoves(long long moves)
{
    if (moves < LEVEL_MOVES_MIN) return LEVEL_MOVES_MIN;
    if (moves > LEVEL_MOVES_MAX) return LEVEL_MOVES_MAX;
    return static_cast<int>(moves);
}

void resetLevelFiles()
{
    levelFiles = LevelFilesState{};
}

void parseLevelText(const char* text, int32_t size, int32_t* backdrop)
{
    resetFigureImages();
    int colours = kvInt(text, "figures=");
    // figureImage has 17 entries: more colours than that cannot be drawn or remapped.
    if (colours <= 0) colours = 8;
    if (colours > MAX_COLOURS) colours = MAX_COLOURS;
    board.colourCount = colours;
    for (int i = 0; i < colours; i++) {
        char key[24];
        char value[32];
        std::snprintf(key, sizeof key, "figure%i=", i);
        if (!kvString(value, sizeof value, text, key)) continue;
        for (int k = 0; k < FIGURE_IMAGE_COUNT; k++) {
            if (std::strcmp(value, FIGURE_IMAGE_NAMES[k]) != 0) continue;
            board.figureImage[i] = k;
            board.figureImage[k] = i;
            break;
        }
    }
    float t = kvFloat(text, "time=");
    levelFiles.rawTime = clampLevelTime(t == 0.0f ? 10.0f : t);
    int m = kvInt(text, "moves=");
    levelFiles.rawMoves = clampLevelMoves(m == 0 ? 50 : m);
    int back = kvInt(text, "back=");
    levelFiles.rawBack = back;
    if (back == 0) back = randomBelow(BACKDROP_RANDOM_COUNT);
    if (backdrop) *backdrop = back;
    readGrid(text, size);
}

bool readLevelFile(const char* path, int32_t* backdrop)
{
    int32_t size = 0;
    uint8_t* data = readFile(path, &size, false);
    if (!data) return false;
    // An empty file holds no level: it is no more a level than a missing one (and a board of
    // bare tiles has no target, so it would be won at the first click).
    if (size == 0) {
        releaseFile(data);
        return false;
    }
    const char* base = path;
    for (const char* p = path; *p; p++) {
        if (*p == '/' || *p == '\\') base = p + 1;
    }
    std::snprintf(levelFiles.lastName, sizeof levelFiles.lastName, "%s", base);
    // The hash of every byte as stored, before the last one becomes the text's end mark (as
    // readTextData makes it).
    levelFiles.lastHash = levelBytesHash(data, size);
    if (size > 0) data[size - 1] = 0;
    parseLevelText(reinterpret_cast<char*>(data), size, backdrop);
    // Let go (a member of a packed archive stays registered, so the level can be read again).
    releaseFile(data);
    return true;
}

bool readLevel(int levelIndex)
{
    if (levelIndex < 0 || levelIndex >= LEVEL_COUNT_MAX) return false;
    char name[32];
    std::snprintf(name, sizeof name, "pack1_%.2i.lvl", levelIndex + 1);
    int32_t backdrop = 0;
    bool ok;
    {
        LevelsFolder folder;
        ok = readLevelFile(name, &backdrop);
    }
    if (ok) levelFiles.levelBackdrop[levelIndex] = backdrop;
    return ok;
}

bool levelUnreadable(int levelIndex, char* out, int capacity)
{
    if (!out || capacity <= 0) return false;
    out[0] = 0;
    char resolved[OS_PATH_MAX];
    // "levels" is there but is no folder that can be entered (a symbolic link loop, a file).
    if (osResolvePath("levels", resolved, sizeof resolved) && !osFolderExists("levels")) {
        struct stat st;
        int error = ::stat(resolved, &st) != 0 ? errno : ENOTDIR;
        std::snprintf(out, static_cast<size_t>(capacity), "levels: %s", osErrorText(error));
        return true;
    }
    char name[48];
    std::snprintf(name, sizeof name, "levels/pack1_%.2i.lvl", levelIndex + 1);
    if (levelIndex < 0 || levelIndex >= LEVEL_COUNT_MAX || !osResolvePath(name, resolved, sizeof resolved)) return false;
    int32_t size = 0;
    uint8_t* data = osReadFileLimited(resolved, 1 << 20, &size);
    int error = data ? 0 : osLastError();
    std::free(data);
    if (data && size > 0) return false;
    std::snprintf(out, static_cast<size_t>(capacity), "%s: %s", name, data ? "the file is empty" : osErrorText(error));
    return true;
}

int scanLevels()
{
    int n = 0;
    while (n < LEVEL_COUNT_MAX && readLevel(n)) n++;
    levelFiles.levelCount = n;
    return n;
}

bool startLevel(int levelIndex, int gameMode, const char* path)
{
    // 1. A cleared board and fresh game-flow values.
    clearBoard();
    clearBoardEffects();
    resetLevelPlayValues();
    resetBoardKeys();  // the keyboard's cursor: hidden, no place, so a level depends on its own keys
    play.levelIndex = levelIndex;
    play.gameMode = gameMode;
    // The player's key goes with the trophy requests of this level.
    currentProfileStem(play.profileStem, sizeof play.profileStem);
    levelFiles.rawTime = 0.0f;
    levelFiles.rawMoves = 0;
    levelFiles.rawBack = 0;
    board.lastGroupColour = -2;
    board.sameColourRun = 1;
    board.quickClicks = 0;
    board.clicksSinceThunder = 0;
    board.thunderRuns = 0;
    board.bombSizeRuns = 0;
    board.megaSizeRuns = 0;
    board.bombUseRun = 0;
    board.megaUseRun = 0;
    board.thunderUseRun = 0;
    board.allClicksOnTargets = 1;
    board.hoverValid = 0;
    board.hintTimerMs = 0.0f;
    board.hintDelayMs = 6000.0f;
    board.hintGroup = 0;
    board.hintShown = 0;
    board.recolourWaveOn = 0;
    board.recolourClockMs = 0.0f;
    // The hammer starts every level empty, with its bounds set here so that no earlier reset of
    // the board is needed (a zeroed board would otherwise have a full meter at once).
    board.hammerFull = HAMMER_FULL;
    board.hammerEmpty = HAMMER_EMPTY;
    board.hammerShown = HAMMER_EMPTY;
    board.hammerTarget = HAMMER_EMPTY;
    board.hammerReady = 0;
    board.hammerArmed = 0;
    board.hammerCursor = 0;
    board.colourCount = 8;
    resetFigureImages();

    // 2. Backdrop tint by parity, and the level's backdrop (completing the cross-fade that the
    // won level before started).
    bool indexValid = levelIndex >= 0 && levelIndex < LEVEL_COUNT_MAX;
    setBackdropTint(levelIndex % 2 != 0 ? 1 : 0);
    setBackdrop(indexValid ? levelFiles.levelBackdrop[levelIndex] : 0);

    // 3. The level file.
    bool read;
    if (path) {
        int32_t backdrop = 0;
        read = readLevelFile(path, &backdrop);
        if (read && indexValid) levelFiles.levelBackdrop[levelIndex] = backdrop;
    } else {
        read = readLevel(levelIndex);
    }

    // 4.-7. Figures (from the rules' stream of this level and its seed), targets, limits, music,
    // the saved-game flag.
    startRulesStream(levelIndex);
    setUpBoard();
    countTargets();
    applyLimits();
    requestMusic(levelIndex % 5);
    setProfileSavedGame(gameMode, false);
    return read;
}
