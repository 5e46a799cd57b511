// ostrimar-data's level and play commands, run as a user runs them.
#include "tools/run_tool.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <string>

namespace {

const std::string levelDir = std::string(OSTRIMAR_FIXTURES) + "/levels/";

// Runs ostrimar-data with the arguments; stdout and stderr go to files named after tag.
ToolResult tool(const std::string& args, const std::string& tag)
{
    std::string bin = std::string(OSTRIMAR_BINARY_DIR) + "/";
    return runCaptured(bin + "ostrimar-data " + args, bin + "level_cmd_" + tag);
}

} // namespace

TEST(LevelCommand, PrintsTheLevelAsTheGameReadsIt)
{
    ToolResult r = tool("level " + levelDir + "codes.lvl", "codes");
    ASSERT_EQ(r.code, 0) << r.err;
    std::string bare = "0-rr0 0-rr0 0-rr0 0-rr0 0-rr0 0-rr0 0-rr0 0-rr0 0-rr0 0-rr0 0-rr0 0-rr0\n";
    std::string expected =
        "figures=8\n"
        "time=10\n"
        "moves=50\n"
        "back=random\n"
        "figuremap=2 1 0 3 4 5 6 7 8 9 10 11 12 13 14 15 0\n"
        ".-rr0 0-rr0 1-rr0 2-rr0 2c000 2c010 2c140 2c001 2c011 2c141 2c002 2c012\n"
        "2c142 2c003 2c013 2c093 2c004 2c144 2c005 2c145 0-rr0 0-rr0 0-rr0 0-rr0\n";
    for (int i = 0; i < 9; i++) expected += bare;
    EXPECT_EQ(r.out, expected);
    EXPECT_EQ(r.err, "");
}

TEST(LevelCommand, PrintsValuesHolesSquaresAndChains)
{
    ToolResult r = tool("level " + levelDir + "basic.lvl", "basic");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(lineCount(r.out), 16);
    EXPECT_NE(r.out.find("figures=5\ntime=90\nmoves=40\nback=3\n"), std::string::npos);
    EXPECT_NE(r.out.find("0-rr0 0-rr0 1-rr0 2-rr0 0-rr0 2c000 0-rr0"), std::string::npos);
    EXPECT_NE(r.out.find("\n.-rr0 .-rr0 0-rr0"), std::string::npos);
    ToolResult s = tool("level " + levelDir + "shortgrid.lvl", "short");
    EXPECT_NE(s.out.find("time=12.5\n"), std::string::npos);
}

TEST(LevelCommand, AFileThatCannotBeReadExitsWithOneLine)
{
    ToolResult r = tool("level " + levelDir + "absent.lvl", "absent");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(lineCount(r.err), 1);
    EXPECT_NE(r.err.find("absent.lvl"), std::string::npos);
}

TEST(LevelCommand, DamagedFilesPrintAWholeBoard)
{
    const char* files[] = {"cut.lvl", "junk.lvl", "long.lvl", "nogrid.lvl"};
    std::regex token("^[.012][c-](\\d\\d|rr)[0-5]$");
    for (const char* f : files) {
        ToolResult r = tool(std::string("level ") + levelDir + f, "damaged");
        ASSERT_EQ(r.code, 0) << f << r.err;
        EXPECT_EQ(lineCount(r.out), 16) << f;
        size_t grid = r.out.find('\n', r.out.find("figuremap="));
        std::string rest = r.out.substr(grid + 1);
        size_t pos = 0;
        int tokens = 0;
        while (pos < rest.size()) {
            size_t end = rest.find_first_of(" \n", pos);
            EXPECT_TRUE(std::regex_match(rest.substr(pos, end - pos), token)) << f << ": " << rest.substr(pos, end - pos);
            tokens++;
            pos = end + 1;
        }
        EXPECT_EQ(tokens, 132) << f;
    }
}

TEST(PlayCommand, TheSameSeedGivesTheSameLine)
{
    ToolResult a = tool("play " + levelDir + "basic.lvl --seed 5 --max-moves 300", "play_a");
    ToolResult b = tool("play " + levelDir + "basic.lvl --seed 5 --max-moves 300", "play_b");
    ASSERT_EQ(a.code, 0) << a.err;
    EXPECT_EQ(a.out, b.out);
    std::regex line("^result=(won|stopped) moves=(\\d+) targets_left=(\\d+) frames=(\\d+) score=(\\d+)\n$");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(a.out, m, line)) << a.out;
    int moves = std::stoi(m[2]);
    EXPECT_GT(moves, 0);
    EXPECT_LE(moves, 300);
    if (m[1] == "won") EXPECT_EQ(std::stoi(m[3]), 0);
    else EXPECT_EQ(moves, 300);
    EXPECT_GT(std::stoi(m[5]), 0);
    ToolResult c = tool("play " + levelDir + "basic.lvl --seed 6 --max-moves 300", "play_c");
    EXPECT_NE(a.out, c.out);
}

TEST(PlayCommand, AnEasyLevelIsWonAndTheMoveLimitStopsAHardOne)
{
    ToolResult won = tool("play " + levelDir + "easy.lvl --seed 3", "play_easy");
    ASSERT_EQ(won.code, 0) << won.err;
    EXPECT_EQ(won.out.rfind("result=won ", 0), 0u) << won.out;
    EXPECT_NE(won.out.find(" targets_left=0 "), std::string::npos);
    ToolResult stopped = tool("play " + levelDir + "basic.lvl --seed 3 --max-moves 4", "play_four");
    EXPECT_EQ(stopped.out.rfind("result=stopped moves=4 ", 0), 0u) << stopped.out;
}

TEST(PlayCommand, ABoardThatCanNeverMoveStops)
{
    ToolResult r = tool("play " + levelDir + "nogroup.lvl --seed 1", "play_nogroup");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out.rfind("result=stopped moves=0 ", 0), 0u) << r.out;
}

TEST(PlayCommand, BadArgumentsAreReportedNotRun)
{
    EXPECT_EQ(tool("play " + levelDir + "basic.lvl", "noseed").code, 1);
    EXPECT_EQ(tool("play " + levelDir + "basic.lvl --seed x", "badseed").code, 1);
    EXPECT_EQ(tool("play " + levelDir + "basic.lvl --seed 1 --max-moves -3", "badmax").code, 1);
    ToolResult missing = tool("play " + levelDir + "absent.lvl --seed 1", "play_absent");
    EXPECT_EQ(missing.code, 1);
    EXPECT_EQ(lineCount(missing.err), 1);
    EXPECT_EQ(missing.out, "");
}
