// ostrimar-data campaign: the bot plays a game of one mode from the first level through the real
// level flow (win sequence, level-complete dialog, next level; life-lost sequence, restart,
// defeat dialog, game over) until it reaches a given level. See docs/play.md.
#include "commands.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bot.h"
#include "core/appstate.h"
#include "core/dialogport.h"
#include "core/random.h"
#include "game/board.h"
#include "game/gameflow.h"
#include "trophies/trophies.h"
#include "game/level.h"
#include "game/outcome.h"
#include "game/playstate.h"
#include "menus/menus.h"
#include "persist/profile.h"
#include "game/savegame.h"
#include "persist/settings.h"
#include "platform/os/files.h"

namespace {

// A board that takes no move for this long (80 s of play) means the game is stuck.
constexpr long STALL_FRAMES = 5000;
constexpr long DEFAULT_MAX_FRAMES = 3000000;

struct Campaign {
    int mode;
    int levels;        // stop once this many levels lie behind
    long frames;
    long lastMoveFrame;
    bool wasReady;
    bool endReported;  // the end of the current attempt was printed
    int startScore;    // the profile's saved score when the attempt began
    float winWaitMs;   // how long the bot watches the win sequence before pressing a key
    float lostWaitMs;  // how long it watches the life-lost sequence before clicking
    long thinkFrames;  // frames the bot waits on a settled board before its next move
    int won;
    int lost;
    int gameOvers;
    int skips;
    // Leaving from the pause menu with a save, and loading it again (with a settings folder).
    bool savingOn;
    long saveAtFrame;  // frame of this attempt at which the bot leaves the game; -1 none
    int saves;
    BotKind bot;       // greedy: aims at squares and chains and strikes with a ready hammer
    unsigned seed;
};

// What must come back from a saved game.
struct Snapshot {
    int levelIndex;
    int mode;
    int movesMade;
    int levelScore;
    int bankedScore;
    float timeUsedMs;
    Cell cells[BOARD_ROWS][BOARD_COLS];
};

Campaign run;

const char* modeName(int mode)
{
    return mode == ModeTimeless ? "timeless" : mode == ModePuzzle ? "puzzle" : "adventure";
}

void attemptStarted()
{
    run.endReported = false;
    run.startScore = profileScore();
    run.lastMoveFrame = run.frames;
    run.wasReady = false;
    // Sometimes the whole sequence runs to its dialog, sometimes a key cuts it short.
    run.winWaitMs = static_cast<float>(rand15() % 9000);
    run.lostWaitMs = 3000.0f + static_cast<float>(rand15() % 6000);
    // Now and then the bot dawdles through an adventure level, so that its time runs out.
    run.thinkFrames = run.mode == ModeAdventure && rand15() % 5 == 0 ? 250 : 0;
    // One attempt in three is left from the pause menu at a random moment and loaded again.
    run.saveAtFrame = run.savingOn && rand15() % 3 == 0 ? run.frames + 100 + rand15() % 3000 : -1;
}

Snapshot snapshot()
{
    Snapshot s{};
    s.levelIndex = play.levelIndex;
    s.mode = play.gameMode;
    s.movesMade = play.movesMade;
    s.levelScore = play.levelScore;
    s.bankedScore = play.bankedScore;
    s.timeUsedMs = play.timeUsedMs;
    std::memcpy(s.cells, board.cells, sizeof s.cells);
    return s;
}

// The player opens the pause menu, leaves the game (it is saved, "savemsg" confirms it), comes
// back to the mode and loads the saved game. False (with a line on standard error) when the game
// that came back differs from the one left.
bool leaveAndLoad()
{
    run.saveAtFrame = -1;
    if (!play.levelTouched || play.levelWon || play.levelLost || dialogPort.open || !play.limitRunning) return true;
    if (!botOpenPauseMenu()) return true;
    Snapshot before = snapshot();
    if (!leaveGameFromMenu()) {
        std::fprintf(stderr, "fault: level %d in play was not saved\n", play.levelIndex + 1);
        return false;
    }
    savedMessageClosed();
    if (!currentProfile().savedGame[run.mode]) {
        std::fprintf(stderr, "fault: the profile does not know of the saved game\n");
        return false;
    }
    // Entering the mode again offers the saved game; loading it starts the profile's level and
    // reads the file over it.
    bool loaded = resumeSavedGame(run.mode);
    Snapshot after = snapshot();
    if (!loaded || before.levelIndex != after.levelIndex || before.mode != after.mode ||
        before.movesMade != after.movesMade || before.levelScore != after.levelScore ||
        before.bankedScore != after.bankedScore || before.timeUsedMs != after.timeUsedMs ||
        std::memcmp(before.cells, after.cells, sizeof before.cells) != 0) {
        std::fprintf(stderr, "fault: the saved game of level %d did not come back as it was left\n",
                     before.levelIndex + 1);
        return false;
    }
    run.saves++;
    std::printf("saved level=%d moves=%d score=%d\n", after.levelIndex + 1, after.movesMade, after.levelScore);
    run.lastMoveFrame = run.frames;
    run.wasReady = false;
    return true;
}

// The shell's hook: back at the mode's menu the game continues at the profile's level.
void backToTheMode(int mode)
{
    continueGame(mode);
    attemptStarted();
}


// The front end: the bot comes straight back (leaveAndLoad enters the mode again).
void atFrontEnd() {}

void pointAtBoard()
{
    app.mouseX = 400;
    app.mouseY = 300;
}

void reportEnd()
{
    if (run.endReported || (!play.levelWon && !play.levelLost)) return;
    run.endReported = true;
    if (play.levelWon) run.won++;
    else run.lost++;
    std::printf("level=%d result=%s moves=%d score=%d before=%d after=%d lives=%d progress=%d\n", play.levelIndex + 1,
                play.levelWon ? "won" : "lost", play.movesMade, play.levelScore, run.startScore, profileScore(),
                profileLives(), profileLevel());
}

// The answers a player gives once a level has ended.
void answer()
{
    int from = profileLives();  // (game over has already given the next game its lives)
    switch (outcome.waiting) {
    case WaitLevelComplete:
        levelCompleteDialogClosed();
        return;
    case WaitLifeLostMessage:
        lifeLostMessageClosed();
        std::printf("decision=restart lives=%d from=%d level=%d\n", profileLives(), from, play.levelIndex + 1);
        attemptStarted();
        return;
    case WaitDefeat:
        if (rand15() % 2) {
            run.skips++;
            skipLevel();
            std::printf("decision=skip lives=%d from=%d level=%d\n", profileLives(), from, play.levelIndex + 1);
        } else {
            restartLevel();
            std::printf("decision=restart lives=%d from=%d level=%d\n", profileLives(), from, play.levelIndex + 1);
        }
        attemptStarted();
        return;
    case WaitHiscore:
        run.gameOvers++;
        dialogPort.open = 0;
        newGame(run.mode);
        std::printf("decision=gameover lives=%d from=%d level=%d\n", profileLives(), from, play.levelIndex + 1);
        attemptStarted();
        return;
    case WaitNone:
        break;
    }
    if (play.levelAdvance || play.gameComplete) {
        botKey(13);  // back to the mode's menu, which continues the game
    } else if (play.levelLost && !dialogPort.open && play.lostClockMs >= run.lostWaitMs) {
        pointAtBoard();
        boardPress();  // a click decides at once (once 4 s of the sequence have passed)
    } else if (play.levelWon && !dialogPort.open) {
        if (!play.completeDialogShown && play.completeClockMs >= run.winWaitMs) botKey(13);
        else if (play.completeDialogShown) botKey(13);  // the next level
    }
}

bool parseLong(const char* s, long* out)
{
    if (!s || !*s) return false;
    char* end = nullptr;
    long v = std::strtol(s, &end, 10);
    if (*end != 0) return false;
    *out = v;
    return true;
}

} // namespace

int cmdCampaign(int argc, char** argv)
{
    const char* dataDir = nullptr;
    long levels = 20;
    long from = 1;
    long seed = 1;
    long maxFrames = DEFAULT_MAX_FRAMES;
    int mode = -1;
    const char* settings = nullptr;
    BotKind bot = BotGreedy;
    for (int i = 0; i < argc; i++) {
        const char* a = argv[i];
        const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
        if (std::strcmp(a, "--mode") == 0 && v) {
            if (std::strcmp(v, "adventure") == 0) mode = ModeAdventure;
            else if (std::strcmp(v, "timeless") == 0) mode = ModeTimeless;
            else if (std::strcmp(v, "puzzle") == 0) mode = ModePuzzle;
            else mode = -2;
            i++;
        } else if (std::strcmp(a, "--levels") == 0 && parseLong(v, &levels) && levels >= 1 && levels <= LEVEL_COUNT_MAX) {
            i++;
        } else if (std::strcmp(a, "--from") == 0 && parseLong(v, &from) && from >= 1 && from <= LEVEL_COUNT_MAX) {
            i++;
        } else if (std::strcmp(a, "--seed") == 0 && parseLong(v, &seed)) {
            i++;
        } else if (std::strcmp(a, "--max-frames") == 0 && parseLong(v, &maxFrames) && maxFrames > 0) {
            i++;
        } else if (std::strcmp(a, "--bot") == 0 && v && (std::strcmp(v, "greedy") == 0 || std::strcmp(v, "plan") == 0)) {
            bot = std::strcmp(v, "plan") == 0 ? BotPlan : BotGreedy;
            i++;
        } else if (std::strcmp(a, "--settings") == 0 && v) {
            settings = v;
            i++;
        } else if (!dataDir && a[0] != '-') {
            dataDir = a;
        } else {
            dataDir = nullptr;
            mode = -2;
            break;
        }
    }
    if (!dataDir || mode < 0 || from > levels) {
        std::fprintf(stderr, "usage: ostrimar-data campaign DATA_DIR --mode adventure|timeless|puzzle [--levels N] "
                             "[--from L] [--seed S] [--max-frames F] [--settings DIR] [--bot greedy|plan]\n");
        return 1;
    }
    resetBotWorld(static_cast<unsigned>(seed));
    if (!osSetCurrentDirectory(dataDir)) {
        std::fprintf(stderr, "campaign: cannot enter the data folder %s\n", dataDir);
        return 1;
    }
    int found = scanLevels();
    if (found < levels) {
        std::fprintf(stderr, "campaign: %s has %d levels, %ld asked for\n", dataDir, found, levels);
        return 1;
    }
    run = Campaign{};
    run.mode = mode;
    run.bot = bot;
    run.seed = static_cast<unsigned>(seed);
    if (settings) {
        // The state files and saved games go to this folder (never into the data set's).
        std::snprintf(persist.folderOverride, sizeof persist.folderOverride, "%s", settings);
        if (!ensureSettingsFolder()) {
            std::fprintf(stderr, "campaign: cannot make the settings folder %s\n", settings);
            return 1;
        }
        run.savingOn = true;
    }
    run.levels = static_cast<int>(levels);
    gameFlow.toModeMenu = backToTheMode;
    gameFlow.toTrophyRoom = backFromTrophyRoom;
    gameFlow.toFrontEnd = atFrontEnd;
    setProfileMode(mode);
    resetProgress();
    // A new game that starts at level `from` (a part of the road, for soaking it in pieces).
    setProfileLevel(static_cast<int>(from) - 1);
    newGame(mode);
    attemptStarted();
    bool reached = false;
    while (run.frames < maxFrames) {
        if (!botFrame()) return 1;
        run.frames++;
        reportEnd();
        // Done once the next level to play lies beyond the goal: after a win (waiting to go on)
        // or after a skip (already started); or once the last level is won (the game is complete
        // and the next one would start at the first level).
        if (play.gameComplete || (play.levelIndex >= run.levels && (play.levelAdvance || !play.levelWon))) {
            reached = true;
            break;
        }
        answer();
        if (run.saveAtFrame >= 0 && run.frames >= run.saveAtFrame && !leaveAndLoad()) return 1;
        bool ready = botBoardReady();
        long think = run.bot == BotPlan && run.thinkFrames < PLAN_THINK_FRAMES ? PLAN_THINK_FRAMES : run.thinkFrames;
        if (ready && run.wasReady && run.frames - run.lastMoveFrame >= think) {
            bool moved = run.bot == BotPlan ? botMove(BotPlan, run.seed) : (botUseHammer() || botClickTargets());
            if (moved) {
                run.lastMoveFrame = run.frames;
                ready = false;
            }
        }
        run.wasReady = ready;
        bool playing = !play.levelWon && !play.levelLost && !dialogPort.open;
        if (playing && run.frames - run.lastMoveFrame > STALL_FRAMES) {
            std::fprintf(stderr, "fault: level %d stalled without a move\n", play.levelIndex + 1);
            return 1;
        }
    }
    std::printf("campaign mode=%s reached=%d won=%d lost=%d skips=%d gameovers=%d saves=%d frames=%ld score=%d\n",
                modeName(mode), play.gameComplete ? LEVELS_PER_MODE : play.levelIndex, run.won, run.lost, run.skips, run.gameOvers, run.saves, run.frames,
                profileScore());
    if (!reached) {
        std::fprintf(stderr, "campaign: level %d not reached in %ld frames\n", run.levels + 1, maxFrames);
        return 1;
    }
    return 0;
}
