#include "app/quickstart.h"

#include "app/screens.h"
#include "game/board.h"
#include "game/gameflow.h"
#include "game/hud.h"
#include "game/outcome.h"
#include "game/playstate.h"
#include "persist/profile.h"

QuickStartState quickStart;

namespace {

// The level after a won one (or the same after a loss) starts at once.
void backToTheGame(int mode)
{
    continueGame(mode);
    requestScreen(&screens.game);
    openShutter(1000.0f, "");
}

void noTrophyRoom()
{
    // The trophy room is not there yet either: the game simply goes on.
    play.paused = 0;
}

} // namespace

void quickStartGame()
{
    loadHudPictures();
    if (profileState.count == 0) createProfile("Player");
    gameFlow.toModeMenu = backToTheGame;
    gameFlow.toTrophyRoom = noTrophyRoom;
    gameFlow.answerDialogs = 1;
    // The board's constants (the hammer meter's bounds) are set by its reset, which nothing else
    // runs before the first game.
    resetBoard();
    resetPlayState();
    setProfileMode(ModeAdventure);
    resetProgress();
    newGame(ModeAdventure);
    quickStart.gamesStarted += 1;
    requestScreen(&screens.game);
    openShutter(1000.0f, "");
}
