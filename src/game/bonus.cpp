#include "game/bonus.h"

#include <cmath>

#include "core/appstate.h"
#include "core/random.h"
#include "audio/audio.h"
#include "effects/effects.h"
#include "game/playstate.h"

namespace {

// Row and column steps of the eight rays, in `rays` order.
const int rayRow[8] = {1, -1, 0, 0, 1, -1, 1, -1};
const int rayCol[8] = {0, 0, 1, -1, 1, 1, -1, -1};

void effectAt(const char* name, int row, int col, float dx, float dy)
{
    Vec2 p = cellCentre(col, row);
    startEffect(name, p.x + dx, p.y + dy, p.x + dx, p.y + dy, 1.0f, -1);
}

void hitPlace(const BlastRecord& blast, int row, int col)
{
    if (!hasFigure(row, col)) return;
    Cell& c = board.cells[row][col];
    if (c.state != FigureState::Idle) return;
    const Cell& carrier = board.cells[blast.row][blast.col];
    if (!isBonus(c.bonus)) {
        if (blast.kind == BonusKind::Bomb) {
            if (!c.chained) c.state = FigureState::Breaking;
        } else if (blast.kind == BonusKind::Thunder) {
            if (!c.chained) c.state = FigureState::Struck;
            effectAt("lightning", row, col, 1.0f, 2.0f);
        }
    } else if (c.bonus == BonusKind::Thunder && blast.kind == BonusKind::Thunder && c.colour == carrier.colour) {
        if (!c.chained) c.state = FigureState::Struck;
        effectAt("lightning", row, col, 1.0f, 2.0f);
    } else {
        if (!c.chained) c.state = FigureState::Breaking;
    }
    c.hit = 1;
    board.cells[blast.row][blast.col].scoreGain += play.colourStreak;
}

void hitInsideBoard(const BlastRecord& blast, int row, int col)
{
    if (row < 0 || row >= BOARD_ROWS || col < 0 || col >= BOARD_COLS) return;
    hitPlace(blast, row, col);
}

void crossHits(const BlastRecord& b)
{
    for (int d = 1; d <= 11; d++) {
        hitInsideBoard(b, b.row, b.col + d);
        hitInsideBoard(b, b.row, b.col - d);
        hitInsideBoard(b, b.row + d, b.col);
        hitInsideBoard(b, b.row - d, b.col);
    }
}

void diagonalHits(const BlastRecord& b)
{
    for (int d = 1; d <= 11; d++) {
        hitInsideBoard(b, b.row + d, b.col + d);
        hitInsideBoard(b, b.row + d, b.col - d);
        hitInsideBoard(b, b.row - d, b.col + d);
        hitInsideBoard(b, b.row - d, b.col - d);
    }
}

void buildBoltSet(const BlastRecord& b, int colour)
{
    BoltEntry* set = board.boltSets[board.nextBoltSet];
    for (int i = 0; i < BOLTS_PER_SET; i++) {
        set[i] = BoltEntry{};
        set[i].colour = Color(0, 0, 0, 0);
    }
    // One bolt set per colour between two clicks. Colours beyond the 8 tracked ones are not limited.
    bool tracked = colour >= 0 && colour < 8;
    if (tracked && board.thunderColourDone[colour]) return;
    set[0].active = 1;
    set[0].centre = b.centre;
    int n = 1;
    for (int row = 0; row < BOARD_ROWS && n < BOLTS_PER_SET; row++) {
        for (int col = 0; col < BOARD_COLS && n < BOLTS_PER_SET; col++) {
            const Cell& c = board.cells[row][col];
            if (!hasFigure(row, col) || c.colour != colour || c.state != FigureState::Struck) continue;
            BoltEntry& e = set[n++];
            e.active = 1;
            e.centre = cellCentre(col, row);
            int red = 40 + rand15() % 215;
            int green = 40 + rand15() % 215;
            int blue = 40 + rand15() % 215;
            e.colour = Color(red, green, blue, 255);
            e.lifeMs = 800.0f;
        }
    }
    board.nextBoltSet = (board.nextBoltSet + 1) % BOLT_SET_COUNT;
    if (tracked) board.thunderColourDone[colour] = 1;
}

void startBlast(BlastRecord& b)
{
    b.started = 1;
    if (board.idleTimerMs < b.durationMs) board.idleTimerMs = b.durationMs;
    if (b.kind == BonusKind::Bomb || b.kind == BonusKind::CrossBomb || b.kind == BonusKind::DiagonalBomb ||
        b.kind == BonusKind::MegaBomb) {
        board.shakeOn = 1;
        board.shakeClockMs = 0.0f;
    }
    int r = b.row;
    int k = b.col;
    switch (b.kind) {
    case BonusKind::Bomb: {
        startEffect("bomb1_1", b.centre.x, b.centre.y, b.centre.x, b.centre.y, 1.0f, -1);
        playSound("ExplosionBomb.ogg");
        const int dr[12] = {0, 0, 0, 0, -1, -1, -1, 1, 1, 1, -2, 2};
        const int dc[12] = {1, 2, -1, -2, -1, 0, 1, -1, 0, 1, 0, 0};
        for (int i = 0; i < 12; i++) hitInsideBoard(b, r + dr[i], k + dc[i]);
        break;
    }
    case BonusKind::Thunder: {
        playSound("Thunderbolt.ogg");
        int colour = board.cells[r][k].colour;
        for (int row = 0; row < BOARD_ROWS; row++) {
            for (int col = 0; col < BOARD_COLS; col++) {
                if (board.cells[row][col].colour == colour) hitPlace(b, row, col);
            }
        }
        buildBoltSet(b, colour);
        break;
    }
    case BonusKind::CrossBomb:
        for (int i = RayDown; i <= RayLeft; i++) b.rays[i] = 1;
        crossHits(b);
        break;
    case BonusKind::DiagonalBomb:
        for (int i = RayDownRight; i <= RayUpLeft; i++) b.rays[i] = 1;
        diagonalHits(b);
        break;
    case BonusKind::MegaBomb:
        startEffect("prototip", b.centre.x, b.centre.y, b.centre.x, b.centre.y, 1.0f, -1);
        playSound("ExplosionSuperBomb.ogg");
        for (uint8_t& ray : b.rays) ray = 1;
        crossHits(b);
        diagonalHits(b);
        break;
    default:
        break;
    }
    fireBreakingBonuses(1);
}

// Free figures above the blast, in its column and the two beside it, are thrown up while no
// hole lies between them and the blast row.
void throwUp(const BlastRecord& b)
{
    float v = std::cos(b.elapsedMs / 200.0f * 80.0f * 3.14159265358979f / 180.0f) * app.frameMs * 0.2f;
    for (int col = b.col - 1; col <= b.col + 1; col++) {
        if (col < 0 || col >= BOARD_COLS) continue;
        bool blocked = false;
        for (int row = b.row - 1; row >= 0; row--) {
            if (board.cells[row][col].tile < 0) blocked = true;
            if (blocked) continue;
            Cell& c = board.cells[row][col];
            if (c.colour >= 0 && !c.chained) c.offset.y += v;
        }
    }
}

void advanceBeams(const BlastRecord& b)
{
    int d = static_cast<int>(b.elapsedMs / 60.0f);
    if (d > 11) d = 11;
    for (int i = 0; i < 8; i++) {
        if (!b.rays[i]) continue;
        int row = b.row + rayRow[i] * d;
        int col = b.col + rayCol[i] * d;
        if (!hasFigure(row, col)) continue;
        // Distance 0 is the carrier's own place: it is breaking already, unless it survived its
        // blast carrying its queued bonus, which its own beams must not take from it.
        if (d > 0) board.cells[row][col].state = FigureState::Breaking;
        effectAt("krestbomb", row, col, 1.0f, -18.0f);
    }
}

void updateBolts()
{
    for (auto& set : board.boltSets) {
        for (int i = 1; i < BOLTS_PER_SET; i++) {
            if (set[i].active) set[i].lifeMs -= app.frameMs;
        }
    }
}

} // namespace

float blastDuration(BonusKind kind)
{
    switch (kind) {
    case BonusKind::Bomb: return 250.0f;
    case BonusKind::Thunder: return 500.0f;
    case BonusKind::CrossBomb:
    case BonusKind::DiagonalBomb:
    case BonusKind::MegaBomb: return 700.0f;
    default: return 0.0f;
    }
}

void fireBreakingBonuses(int delaySteps)
{
    for (int row = 0; row < BOARD_ROWS; row++) {
        for (int col = 0; col < BOARD_COLS; col++) {
            Cell& c = board.cells[row][col];
            if (!hasFigure(row, col) || c.state != FigureState::Breaking || static_cast<int>(c.bonus) <= 0) continue;
            BlastRecord& b = board.blasts[board.nextBlast];
            board.nextBlast = (board.nextBlast + 1) % BLAST_RING_SIZE;
            b = BlastRecord{};
            b.kind = c.bonus;
            b.row = row;
            b.col = col;
            b.centre = cellCentre(col, row);
            b.startAtMs = board.boardClockMs + 150.0f * static_cast<float>(delaySteps);
            b.elapsedMs = 0.0f;
            b.started = 0;
            b.durationMs = blastDuration(c.bonus);
            if (static_cast<int>(c.queuedBonus) <= 0) {
                c.bonus = BonusKind::None;
            } else {
                c.bonus = c.queuedBonus;
                c.state = FigureState::Idle;
            }
            c.queuedBonus = BonusKind::None;
            if (delaySteps > 0) play.comboCount += 1;
        }
    }
}

void runBlasts()
{
    bool thunderRunning = false;
    for (BlastRecord& b : board.blasts) {
        if (static_cast<int>(b.kind) <= 0) continue;
        if (!b.started && b.startAtMs <= board.boardClockMs) startBlast(b);
        if (!b.started) continue;
        b.elapsedMs += app.frameMs;
        if (b.kind == BonusKind::Thunder) {
            thunderRunning = true;
        } else if (b.elapsedMs < 200.0f) {
            throwUp(b);
        }
        if (b.kind == BonusKind::CrossBomb || b.kind == BonusKind::DiagonalBomb || b.kind == BonusKind::MegaBomb) {
            advanceBeams(b);
        }
        if (b.elapsedMs > b.durationMs) b.kind = BonusKind::None;
    }
    if (thunderRunning) updateBolts();
    // The view shake a blast starts is advanced by the gameplay update, once per frame.
}

void forgetThunderDrawings()
{
    board.nextBoltSet = 0;
    for (uint8_t& done : board.thunderColourDone) done = 0;
}

void updateShake()
{
    if (!board.shakeOn) return;
    board.shakeClockMs += app.frameMs;
    float s = 4.0f * std::sin(0.06f * board.shakeClockMs);
    board.shakeOffset = Vec2{s, s};
    if (board.shakeClockMs > 150.0f) {
        board.shakeOn = 0;
        board.shakeOffset = Vec2{};
    }
}
