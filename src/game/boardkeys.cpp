#include "game/boardkeys.h"

#include <cmath>

#include "core/appstate.h"
#include "game/board.h"
#include "graphics/draw.h"
#include "platform/os/os.h"

BoardKeysState boardKeys;

namespace {

// The middle of the grid, where the cursor first shows.
constexpr int MIDDLE_ROW = BOARD_ROWS / 2;
constexpr int MIDDLE_COL = BOARD_COLS / 2;

// The place nearest (row, col) (squared distance in places; ties go to the earlier row, then
// column). False when the board has no place.
bool nearestPlace(int row, int col, int& outRow, int& outCol)
{
    int best = -1;
    for (int r = 0; r < BOARD_ROWS; ++r)
        for (int c = 0; c < BOARD_COLS; ++c) {
            if (!hasCell(r, c)) continue;
            int d = (r - row) * (r - row) + (c - col) * (c - col);
            if (best < 0 || d < best) {
                best = d;
                outRow = r;
                outCol = c;
            }
        }
    return best >= 0;
}

void fill(float x0, float y0, float x1, float y1, Color colour)
{
    Rect r{x0, y0, x1, y1};
    drawQuadRect(r, Rect{0.0f, 0.0f, 1.0f, 1.0f}, colour);
}

// A square frame between half sizes inner and outer around (x, y).
void frame(float x, float y, float inner, float outer, Color colour)
{
    fill(x - outer, y + outer, x + outer, y + inner, colour);  // top
    fill(x - outer, y - inner, x + outer, y - outer, colour);  // bottom
    fill(x - outer, y + inner, x - inner, y - inner, colour);  // left
    fill(x + inner, y + inner, x + outer, y - inner, colour);  // right
}

} // namespace

void resetBoardKeys() { boardKeys = BoardKeysState{}; }

bool isBoardArrowKey(int vk) { return vk == VK_LEFT || vk == VK_RIGHT || vk == VK_UP || vk == VK_DOWN; }

bool showBoardKeyCursor()
{
    BoardKeysState& k = boardKeys;
    int row = k.placed ? k.row : MIDDLE_ROW;
    int col = k.placed ? k.col : MIDDLE_COL;
    if (!hasCell(row, col) && !nearestPlace(row, col, row, col)) return false;
    k.row = row;
    k.col = col;
    k.placed = 1;
    if (!k.shown) {
        k.shown = 1;
        k.pointerX = app.mouseX;
        k.pointerY = app.mouseY;
    }
    return true;
}

void boardArrowKey(int vk)
{
    BoardKeysState& k = boardKeys;
    if (!k.shown) {
        showBoardKeyCursor();
        return;
    }
    if (!hasCell(k.row, k.col) && !showBoardKeyCursor()) return;
    int dr = vk == VK_UP ? -1 : vk == VK_DOWN ? 1 : 0;  // row 0 is the top row
    int dc = vk == VK_LEFT ? -1 : vk == VK_RIGHT ? 1 : 0;
    for (int r = k.row + dr, c = k.col + dc; r >= 0 && r < BOARD_ROWS && c >= 0 && c < BOARD_COLS; r += dr, c += dc) {
        if (hasCell(r, c)) {
            k.row = r;
            k.col = c;
            return;
        }
    }
}

void boardPointerMoved(int x, int y)
{
    BoardKeysState& k = boardKeys;
    if (k.shown && (x != k.pointerX || y != k.pointerY)) k.shown = 0;
}

void drawBoardKeyCursor(float offsetX, float offsetY, float frameMs)
{
    BoardKeysState& k = boardKeys;
    if (!k.shown || !hasCell(k.row, k.col)) return;
    k.clockMs += frameMs > 0.0f ? frameMs : 0.0f;
    if (k.clockMs > 1.0e6f) k.clockMs = 0.0f;
    Vec2 c = cellCentre(k.col, k.row);
    float x = c.x + offsetX, y = c.y + offsetY;
    // A dark band on both sides of a light one, so the frame reads on light and dark figures and
    // on every tile; the light band breathes gently (never below 80 %).
    float pulse = 0.5f + 0.5f * std::sin(k.clockMs * 0.006f);
    uint8_t a = static_cast<uint8_t>(215.0f + 40.0f * pulse);
    setTexture(nullptr);
    setBlendMode(0);
    const float half = CELL_PITCH / 2.0f;
    frame(x, y, half - 5.0f, half + 3.0f, Color(25, 12, 0, 235));
    frame(x, y, half - 3.0f, half + 1.0f, Color(255, 255, 245, a));
}
