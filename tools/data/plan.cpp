#include "plan.h"

#include <algorithm>
#include <cstring>

#include "game/playstate.h"

namespace {

constexpr int BOMB = static_cast<int>(BonusKind::Bomb);
constexpr int THUNDER = static_cast<int>(BonusKind::Thunder);
constexpr int CROSS = static_cast<int>(BonusKind::CrossBomb);
constexpr int DIAGONAL = static_cast<int>(BonusKind::DiagonalBomb);
constexpr int MEGA = static_cast<int>(BonusKind::MegaBomb);

constexpr int STATE_REST = 0;
constexpr int STATE_BREAKING = 1;
constexpr int STATE_STRUCK = 2;

// Most candidate places tried in one group whose click makes a bonus (the bonus stays where the
// click was).
constexpr int MAX_PLACES_PER_GROUP = 12;
constexpr int MAX_CANDIDATES = BOARD_CELLS * 2;

bool inside(int row, int col) { return row >= 0 && row < BOARD_ROWS && col >= 0 && col < BOARD_COLS; }

bool place(const PlanBoard& b, int row, int col) { return inside(row, col) && b.cells[row][col].tile >= 0; }

bool figure(const PlanBoard& b, int row, int col) { return place(b, row, col) && b.cells[row][col].colour >= 0; }

bool emptyPlace(const PlanBoard& b, int row, int col) { return place(b, row, col) && b.cells[row][col].colour < 0; }

bool freeFigure(const PlanBoard& b, int row, int col) { return figure(b, row, col) && !b.cells[row][col].chained; }

int nextRandom(PlanBoard& b, int n)
{
    b.random = b.random * 1664525u + 1013904223u;
    return n > 0 ? static_cast<int>((b.random >> 16) % static_cast<uint32_t>(n)) : 0;
}

// The groups of like figures (as the game labels them): group number per place, -1 for none,
// and the places of each group in flood order from its first place in row-major order.
struct Groups {
    int id[BOARD_ROWS][BOARD_COLS];
    int count;
    int start[BOARD_CELLS + 1];
    int places[BOARD_CELLS];  // row * BOARD_COLS + col
};

void labelGroups(const PlanBoard& b, Groups& g)
{
    static const int dRow[4] = {0, 0, 1, -1};
    static const int dCol[4] = {1, -1, 0, 0};
    for (auto& row : g.id)
        for (int& v : row) v = -2;  // not visited
    g.count = 0;
    int used = 0;
    for (int row = 0; row < BOARD_ROWS; row++) {
        for (int col = 0; col < BOARD_COLS; col++) {
            if (g.id[row][col] != -2) continue;
            if (!figure(b, row, col)) {
                g.id[row][col] = -1;
                continue;
            }
            int colour = b.cells[row][col].colour;
            int first = used;
            g.places[used++] = row * BOARD_COLS + col;
            g.id[row][col] = g.count;
            for (int i = first; i < used; i++) {
                int r = g.places[i] / BOARD_COLS;
                int c = g.places[i] % BOARD_COLS;
                for (int d = 0; d < 4; d++) {
                    int nr = r + dRow[d];
                    int nc = c + dCol[d];
                    if (!figure(b, nr, nc) || g.id[nr][nc] != -2 || b.cells[nr][nc].colour != colour) continue;
                    g.id[nr][nc] = g.count;
                    g.places[used++] = nr * BOARD_COLS + nc;
                }
            }
            if (used - first < 2) {
                g.id[row][col] = -1;
                used = first;
                continue;
            }
            g.start[g.count] = first;
            g.count++;
        }
    }
    g.start[g.count] = used;
}

// A blast reaches a figure (the game's hitPlace).
void hitPlace(PlanBoard& b, int kind, int carrierColour, int row, int col)
{
    if (!figure(b, row, col)) return;
    PlanCell& c = b.cells[row][col];
    if (c.state != STATE_REST) return;
    if (c.bonus <= 0 || c.bonus > MEGA) {
        if (kind == BOMB && !c.chained) c.state = STATE_BREAKING;
        else if (kind == THUNDER && !c.chained) c.state = STATE_STRUCK;
    } else if (c.bonus == THUNDER && kind == THUNDER && c.colour == carrierColour) {
        if (!c.chained) c.state = STATE_STRUCK;
    } else if (!c.chained) {
        c.state = STATE_BREAKING;
    }
    c.hit = 1;
}

void hitInside(PlanBoard& b, int kind, int colour, int row, int col)
{
    if (inside(row, col)) hitPlace(b, kind, colour, row, col);
}

struct Blast {
    int8_t kind;
    int8_t row;
    int8_t col;
    int8_t colour;
};

// Every breaking bonus figure sets off its blast; a second bonus on it takes its place.
void collectBlasts(PlanBoard& b, Blast* queue, int& tail)
{
    for (int row = 0; row < BOARD_ROWS; row++) {
        for (int col = 0; col < BOARD_COLS; col++) {
            PlanCell& c = b.cells[row][col];
            if (c.tile < 0 || c.colour < 0 || c.state != STATE_BREAKING || c.bonus <= 0 || c.bonus > MEGA) continue;
            if (tail < BOARD_CELLS * 2)
                queue[tail++] = Blast{c.bonus, static_cast<int8_t>(row), static_cast<int8_t>(col), c.colour};
            if (c.queued > 0) {
                c.bonus = c.queued;
                c.state = STATE_REST;
            } else {
                c.bonus = 0;
            }
            c.queued = 0;
        }
    }
}

void runBlast(PlanBoard& b, const Blast& blast)
{
    const int r = blast.row;
    const int k = blast.col;
    const bool cross = blast.kind == CROSS || blast.kind == MEGA;
    const bool diagonal = blast.kind == DIAGONAL || blast.kind == MEGA;
    if (blast.kind == BOMB) {
        static const int dr[12] = {0, 0, 0, 0, -1, -1, -1, 1, 1, 1, -2, 2};
        static const int dc[12] = {1, 2, -1, -2, -1, 0, 1, -1, 0, 1, 0, 0};
        for (int i = 0; i < 12; i++) hitInside(b, BOMB, blast.colour, r + dr[i], k + dc[i]);
        return;
    }
    if (blast.kind == THUNDER) {
        for (int row = 0; row < BOARD_ROWS; row++)
            for (int col = 0; col < BOARD_COLS; col++)
                if (b.cells[row][col].colour == blast.colour) hitPlace(b, THUNDER, blast.colour, row, col);
        return;
    }
    for (int d = 1; d <= 11; d++) {
        if (cross) {
            hitInside(b, blast.kind, blast.colour, r, k + d);
            hitInside(b, blast.kind, blast.colour, r, k - d);
            hitInside(b, blast.kind, blast.colour, r + d, k);
            hitInside(b, blast.kind, blast.colour, r - d, k);
        }
        if (diagonal) {
            hitInside(b, blast.kind, blast.colour, r + d, k + d);
            hitInside(b, blast.kind, blast.colour, r + d, k - d);
            hitInside(b, blast.kind, blast.colour, r - d, k + d);
            hitInside(b, blast.kind, blast.colour, r - d, k - d);
        }
    }
}

// The beams of the beam bombs sweep their rays after the hits and break every figure they
// pass, chained or not.
void sweepBeams(PlanBoard& b, const Blast& blast)
{
    static const int rayRow[8] = {1, -1, 0, 0, 1, -1, 1, -1};
    static const int rayCol[8] = {0, 0, 1, -1, 1, 1, -1, -1};
    int from = blast.kind == DIAGONAL ? 4 : 0;
    int to = blast.kind == CROSS ? 4 : 8;
    for (int i = from; i < to; i++) {
        for (int d = 1; d <= 11; d++) {
            int row = blast.row + rayRow[i] * d;
            int col = blast.col + rayCol[i] * d;
            if (figure(b, row, col)) b.cells[row][col].state = STATE_BREAKING;
        }
    }
}

// The blasts of the breaking bonus figures, and those they set off in turn.
void runBlasts(PlanBoard& b)
{
    Blast queue[BOARD_CELLS * 2];
    Blast beams[BOARD_CELLS * 2];
    int head = 0;
    int tail = 0;
    int beamCount = 0;
    collectBlasts(b, queue, tail);
    while (head < tail) {
        const Blast& blast = queue[head++];
        runBlast(b, blast);
        if (blast.kind == CROSS || blast.kind == DIAGONAL || blast.kind == MEGA) beams[beamCount++] = blast;
        collectBlasts(b, queue, tail);
    }
    for (int i = 0; i < beamCount; i++) sweepBeams(b, beams[i]);
}

// Breaks what was marked (the game's resolve step).
void resolve(PlanBoard& b)
{
    for (auto& row : b.cells) {
        for (PlanCell& c : row) {
            if (c.tile < 0) continue;
            if (c.state != STATE_REST && c.colour >= 0) {
                c.colour = -1;
                c.bonus = 0;
                c.queued = 0;
            }
            c.state = STATE_REST;
            if (c.hit) {
                c.hit = 0;
                if (c.chained) c.chained = 0;
                else if (c.tile > 0) c.tile -= 1;
            }
        }
    }
}

bool straightFallPending(const PlanBoard& b)
{
    for (int row = 0; row < BOARD_ROWS - 1; row++)
        for (int col = 0; col < BOARD_COLS; col++)
            if (freeFigure(b, row, col) && emptyPlace(b, row + 1, col)) return true;
    return false;
}

void moveFigure(PlanBoard& b, int fromRow, int fromCol, int toRow, int toCol)
{
    PlanCell& from = b.cells[fromRow][fromCol];
    PlanCell& to = b.cells[toRow][toCol];
    to.colour = from.colour;
    to.bonus = from.bonus;
    to.queued = from.queued;
    from.colour = -1;
    from.bonus = 0;
    from.queued = 0;
}

// The fall of the figures as the game's gravity runs it, one place per pass with every figure
// at rest between passes: straight falls first, new figures at the top and under holes, and a
// sideways slide only when nothing falls straight.
void settle(PlanBoard& b)
{
    for (int pass = 0; pass < 200; pass++) {
        bool changed = false;
        bool moved[BOARD_ROWS][BOARD_COLS] = {};
        for (int row = BOARD_ROWS - 2; row >= 0; row--) {
            for (int col = 0; col < BOARD_COLS; col++) {
                if (moved[row][col] || !freeFigure(b, row, col) || !emptyPlace(b, row + 1, col)) continue;
                moveFigure(b, row, col, row + 1, col);
                moved[row + 1][col] = true;
                changed = true;
            }
        }
        for (int row = 0; row < BOARD_ROWS; row++) {
            for (int col = 0; col < BOARD_COLS; col++) {
                if (!emptyPlace(b, row, col) || (row > 0 && b.cells[row - 1][col].tile >= 0)) continue;
                PlanCell& c = b.cells[row][col];
                c.colour = static_cast<int8_t>(nextRandom(b, b.colourCount));
                c.bonus = 0;
                c.queued = 0;
                changed = true;
            }
        }
        if (!straightFallPending(b)) {
            bool slid = false;
            for (int row = BOARD_ROWS - 1; row >= 1 && !slid; row--) {
                for (int col = 0; col < BOARD_COLS && !slid; col++) {
                    if (!emptyPlace(b, row, col)) continue;
                    int fromCol = -1;
                    if (freeFigure(b, row - 1, col + 1) && !moved[row - 1][col + 1]) fromCol = col + 1;
                    else if (freeFigure(b, row - 1, col - 1) && !moved[row - 1][col - 1]) fromCol = col - 1;
                    if (fromCol < 0) continue;
                    moveFigure(b, row - 1, fromCol, row, col);
                    slid = true;
                }
            }
            changed = changed || slid;
        }
        if (!changed) return;
    }
}

void giveBonus(PlanCell& c, int kind)
{
    if (c.bonus <= 0) {
        c.bonus = static_cast<int8_t>(kind);
        c.state = STATE_REST;
    } else {
        c.queued = static_cast<int8_t>(kind);
    }
}

// The value of a free bonus figure left for later.
float bonusWorth(int kind)
{
    if (kind == BOMB || kind == THUNDER) return 1.0f;
    if (kind == CROSS || kind == DIAGONAL) return 1.5f;
    if (kind == MEGA) return 2.5f;
    return 0.0f;
}

// A click on this group makes a bonus, so where the click lands matters.
bool clickMakesBonus(const PlanBoard& b, int colour, int size)
{
    if (size >= 5) return true;
    return colour == b.lastColour && b.sameColourRun + 1 == 3;
}

int candidates(const PlanBoard& b, bool hammerReady, PlanMove* out)
{
    Groups g;
    labelGroups(b, g);
    int n = 0;
    for (int id = 0; id < g.count; id++) {
        int first = g.start[id];
        int size = g.start[id + 1] - first;
        int colour = b.cells[g.places[first] / BOARD_COLS][g.places[first] % BOARD_COLS].colour;
        int tries = clickMakesBonus(b, colour, size) ? std::min(size, MAX_PLACES_PER_GROUP) : 1;
        for (int t = 0; t < tries && n < MAX_CANDIDATES; t++) {
            int p = g.places[first + t * size / tries];
            out[n++] = PlanMove{p / BOARD_COLS, p % BOARD_COLS, false};
        }
    }
    if (!hammerReady) return n;
    for (int row = 0; row < BOARD_ROWS; row++) {
        for (int col = 0; col < BOARD_COLS && n < MAX_CANDIDATES; col++) {
            if (!figure(b, row, col)) continue;
            const PlanCell& c = b.cells[row][col];
            if (c.tile > 0 || c.chained || c.bonus > 0) out[n++] = PlanMove{row, col, true};
        }
    }
    return n;
}

bool apply(PlanBoard& b, const PlanMove& m)
{
    return m.hammer ? planHammer(b, m.row, m.col) : planClick(b, m.row, m.col);
}

float moveCost(const PlanMove& m, const PlanWeights& w) { return m.hammer ? w.hammer : w.move; }

// The best value reachable with one more move from a settled board (no hammer: the player
// cannot tell when it fills again).
float bestReply(const PlanBoard& b, const PlanWeights& w, long* evaluated)
{
    PlanMove moves[MAX_CANDIDATES];
    int n = candidates(b, false, moves);
    float best = planValue(b, w) - w.noMoves;
    for (int i = 0; i < n; i++) {
        PlanBoard next = b;
        if (!apply(next, moves[i])) continue;
        if (evaluated) (*evaluated)++;
        best = std::max(best, planValue(next, w) - moveCost(moves[i], w));
    }
    return best;
}

} // namespace

void planFromGame(PlanBoard& out, uint32_t seed)
{
    out = PlanBoard{};
    for (int row = 0; row < BOARD_ROWS; row++) {
        for (int col = 0; col < BOARD_COLS; col++) {
            const Cell& c = board.cells[row][col];
            PlanCell& p = out.cells[row][col];
            p.tile = static_cast<int8_t>(c.tile < 0 ? -1 : c.tile > 2 ? 2 : c.tile);
            p.chained = c.chained ? 1 : 0;
            p.colour = static_cast<int8_t>(c.tile >= 0 && c.colour >= 0 && c.colour < 127 ? c.colour : -1);
            int bonus = static_cast<int>(c.bonus);
            p.bonus = static_cast<int8_t>(p.colour >= 0 && bonus > 0 && bonus <= MEGA ? bonus : 0);
        }
    }
    out.colourCount = board.colourCount > 0 ? board.colourCount : 1;
    out.lastColour = board.lastGroupColour;
    out.sameColourRun = board.sameColourRun;
    out.random = seed;
}

bool planClick(PlanBoard& b, int row, int col)
{
    if (!figure(b, row, col)) return false;
    Groups g;
    labelGroups(b, g);
    int id = g.id[row][col];
    if (id < 0) return false;
    int colour = b.cells[row][col].colour;
    int size = g.start[id + 1] - g.start[id];
    if (colour == b.lastColour) {
        b.sameColourRun += 1;
    } else {
        b.sameColourRun = 0;
    }
    for (int i = g.start[id]; i < g.start[id + 1]; i++) {
        PlanCell& c = b.cells[g.places[i] / BOARD_COLS][g.places[i] % BOARD_COLS];
        if (!c.chained) c.state = STATE_BREAKING;
        c.hit = 1;
    }
    PlanCell& clicked = b.cells[row][col];
    if (b.sameColourRun == 3) {
        b.sameColourRun = 0;
        giveBonus(clicked, THUNDER);
    }
    if (size >= 8) giveBonus(clicked, MEGA);
    else if (size >= 5) giveBonus(clicked, BOMB);
    b.lastColour = colour;
    runBlasts(b);
    resolve(b);
    settle(b);
    return true;
}

bool planHammer(PlanBoard& b, int row, int col)
{
    if (!figure(b, row, col)) return false;
    PlanCell& c = b.cells[row][col];
    if (!c.chained) c.state = STATE_BREAKING;
    c.hit = 1;
    runBlasts(b);
    resolve(b);
    settle(b);
    return true;
}

int planTargets(const PlanBoard& b)
{
    int n = 0;
    for (const auto& row : b.cells) {
        for (const PlanCell& c : row) {
            if (c.tile < 0) continue;
            n += (c.tile > 0 ? c.tile : 0) + (c.chained ? 1 : 0);
        }
    }
    return n;
}

float planValue(const PlanBoard& b, const PlanWeights& w)
{
    int squares = 0;
    for (const auto& row : b.cells)
        for (const PlanCell& c : row)
            if (c.tile > 0) squares += c.tile;
    if (squares == 0) return w.won;
    Groups g;
    labelGroups(b, g);
    float reachable = 0.0f;
    float bonuses = 0.0f;
    int grouped = 0;
    for (int row = 0; row < BOARD_ROWS; row++) {
        for (int col = 0; col < BOARD_COLS; col++) {
            const PlanCell& c = b.cells[row][col];
            if (c.tile < 0 || c.colour < 0) continue;
            if (!c.chained) bonuses += bonusWorth(c.bonus);
            if (g.id[row][col] < 0) continue;
            grouped++;
            reachable += static_cast<float>((c.tile > 0 ? 1 : 0) + (c.chained ? 1 : 0));
        }
    }
    float v = -w.target * static_cast<float>(planTargets(b)) + w.reachable * reachable + w.bonus * bonuses +
              w.groups * static_cast<float>(grouped);
    if (g.count == 0) v -= w.noMoves;
    return v;
}

bool planChoose(const PlanBoard& b, bool hammerReady, const PlanWeights& w, const PlanSearch& s, PlanMove* out,
                long* evaluated)
{
    PlanMove moves[MAX_CANDIDATES];
    float values[MAX_CANDIDATES];
    int n = candidates(b, hammerReady, moves);
    if (n == 0) return false;
    int samples = s.samples < 1 ? 1 : s.samples;
    int order[MAX_CANDIDATES];
    for (int i = 0; i < n; i++) {
        float total = 0.0f;
        for (int k = 0; k < samples; k++) {
            PlanBoard next = b;
            next.random = b.random + 7919u * static_cast<uint32_t>(k);
            apply(next, moves[i]);
            if (evaluated) (*evaluated)++;
            total += planValue(next, w);
        }
        values[i] = total / static_cast<float>(samples) - moveCost(moves[i], w);
        order[i] = i;
    }
    // Ties go to the first candidate (groups in row-major order, then hammer places).
    std::stable_sort(order, order + n, [&](int a, int c) { return values[a] > values[c]; });
    int best = order[0];
    if (s.depth >= 2 && values[best] < w.won * 0.5f) {
        float bestValue = -1e30f;
        int width = std::min(n, s.width < 1 ? 1 : s.width);
        for (int i = 0; i < width; i++) {
            int m = order[i];
            float total = 0.0f;
            for (int k = 0; k < samples; k++) {
                PlanBoard next = b;
                next.random = b.random + 7919u * static_cast<uint32_t>(k);
                apply(next, moves[m]);
                float now = planValue(next, w);
                total += now >= w.won ? now : bestReply(next, w, evaluated);
            }
            float v = total / static_cast<float>(samples) - moveCost(moves[m], w);
            if (v > bestValue) {
                bestValue = v;
                best = m;
            }
        }
    }
    *out = moves[best];
    return true;
}
