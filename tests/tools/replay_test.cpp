// Replays: the golden replays play to their recorded lines; `record` and `replay` agree; a damaged,
// truncated, wrong-version or wrong-level file is refused with one line; the rules' random stream
// depends on the seed and the level only; the replays folder keeps 50 per profile.
#include "tools/run_tool.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "bot.h"
#include "core/random.h"
#include "game/board.h"
#include "game/level.h"
#include "game/outcome.h"
#include "game/playstate.h"
#include "game/replay.h"
#include "persist/profile.h"
#include "platform/os/files.h"

namespace {

namespace fs = std::filesystem;

const std::string bin = std::string(OSTRIMAR_BINARY_DIR) + "/";
const std::string dataDir = bin + "Data";
const std::string goldenDir = std::string(OSTRIMAR_SOURCE_DIR) + "/tests/replays/";

ToolResult tool(const std::string& args, const std::string& tag)
{
    return runCaptured(bin + "ostrimar-data " + args, bin + "replay_test_" + tag);
}

std::vector<uint8_t> readBytes(const std::string& path)
{
    std::string s = readWholeFile(path);
    return std::vector<uint8_t>(s.begin(), s.end());
}

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

bool dataSetBuilt() { return fs::exists(dataDir + "/levels/pack1_01.lvl"); }

// Records level 1 (greedy, seed 1) once for the tests that need a file.
const std::string& recordedLevelOne()
{
    static std::string path;
    if (path.empty()) {
        path = bin + "replay_test_level1.rpl";
        ToolResult r = tool("record " + shellQuote(dataDir + "/levels/pack1_01.lvl") + " " + shellQuote(path) +
                                " --mode puzzle --seed 1 --bot greedy",
                            "record1");
        EXPECT_EQ(r.code, 0) << r.err;
    }
    return path;
}

// The whole replay state is large: one copy for the tests, on the heap.
std::unique_ptr<Replay> loaded(const std::vector<uint8_t>& bytes, std::string* why = nullptr)
{
    auto r = std::make_unique<Replay>();
    char text[200] = {};
    bool ok = replayFromBytes(bytes.data(), static_cast<int32_t>(bytes.size()), r.get(), text, sizeof text);
    if (why) *why = text;
    if (!ok) return nullptr;
    return r;
}

// Writes a checksum over the body again, so a changed field reaches the field checks.
void reseal(std::vector<uint8_t>& bytes)
{
    uint32_t h = 2166136261u;
    for (size_t i = REPLAY_HEADER_SIZE; i < bytes.size(); i++) {
        h ^= bytes[i];
        h *= 16777619u;
    }
    for (int i = 0; i < 4; i++) bytes[8 + i] = static_cast<uint8_t>(h >> (8 * i));
}

} // namespace

TEST(Replays, GoldenReplaysPlayToTheirRecordedLines)
{
    if (!dataSetBuilt()) GTEST_SKIP() << "the default data set is not built";
    std::ifstream list(goldenDir + "expected.txt");
    ASSERT_TRUE(list.good()) << "tests/replays/expected.txt is missing";
    std::string line;
    int count = 0;
    int modes[3] = {};
    int lost = 0;
    while (std::getline(list, line)) {
        if (line.empty() || line[0] == '#') continue;
        size_t tab = line.find('\t');
        ASSERT_NE(tab, std::string::npos) << line;
        std::string file = line.substr(0, tab);
        std::string expected = line.substr(tab + 1);
        ToolResult r = tool("replay " + shellQuote(goldenDir + file) + " --data " + shellQuote(dataDir), "golden");
        EXPECT_EQ(r.code, 0) << file << ": " << r.err;
        EXPECT_EQ(r.out, expected + "\n") << file;
        count++;
        for (int m = 0; m < 3; m++)
            if (expected.find(std::string("mode=") + replayModeName(m) + " ") != std::string::npos) modes[m]++;
        if (expected.find("outcome=lost") != std::string::npos) lost++;
    }
    EXPECT_GE(count, 12);
    for (int m = 0; m < 3; m++) EXPECT_GT(modes[m], 0) << replayModeName(m);
    EXPECT_GT(lost, 0);
}

TEST(Replays, RecordPrintsTheLineReplayPrints)
{
    if (!dataSetBuilt()) GTEST_SKIP() << "the default data set is not built";
    std::string path = bin + "replay_test_record.rpl";
    ToolResult rec = tool("record " + shellQuote(dataDir + "/levels/pack1_03.lvl") + " " + shellQuote(path) +
                              " --mode timeless --seed 9 --bot plan",
                          "record");
    ASSERT_EQ(rec.code, 0) << rec.err;
    ASSERT_EQ(lineCount(rec.out), 1);
    EXPECT_NE(rec.out.find("level=3 mode=timeless "), std::string::npos) << rec.out;
    EXPECT_NE(rec.out.find(" outcome=won "), std::string::npos) << rec.out;
    ToolResult rep = tool("replay " + shellQuote(path) + " --data " + shellQuote(dataDir), "replay");
    EXPECT_EQ(rep.code, 0) << rep.err;
    EXPECT_EQ(rep.out, rec.out);
}

TEST(Replays, DamagedTruncatedWrongVersionAndWrongLevelFilesAreRefusedWithOneLine)
{
    if (!dataSetBuilt()) GTEST_SKIP() << "the default data set is not built";
    std::vector<uint8_t> good = readBytes(recordedLevelOne());
    ASSERT_GT(good.size(), static_cast<size_t>(REPLAY_HEADER_SIZE + REPLAY_START_SIZE));
    ASSERT_NE(loaded(good), nullptr);

    struct Case {
        std::string tag;
        std::vector<uint8_t> bytes;
        std::string reason;
    };
    std::vector<Case> cases;
    cases.push_back({"truncated", std::vector<uint8_t>(good.begin(), good.end() - 7), "truncated"});
    cases.push_back({"header", std::vector<uint8_t>(good.begin(), good.begin() + 10), "truncated"});
    std::vector<uint8_t> flipped = good;
    flipped[REPLAY_HEADER_SIZE + 100] ^= 0x20;
    cases.push_back({"flipped", flipped, "checksum"});
    std::vector<uint8_t> version = good;
    version[4] = 9;
    cases.push_back({"version", version, "wrong version 9"});
    std::vector<uint8_t> mode = good;
    mode[REPLAY_HEADER_SIZE + 64 + 8 + 4] = 7;  // the mode field
    reseal(mode);
    cases.push_back({"mode", mode, "bad mode"});
    std::vector<uint8_t> name = good;
    std::memcpy(&name[REPLAY_HEADER_SIZE], "../../etc/x\0", 12);  // a level name with folders
    reseal(name);
    cases.push_back({"name", name, "bad level name"});
    for (const Case& c : cases) {
        std::string path = bin + "replay_test_bad_" + c.tag + ".rpl";
        writeBytes(path, c.bytes);
        ToolResult r = tool("replay " + shellQuote(path) + " --data " + shellQuote(dataDir), "bad_" + c.tag);
        EXPECT_EQ(r.code, 1) << c.tag;
        EXPECT_EQ(r.out, "") << c.tag;
        EXPECT_EQ(lineCount(r.err), 1) << c.tag << ": " << r.err;
        EXPECT_NE(r.err.find(c.reason), std::string::npos) << c.tag << ": " << r.err;
    }

    // Every cut of the file is refused in-process, never taken.
    for (size_t n = 0; n < good.size(); n += (n < 400 ? 1 : 97)) {
        std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<long>(n));
        EXPECT_EQ(loaded(cut), nullptr) << n;
    }

    // The level file changed by one byte: the replay is refused with that reason.
    std::string other = bin + "replay_test_otherdata";
    fs::create_directories(other + "/levels");
    std::string level = readWholeFile(dataDir + "/levels/pack1_01.lvl");
    level[0] = level[0] == 'f' ? 'F' : 'f';
    std::ofstream(other + "/levels/pack1_01.lvl", std::ios::binary) << level;
    ToolResult r = tool("replay " + shellQuote(recordedLevelOne()) + " --data " + shellQuote(other), "wronglevel");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(lineCount(r.err), 1) << r.err;
    EXPECT_NE(r.err.find("wrong level"), std::string::npos) << r.err;
    fs::remove_all(other);
}

TEST(Replays, OneSeedGivesTheSameGameInEveryModeWhateverTheLooksDraw)
{
    if (!dataSetBuilt()) GTEST_SKIP() << "the default data set is not built";
    std::string level = dataDir + "/levels/pack1_41.lvl";
    std::vector<std::vector<int>> boards;
    for (int mode = ModeAdventure; mode <= ModePuzzle; mode++) {
        resetBotWorld(11);
        setProfileMode(mode);
        ASSERT_TRUE(beginLevel(40, mode, level.c_str()));
        int moves = 0;
        int readyFrames = 0;
        for (int frame = 0; frame < 4000 && moves < 12; frame++) {
            ASSERT_TRUE(botFrame());
            // More looks drawn in one mode than another (as another draw rate or effects would).
            for (int k = 0; k < mode * 3 + frame % 5; k++) rand15();
            readyFrames = botBoardReady() ? readyFrames + 1 : 0;
            if (readyFrames >= 2 && botClickLargestGroup()) {
                moves++;
                readyFrames = 0;
            }
        }
        ASSERT_EQ(moves, 12) << "mode " << mode;
        std::vector<int> colours;
        for (const auto& row : board.cells)
            for (const Cell& c : row) colours.push_back(c.tile < 0 ? -9 : c.colour);
        boards.push_back(colours);
    }
    EXPECT_EQ(boards[0], boards[1]);
    EXPECT_EQ(boards[0], boards[2]);
}

TEST(Replays, FileNamesAndTheFiftyKeptPerProfile)
{
    char name[200];
    replayFileName("anna", ModePuzzle, 4, "20261208-071500", name, sizeof name);
    EXPECT_STREQ(name, "anna-puzzle-5-20261208-071500.rpl");

    std::string folder = bin + "replay_test_prune";
    fs::remove_all(folder);
    fs::create_directories(folder);
    // 53 of "anna" (levels and modes mixed, dates rising with i), 3 of "anna-b", whose stem starts alike.
    for (int i = 0; i < 53; i++) {
        char date[32];
        std::snprintf(date, sizeof date, "202612%02d-0900%02d", 1 + i / 10, i % 60);
        replayFileName("anna", i % 3, 52 - i, date, name, sizeof name);
        std::ofstream(folder + "/" + name) << "x";
    }
    for (int i = 0; i < 3; i++) {
        replayFileName("anna-b", 0, i, "20200101-000000", name, sizeof name);
        std::ofstream(folder + "/" + name) << "x";
    }
    EXPECT_EQ(pruneReplays(folder.c_str(), "anna", REPLAYS_PER_PROFILE), 3);
    int anna = 0, annaB = 0;
    for (const auto& e : fs::directory_iterator(folder)) {
        std::string n = e.path().filename().string();
        if (n.rfind("anna-b-", 0) == 0) annaB++;
        else anna++;
        // The three oldest (December 1st, seconds 0..2) are the ones gone.
        EXPECT_EQ(n.find("20261201-090000"), std::string::npos) << n;
        EXPECT_EQ(n.find("20261201-090002"), std::string::npos) << n;
    }
    EXPECT_EQ(anna, 50);
    EXPECT_EQ(annaB, 3);
    fs::remove_all(folder);
}

TEST(Replays, GoldenReplaysShowEveryKindOfPlay)
{
    if (!dataSetBuilt()) GTEST_SKIP() << "the default data set is not built";
    // What the golden games must show between them: each bonus kind on the board, chains, the
    // hammer struck, a loss in two modes.
    bool bonusSeen[6] = {};
    bool chains = false;
    int hammerStrikes = 0;
    int losses = 0;
    for (const auto& e : fs::directory_iterator(goldenDir)) {
        if (e.path().extension() != ".rpl") continue;
        std::unique_ptr<Replay> r = loaded(readBytes(e.path().string()));
        ASSERT_NE(r, nullptr) << e.path();
        resetBotWorld(0);
        std::string level = dataDir + "/levels/" + r->start.levelName;
        char why[200] = {};
        ASSERT_TRUE(replayPlayBegin(*r, level.c_str(), why, sizeof why)) << why;
        bool ready = false;
        while (!replayPlayDone()) {
            replayHeadlessFrame();
            for (const auto& row : board.cells) {
                for (const Cell& c : row) {
                    if (c.tile < 0) continue;
                    int k = static_cast<int>(c.bonus);
                    if (k > 0 && k < 6) bonusSeen[k] = true;
                    if (c.chained) chains = true;
                }
            }
            // Armed and struck come in one batch of input between two frames.
            if (ready && !board.hammerArmed && !board.hammerReady) hammerStrikes++;
            ready = board.hammerReady != 0;
        }
        EXPECT_TRUE(replayPlayer.finished) << e.path() << ": " << replayPlayer.why;
        if (replayPlayer.result.outcome == ReplayLost) losses++;
    }
    for (int k = 1; k < 6; k++) EXPECT_TRUE(bonusSeen[k]) << "bonus kind " << k;
    EXPECT_TRUE(chains);
    EXPECT_GT(hammerStrikes, 0);
    EXPECT_GE(losses, 2);
}
