// The built data set opened (bench/dataset.h) with the game's modules reset and the board's
// pictures loaded, ready for a benchmark to start a level. False when the data set or the device
// is missing.
#pragma once

#include "app/screens.h"
#include "core/dialogport.h"
#include "audio/audio.h"
#include "dataset.h"
#include "game/board.h"
#include "game/boardrender.h"
#include "game/gameflow.h"
#include "game/level.h"
#include "game/playstate.h"
#include "menus/menus.h"

inline bool openDataSetForALevel(void* window = nullptr)
{
    if (!openBuiltDataSet(window)) return false;
    resetBoardRender();
    loadBoardPictures();
    resetScreens();
    resetAudio();
    resetBoard();
    resetPlayState();
    resetGamePlay();
    resetLevelFiles();
    menus = MenusState{};
    resetDialogPort();
    return true;
}
