#pragma once
// The trophy room as the trophy screen calls it. Until it is built, each operation records its
// call (core/requestlog.h).

void trophyRoomKeyDown(int vk);  // "trophyRoomKeyDown", a = vk (0 when no key this frame)
void trophyRoomPress();          // "trophyRoomPress"
void trophyRoomDoubleClick();    // "trophyRoomDoubleClick"
void trophyRoomRelease();        // "trophyRoomRelease"
void trophyRoomHover();          // "trophyRoomHover"
// The room's backdrop and the trophies on their shelves ("drawTrophyRoom").
void drawTrophyRoom();
