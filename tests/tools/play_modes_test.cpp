// ostrimar-data play with the limits of a game mode: --mode, --level-index (default: the index
// in the file name) and --runs with its win rate.
#include "tools/run_tool.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <string>

namespace {

const std::string playDir = std::string(OSTRIMAR_FIXTURES) + "/levels/play/";

ToolResult play(const std::string& args, const std::string& tag)
{
    std::string bin = std::string(OSTRIMAR_BINARY_DIR) + "/";
    return runCaptured(bin + "ostrimar-data play " + args, bin + "play_modes_" + tag);
}

struct Line {
    std::string result;
    int moves = -1;
    int frames = -1;
    int score = -1;
};

Line parse(const std::string& text)
{
    static const std::regex line("^result=(won|lost|stopped) moves=(\\d+) targets_left=(\\d+) frames=(\\d+) score=(\\d+)");
    std::smatch m;
    Line l;
    if (std::regex_search(text, m, line)) {
        l.result = m[1];
        l.moves = std::stoi(m[2]);
        l.frames = std::stoi(m[4]);
        l.score = std::stoi(m[5]);
    }
    return l;
}

} // namespace

// "squares.lvl": every place a dual square, time value 1, move value 2 (far too little).

TEST(PlayModes, APuzzleLevelIsLostWhenItsMovesAreUsedUp)
{
    ToolResult r = play(playDir + "squares.lvl --seed 2 --mode puzzle", "puzzle");
    ASSERT_EQ(r.code, 0) << r.err;
    Line l = parse(r.out);
    EXPECT_EQ(l.result, "lost");
    EXPECT_EQ(l.moves, 4);  // level index 0: twice the file's moves
}

TEST(PlayModes, TheLevelIndexComesFromTheFileNameUnlessGiven)
{
    // Index 0 has five minutes whatever the file says; index 2 has 3.67 times the file's second.
    // The greedy bot's clicks: the frame count below follows its moves.
    ToolResult first = play(playDir + "squares.lvl --seed 2 --mode adventure --max-moves 60 --bot greedy", "index0");
    ToolResult named = play(playDir + "pack1_03.lvl --seed 2 --mode adventure --bot greedy", "named");
    ToolResult given = play(playDir + "squares.lvl --seed 2 --mode adventure --level-index 2 --bot greedy", "given");
    ASSERT_EQ(named.code, 0) << named.err;
    EXPECT_EQ(parse(first.out).result, "stopped");
    Line l = parse(named.out);
    EXPECT_EQ(l.result, "lost");
    // 3674.6 ms run out after 230 frames of running time (16 ms frames); the loss comes in the
    // frame after. A frame in which a tip opens in the board step would not count (the tip holds
    // the limits in that frame, as in the game); the board of seed 2 shows no tip before the end.
    EXPECT_EQ(l.frames, 231);
    EXPECT_EQ(named.out, given.out);
}

TEST(PlayModes, TimelessHasNoLimitAndTheModesPayDifferentBonuses)
{
    ToolResult timeless = play(playDir + "squares.lvl --seed 2 --mode timeless --max-moves 30", "timeless");
    EXPECT_EQ(parse(timeless.out).result, "stopped");
    ToolResult adventure = play(playDir + "open.lvl --seed 2 --mode adventure", "open_adv");
    ToolResult puzzle = play(playDir + "open.lvl --seed 2 --mode puzzle", "open_puz");
    ToolResult none = play(playDir + "open.lvl --seed 2 --mode timeless", "open_none");
    Line a = parse(adventure.out);
    Line p = parse(puzzle.out);
    Line t = parse(none.out);
    ASSERT_EQ(a.result, "won");
    ASSERT_EQ(p.result, "won");
    ASSERT_EQ(t.result, "won");
    // The same seed plays the same moves; only the end bonus differs.
    EXPECT_EQ(a.moves, t.moves);
    EXPECT_EQ(p.moves, t.moves);
    int seconds = static_cast<int>((300000.0f - static_cast<float>(a.frames) * 16.0f) / 1000.0f);
    // (Frames that hold the time, a tip's and the opening shutter's, leave up to two seconds more.)
    EXPECT_GE(a.score - t.score, seconds * 50);
    EXPECT_LE(a.score - t.score, seconds * 50 + 100);
    EXPECT_EQ(p.score - t.score, (120 - p.moves) * 100);
}

TEST(PlayModes, RunsPrintOneLinePerSeedAndTheWinRate)
{
    ToolResult r = play(playDir + "open.lvl --seed 2 --mode puzzle --runs 3", "runs");
    ASSERT_EQ(r.code, 0) << r.err;
    ToolResult single = play(playDir + "open.lvl --seed 3 --mode puzzle", "seed3");
    // The second line is seed 3's.
    size_t firstEnd = r.out.find('\n');
    ASSERT_NE(firstEnd, std::string::npos);
    EXPECT_EQ(r.out.substr(firstEnd + 1, single.out.size()), single.out);
    std::smatch m;
    std::regex summary("runs=3 won=(\\d+) lost=(\\d+) stopped=(\\d+) win_rate=(\\d\\.\\d\\d)\n$");
    ASSERT_TRUE(std::regex_search(r.out, m, summary)) << r.out;
    int won = std::stoi(m[1]);
    EXPECT_EQ(won + std::stoi(m[2]) + std::stoi(m[3]), 3);
    char rate[8];
    std::snprintf(rate, sizeof rate, "%.2f", won / 3.0);
    EXPECT_EQ(m[4].str(), rate);
    // A single run prints no summary.
    EXPECT_EQ(single.out.find("runs="), std::string::npos);
}

TEST(PlayModes, BadModeAndIndexAreReported)
{
    ToolResult mode = play(playDir + "open.lvl --seed 1 --mode arcade", "badmode");
    EXPECT_EQ(mode.code, 1);
    EXPECT_NE(mode.err.find("--mode"), std::string::npos);
    EXPECT_EQ(mode.out, "");
    EXPECT_EQ(play(playDir + "open.lvl --seed 1 --level-index 129", "badindex").code, 1);
    EXPECT_EQ(play(playDir + "open.lvl --seed 1 --level-index -1", "negindex").code, 1);
    EXPECT_EQ(play(playDir + "open.lvl --seed 1 --runs 0", "noruns").code, 1);
    EXPECT_EQ(play(playDir + "open.lvl --seed 1 --mode", "nomode").code, 1);
    ToolResult bot = play(playDir + "open.lvl --seed 1 --bot clever", "badbot");
    EXPECT_EQ(bot.code, 1);
    EXPECT_NE(bot.err.find("--bot"), std::string::npos);
    EXPECT_EQ(play(playDir + "open.lvl --seed 1 --bot", "nobot").code, 1);
}
