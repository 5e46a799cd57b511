// Soak of the level flow: the data tool's bot plays the first 20 levels of the default data set in
// each mode through the game's own frame and outcome rules (win -> next level, loss -> lives,
// defeat dialog, game over), in the sanitized build, leaving from the pause menu with a saved game
// at random moments and loading it again. Every attempt's line is checked against the rules of
// banking, progress and lives.
#include "tools/run_tool.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <sstream>
#include <string>

namespace {

struct Attempt {
    int level = 0;  // 1-based
    bool won = false;
    int score = 0;
    int before = 0;
    int after = 0;
    int lives = 0;
    int progress = 0;  // the profile's level index after the end
};

ToolResult campaign(const std::string& mode)
{
    std::string bin = std::string(OSTRIMAR_BINARY_DIR) + "/";
    // Saved games and state files go to a folder of the test's own, fresh each run.
    std::string settings = bin + "campaign_soak_settings_" + mode;
    std::system(("rm -rf " + shellQuote(settings)).c_str());
    return runCaptured(bin + "ostrimar-data campaign " + shellQuote(bin + "Data") + " --mode " + mode +
                           " --levels 20 --seed 1 --settings " + shellQuote(settings),
                       bin + "campaign_soak_" + mode);
}

// Checks every line of a campaign's output; returns the number of attempts lost.
int checkCampaign(const std::string& mode, const ToolResult& r)
{
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err.find("runtime error"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("Sanitizer"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("fault"), std::string::npos) << r.err;
    static const std::regex endLine(
        "^level=(\\d+) result=(won|lost) moves=\\d+ score=(\\d+) before=(\\d+) after=(\\d+) lives=(\\d+) progress=(\\d+)$");
    static const std::regex decisionLine("^decision=(restart|skip|gameover) lives=(\\d+) from=(\\d+) level=(\\d+)$");
    static const std::regex savedLine("^saved level=(\\d+) moves=(\\d+) score=(-?\\d+)$");
    static const std::regex summaryLine(
        "^campaign mode=(\\w+) reached=(\\d+) won=(\\d+) lost=(\\d+) skips=\\d+ gameovers=\\d+ saves=(\\d+) .*$");
    std::istringstream in(r.out);
    std::string line;
    Attempt last;
    bool haveLast = false;
    int expectedBefore = 0;   // the banked score the next attempt must start from
    int expectedLevel = 1;    // the level the next attempt must be
    int lost = 0;
    int saves = 0;
    bool summary = false;
    while (std::getline(in, line)) {
        std::smatch m;
        if (std::regex_match(line, m, endLine)) {
            Attempt a;
            a.level = std::stoi(m[1]);
            a.won = m[2] == "won";
            a.score = std::stoi(m[3]);
            a.before = std::stoi(m[4]);
            a.after = std::stoi(m[5]);
            a.lives = std::stoi(m[6]);
            a.progress = std::stoi(m[7]);
            EXPECT_EQ(a.level, expectedLevel) << line;
            EXPECT_EQ(a.before, expectedBefore) << line;
            if (a.won) {
                // Score and progress are banked together at the win.
                EXPECT_EQ(a.after, a.before + a.score) << line;
                EXPECT_EQ(a.progress, a.level) << line;
                expectedLevel = a.level + 1;
            } else {
                EXPECT_NE(mode, "timeless") << "a timeless level was lost: " << line;
                EXPECT_EQ(a.after, a.before) << line;
                EXPECT_EQ(a.progress, a.level - 1) << line;
                lost++;
            }
            if (mode == "timeless") {
                EXPECT_EQ(a.lives, 3) << line;
            }
            expectedBefore = a.after;
            last = a;
            haveLast = true;
        } else if (std::regex_match(line, m, decisionLine)) {
            EXPECT_TRUE(haveLast && !last.won) << "a decision without a lost level: " << line;
            int lives = std::stoi(m[2]);
            int from = std::stoi(m[3]);
            int level = std::stoi(m[4]);
            if (m[1] == "gameover") {
                // No life was left: the high score is entered and a new game starts at this level.
                EXPECT_EQ(last.lives, 0) << line;
                EXPECT_EQ(lives, 3) << line;
                EXPECT_EQ(level, last.level) << line;
                expectedBefore = 0;
            } else {
                // (An extra life may come while the lost level's score still counts up.)
                EXPECT_GE(from, last.lives) << line;
                EXPECT_GT(from, 0) << line;
                EXPECT_EQ(lives, from - 1) << line;  // a restart or a skip costs one life
                EXPECT_EQ(level, m[1] == "skip" ? last.level + 1 : last.level) << line;
            }
            expectedLevel = level;
        } else if (std::regex_match(line, m, savedLine)) {
            // Left from the pause menu in the middle of the level and loaded again as it was (the
            // tool compares the state itself and fails otherwise).
            EXPECT_EQ(std::stoi(m[1]), expectedLevel) << line;
            saves++;
        } else if (std::regex_match(line, m, summaryLine)) {
            EXPECT_EQ(m[1], mode);
            EXPECT_GE(std::stoi(m[2]), 20) << line;
            EXPECT_EQ(std::stoi(m[4]), lost) << line;
            EXPECT_EQ(std::stoi(m[5]), saves) << line;
            EXPECT_GT(saves, 0) << "no game was saved and loaded";
            summary = true;
        } else {
            ADD_FAILURE() << "unexpected line: " << line;
        }
    }
    EXPECT_TRUE(summary) << r.out;
    return lost;
}

} // namespace

TEST(CampaignSoak, AdventureFirstTwentyLevels)
{
    ToolResult r = campaign("adventure");
    checkCampaign("adventure", r);
}

TEST(CampaignSoak, TimelessFirstTwentyLevelsAreOnlyWon)
{
    ToolResult r = campaign("timeless");
    EXPECT_EQ(checkCampaign("timeless", r), 0);
}

TEST(CampaignSoak, PuzzleFirstTwentyLevelsWithLossesAndLives)
{
    ToolResult r = campaign("puzzle");
    // The bot loses puzzle levels often: the loss route (restart, defeat dialog, game over) runs.
    EXPECT_GT(checkCampaign("puzzle", r), 0);
}

TEST(CampaignSoak, APartOfTheRoadStartsAtItsFirstLevel)
{
    // The soak script runs the road in parts: a new game from level 5 that ends once level 5
    // lies behind plays that level alone.
    std::string bin = std::string(OSTRIMAR_BINARY_DIR) + "/";
    ToolResult r = runCaptured(bin + "ostrimar-data campaign " + shellQuote(bin + "Data") +
                                   " --mode timeless --from 5 --levels 5 --seed 3",
                               bin + "campaign_from");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out.rfind("level=5 result=won ", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("campaign mode=timeless reached=5 won=1 lost=0 "), std::string::npos) << r.out;
    ToolResult backwards = runCaptured(bin + "ostrimar-data campaign " + shellQuote(bin + "Data") +
                                           " --mode timeless --from 6 --levels 5",
                                       bin + "campaign_from_backwards");
    EXPECT_EQ(backwards.code, 1);
    EXPECT_NE(backwards.err.find("usage"), std::string::npos);
}

TEST(CampaignSoak, ArgumentsAndAMissingDataFolderAreRefused)
{
    std::string bin = std::string(OSTRIMAR_BINARY_DIR) + "/";
    ToolResult noMode = runCaptured(bin + "ostrimar-data campaign " + shellQuote(bin + "Data"), bin + "campaign_nomode");
    EXPECT_EQ(noMode.code, 1);
    EXPECT_NE(noMode.err.find("usage"), std::string::npos);
    ToolResult missing = runCaptured(bin + "ostrimar-data campaign " + shellQuote(bin + "no-such-folder") + " --mode puzzle",
                                     bin + "campaign_missing");
    EXPECT_EQ(missing.code, 1);
    EXPECT_NE(missing.err.find("no-such-folder"), std::string::npos);
}
