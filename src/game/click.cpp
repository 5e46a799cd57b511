#include "game/click.h"

#include <cmath>

#include "core/appstate.h"
#include "core/dialogport.h"
#include "audio/audio.h"
#include "game/board.h"
#include "game/boardkeys.h"
#include "game/bonus.h"
#include "game/boardstep.h"
#include "game/hud.h"
#include "game/pending.h"
#include "game/playstate.h"
#include "trophies/trophies.h"

namespace {

bool trophy(int number) { return awardTrophy(number, play.profileStem); }

void giveBonus(BonusKind kind)
{
    Cell& c = board.cells[board.groupRows[0]][board.groupCols[0]];
    if (static_cast<int>(c.bonus) <= 0) {
        c.bonus = kind;
        c.bonusTimer = 2000.0f;
        c.state = FigureState::Idle;
    } else {
        c.queuedBonus = kind;
    }
}

void buildGroup(int row, int col)
{
    static const int dRow[4] = {0, 0, 1, -1};  // right, left, lower, upper
    static const int dCol[4] = {1, -1, 0, 0};
    board.groupCols[0] = col;
    board.groupRows[0] = row;
    board.groupCentres[0] = cellCentre(col, row);
    board.groupColour = board.cells[row][col].colour;
    board.groupSize = 1;
    for (auto& r : board.cells) {
        for (Cell& c : r) c.groupStep = -1;
    }
    board.cells[row][col].groupStep = 0;
    for (int k = 0;; k++) {
        bool added = false;
        for (int r = 0; r < BOARD_ROWS; r++) {
            for (int c = 0; c < BOARD_COLS; c++) {
                if (board.cells[r][c].groupStep != k) continue;
                int colour = board.cells[r][c].colour;
                for (int d = 0; d < 4; d++) {
                    int nr = r + dRow[d];
                    int nc = c + dCol[d];
                    if (!hasCell(nr, nc)) continue;
                    Cell& n = board.cells[nr][nc];
                    if (n.colour != colour || n.groupStep != -1) continue;
                    n.groupStep = k + 1;
                    int i = board.groupSize++;
                    board.groupCols[i] = nc;
                    board.groupRows[i] = nr;
                    board.groupCentres[i] = cellCentre(nc, nr);
                    added = true;
                }
            }
        }
        if (!added) break;
    }
}

void hammerStrike(Vec2 p)
{
    forgetThunderDrawings();
    CellPos at = cellAt(p.x, p.y);
    if (hasCell(at.row, at.col)) {
        Cell& c = board.cells[at.row][at.col];
        if (!c.chained) c.state = FigureState::Breaking;
        c.hit = 1;
    }
    board.hammerShown = board.hammerEmpty;
    board.hammerTarget = board.hammerEmpty;
    board.hammerArmed = 0;
    board.hammerReady = 0;
    board.hammerCursor = 0;
    board.groupSize = 0;
    board.hintTimerMs = 0.0f;
    playSound("UseHammer.ogg");
    fireBreakingBonuses(0);
}

bool boardReady() { return isIdle() && board.idleTimerMs < 0.0f; }

void dropHeldClick()
{
    board.clickHeld = 0;
    board.heldClickAgeMs = 0.0f;
}

// The group (or hammer target) under a client position on a board at rest.
void clickAtClient(int x, int y)
{
    Vec2 p{static_cast<float>(x) - 400.0f, -(static_cast<float>(y) - 300.0f)};
    CellPos at = cellAt(p.x, p.y);
    if (!hasFigure(at.row, at.col)) return;
    // The hover group follows the pointer a frame late: a click right after a move takes the
    // group under the click, never the one the pointer just left.
    if (board.groupSize <= 0 || board.groupCols[0] != at.col || board.groupRows[0] != at.row) buildGroup(at.row, at.col);
    if (board.hammerArmed) {
        play.gameInProgress = 1;
        hammerStrike(p);
        return;
    }
    boardClick();
}

} // namespace

Vec2 boardCursor()
{
    // The keyboard's cursor stands in for the pointer while it shows (docs/play.md).
    if (boardKeys.shown && hasCell(boardKeys.row, boardKeys.col)) return cellCentre(boardKeys.col, boardKeys.row);
    return Vec2{static_cast<float>(app.mouseX) - 400.0f, -(static_cast<float>(app.mouseY) - 300.0f)};
}

void updateHover()
{
    if (dialogPort.open || play.tipOpen || play.paused || play.shutterMoving) return;
    Vec2 p = boardCursor();
    CellPos at = cellAt(p.x, p.y);
    if (!hasFigure(at.row, at.col)) {
        board.hoverValid = 0;
        return;
    }
    board.hoverValid = 1;
    if (!isIdle()) return;
    if (board.groupSize > 0 && board.groupCols[0] == at.col && board.groupRows[0] == at.row) return;
    buildGroup(at.row, at.col);
}

void onLeftButtonDown()
{
    Vec2 p = boardCursor();
    if (p.x < -270.0f) return;
    int clientX = static_cast<int>(std::lround(p.x + 400.0f));
    int clientY = static_cast<int>(std::lround(300.0f - p.y));
    if (boardReady()) {
        dropHeldClick();
        clickAtClient(clientX, clientY);
        return;
    }
    // Not ready: the latest click waits (a place that is empty now may be filled by then).
    CellPos at = cellAt(p.x, p.y);
    if (!hasCell(at.row, at.col)) return;
    board.clickHeld = 1;
    board.heldClickX = clientX;
    board.heldClickY = clientY;
    board.heldClickAgeMs = 0.0f;
}

void updateHeldClick()
{
    if (!board.clickHeld) return;
    if (dialogPort.open || play.paused || play.tipOpen || play.shutterMoving || play.levelWon || play.levelLost ||
        play.levelAdvance || play.gameComplete) {
        dropHeldClick();
        return;
    }
    board.heldClickAgeMs += app.frameMs;
    if (board.heldClickAgeMs > HELD_CLICK_MAX_MS) {
        dropHeldClick();
        return;
    }
    if (!boardReady()) return;
    int x = board.heldClickX;
    int y = board.heldClickY;
    dropHeldClick();
    // A single figure is not a move: the held click then does nothing (not even reset the
    // quick-click run, as a click on a single figure would).
    Vec2 p{static_cast<float>(x) - 400.0f, -(static_cast<float>(y) - 300.0f)};
    CellPos at = cellAt(p.x, p.y);
    if (!hasFigure(at.row, at.col)) return;
    if (!board.hammerArmed) {
        buildGroup(at.row, at.col);
        if (board.groupSize < 2) {
            board.groupSize = 0;  // the hover group is rebuilt under the pointer next frame
            return;
        }
    }
    clickAtClient(x, y);
}

void boardClick()
{
    play.gameInProgress = 1;
    if (board.idleTimerMs < 0.0f && board.hammerArmed && board.groupSize > 0) {
        hammerStrike(boardCursor());
        return;
    }
    if (board.idleTimerMs >= 0.0f || board.groupSize <= 1) {
        board.quickClicks = 0;
        return;
    }
    if (board.busyMs < 500.0f) board.quickClicks += 1;
    else board.quickClicks = 0;
    board.busyMs = 0.0f;
    if (board.quickClicks > 9) {
        board.quickClicks = 0;
        trophy(17);
    }

    board.idleTimerMs = 50.0f;
    forgetThunderDrawings();
    play.movesMade += 1;
    noteMoveMade();

    if (board.groupColour == board.lastGroupColour) {
        play.colourStreak += 1;
        if (play.colourStreak == 9 || play.colourStreak == 10) trophy(10);
        else if (play.colourStreak > 10 && !trophy(12)) trophy(10);
        board.sameColourRun += 1;
    } else {
        play.colourStreak = 0;
        board.sameColourRun = 0;
    }
    // The level's longest run of clicks on one colour, this click included.
    if (play.colourStreak + 1 > play.bestStreak) play.bestStreak = play.colourStreak + 1;

    bool hadBomb = false;
    bool hadThunder = false;
    bool hadMega = false;
    for (int i = 0; i < board.groupSize; i++) {
        Cell& c = board.cells[board.groupRows[i]][board.groupCols[i]];
        if (!c.chained) c.state = FigureState::Breaking;
        c.hit = 1;
        if (!(c.chained || c.tile > 0)) board.allClicksOnTargets = 0;
        if (c.bonus == BonusKind::Bomb) hadBomb = true;
        if (c.bonus == BonusKind::Thunder) hadThunder = true;
        if (c.bonus == BonusKind::MegaBomb) hadMega = true;
    }

    if (board.sameColourRun == 3) {
        board.clicksSinceThunder = 0;
        board.thunderRuns += 1;
        board.sameColourRun = 0;
        playSound("AddThunder.ogg");
        giveBonus(BonusKind::Thunder);
    } else {
        board.clicksSinceThunder += 1;
        if (board.clicksSinceThunder > 4) {
            board.clicksSinceThunder = 0;
            board.thunderRuns = 0;
        }
    }

    if (board.groupSize >= 8) {
        board.megaSizeRuns += 1;
        playSound("AddSuperBomb.ogg");
        giveBonus(BonusKind::MegaBomb);
    } else if (board.groupSize >= 5) {
        board.megaSizeRuns = 0;
        board.bombSizeRuns += 1;
        playSound("AddBomb.ogg");
        giveBonus(BonusKind::Bomb);
    } else {
        board.megaSizeRuns = 0;
        board.bombSizeRuns = 0;
    }

    board.bombUseRun = hadBomb ? board.bombUseRun + 1 : 0;
    board.megaUseRun = hadMega ? board.megaUseRun + 1 : 0;
    board.thunderUseRun = hadThunder ? board.thunderUseRun + 1 : 0;

    if (board.bombUseRun > 4) {
        board.bombUseRun = 0;
        trophy(14);
    }
    if (board.megaUseRun > 2) {
        board.megaUseRun = 0;
        trophy(6);
    }
    if (board.thunderUseRun > 3) {
        board.thunderUseRun = 0;
        trophy(7);
    }
    if (board.bombSizeRuns > 4) {
        board.bombSizeRuns = 0;
        trophy(15);
    }
    if (board.megaSizeRuns > 2) {
        board.megaSizeRuns = 0;
        trophy(11);
    }
    if (board.thunderRuns > 3) {
        board.thunderRuns = 0;
        board.clicksSinceThunder = 0;
        trophy(13);
    }
    if (board.groupSize >= 30) {
        if (!trophy(16)) trophy(8);
    } else if (board.groupSize >= 20) {
        trophy(8);
    }

    board.lastGroupColour = board.groupColour;
    board.groupSize = 0;
    board.hintTimerMs = 0.0f;
    fireBreakingBonuses(0);
}

void onRightButtonDown()
{
    if (!board.hammerArmed) return;
    board.hammerArmed = 0;
    board.hammerReady = 1;
    board.hammerCursor = 0;
}

void pressHammerButton()
{
    if (!board.hammerReady && !board.hammerArmed) {
        // Not charged yet: the panel shakes gently (once per press; a press during the shake
        // starts it again).
        hud.hammerShakeMs = HAMMER_SHAKE_MS;
        playSound("MenuLineSelect.ogg");
        return;
    }
    if (board.hammerReady) {
        board.hammerArmed = 1;
        board.hammerReady = 0;
    } else {
        board.hammerReady = board.hammerArmed;
        board.hammerArmed = 0;
    }
}

void updateHammerMeter()
{
    if (dialogPort.open || play.levelWon || play.levelLost || play.tipOpen || play.paused || play.shutterMoving) {
        board.hammerCursor = 0;
        return;
    }
    board.hammerCursor = board.hammerArmed ? 1 : 0;
    if (board.hammerShown >= board.hammerFull) {
        board.hammerShown = board.hammerFull;
        board.hammerTarget = board.hammerEmpty;
        if (!board.hammerReady && !board.hammerArmed) {
            playSound("GetHammer.ogg");
            board.hammerReady = 1;
            showTip("usehammer", -314.0f, -42.0f);
        }
        return;
    }
    float d = board.hammerTarget - board.hammerShown;
    if (d > 0.001f) board.hammerShown += d * app.frameMs * 0.005f;
    else board.hammerShown = board.hammerTarget;
}

bool boardDebugKey(int vk)
{
    switch (vk) {
    case 'W': playSound("TimeOut.ogg"); return true;
    case 'T': play.timeLimitMs = 1000.0f; return true;
    case 'R': play.timeLimitMs *= 0.5f; return true;
    case 'M': board.hammerTarget = board.hammerFull; return true;
    case 'O': play.movesMade = play.moveLimit - 2; return true;
    case 'P': play.movesMade = 0; return true;
    case 'V': cheatClearSquares(); return true;
    case 'Z': {
        Vec2 p = boardCursor();
        CellPos at = cellAt(p.x, p.y);
        cheatCycleBonus(at.row, at.col);
        return true;
    }
    case 'K': startRecolourWave(); return true;
    case 'S': play.levelScore += 10000; return true;
    default: return false;
    }
}
