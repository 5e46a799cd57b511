#pragma once
// The board played from the keyboard: a cursor on one place that the arrow keys move, Return
// acting at it as a click there would (the click's own path: boardCursor gives the cursor's
// place while it is shown), H for the hammer button. The cursor shows at the first arrow key,
// hides when the pointer moves and comes back where it was at the next arrow key.
#include <cstdint>

struct BoardKeysState {
    int32_t row;
    int32_t col;
    uint8_t shown;    // drawn and standing in for the pointer on the board
    uint8_t placed;   // row/col hold a place chosen before (else the first arrow picks the middle)
    int32_t pointerX; // client position of the pointer when the cursor showed
    int32_t pointerY;
    float clockMs;    // the frame's pulse
};

extern BoardKeysState boardKeys;

// Hidden, no place remembered.
void resetBoardKeys();
// Up, Down, Left, Right.
bool isBoardArrowKey(int vk);
// An arrow key: shows a hidden cursor where it was (the first time on the place nearest the
// board's middle), or moves a shown one to the next place in the key's direction, passing over
// holes; at the edge it stays. A remembered place that is a hole on this board moves to the
// nearest place.
void boardArrowKey(int vk);
// Shows the cursor where it was without moving it (Return on a hidden cursor). False when the
// board has no place at all.
bool showBoardKeyCursor();
// The pointer moved to a client position: a shown cursor hides when the position differs from
// the one the pointer had when the cursor showed.
void boardPointerMoved(int x, int y);
// The cursor's frame around its place (nothing while hidden); offset is the view's shake.
void drawBoardKeyCursor(float offsetX, float offsetY, float frameMs);
