#include "game/boardstep.h"

#include <cmath>
#include <cstdio>

#include "core/appstate.h"
#include "core/dialogport.h"
#include "audio/audio.h"
#include "effects/effects.h"
#include "game/board.h"
#include "game/bonus.h"
#include "game/click.h"
#include "game/outcome.h"
#include "game/pending.h"
#include "game/playstate.h"
#include "trophies/trophies.h"

namespace {

bool isZero(const Vec2& v) { return v.x == 0.0f && v.y == 0.0f; }

float lengthOf(const Vec2& v) { return std::sqrt(v.x * v.x + v.y * v.y); }

Vec2 rotated(const Vec2& v, float degrees)
{
    float r = degrees * 3.14159265358979f / 180.0f;
    float c = std::cos(r);
    float s = std::sin(r);
    return Vec2{v.x * c - v.y * s, v.x * s + v.y * c};
}

// An existing place without a figure.
bool isEmptyPlace(int row, int col) { return hasCell(row, col) && board.cells[row][col].colour < 0; }

bool isFreeFigure(int row, int col) { return hasFigure(row, col) && board.cells[row][col].chained == 0; }

bool isFreeFigureAtRest(int row, int col) { return isFreeFigure(row, col) && isZero(board.cells[row][col].offset); }

// A place that can still receive a figure from its own row above: straight below, below-left or below-right.
bool hasEmptyBelow(int row, int col)
{
    return isEmptyPlace(row + 1, col) || isEmptyPlace(row + 1, col - 1) || isEmptyPlace(row + 1, col + 1);
}

void moveFigure(int fromRow, int fromCol, int toRow, int toCol)
{
    Cell& from = board.cells[fromRow][fromCol];
    Cell& to = board.cells[toRow][toCol];
    copyFigurePart(to, from);
    from.colour = -1;
}

// The first empty place (rows 10 up to 1) that a free figure above-right, else above-left, can
// slide into: moves it there. During play (animate) only figures at rest slide and the moved
// figure keeps its old centre as its offset. True when a figure moved.
bool slideOne(bool animate)
{
    auto canSlide = [animate](int row, int col) { return animate ? isFreeFigureAtRest(row, col) : isFreeFigure(row, col); };
    for (int row = BOARD_ROWS - 1; row >= 1; row--) {
        for (int col = 0; col < BOARD_COLS; col++) {
            if (!isEmptyPlace(row, col)) continue;
            int fromCol = -1;
            if (col < BOARD_COLS - 1 && canSlide(row - 1, col + 1)) fromCol = col + 1;
            else if (col > 0 && canSlide(row - 1, col - 1)) fromCol = col - 1;
            if (fromCol < 0) continue;
            moveFigure(row - 1, fromCol, row, col);
            Cell& to = board.cells[row][col];
            if (animate) {
                Vec2 oldCentre = cellCentre(fromCol, row - 1);
                Vec2 newCentre = cellCentre(col, row);
                to.offset = Vec2{oldCentre.x - newCentre.x, oldCentre.y - newCentre.y};
                to.sliding = 1;
            }
            return true;
        }
    }
    return false;
}

void breakSound()
{
    int streak = play.colourStreak;
    if (streak <= 7) {
        char name[32];
        std::snprintf(name, sizeof name, "BreakFigure%i.ogg", streak + 1);
        playSound(name);
    } else {
        playSoundAtRate("BreakFigure.ogg", streak * 2000 + 8050);
    }
}

bool trophy(int number) { return awardTrophy(number, play.profileStem); }

void stepTrophies(int total)
{
    if (total >= 10000) {
        if (!trophy(4) && !trophy(5)) trophy(2);
    } else if (total >= 7000) {
        if (!trophy(5)) trophy(2);
    } else if (total >= 5000) {
        trophy(2);
    }
}

void firstBonusTips()
{
    if (play.levelIndex <= 0 || !isIdle()) return;
    for (int row = 0; row < BOARD_ROWS; row++) {
        for (int col = 0; col < BOARD_COLS; col++) {
            // A place a carrier has just left keeps the bonus in its record: only figures count.
            if (!hasFigure(row, col)) continue;
            const Cell& c = board.cells[row][col];
            const char* key = nullptr;
            if (c.bonus == BonusKind::Bomb) key = "b_t_firstbonus1";
            else if (c.bonus == BonusKind::Thunder) key = "b_t_firstbonus2";
            else if (c.bonus == BonusKind::MegaBomb) key = "b_t_firstbonus5";
            if (!key) continue;
            int flag = tipFlagIndex(key);
            if (!tipWanted(flag)) continue;
            Vec2 p = cellCentre(col, row);
            showTip(key, p.x, p.y);
        }
    }
}

} // namespace

bool straightFallPending()
{
    for (int row = 0; row < BOARD_ROWS - 1; row++) {
        for (int col = 0; col < BOARD_COLS; col++) {
            if (isFreeFigure(row, col) && isEmptyPlace(row + 1, col)) return true;
        }
    }
    return false;
}

bool isIdle()
{
    for (const auto& row : board.cells) {
        for (const Cell& c : row) {
            if (!isZero(c.offset) || c.recolourPending) return false;
        }
    }
    for (int row = 0; row < BOARD_ROWS - 1; row++) {
        for (int col = 0; col < BOARD_COLS; col++) {
            if (isFreeFigure(row, col) && hasEmptyBelow(row, col)) return false;
        }
    }
    return true;
}

bool labelGroups()
{
    static const int dRow[4] = {0, 0, 1, -1};  // right, left, lower, upper
    static const int dCol[4] = {1, -1, 0, 0};
    board.groupCount = 0;
    for (auto& row : board.cells) {
        for (Cell& c : row) {
            c.groupStep = -1;
            c.groupId = -1;
        }
    }
    int layer[BOARD_CELLS];
    int next[BOARD_CELLS];
    for (int row = 0; row < BOARD_ROWS; row++) {
        for (int col = 0; col < BOARD_COLS; col++) {
            Cell& seed = board.cells[row][col];
            if (seed.tile < 0 || seed.groupStep != -1 || seed.groupId != -1) continue;
            seed.groupStep = 0;
            seed.groupId = board.groupCount;
            int layerSize = 1;
            layer[0] = row * BOARD_COLS + col;
            bool grew = false;
            for (int k = 0; layerSize > 0; k++) {
                int nextSize = 0;
                for (int i = 0; i < layerSize; i++) {
                    int r = layer[i] / BOARD_COLS;
                    int cc = layer[i] % BOARD_COLS;
                    int colour = board.cells[r][cc].colour;
                    if (colour < 0) continue;
                    for (int d = 0; d < 4; d++) {
                        int nr = r + dRow[d];
                        int nc = cc + dCol[d];
                        if (!hasCell(nr, nc)) continue;
                        Cell& n = board.cells[nr][nc];
                        if (n.colour != colour || n.groupStep != -1 || n.groupId != -1) continue;
                        n.groupStep = k + 1;
                        n.groupId = board.groupCount;
                        next[nextSize++] = nr * BOARD_COLS + nc;
                    }
                }
                if (nextSize > 0) grew = true;
                for (int i = 0; i < nextSize; i++) layer[i] = next[i];
                layerSize = nextSize;
            }
            if (!grew) {
                seed.groupStep = -1;
                seed.groupId = -1;
            } else {
                board.groupCount++;
            }
        }
    }
    return board.groupCount > 0;
}

void newFigure(int row, int col)
{
    Cell& c = board.cells[row][col];
    c.colour = board.colourCount > 0 ? rulesBelow(board.colourCount) : 0;
    c.offset = Vec2{0.0f, CELL_PITCH};
    c.bonus = BonusKind::None;
    c.recolourPending = 0;
    c.sliding = 0;
    c.fallSpeed = row < BOARD_ROWS - 1 ? board.cells[row + 1][col].fallSpeed : 0.0f;
    if (row < BOARD_ROWS - 1) {
        if (col < BOARD_COLS - 1) {
            const Cell& br = board.cells[row + 1][col + 1];
            if (br.sliding && br.fallSpeed > c.fallSpeed) c.fallSpeed = br.fallSpeed;
        }
        if (col > 0) {
            const Cell& bl = board.cells[row + 1][col - 1];
            if (bl.sliding && bl.fallSpeed > c.fallSpeed) c.fallSpeed = bl.fallSpeed;
        }
    }
}

bool setUpBoard()
{
    for (int attempt = 0; attempt < SETUP_FILL_MAX_ATTEMPTS; attempt++) {
        for (int row = 0; row < BOARD_ROWS; row++) {
            for (int col = 0; col < BOARD_COLS; col++) {
                Cell& c = board.cells[row][col];
                if (c.tile >= 0) c.sweepPending = 1;
                if (!c.chained && !isBonus(c.bonus)) c.colour = -1;
            }
        }
        for (int pass = 0; pass < 100; pass++) {
            for (int row = BOARD_ROWS - 1; row >= 1; row--) {
                for (int col = 0; col < BOARD_COLS; col++) {
                    if (!isEmptyPlace(row, col)) continue;
                    if (isFreeFigure(row - 1, col)) moveFigure(row - 1, col, row, col);
                    else if (board.cells[row - 1][col].tile < 0) newFigure(row, col);
                }
            }
            for (int col = 0; col < BOARD_COLS; col++) {
                if (isEmptyPlace(0, col)) newFigure(0, col);
            }
            if (straightFallPending()) continue;
            slideOne(false);
        }
        for (auto& row : board.cells) {
            for (Cell& c : row) c.offset = Vec2{};
        }
        if (labelGroups()) return true;
    }
    return false;
}

void resolveStep()
{
    int streak = play.colourStreak;
    for (int row = 0; row < BOARD_ROWS; row++) {
        for (int col = 0; col < BOARD_COLS; col++) {
            Cell& c = board.cells[row][col];
            c.highlighted = 0;
            // scoreGain is not cleared here: the blasts that ran since the last pass have added
            // their points to their carriers' places, and they count in this pass. Every place is
            // back at 0 after the pass.
            Vec2 centre = cellCentre(col, row);
            if (c.state == FigureState::Breaking || c.state == FigureState::Struck) {
                // A figure that left its place while marked leaves nothing to break.
                if (hasFigure(row, col)) {
                    if (c.state == FigureState::Breaking) spawnDebris(c.colour, centre.x, centre.y, 1);
                    clearFigure(row, col);
                    breakSound();
                    c.scoreGain += 10 * (streak + 1);
                    board.targetsLeft -= 1;
                    board.groupSize = 0;
                }
                c.state = FigureState::Idle;
            }
            if (c.hit) {
                c.hit = 0;
                if (c.chained > 0) {
                    c.chained = 0;
                    playSound("BreakZep.ogg");
                    startEffect("zep1", centre.x, centre.y, centre.x, centre.y, 1.0f, -1);
                    c.scoreGain += 90 * (streak + 1);
                    board.targetsLeft -= 1;
                } else if (c.tile > 0) {
                    playSound("BreakSquare.ogg");
                    c.scoreGain += 90 * (streak + 1);
                    board.targetsLeft -= 1;
                    spawnSquarePiece(centre.x, centre.y, c.tile);
                    c.tile -= 1;
                }
            }
        }
    }
    int total = 0;
    for (int row = 0; row < BOARD_ROWS; row++) {
        for (int col = 0; col < BOARD_COLS; col++) {
            Cell& c = board.cells[row][col];
            if (c.scoreGain <= 0) continue;
            Vec2 centre = cellCentre(col, row);
            addScorePopup(centre.x, centre.y, c.scoreGain);
            play.levelScore += c.scoreGain;
            total += c.scoreGain;
            c.scoreGain = 0;
        }
    }
    stepTrophies(total);
    firstBonusTips();
}

void applyGravity()
{
    // Straight fall, bottom up, so a column moves down together.
    for (int row = BOARD_ROWS - 2; row >= 0; row--) {
        for (int col = 0; col < BOARD_COLS; col++) {
            if (!isFreeFigureAtRest(row, col) || !isEmptyPlace(row + 1, col)) continue;
            moveFigure(row, col, row + 1, col);
            Cell& to = board.cells[row + 1][col];
            to.offset = Vec2{0.0f, CELL_PITCH};
            to.sliding = 0;
        }
    }
    // New figures enter at the top row and under holes.
    for (int row = 0; row < BOARD_ROWS; row++) {
        for (int col = 0; col < BOARD_COLS; col++) {
            if (!isEmptyPlace(row, col)) continue;
            if (row == 0 || board.cells[row - 1][col].tile < 0) newFigure(row, col);
        }
    }
    if (!straightFallPending() && slideOne(true)) return;
    for (auto& row : board.cells) {
        for (Cell& c : row) {
            if (isZero(c.offset)) {
                c.fallSpeed = 0.0f;
                c.sliding = 0;
            }
        }
    }
}

namespace {

// Nothing at or below the place in its column can still take a figure.
bool columnSettledBelow(int row, int col)
{
    for (int r = row; r < BOARD_ROWS - 1; r++) {
        if (hasEmptyBelow(r, col)) return false;
    }
    return true;
}

} // namespace

void moveFigures()
{
    float frameMs = app.frameMs;
    for (int row = BOARD_ROWS - 1; row >= 0; row--) {
        for (int col = 0; col < BOARD_COLS; col++) {
            Cell& c = board.cells[row][col];
            if (isZero(c.offset)) continue;
            float d = lengthOf(c.offset);
            float s = c.fallSpeed * c.fallSpeed * frameMs * 0.02f;
            if (s > 10.0f) s = 10.0f;
            if (c.sliding) s *= 1.5f;
            if (d <= s) {
                c.offset = Vec2{};
                if (c.colour >= 0 && columnSettledBelow(row, col)) playSound("FigureFall.ogg");
            } else {
                c.offset.x -= c.offset.x / d * s;
                c.offset.y -= c.offset.y / d * s;
            }
        }
    }
    for (auto& row : board.cells) {
        for (Cell& c : row) c.fallSpeed += frameMs * 0.012f;
    }
}

bool checkLevelCleared()
{
    // A level ends once: a lost level is not won afterwards by breaks that were still pending.
    if (play.levelWon || play.levelLost) return false;
    for (const auto& row : board.cells) {
        for (const Cell& c : row) {
            if (c.tile > 0) return false;
        }
    }
    startLevelComplete();
    return true;
}

void prepareFlyOff()
{
    board.flyOffStyle = randomBelow(2);
    for (auto& row : board.cells) {
        for (Cell& c : row) {
            if (c.tile < 0) continue;
            c.timer = 150.0f + randomUpTo(150.0f);
            if (board.flyOffStyle == 0) {
                float vx = randomUpTo(4.0f);
                float vy = 3.0f + randomUpTo(2.5f);
                c.flyVelocity = Vec2{vx, vy};
            }
        }
    }
}

void boardStep()
{
    float frameMs = app.frameMs;
    runBlasts();
    bool idle = isIdle();
    if (!idle) board.busyMs += frameMs;
    board.idleTimerMs -= frameMs;
    if (board.idleTimerMs < 0.0f && isIdle()) resolveStep();
    if (board.idleTimerMs < 0.0f && isIdle()) checkLevelCleared();
    applyGravity();
    moveFigures();
    if (!isIdle()) return;
    if (!labelGroups()) {
        showTip("nomoves", 0.0f, -100.0f);
        startRecolourWave();
        return;
    }
    board.hintTimerMs += frameMs;
    if (board.hintTimerMs > board.hintDelayMs && !board.hintShown && !play.tipOpen) {
        board.hintGroup = randomBelow(board.groupCount);
        board.hintShown = 1;
    }
}

void startRecolourWave()
{
    if (dialogPort.open || play.levelWon || play.tipOpen || play.paused || play.levelLost) return;
    for (int row = 0; row < BOARD_ROWS; row++) {
        for (int col = 0; col < BOARD_COLS; col++) {
            if (isFreeFigure(row, col)) board.cells[row][col].recolourPending = 1;
        }
    }
    board.recolourWaveOn = 1;
}

void stepRecolourWave()
{
    if (!board.recolourWaveOn) return;
    float clock = board.recolourClockMs;
    float frameMs = app.frameMs;
    for (int row = 0; row < BOARD_ROWS; row++) {
        for (int col = 0; col < BOARD_COLS; col++) {
            Cell& c = board.cells[row][col];
            if (!c.recolourPending) continue;
            float at = static_cast<float>(row + col) * 50.0f;
            // The place changes in the one frame in which the clock passes its time.
            if (clock < at || clock - frameMs >= at) continue;
            Vec2 p = cellCentre(col, row);
            playSound("ReFillLevel.ogg");
            startEffect("refill1", p.x, p.y, p.x, p.y, 1.0f, -1);
            c.colour = rulesBelow(board.colourCount);
        }
    }
    board.hintTimerMs = 0.0f;
    board.recolourClockMs += frameMs;
    if (board.recolourClockMs >= 1050.0f) {
        for (auto& row : board.cells) {
            for (Cell& c : row) c.recolourPending = 0;
        }
        board.groupSize = 0;
        board.recolourWaveOn = 0;
        board.recolourClockMs = 0.0f;
    }
}

void runHintAndTips()
{
    float frameMs = app.frameMs;
    if (board.hintShown && !board.hammerArmed && !play.levelWon) {
        if (board.hintTimerMs > board.hintDelayMs && board.hintTimerMs <= board.hintDelayMs + frameMs) {
            for (int row = 0; row < BOARD_ROWS; row++) {
                for (int col = 0; col < BOARD_COLS; col++) {
                    Cell& c = board.cells[row][col];
                    if (c.groupId != board.hintGroup) continue;
                    Vec2 p = cellCentre(col, row);
                    c.highlighted = 1;
                    playSound("MoveTipShow.ogg");
                    startEffect("blik4", p.x, p.y, p.x, p.y, 1.0f, -1);
                }
            }
        }
        if (board.hintTimerMs > board.hintDelayMs + 4000.0f) {
            for (auto& row : board.cells) {
                for (Cell& c : row) {
                    if (c.groupId == board.hintGroup) c.highlighted = 0;
                }
            }
            board.hintShown = 0;
            board.hintTimerMs = 0.0f;
            board.hintDelayMs = 6000.0f;
        }
    }

    if (dialogPort.open || play.tipOpen || play.paused || play.levelLost || play.levelWon) return;
    bool idle = isIdle();
    bool welcomeShown = false;
    for (int row = 0; row < BOARD_ROWS; row++) {
        for (int col = 0; col < BOARD_COLS; col++) {
            Cell& c = board.cells[row][col];
            const char* key = nullptr;
            if (tipWanted(TipWelcome) && !board.hammerArmed && c.groupId == board.hintGroup) {
                key = "welcome";
            } else if (idle && c.groupId > 1) {
                if (tipWanted(TipBreakSquares) && c.tile == 1 && play.movesMade > 3) key = "breaksquares";
                else if (tipWanted(TipBreakDualSquares) && c.tile == 2 && play.movesMade > 3) key = "breakdualsquares";
                else if (tipWanted(TipBreakZep) && c.chained && play.movesMade > 0) key = "breakzep";
            }
            if (!key) continue;
            Vec2 p = cellCentre(col, row);
            showTip(key, p.x, p.y);
            playSound("MoveTipShow.ogg");
            c.highlighted = 1;
            startEffect("blik4", p.x, p.y, p.x, p.y, 1.0f, -1);
            if (key[0] == 'w') welcomeShown = true;
            // The tip panel is open now: the rest of the board waits for it to close.
            row = BOARD_ROWS;
            break;
        }
    }
    if (welcomeShown) markTipShown(TipWelcome);
}

void updateBonusLabels()
{
    for (auto& row : board.cells) {
        for (Cell& c : row) {
            bool labelled = c.bonus == BonusKind::Bomb || c.bonus == BonusKind::Thunder || c.bonus == BonusKind::MegaBomb;
            if (labelled && c.colour >= 0 && c.bonusTimer > 0.0f) c.bonusTimer -= app.frameMs;
        }
    }
}

void levelCompleteMotion(float t)
{
    float frameMs = app.frameMs;
    for (int row = 0; row < BOARD_ROWS; row++) {
        for (int col = 0; col < BOARD_COLS; col++) {
            Cell& c = board.cells[row][col];
            if (c.tile < 0) continue;
            if (t > 1000.0f && t < 2000.0f) {
                c.jiggle = rotated(Vec2{(2000.0f - t) / 400.0f, 0.0f}, t - 10.0f * row - 10.0f * col);
            } else if (t > 2000.0f && t < FLY_OFF_END_MS) {
                Vec2 centre = cellCentre(col, row);
                if (board.flyOffStyle == 0) {
                    c.jiggle.x += c.flyVelocity.x * frameMs * 0.02f;
                    c.jiggle.y += c.flyVelocity.y * frameMs * 0.02f;
                    c.flyVelocity.y -= 0.0004f * frameMs;
                } else {
                    c.flyVelocity = rotated(Vec2{centre.x - 90.0f, centre.y}, 6.0f * frameMs);
                    float len = lengthOf(c.flyVelocity);
                    if (len > 0.0f) {
                        c.jiggle.x += c.flyVelocity.x / len * frameMs * 0.1f;
                        c.jiggle.y += c.flyVelocity.y / len * frameMs * 0.1f;
                    }
                }
                c.timer += frameMs;
                // No sparks over a dialog's text (the result panel may open before the tiles
                // have gone).
                if (c.timer > 300.0f && !dialogPort.open) {
                    float size = 2.0f + randomUpTo(1.0f);
                    float x = centre.x + c.jiggle.x;
                    float y = centre.y + c.jiggle.y;
                    startEffect("levelover0", x, y, x, y, size, -1);
                    c.timer = 0.0f;
                }
            }
        }
    }
}

float flyOffAlpha(float t)
{
    if (t <= FLY_OFF_FADE_MS) return 1.0f;
    if (t >= FLY_OFF_END_MS) return 0.0f;
    return (FLY_OFF_END_MS - t) / (FLY_OFF_END_MS - FLY_OFF_FADE_MS);
}

void boardUpdate()
{
    board.boardClockMs += app.frameMs;
    if (!boardFrozen()) {
        boardStep();
        updateHammerMeter();
        updateHover();
    }
    updateHeldClick();
}

void boardPassLogic()
{
    runHintAndTips();
    updateBonusLabels();
    stepRecolourWave();
}

void boardFrame()
{
    boardUpdate();
    boardPassLogic();
}
