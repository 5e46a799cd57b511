// The 129 level files of the default data set, "levels/pack1_NN.lvl", made from the hand-written
// plan in data/levels: shapes.txt (board outlines) and plan.txt (one line per level: shape, how
// squares and dual squares cover it, colours, time, moves, backdrop, chains and fixed bonuses).
// The plan's "curve" asks a win rate of every stage of the road; with need.txt (what the data
// tool's planning bot needs to clear each level, measured by scripts/level_need.sh) each level
// gets the "time=" and "moves=" that the bot, and so a good player, meets that often.
//
// A level file is key=value text with CR LF line ends:
//   figures=N / time=T / moves=M / back=B / level= and 11 rows of 12 place codes.
// Column 11 lies under the candle and is always a hole.
#include "core/random.h"
#include "canvas.h"
#include "datagen.h"
#include "gen_levels.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kRows = 11;
constexpr int kCols = 12;
constexpr int kShapeCols = 11;  // the plan's shapes leave out the candle column
constexpr int kLevels = 129;

struct Shape {
    std::string name;
    bool cell[kRows][kShapeCols] = {};
};

enum Fixed { Chain, Bomb, Thunder, Cross, Diag, Mega, FixedKinds };
const char* const kFixedKeys[FixedKinds] = {"chains", "bomb", "thunder", "cross", "diag", "mega"};

struct PlanLine {
    int level = 0;
    int shape = -1;
    std::string fill;
    int colours = 0;
    int time = -1;   // -1: default from the targets
    int moves = -1;
    int back = 0;
    int count[FixedKinds] = {};
    int sourceLine = 0;
};

bool readText(const std::string& path, std::string& out)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        std::fprintf(stderr, "datagen: cannot read %s\n", path.c_str());
        return false;
    }
    char buf[4096];
    size_t n;
    out.clear();
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    std::fclose(f);
    return true;
}

std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::string cur;
    for (char ch : text) {
        if (ch == '\n') {
            lines.push_back(cur);
            cur.clear();
        } else if (ch != '\r') {
            cur += ch;
        }
    }
    if (!cur.empty()) lines.push_back(cur);
    return lines;
}

std::vector<std::string> words(const std::string& line)
{
    std::vector<std::string> out;
    std::string cur;
    for (char ch : line) {
        if (ch == ' ' || ch == '\t') {
            if (!cur.empty()) out.push_back(cur), cur.clear();
        } else {
            cur += ch;
        }
    }
    if (!cur.empty()) out.push_back(cur);
    return out;
}

bool parseInt(const std::string& s, int& out)
{
    if (s.empty() || s.size() > 6) return false;
    int v = 0;
    for (char ch : s) {
        if (ch < '0' || ch > '9') return false;
        v = v * 10 + (ch - '0');
    }
    out = v;
    return true;
}

bool parseShapes(const std::string& path, std::vector<Shape>& shapes)
{
    std::string text;
    if (!readText(path, text)) return false;
    std::vector<std::string> lines = splitLines(text);
    for (size_t i = 0; i < lines.size(); ++i) {
        std::vector<std::string> w = words(lines[i]);
        if (w.empty() || lines[i][0] == '#') continue;
        if (w[0] != "shape" || w.size() != 2) {
            std::fprintf(stderr, "%s:%zu: expected \"shape NAME\"\n", path.c_str(), i + 1);
            return false;
        }
        Shape s;
        s.name = w[1];
        for (const Shape& other : shapes)
            if (other.name == s.name) {
                std::fprintf(stderr, "%s:%zu: shape %s defined twice\n", path.c_str(), i + 1, s.name.c_str());
                return false;
            }
        for (int r = 0; r < kRows; ++r) {
            size_t li = i + 1 + r;
            if (li >= lines.size() || lines[li].size() != size_t(kShapeCols)) {
                std::fprintf(stderr, "%s:%zu: shape %s needs %d rows of %d places\n", path.c_str(), li + 1,
                             s.name.c_str(), kRows, kShapeCols);
                return false;
            }
            for (int c = 0; c < kShapeCols; ++c) {
                char ch = lines[li][c];
                if (ch != '#' && ch != '.') {
                    std::fprintf(stderr, "%s:%zu: place '%c' is neither '#' nor '.'\n", path.c_str(), li + 1, ch);
                    return false;
                }
                s.cell[r][c] = (ch == '#');
            }
        }
        for (int c = 0; c < kShapeCols; ++c)
            if (s.cell[0][c] || s.cell[kRows - 1][c]) {
                std::fprintf(stderr, "%s:%zu: shape %s reaches the top or bottom row (they stay holes, so the board keeps clear of the window's edges)\n",
                             path.c_str(), i + 1, s.name.c_str());
                return false;
            }
        i += kRows;
        shapes.push_back(s);
    }
    return true;
}

const char* const kFills[] = {"sq", "sq-core", "sq-rim", "sq-rows", "sq-check", "du", "du-core",
                              "du-rim", "du-centre", "du-rows", "du-check", "rings"};

// The win rate the plan asks of each stage of the road (percent), and the stage sizes.
struct Curve {
    std::vector<int> stages;
    std::vector<int> percent;
    int line = 0;
};

bool parsePlan(const std::string& path, const std::vector<Shape>& shapes, std::vector<PlanLine>& plan, Curve& curve)
{
    std::string text;
    if (!readText(path, text)) return false;
    std::vector<std::string> lines = splitLines(text);
    for (size_t i = 0; i < lines.size(); ++i) {
        std::vector<std::string> w = words(lines[i]);
        if (w.empty() || w[0][0] == '#') continue;
        auto fail = [&](const char* what) {
            std::fprintf(stderr, "%s:%zu: %s\n", path.c_str(), i + 1, what);
            return false;
        };
        if (w[0] == "stages" || w[0] == "curve") {
            std::vector<int>& list = w[0] == "stages" ? curve.stages : curve.percent;
            list.clear();
            for (size_t k = 1; k < w.size(); ++k) {
                int v = 0;
                if (!parseInt(w[k], v) || v < 1 || (w[0] == "curve" && v > 100))
                    return fail("stages are level counts > 0, the curve win rates 1..100 (percent)");
                list.push_back(v);
            }
            if (list.empty()) return fail("stages and curve need one number per stage");
            curve.line = int(i + 1);
            continue;
        }
        if (w.size() < 7) return fail("expected: level shape fill colours time moves backdrop [extras]");
        PlanLine p;
        p.sourceLine = int(i + 1);
        if (!parseInt(w[0], p.level) || p.level != int(plan.size()) + 1)
            return fail("levels must be numbered 1, 2, 3, ... in order");
        for (size_t s = 0; s < shapes.size(); ++s)
            if (shapes[s].name == w[1]) p.shape = int(s);
        if (p.shape < 0) return fail("unknown shape");
        p.fill = w[2];
        bool known = false;
        for (const char* f : kFills) known = known || p.fill == f;
        if (!known) return fail("unknown fill");
        if (!parseInt(w[3], p.colours) || p.colours < 2 || p.colours > 8) return fail("colours must be 2..8");
        if (w[4] != "-" && (!parseInt(w[4], p.time) || p.time < 1)) return fail("time must be '-' or seconds > 0");
        if (w[5] != "-" && (!parseInt(w[5], p.moves) || p.moves < 1)) return fail("moves must be '-' or > 0");
        if (!parseInt(w[6], p.back) || p.back < 1 || p.back > 15) return fail("backdrop must be 1..15");
        for (size_t k = 7; k < w.size(); ++k) {
            size_t eq = w[k].find('=');
            bool found = false;
            for (int f = 0; f < FixedKinds && eq != std::string::npos; ++f)
                if (w[k].compare(0, eq, kFixedKeys[f]) == 0 && eq == std::strlen(kFixedKeys[f])) {
                    found = parseInt(w[k].substr(eq + 1), p.count[f]) && p.count[f] <= 20;
                }
            if (!found) return fail("extras are chains=N, bomb=N, thunder=N, cross=N, diag=N or mega=N (N <= 20)");
        }
        plan.push_back(p);
    }
    if (plan.size() != size_t(kLevels)) {
        std::fprintf(stderr, "%s: %zu levels planned, %d needed\n", path.c_str(), plan.size(), kLevels);
        return false;
    }
    if (!curve.stages.empty() || !curve.percent.empty()) {
        int sum = 0;
        for (int n : curve.stages) sum += n;
        if (curve.stages.size() != curve.percent.size() || sum != kLevels) {
            std::fprintf(stderr, "%s:%d: the curve needs one win rate per stage, and the stages %d levels in all\n",
                         path.c_str(), curve.line, kLevels);
            return false;
        }
    }
    return true;
}

// need.txt: per level the moves and the seconds of every run of the planning bot, '-' for a run
// it did not win. A missing file is no error (the limits then come from the targets).
bool parseNeed(const std::string& path, std::vector<LevelNeed>& need)
{
    need.assign(size_t(kLevels), LevelNeed{});
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return true;
    std::fclose(f);
    std::string text;
    if (!readText(path, text)) return false;
    std::vector<std::string> lines = splitLines(text);
    for (size_t i = 0; i < lines.size(); ++i) {
        std::vector<std::string> w = words(lines[i]);
        if (w.empty() || w[0][0] == '#') continue;
        int level = 0;
        auto fail = [&]() {
            std::fprintf(stderr, "%s:%zu: expected: level moves... | seconds... (numbers or '-')\n", path.c_str(), i + 1);
            return false;
        };
        if (!parseInt(w[0], level) || level < 1 || level > kLevels) return fail();
        LevelNeed& n = need[size_t(level - 1)];
        n = LevelNeed{};
        bool seconds = false;
        for (size_t k = 1; k < w.size(); ++k) {
            if (w[k] == "|") {
                if (seconds) return fail();
                seconds = true;
                continue;
            }
            double v = -1.0;
            if (w[k] != "-") {
                char* end = nullptr;
                v = std::strtod(w[k].c_str(), &end);
                if (*end != 0 || !(v >= 0.0) || v > 1e6) return fail();
            }
            (seconds ? n.seconds : n.moves).push_back(v);
        }
        if (!seconds || n.moves.empty() || n.moves.size() != n.seconds.size()) return fail();
    }
    return true;
}

// The win rate the curve asks of a level (0-based index): the stage's rate, easing towards the
// next stage's across the stage.
double targetRate(const Curve& curve, int index)
{
    int first = 0;
    for (size_t s = 0; s < curve.stages.size(); ++s) {
        int size = curve.stages[s];
        if (index < first + size) {
            double here = curve.percent[s];
            double next = s + 1 < curve.percent.size() ? curve.percent[s + 1] : here;
            return (here + (next - here) * double(index - first) / double(size)) / 100.0;
        }
        first += size;
    }
    return curve.percent.empty() ? 1.0 : curve.percent.back() / 100.0;
}

// Distance of every place from the outside (1 at the edge of the shape).
void depths(const Shape& s, int depth[kRows][kShapeCols])
{
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kShapeCols; ++c) depth[r][c] = s.cell[r][c] ? 1000 : 0;
    bool changed = true;
    while (changed) {
        changed = false;
        for (int r = 0; r < kRows; ++r)
            for (int c = 0; c < kShapeCols; ++c) {
                if (!s.cell[r][c]) continue;
                int best = 1000;
                const int dr[4] = {-1, 1, 0, 0}, dc[4] = {0, 0, -1, 1};
                for (int k = 0; k < 4; ++k) {
                    int rr = r + dr[k], cc = c + dc[k];
                    int d = (rr < 0 || cc < 0 || rr >= kRows || cc >= kShapeCols) ? 0 : depth[rr][cc];
                    best = std::min(best, d + 1);
                }
                if (best < depth[r][c]) depth[r][c] = best, changed = true;
            }
    }
}

int fillTile(const std::string& fill, int r, int c, int depth)
{
    const bool edge = depth <= 1;
    const bool odd = ((r + c) % 2) != 0;
    if (fill == "sq") return 1;
    if (fill == "sq-core") return edge ? 0 : 1;
    if (fill == "sq-rim") return edge ? 1 : 0;
    if (fill == "sq-rows") return (r % 2 == 0) ? 1 : 0;
    if (fill == "sq-check") return odd ? 0 : 1;
    if (fill == "du") return 2;
    if (fill == "du-core") return edge ? 1 : 2;
    if (fill == "du-rim") return edge ? 2 : 1;
    if (fill == "du-centre") return depth >= 3 ? 2 : (depth == 2 ? 1 : 0);
    if (fill == "du-rows") return (r % 2 == 0) ? 2 : 1;
    if (fill == "du-check") return odd ? 1 : 2;
    return (depth % 2) ? 2 : 1;  // rings
}

char fixedCode(int kind, int colour)
{
    switch (kind) {
        case Chain: return char('A' + colour);
        case Bomb: return char('Q' + colour);
        case Thunder: return char('a' + colour);
        case Cross: return char('q' + colour);
        case Diag: return char(0xC0 + colour);
        default: return char(0xD0 + colour);
    }
}

struct Level {
    char grid[kRows][kCols];
    int targets = 0;
    int time = 0;
    int moves = 0;
};

// Places the fixed figures of one kind in mirror pairs across the middle column; an odd count
// puts one on the middle column. False when the shape has no room left.
bool placeFixed(const Shape& s, char grid[kRows][kCols], int kind, int count, int colours)
{
    auto freePlace = [&](int r, int c) {
        return s.cell[r][c] && (grid[r][c] == '0' || grid[r][c] == '1' || grid[r][c] == '2');
    };
    auto pick = [&](bool mirrored, bool middle, int& outR, int& outC) {
        std::vector<int> cand;
        for (int pass = 0; pass < 2 && cand.empty(); ++pass)
            for (int r = pass ? 0 : 1; r < kRows; ++r)
                for (int c = 0; c < kShapeCols; ++c) {
                    if (middle && c != kShapeCols / 2) continue;
                    if (mirrored && (c >= kShapeCols / 2 || !freePlace(r, kShapeCols - 1 - c))) continue;
                    if (freePlace(r, c)) cand.push_back(r * kShapeCols + c);
                }
        if (cand.empty()) return false;
        int k = cand[size_t(rand15()) % cand.size()];
        outR = k / kShapeCols, outC = k % kShapeCols;
        return true;
    };
    int left = count;
    while (left > 0) {
        int r, c;
        const int colour = rand15() % colours;
        if (left >= 2 && pick(true, false, r, c)) {
            grid[r][c] = fixedCode(kind, colour);
            grid[r][kShapeCols - 1 - c] = fixedCode(kind, colour);
            left -= 2;
            continue;
        }
        if (pick(false, left % 2 == 1, r, c) || pick(false, false, r, c)) {
            grid[r][c] = fixedCode(kind, colour);
            left -= 1;
            continue;
        }
        return false;
    }
    return true;
}

bool buildLevel(const PlanLine& p, const Shape& s, const Curve& curve, const LevelNeed& need, Level& out)
{
    int depth[kRows][kShapeCols];
    depths(s, depth);
    for (int r = 0; r < kRows; ++r) {
        for (int c = 0; c < kShapeCols; ++c)
            out.grid[r][c] = s.cell[r][c] ? char('0' + fillTile(p.fill, r, c, depth[r][c])) : '.';
        out.grid[r][kCols - 1] = '.';
    }
    srand15(uint32_t(p.level) * 7919u);
    // Bonuses first (they get the pick of the places), chains last.
    const int order[FixedKinds] = {Mega, Diag, Cross, Thunder, Bomb, Chain};
    for (int kind : order)
        if (!placeFixed(s, out.grid, kind, p.count[kind], p.colours)) {
            std::fprintf(stderr, "data/levels/plan.txt:%d: no room for %d %s on shape %s\n", p.sourceLine,
                         p.count[kind], kFixedKeys[kind], s.name.c_str());
            return false;
        }
    out.targets = 0;
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kCols; ++c) {
            unsigned char ch = static_cast<unsigned char>(out.grid[r][c]);
            if (ch == '1') out.targets += 1;
            if (ch == '2') out.targets += 2;
            if (ch >= 'A') out.targets += 3;  // chained figure on a dual square
        }
    // Defaults: generous at first, tighter as the road goes on (the game scales both limits
    // down with the level number as well).
    out.time = p.time > 0 ? p.time : int(25 + out.targets * 1.5 + 2.5) / 5 * 5;
    out.moves = p.moves > 0 ? p.moves : 8 + (out.targets * 10 + 11) / 22;
    // With a curve and a measured need, the limits give the curve's win rate instead.
    if (!curve.percent.empty() && !need.moves.empty()) {
        const int index = p.level - 1;
        const double rate = targetRate(curve, index);
        if (p.moves <= 0) out.moves = levelMovesFor(index, needQuantile(need.moves, rate));
        if (p.time <= 0) out.time = levelTimeFor(index, needQuantile(need.seconds, rate));
    }
    return true;
}

std::string levelText(const PlanLine& p, const Level& lv)
{
    char head[128];
    std::snprintf(head, sizeof head, "figures=%d\r\ntime=%d\r\nmoves=%d\r\nback=%d\r\nlevel=\r\n", p.colours, lv.time,
                  lv.moves, p.back);
    std::string text = head;
    for (int r = 0; r < kRows; ++r) {
        text.append(lv.grid[r], kCols);
        text += "\r\n";
    }
    return text;
}

// A sheet of every level as a small map, for looking at the plan.
void writeLevelSheet(const char* preview, const std::vector<Level>& levels)
{
    const int cell = 6, pad = 8, tw = kCols * cell + pad, th = kRows * cell + pad, perRow = 12;
    const int rows = (int(levels.size()) + perRow - 1) / perRow;
    Image sheet = makeImage(perRow * tw + pad, rows * th + pad, 0x20242C, 255);
    for (size_t i = 0; i < levels.size(); ++i) {
        int ox = pad + int(i % perRow) * tw, oy = pad + int(i / perRow) * th;
        for (int r = 0; r < kRows; ++r)
            for (int c = 0; c < kCols; ++c) {
                unsigned char ch = static_cast<unsigned char>(levels[i].grid[r][c]);
                uint32_t rgb = ch == '.' ? 0x101218 : ch == '0' ? 0x5A5A66 : ch == '1' ? 0xD8A860 : 0x9A3048;
                bool chain = ch >= 'A' && ch <= 'O';
                bool bonus = ch >= 'A' && !chain;
                Image px = makeImage(cell - 1, cell - 1, rgb, 255);
                if (chain) px = makeImage(cell - 1, cell - 1, 0xC0C8D8, 255);
                if (bonus) px = makeImage(cell - 1, cell - 1, 0xFFE040, 255);
                blitCopy(sheet, px, ox + c * cell, oy + r * cell);
            }
    }
    writeBytes(std::string(preview) + "/levels_sheet.png", encodePng(sheet));
}

}  // namespace

double needQuantile(const std::vector<double>& runs, double rate)
{
    std::vector<double> sorted;
    double worst = 0.0;
    for (double v : runs) {
        sorted.push_back(v < 0.0 ? 1e9 : v);  // a run not won needs more than any limit
        if (v > worst) worst = v;
    }
    if (sorted.empty()) return 0.0;
    std::sort(sorted.begin(), sorted.end());
    int k = int(std::ceil(rate * double(sorted.size()) - 1e-9));
    k = std::clamp(k, 1, int(sorted.size()));
    double v = sorted[size_t(k - 1)];
    // More than the bot ever won with: half as much again as its slowest win.
    return v >= 1e9 ? worst * 1.5 : v;
}

double levelAdventureSeconds(int index, int time)
{
    if (index <= 0) return 300.0;
    if (index == 1) return 150.0;
    double n = std::min(index, kLevels - 1) + 1;
    double factor = 110.0 / (32.0 * std::sqrt(n) - 5.5 * n + 0.08 * n * n) + 0.9;
    return factor * time;
}

int levelPuzzleMoves(int index, int moves)
{
    if (index <= 1) return moves * 2;
    double n = std::min(index, kLevels - 1) + 1;
    double factor = 29.0 / (20.0 * std::sqrt(n) - 5.5 * n + 0.3 * n * n) + 1.0;
    return int(moves * factor);
}

int levelMovesFor(int index, double moves)
{
    int v = 1;
    while (v < 9999 && double(levelPuzzleMoves(index, v)) < moves) ++v;
    return v;
}

int levelTimeFor(int index, double seconds)
{
    // The first two levels have a time of their own; their value is the need, for the records.
    if (index <= 1) return std::max(1, int(std::ceil(seconds)));
    int v = 1;
    while (v < 3600 && levelAdventureSeconds(index, v) < seconds) ++v;
    return v;
}

bool genLevels(const char* srcDir, const char* outDir)
{
    std::vector<Shape> shapes;
    std::vector<PlanLine> plan;
    std::vector<LevelNeed> need;
    Curve curve;
    if (!parseShapes(std::string(srcDir) + "/levels/shapes.txt", shapes)) return false;
    if (!parsePlan(std::string(srcDir) + "/levels/plan.txt", shapes, plan, curve)) return false;
    if (!parseNeed(std::string(srcDir) + "/levels/need.txt", need)) return false;
    std::vector<Level> levels(plan.size());
    for (size_t i = 0; i < plan.size(); ++i) {
        if (!buildLevel(plan[i], shapes[size_t(plan[i].shape)], curve, need[i], levels[i])) return false;
        std::string text = levelText(plan[i], levels[i]);
        char name[32];
        std::snprintf(name, sizeof name, "pack1_%.2i.lvl", plan[i].level);
        const std::string path = std::string(outDir) + "/levels/" + name;
        if (!writeBytes(path, std::vector<uint8_t>(text.begin(), text.end()))) return false;
    }
    if (const char* preview = std::getenv("OSTRIMAR_ART_PREVIEW")) writeLevelSheet(preview, levels);
    return true;
}
