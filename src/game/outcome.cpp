#include "game/outcome.h"

#include <cstdint>

#include "core/appstate.h"
#include "core/requestlog.h"
#include "audio/audio.h"
#include "effects/effects.h"
#include "game/board.h"
#include "game/boardstep.h"
#include "game/gameflow.h"
#include "game/hud.h"
#include "game/hudtext.h"
#include "game/level.h"
#include "game/limits.h"
#include "game/pending.h"
#include "game/playstate.h"
#include "game/scoring.h"
#include "menus/menus.h"
#include "persist/profile.h"
#include "persist/settings.h"
#include "ui/messages.h"

OutcomeState outcome;

namespace {

constexpr int LAST_LEVEL = LEVELS_PER_MODE - 1;

// The clock passed the threshold in this frame: it was below it before frameMs was added.
bool passes(float clockBefore, float threshold)
{
    return clockBefore < threshold && clockBefore + app.frameMs >= threshold;
}

int gameTotal()
{
    long long t = static_cast<long long>(play.bankedScore) + play.shownLevelScore;
    if (t > 0x7fffffff) t = 0x7fffffff;
    if (t < -0x7fffffffLL) t = -0x7fffffffLL;
    return static_cast<int>(t);
}

void enterScore(int total)
{
    enterHiscore(play.gameMode, currentProfile().name, total);
}

} // namespace

void resetOutcome()
{
    outcome = OutcomeState{};
}

bool beginLevel(int levelIndex, int gameMode)
{
    if (levelIndex < 0) levelIndex = 0;
    if (levelIndex > LAST_LEVEL) levelIndex = LAST_LEVEL;
    resetOutcome();
    resetScoring();
    closeTip();
    clearEffects();
    menus.dialogOpen = 0;
    play.gameComplete = 0;
    bool read = startLevel(levelIndex, gameMode);
    gameFlow.levelActive = 1;
    play.lifeGained = 0;
    play.lifeGainedMs = 0.0f;
    play.boardFade = 0.0f;
    // The once-only tips: a tip shown in this run or stored as shown in the profile stays shown.
    Profile& profile = currentProfile();
    for (int i = 0; i < TIP_FLAG_COUNT; i++) {
        uint8_t wanted = play.tipFlags[i] && profile.hintFlags[i] ? 1 : 0;
        play.tipFlags[i] = wanted;
        profile.hintFlags[i] = wanted;
    }
    char name[32];
    currentProfileName(name, sizeof name);
    for (int i = 0; i < 32; i++) play.profileName[i] = name[i];
    return read;
}

bool newGame(int gameMode)
{
    setProfileMode(gameMode);
    play.bankedScore = 0;
    setProfileScore(0);
    setProfileLives(START_LIVES);
    return beginLevel(profileLevel(), gameMode);
}

bool continueGame(int gameMode)
{
    setProfileMode(gameMode);
    play.bankedScore = profileScore();
    if (play.bankedScore <= 0) setProfileLives(START_LIVES);
    return beginLevel(profileLevel(), gameMode);
}

void levelCompleteSequence()
{
    if (!play.levelWon) return;
    float t = play.completeClockMs;
    if (!outcome.musicStarted) {
        outcome.musicStarted = 1;
        requestMusic(5);
        // The won level's score is safe from here on.
        setProfileScore(gameTotal());
        saveAll();
    }
    if (t >= 500.0f && !outcome.bonusShown && play.endBonus > 0 && !play.completeDialogShown) {
        outcome.bonusShown = 1;
        showKeyMessage("levelcomplete", 0.0f, 0.0f, 30.0f, 6000.0f);
        if (play.gameMode == ModeAdventure) showKeyMessage("bonustime", 0.0f, -130.0f, 20.0f, 6000.0f);
        else if (play.gameMode == ModePuzzle) showKeyMessage("bonusmoves", 0.0f, -130.0f, 20.0f, 6000.0f);
        startEffect("starefIQ", 0.0f, -160.0f, 0.0f, -160.0f, 1.0f, -1);
    }
    if (t > 1000.0f && t < 5000.0f) levelCompleteMotion(t);
    if (t >= 7000.0f && !play.completeDialogShown) nextLevel();
    play.completeClockMs += app.frameMs;
}

void nextLevel()
{
    if (!play.completeDialogShown) {
        menus.dialogOpen = 1;
        openGameDialog("levelcomplete");
        // The level's records are kept by the records table, which compares and replaces them.
        recordRequest("updateLevelRecords", "", play.shownLevelScore, play.bestStreak, play.timeUsedMs,
                      static_cast<float>(play.movesMade));
        play.completeDialogShown = 1;
        return;
    }
    if (play.nextLevelDone || menus.dialogOpen) return;
    play.nextLevelDone = 1;
    play.levelIndex += 1;
    setProfileLevel(play.levelIndex);
    play.bankedScore = gameTotal();
    play.levelScore = 0;
    play.shownLevelScore = 0;
    setProfileScore(play.bankedScore);
    play.levelAdvance = 1;
    if (play.levelIndex < LEVELS_PER_MODE) {
        setBackdrop(levelFiles.levelBackdrop[play.levelIndex]);
        saveAll();
        return;
    }
    finishGame();
    play.gameComplete = 1;
    play.levelWon = 0;
    play.levelIndex = 0;
    setProfileLevel(0);
    requestMusic(0);
}

void levelCompleteDialogClosed()
{
    menus.dialogOpen = 0;
}

void lifeLostSequence()
{
    if (!play.levelLost) return;
    if (menus.dialogOpen || play.levelWon || play.tipOpen || play.paused || play.shutterMoving) return;
    float t = play.lostClockMs;
    if (!outcome.lostMusicStarted) {
        outcome.lostMusicStarted = 1;
        requestMusic(6);
    }
    if (t >= 2000.0f && !outcome.lostMessageShown) {
        outcome.lostMessageShown = 1;
        int lives = profileLives();
        const char* key = lives <= 0 ? "gameover" : lives == 1 ? "lastlife" : "loselife";
        showKeyMessage(key, 0.0f, 0.0f, 20.0f, 4000.0f);
    }
    if (t <= 5500.0f) {
        for (int row = 0; row < BOARD_ROWS; row++) {
            float at = static_cast<float>(row) * 400.0f;
            bool now = row == 0 ? t == 0.0f : passes(t, at);
            if (!now) continue;
            for (int col = 0; col < BOARD_COLS; col++) {
                Cell& c = board.cells[row][col];
                if (c.tile < 0) continue;
                Vec2 p = cellCentre(col, row);
                playSound("DefeatLevelEffect.ogg");
                startEffect("refill1", p.x, p.y, p.x, p.y, 1.0f, -1);
                if (c.colour >= 0 && c.sweepPending) spawnDebris(c.colour, p.x, p.y, 1);
                c.sweepPending = 0;
            }
        }
    }
    play.lostClockMs += app.frameMs;
    if (play.lostClockMs > 8000.0f) decideDefeat();
}

void decideDefeat()
{
    if (!play.levelLost || play.lostClockMs < 4000.0f || menus.dialogOpen) return;
    menus.dialogOpen = 1;
    if (profileLives() <= 0) {
        gameOver();
        return;
    }
    if (play.secondTry && play.levelIndex != LAST_LEVEL) {
        openGameDialog("defeat");
        return;
    }
    if (play.gameMode == ModeAdventure) openGameMessage("lostlifetime");
    else if (play.gameMode == ModePuzzle) openGameMessage("lostlifemoves");
}

void lifeLostMessageClosed()
{
    restartLevel();
    play.secondTry = 1;
}

void restartLevel()
{
    menus.dialogOpen = 0;
    setProfileLives(profileLives() - 1);
    beginLevel(play.levelIndex, play.gameMode);
}

void skipLevel()
{
    play.secondTry = 0;
    setProfileLives(profileLives() - 1);
    int next = play.levelIndex + 1;
    if (next > LAST_LEVEL) next = LAST_LEVEL;
    setProfileLevel(next);
    beginLevel(next, play.gameMode);
}

void gameOver()
{
    playSound("DefeatLevel.ogg");
    menus.dialogOpen = 1;
    play.levelLost = 1;
    int total = gameTotal();
    setProfileScore(total);
    enterScore(total);
    openGameDialog("hiscore");
    setProfileScore(0);
    setProfileLives(START_LIVES);
    setProfileLevel(play.levelIndex);
    saveAll();
}

void finishGame()
{
    int total = gameTotal();
    setProfileScore(total);
    enterScore(total);
    setProfileScore(0);
    setProfileLives(START_LIVES);
    saveAll();
}

void gainExtraLife()
{
    setProfileLives(profileLives() + 1);
    play.lifeGained = 1;
    play.lifeGainedMs = 0.0f;
    showKeyMessage("getlife", 90.0f, 100.0f, 30.0f, 6000.0f);
    playSound("GetLife.ogg");
}
