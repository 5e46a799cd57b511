#include "bot.h"

#include <cstdio>

#include "core/appstate.h"
#include "core/dialogport.h"
#include "core/random.h"
#include "core/requestlog.h"
#include "audio/audio.h"
#include "game/board.h"
#include "game/boardrender.h"
#include "game/boardstep.h"
#include "game/click.h"
#include "game/gameflow.h"
#include "game/hud.h"
#include "game/level.h"
#include "game/playstate.h"
#include "game/replay.h"
#include "menus/menus.h"
#include "persist/profile.h"
#include "persist/records.h"
#include "persist/settings.h"
#include "platform/os/os.h"
#include "platform/os/files.h"
#include "resources/files.h"
#include "trophies/trophies.h"
#include "ui/messages.h"

namespace {

// A bot that plays as a person does (recording a replay): only the game's input events, no direct
// calls into the board between frames.
bool asPlayer = false;

void pointAt(Vec2 p)
{
    app.mouseX = static_cast<int>(p.x + 400.0f);
    app.mouseY = static_cast<int>(300.0f - p.y);
}

// The mouse moves over a place and the button goes down, as the game screen passes it on.
void clickAt(Vec2 p)
{
    pointAt(p);
    if (!asPlayer) updateHover();
    boardPress();
    boardRelease();
}

} // namespace

// The bot does not look at its trophies: the trip to the room comes straight back, and the new
// trophies count as seen, as leaving the room makes them.
void backFromTrophyRoom()
{
    clearNewTrophies(play.profileStem);
    play.paused = 0;
}

void resetBotWorld(unsigned seed)
{
    resetAppState();
    resetFiles();
    resetBoard();
    resetPlayState();
    resetLevelFiles();
    resetAudio();
    resetMessages();
    resetBoardRender();
    resetGamePlay();
    resetTrophies();
    resetProfiles();
    resetRecords();
    resetPersist();
    menus = MenusState{};
    resetDialogPort();
    clearRequests();
    createProfile("Bot");
    gameFlow.toTrophyRoom = backFromTrophyRoom;
    resetReplays();
    asPlayer = false;
    srand15(seed);
    rulesRandom = RulesRandomState{};
    app.frameMs = BOT_FRAME_MS;
}

void botPlaysAsPlayer(bool on) { asPlayer = on; }

bool botFrame()
{
    app.frameMs = BOT_FRAME_MS;
    app.globalTimeMs += BOT_FRAME_MS;
    gameFrame();
    // The shutter moves on as the game screen draws it (the trophy trip closes it).
    drawShutter();
    replayFrameEnds();
    // The bot reads no tips: it closes each panel as it opens (as a person, with a key).
    if (play.tipOpen) {
        if (asPlayer && !dialogPort.open && !play.paused && !play.levelWon && !play.levelLost && !play.levelAdvance &&
            !play.gameComplete)
            botKey(VK_SPACE);
        else
            closeTip();
    }
    if (play.levelWon && play.levelLost) {
        std::fprintf(stderr, "fault: level %d was both won and lost\n", play.levelIndex + 1);
        return false;
    }
    return true;
}

bool botBoardReady()
{
    return !boardFrozen() && !play.levelWon && !play.levelLost && board.idleTimerMs < 0.0f && isIdle();
}

namespace {

// Clicks the group with the highest value, size + targetWeight x (squares and chains under it);
// ties go to the first group in row-major order.
bool clickBestGroup(int targetWeight)
{
    if (!labelGroups()) return false;
    int sizes[BOARD_CELLS] = {};
    int targets[BOARD_CELLS] = {};
    int seedRow[BOARD_CELLS];
    int seedCol[BOARD_CELLS];
    for (int row = 0; row < BOARD_ROWS; row++) {
        for (int col = 0; col < BOARD_COLS; col++) {
            int id = board.cells[row][col].groupId;
            if (id < 0 || id >= BOARD_CELLS) continue;
            if (sizes[id] == 0) {
                seedRow[id] = row;
                seedCol[id] = col;
            }
            sizes[id]++;
            const Cell& c = board.cells[row][col];
            targets[id] += (c.tile > 0 ? c.tile : 0) + (c.chained ? 1 : 0);
        }
    }
    int best = -1;
    int bestValue = 0;
    for (int id = 0; id < board.groupCount && id < BOARD_CELLS; id++) {
        if (sizes[id] < 2) continue;
        int value = sizes[id] + targetWeight * targets[id];
        if (best < 0 || value > bestValue) {
            best = id;
            bestValue = value;
        }
    }
    if (best < 0) return false;
    int before = play.movesMade;
    clickAt(cellCentre(seedCol[best], seedRow[best]));
    return play.movesMade > before;
}

} // namespace

bool botClickLargestGroup() { return clickBestGroup(0); }

bool botClickTargets() { return clickBestGroup(4); }

bool botUseHammer()
{
    if (!board.hammerReady) return false;
    for (int row = 0; row < BOARD_ROWS; row++) {
        for (int col = 0; col < BOARD_COLS; col++) {
            const Cell& c = board.cells[row][col];
            if (!hasFigure(row, col) || (c.tile <= 0 && !c.chained)) continue;
            clickAt(Vec2{-346.0f, -70.0f});  // the hammer button on the HUD
            if (!board.hammerArmed) return false;
            clickAt(cellCentre(col, row));
            return !board.hammerArmed;
        }
    }
    return false;
}

bool botChoosePlanned(uint32_t seed, const PlanSearch& search, PlanMove* out, long* evaluated)
{
    PlanBoard forecast;
    planFromGame(forecast, seed);
    return planChoose(forecast, board.hammerReady != 0, PlanWeights{}, search, out, evaluated);
}

bool botMake(const PlanMove& move)
{
    if (!hasFigure(move.row, move.col)) return false;
    if (move.hammer) {
        if (!board.hammerReady) return false;
        clickAt(Vec2{-346.0f, -70.0f});  // the hammer button on the HUD
        if (!board.hammerArmed) return false;
        clickAt(cellCentre(move.col, move.row));
        return !board.hammerArmed && !board.hammerReady;
    }
    int before = play.movesMade;
    clickAt(cellCentre(move.col, move.row));
    return play.movesMade > before;
}

bool botMove(BotKind kind, uint32_t seed)
{
    if (kind == BotGreedy) return botClickLargestGroup();
    PlanMove move;
    uint32_t stream = seed * 2654435761u + static_cast<uint32_t>(play.movesMade) * 40503u + 1u;
    return botChoosePlanned(stream, PlanSearch{}, &move) && botMake(move);
}

void botKey(int vk) { gameKeyDown(vk); }

bool botOpenPauseMenu()
{
    clickAt(Vec2{-338.0f, 15.0f});  // the "menu" text button on the HUD
    return dialogPort.open != 0;
}

bool botPacedMove(BotPace& pace, BotKind kind, uint32_t seed, long frame)
{
    pace.readyFrames = botBoardReady() ? pace.readyFrames + 1 : 0;
    long wait = kind == BotPlan ? PLAN_THINK_FRAMES : 2;
    if (pace.readyFrames < wait || !botMove(kind, seed)) return false;
    pace.lastMoveFrame = frame;
    pace.readyFrames = 0;
    return true;
}
