#include "trophies/trophyroom.h"

#include "core/requestlog.h"

void trophyRoomKeyDown(int vk) { recordRequest("trophyRoomKeyDown", "", vk); }
void trophyRoomPress() { recordRequest("trophyRoomPress"); }
void trophyRoomDoubleClick() { recordRequest("trophyRoomDoubleClick"); }
void trophyRoomRelease() { recordRequest("trophyRoomRelease"); }
void trophyRoomHover() { recordRequest("trophyRoomHover"); }
void drawTrophyRoom() { recordRequest("drawTrophyRoom"); }
