#include "game/playstate.h"
#include "core/dialogport.h"

#include <cstring>

#include "persist/profile.h"

PlayState play;

namespace {
// A game belongs to the player who started it: another player ends it (reading the table at
// start does not).
void followProfiles(ProfileEvent event)
{
    if (event == ProfileEvent::Changed) endGameInProgress();
}
[[maybe_unused]] const bool followingProfiles = listenToProfiles(followProfiles);
} // namespace

void resetPlayState()
{
    play = PlayState{};
}

void resetLevelPlayValues()
{
    play.movesMade = 0;
    play.moveLimit = 0;
    play.timeLimitMs = 0.0f;
    play.timeUsedMs = 0.0f;
    play.levelScore = 0;
    play.colourStreak = 0;
    play.bestStreak = 0;
    play.comboCount = 0;
    play.endBonus = 0;
    play.gameInProgress = 0;
    play.paused = 0;
    play.tipOpen = 0;
    play.levelWon = 0;
    play.levelLost = 0;
    play.completeClockMs = 0.0f;
    play.limitClockMs = 0.0f;
    play.movesShown = 0.0f;
    play.limitRunning = 1;
    play.warnTickMs = 0.0f;
    play.shownLevelScore = 0;
    play.lostClockMs = 0.0f;
    play.secondTry = 0;
    play.levelAdvance = 0;
    play.completeDialogShown = 0;
    play.nextLevelDone = 0;
    play.wonAtMs = 0;
    play.pauseClockMs = 0.0f;
    play.trophyTrip = 0;
    play.trophyTripMs = 0.0f;
    play.noMovesTipShown = 0;
    play.levelTouched = 0;
    play.savedOnDisk = 0;
    play.playClockMs = 0.0f;
}

void endGameInProgress()
{
    play.gameInProgress = 0;
    play.levelTouched = 0;
}

int tipFlagIndex(const char* key)
{
    static const char* const keys[TIP_FLAG_COUNT] = {
        "welcome", "breaksquares", "breakdualsquares", "breakzep", "usehammer",
        "b_t_firstbonus1", "b_t_firstbonus2", "b_t_firstbonus5", "candletime", "candlemove",
    };
    if (!key) return -1;
    for (int i = 0; i < TIP_FLAG_COUNT; i++) {
        if (std::strcmp(keys[i], key) == 0) return i;
    }
    return -1;
}

bool tipWanted(int flag)
{
    if (flag < 0 || flag >= TIP_FLAG_COUNT) return false;
    return currentProfile().hintFlags[flag] != 0;
}

void markTipShown(int flag)
{
    if (flag < 0 || flag >= TIP_FLAG_COUNT) return;
    currentProfile().hintFlags[flag] = 0;
}

bool boardFrozen()
{
    return dialogPort.open || play.paused || play.tipOpen || play.shutterMoving;
}
