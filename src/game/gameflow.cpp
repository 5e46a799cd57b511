#include "game/gameflow.h"

#include "app/core/requestlog.h"

void gameKeyDown(int vk) { recordRequest("gameKeyDown", "", vk); }
void boardPress() { recordRequest("boardPress"); }
void boardRelease() { recordRequest("boardRelease"); }
void boardDoubleClick() { recordRequest("boardDoubleClick"); }
void boardRightDown() { recordRequest("boardRightDown"); }
void boardRightUp() { recordRequest("boardRightUp"); }
void boardMiddleDown() { recordRequest("boardMiddleDown"); }
void updateGameplay() { recordRequest("updateGameplay"); }
void drawGame() { recordRequest("drawGame"); }
void boardUpkeep() { recordRequest("boardUpkeep"); }
void openShutter(float durationMs, const char* caption) { recordRequest("openShutter", caption, 0, 0, durationMs); }
void closeShutter(float durationMs, const char* caption) { recordRequest("closeShutter", caption, 0, 0, durationMs); }
void drawShutter() { recordRequest("drawShutter"); }
