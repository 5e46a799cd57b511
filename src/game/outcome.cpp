#include "game/outcome.h"

#include "game/replay.h"

#include <cstdint>

#include "core/appstate.h"
#include "core/dialogport.h"
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
#include "persist/profile.h"
#include "persist/records.h"
#include "game/savegame.h"
#include "persist/settings.h"
#include "platform/os/files.h"
#include "resources/files.h"
#include "ui/messages.h"

OutcomeState outcome;

namespace {

constexpr int LAST_LEVEL = LEVELS_PER_MODE - 1;

// The clock passed the threshold in this frame: it was below it before frameMs was added.
bool passes(float clockBefore, float threshold)
{
    return clockBefore < threshold && clockBefore + app.frameMs >= threshold;
}

int clampedSum(long long t)
{
    if (t > 0x7fffffff) t = 0x7fffffff;
    if (t < -0x7fffffffLL) t = -0x7fffffffLL;
    return static_cast<int>(t);
}

// The score of the game as the HUD shows it.
int gameTotal() { return clampedSum(static_cast<long long>(play.bankedScore) + play.shownLevelScore); }

// The score of the game with every point of this level, counted up or not.
int wonTotal() { return clampedSum(static_cast<long long>(play.bankedScore) + play.levelScore); }

// The row is kept for the "hiscore" dialog's highlight: a search by name and score would find an
// earlier entry of the same player with the same score, which the new one goes after.
void enterScore(int total)
{
    outcome.hiscoreRow = enterHiscore(play.gameMode, currentProfile().name, total);
}

// The high-score entry and the fresh start of the mode after its last level.
void finishWithScore(int total)
{
    setProfileScore(total);
    enterScore(total);
    setProfileScore(0);
    setProfileLives(START_LIVES);
    setProfileLevel(0);
    saveAll();
}

} // namespace

void resetOutcome()
{
    outcome = OutcomeState{};
}

bool beginLevel(int levelIndex, int gameMode, const char* path)
{
    if (levelIndex < 0) levelIndex = 0;
    if (levelIndex > LAST_LEVEL) levelIndex = LAST_LEVEL;
    resetOutcome();
    resetScoring();
    closeTip();
    clearEffects();
    clearFloatingTexts();
    dialogPort.open = 0;
    play.gameComplete = 0;
    bool read = startLevel(levelIndex, gameMode, path);
    // A level file that is there but cannot be read is no level to play (nor to win at the first
    // click): the loading error stops the game, naming the file and why.
    char why[OS_PATH_MAX];
    if (!read && !path && levelUnreadable(levelIndex, why, sizeof why)) fatalLoadError(why);
    gameFlow.levelActive = 1;
    play.lifeGained = 0;
    play.lifeGainedMs = 0.0f;
    play.boardFade = 0.0f;
    replayLevelBegun();
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

void startLevelComplete()
{
    if (play.levelWon || play.levelLost) return;
    setBackdropTint(2);  // white
    int bonus = 0;
    if (play.gameMode == ModeAdventure) {
        float left = play.timeLimitMs - play.timeUsedMs;
        bonus = left > 0.0f ? static_cast<int>(left / 1000.0f) * 50 : 0;
    } else if (play.gameMode == ModePuzzle) {
        bonus = play.moveLimit > play.movesMade ? (play.moveLimit - play.movesMade) * 100 : 0;
    }
    play.endBonus = bonus;
    play.levelScore = clampedSum(static_cast<long long>(play.levelScore) + bonus);
    play.wonAtMs = static_cast<int32_t>(board.boardClockMs);
    play.levelWon = 1;
    bankWonLevel();
    prepareFlyOff();
}

void bankWonLevel()
{
    // Score and progress move on together, at the win: a game left during the win sequence
    // continues at the next level with this level's points, never replays it with them.
    int total = wonTotal();
    if (play.levelIndex >= LAST_LEVEL) {
        finishGame();
        return;
    }
    setProfileLevel(play.levelIndex + 1);
    setProfileScore(total);
    saveAll();
}

bool resumeSavedGame(int gameMode)
{
    continueGame(gameMode);
    return loadSavedGameOverLevel();
}

bool loadSavedGameOverLevel()
{
    bool loaded = loadGame();
    // The board is the saved game's now, not the level file's: the level is not recorded.
    replayCancel();
    // The file was written with the game's dialog flag as it was then (the pause menu was open).
    dialogPort.open = 0;
    if (loaded) setProfileScore(play.bankedScore);
    return loaded;
}

void levelCompleteSequence()
{
    if (!play.levelWon) return;
    float t = play.completeClockMs;
    if (!outcome.musicStarted) {
        outcome.musicStarted = 1;
        requestMusic(5);
    }
    if (t >= 500.0f && !outcome.bonusShown && play.endBonus > 0 && !play.completeDialogShown) {
        outcome.bonusShown = 1;
        showKeyMessage("levelcomplete", 0.0f, 0.0f, 30.0f, 6000.0f);
        if (play.gameMode == ModeAdventure) showKeyMessage("bonustime", 0.0f, -130.0f, 20.0f, 6000.0f);
        else if (play.gameMode == ModePuzzle) showKeyMessage("bonusmoves", 0.0f, -130.0f, 20.0f, 6000.0f);
        startEffect("starefIQ", 0.0f, -160.0f, 0.0f, -160.0f, 1.0f, -1);
    }
    // The tiles keep flying past the 5000 ms of the throw until they have faded out, so none
    // stays hanging in the air behind the result panel or the prompt.
    if (t > 1000.0f && t < FLY_OFF_END_MS) levelCompleteMotion(t);
    if (t >= 7000.0f && !play.completeDialogShown) nextLevel();
    play.completeClockMs += app.frameMs;
}

LevelResult levelResult()
{
    LevelResult r{};
    r.mode = play.gameMode;
    r.levelIndex = play.levelIndex;
    r.score = play.levelScore;
    r.bestStreak = play.bestStreak;
    r.moves = play.movesMade;
    r.timeMs = play.wonAtMs;
    return r;
}

int updateLevelRecords(const LevelResult& r, const char16_t* name)
{
    LevelRecord& record = levelRecord(r.mode, r.levelIndex);
    // Best score and longest streak: the higher wins, an equal one too. Fewest moves and shortest
    // time: the lower wins, an equal one too.
    const bool better[RECORD_RESULTS] = {
        r.score >= record.results[RecordScore],
        r.bestStreak >= record.results[RecordStreak],
        record.results[RecordMoves] >= r.moves,
        record.results[RecordTime] >= r.timeMs,
    };
    const int32_t value[RECORD_RESULTS] = {r.score, r.bestStreak, r.moves, r.timeMs};
    int replaced = 0;
    for (int i = 0; i < RECORD_RESULTS; i++) {
        if (!better[i]) continue;
        record.results[i] = value[i];
        int n = 0;
        for (; name && n < RECORD_NAME_CHARS - 1 && name[n]; n++) record.names[i][n] = name[n];
        for (; n < RECORD_NAME_CHARS; n++) record.names[i][n] = 0;
        replaced |= 1 << i;
    }
    return replaced;
}

void nextLevel()
{
    if (!play.completeDialogShown) {
        dialogPort.open = 1;
        openGameDialog("levelcomplete");
        outcome.waiting = WaitLevelComplete;
        updateLevelRecords(levelResult(), currentProfile().name);
        play.completeDialogShown = 1;
        return;
    }
    if (play.nextLevelDone || dialogPort.open) return;
    // The profile moved on at the win (bankWonLevel); here the play state follows it.
    play.nextLevelDone = 1;
    play.bankedScore = wonTotal();
    play.levelScore = 0;
    play.shownLevelScore = 0;
    play.levelIndex += 1;
    play.levelAdvance = 1;
    if (play.levelIndex < LEVELS_PER_MODE) {
        // The next land cross-fades in with the camera move while the player looks on; the
        // level start (startLevel) completes the cross-fade.
        prepareBackdrop(levelFiles.levelBackdrop[play.levelIndex]);
        return;
    }
    play.gameComplete = 1;
    play.levelWon = 0;
    play.levelIndex = 0;
    requestMusic(0);
}

void levelCompleteDialogClosed()
{
    dialogPort.open = 0;
    outcome.waiting = WaitNone;
    // The result panel's button is the player's answer: the play moves on at once (the next land
    // fades in, the prompt shows), and the next key or click goes to the map. Waiting for a
    // further key first would leave a still board with nothing on screen to say so.
    if (play.levelWon && play.completeDialogShown) nextLevel();
}

void lifeLostSequence()
{
    if (!play.levelLost) return;
    if (dialogPort.open || play.levelWon || play.tipOpen || play.paused || play.shutterMoving) return;
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
    if (!play.levelLost || play.lostClockMs < 4000.0f || dialogPort.open) return;
    dialogPort.open = 1;
    if (profileLives() <= 0) {
        gameOver();
        return;
    }
    if (play.secondTry && play.levelIndex != LAST_LEVEL) {
        openGameDialog("defeat");
        outcome.waiting = WaitDefeat;
        return;
    }
    outcome.waiting = WaitLifeLostMessage;
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
    dialogPort.open = 0;
    outcome.waiting = WaitNone;
    setProfileLives(profileLives() - 1);
    beginLevel(play.levelIndex, play.gameMode);
}

void skipLevel()
{
    // The last level has no next level to skip to: nothing happens and no life is taken.
    if (play.levelIndex >= LAST_LEVEL) return;
    dialogPort.open = 0;
    outcome.waiting = WaitNone;
    play.secondTry = 0;
    setProfileLives(profileLives() - 1);
    int next = play.levelIndex + 1;
    setProfileLevel(next);
    beginLevel(next, play.gameMode);
}

void gameOver()
{
    endGameInProgress();
    playSound("DefeatLevel.ogg");
    dialogPort.open = 1;
    play.levelLost = 1;
    int total = gameTotal();
    setProfileScore(total);
    enterScore(total);
    openGameDialog("hiscore");
    outcome.waiting = WaitHiscore;
    setProfileScore(0);
    setProfileLives(START_LIVES);
    setProfileLevel(play.levelIndex);
    saveAll();
}

void finishGame()
{
    endGameInProgress();  // a finished game is never saved: its score is in the high scores
    finishWithScore(wonTotal());
}

void gainExtraLife()
{
    setProfileLives(profileLives() + 1);
    play.lifeGained = 1;
    play.lifeGainedMs = 0.0f;
    showKeyMessage("getlife", 90.0f, 100.0f, 30.0f, 6000.0f);
    playSound("GetLife.ogg");
}
