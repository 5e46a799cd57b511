// A level played in the real main loop (headless OS layer, default data set) with scripted input:
// clicks on groups, a tip closed by a key, a pause and its resume by keys, then the pause menu's
// "main". Leaving the level writes its replay into the settings folder's "replays"; the test reads
// it back and plays it headless through the same level flow to the same score, moves and board.
#include "dialog_helpers.h"
#include "core/dialogport.h"

#include "app/route.h"
#include "app/screens.h"
#include "app/shell.h"
#include "game/board.h"
#include "game/boardrender.h"
#include "game/boardstep.h"
#include "game/gameflow.h"
#include "game/level.h"
#include "game/playstate.h"
#include "game/replay.h"
#include "platform/os/files.h"
#include "platform/os/os.h"
#include "resources/files.h"
#include "trophies/trophies.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Player {
    int typed = 0;
    bool inGame = false;
    bool leaving = false;
    bool backAtMain = false;
    bool pausedOnce = false;
    int wait = 0;
    // The game as it stood when the player left it (the board rests under the pause menu).
    int score = -1;
    int moves = -1;
    uint64_t board = 0;
};

Player player;
int showFrames = 0;
bool escapeSent = false;

void post(uint32_t message, uint32_t wParam = 0, uint32_t lParam = 0) { osPostMessage({message, wParam, lParam}); }
void key(int vk) { post(WM_KEYDOWN, static_cast<uint32_t>(vk)); }

bool animating() { return menus.opening || menus.closing; }

void choose(const char* button)
{
    int index = childNamed(button);
    if (index < 0) return;
    if (menus.focus != index) key(40);
    else key(13);
    player.wait = 2;
}

void pointAt(Vec2 p) { post(WM_MOUSEMOVE, 0, packMousePosition(static_cast<int>(p.x + 400.0f), static_cast<int>(300.0f - p.y))); }

// A place of a group of two or more on the board at rest, the n-th such place in reading order.
bool groupPlace(int n, Vec2* out)
{
    if (!labelGroups()) return false;
    int size[BOARD_CELLS] = {};
    for (const auto& row : board.cells)
        for (const Cell& c : row)
            if (c.groupId >= 0 && c.groupId < BOARD_CELLS) size[c.groupId]++;
    std::vector<Vec2> places;
    for (int row = 0; row < BOARD_ROWS; row++)
        for (int col = 0; col < BOARD_COLS; col++) {
            int id = board.cells[row][col].groupId;
            if (hasFigure(row, col) && id >= 0 && id < BOARD_CELLS && size[id] >= 2) places.push_back(cellCentre(col, row));
        }
    if (places.empty()) return false;
    *out = places[static_cast<size_t>(n) % places.size()];
    return true;
}

void playerStep(uint32_t, void*)
{
    if (player.wait > 0) {
        player.wait--;
        return;
    }
    Screen* s = currentScreen();
    std::string dialog = currentDialogName();
    if (s == &splashScreen) {
        if (splashScreen.musicStarted && splashScreen.fadeTimer == 0.0f) {
            key(13);
            player.wait = 3;
        }
        return;
    }
    if (s == &menuScreen) {
        if (animating() || screens.switchPending) return;
        if (dialog == "newprofile") {
            const char* name = "ANNA";
            if (player.typed < 4) key(name[player.typed++]);
            else choose("oknewprofile");
        } else if (dialog == "main" && player.inGame) {
            if (!player.backAtMain) {
                player.backAtMain = true;
                player.wait = 5;
            } else {
                post(WM_CLOSE);
            }
        } else if (dialog == "main") {
            choose("adventure");
        } else if (dialog == "messageboxok") {
            choose("ok");
        } else if (dialog == "adventure") {
            choose("start");
        }
        return;
    }
    if (s != &gameScreen) return;
    player.inGame = true;
    if (play.shutterMoving || screens.switchPending || animating()) return;
    if (dialogPort.open) {
        if (dialog == "gameplay") {
            player.score = play.levelScore;
            player.moves = play.movesMade;
            player.board = boardHash();
            choose("main");
        } else if (dialog == "messageboxok") {
            choose("ok");
        }
        return;
    }
    if (play.tipOpen) {
        key(13);  // a key closes a tip panel
        player.wait = 3;
        return;
    }
    if (play.paused) {
        key('A');  // any key but Escape resumes
        player.wait = 4;
        return;
    }
    if (!isIdle() || board.idleTimerMs >= 0.0f) return;
    if (play.movesMade == 3 && !player.pausedOnce) {
        player.pausedOnce = true;
        key(VK_SPACE);
        player.wait = 20;
        return;
    }
    if (play.movesMade >= 7) {
        // The HUD's "menu" text opens the pause menu.
        pointAt(Vec2{-338.0f, 15.0f});
        post(WM_LBUTTONDOWN);
        post(WM_LBUTTONUP);
        player.wait = 3;
        return;
    }
    Vec2 p;
    if (groupPlace(play.movesMade * 7 + 3, &p)) {
        pointAt(p);
        post(WM_LBUTTONDOWN);
        post(WM_LBUTTONUP);
        player.wait = 4 + play.movesMade % 3;
    }
}

class ReplayLoop : public ::testing::Test {
protected:
    std::string root;

    void SetUp() override
    {
        std::string skip, failure;
        root = firstStartFolder("replay-loop", true, &skip, &failure);
        if (!skip.empty()) GTEST_SKIP() << skip;
        ASSERT_TRUE(failure.empty()) << failure;
        resetEverything();
    }

    void TearDown() override
    {
        resetEverything();
        if (!root.empty()) fs::remove_all(root);
    }

    void resetEverything()
    {
        resetRealLoop(root);
        resetGamePlay();
        resetRoute();
        clearRequests();
        resetReplays();
        player = Player{};
        showFrames = 0;
        escapeSent = false;
    }
};

} // namespace

TEST_F(ReplayLoop, ALevelPlayedInTheGameLoopReplaysToTheSameScoreAndBoard)
{
    ASSERT_TRUE(osSetCurrentDirectory(root.c_str()));
    osUseFakeClock(5000, 17);
    osSetMaxIdlePolls(20000);
    osSetIdleHook(playerStep, nullptr);
    ShellOptions options;
    options.headless = true;
    EXPECT_EQ(shellMain(options), 0);
    ASSERT_TRUE(player.backAtMain);
    ASSERT_GE(player.moves, 7);

    // One replay, named after the profile, the mode and the level.
    std::string folder = root + "/Data/settings/replays";
    std::vector<std::string> files;
    for (const auto& e : fs::directory_iterator(folder)) files.push_back(e.path().filename().string());
    ASSERT_EQ(files.size(), 1u);
    char stem[PROFILE_STEM_MAX];
    currentProfileStem(stem, sizeof stem);
    EXPECT_EQ(files[0].rfind(std::string(stem) + "-adventure-1-", 0), 0u) << files[0];
    EXPECT_EQ(files[0].substr(files[0].size() - 4), ".rpl");

    std::string bytes = readWholeFile(folder + "/" + files[0]);
    auto replay = std::make_unique<Replay>();
    char why[200] = {};
    ASSERT_TRUE(replayFromBytes(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<int32_t>(bytes.size()),
                                replay.get(), why, sizeof why))
        << why;
    EXPECT_EQ(replay->result.outcome, ReplayLeft);
    EXPECT_EQ(replay->result.score, player.score);
    EXPECT_EQ(replay->result.moves, player.moves);
    EXPECT_EQ(replay->result.boardHash, player.board);

    // Played again on a fresh world, headless.
    const Player game = player;
    std::string levels = root + "/Data/levels/" + replay->start.levelName;
    resetEverything();
    resetBoard();
    resetBoardRender();
    resetPlayState();
    resetTrophies();
    resetReplays();
    ASSERT_TRUE(createProfile("ANNA"));
    ASSERT_TRUE(replayPlayBegin(*replay, levels.c_str(), why, sizeof why)) << why;
    char line[200];
    ASSERT_TRUE(replayPlayHeadless(line, sizeof line)) << line;
    EXPECT_EQ(replayPlayer.result.score, game.score) << line;
    EXPECT_EQ(replayPlayer.result.moves, game.moves) << line;
    EXPECT_EQ(replayPlayer.result.boardHash, game.board) << line;
}

namespace {

// The viewer of `ostrimar --replay`: clicks on the board and the HUD now and then (they must do
// nothing), Escape once the replay has run to its end.
void viewerStep(uint32_t, void*)
{
    if (currentScreen() != &gameScreen) return;
    showFrames++;
    if (replayPlayDone()) {
        if (!escapeSent) key(VK_ESCAPE);
        escapeSent = true;
        return;
    }
    if (showFrames % 40 == 0) {
        pointAt(showFrames % 80 == 0 ? Vec2{-346.0f, -70.0f} : Vec2{0.0f, 0.0f});
        post(WM_LBUTTONDOWN);
        post(WM_LBUTTONUP);
        key(VK_SPACE);
    }
}

} // namespace

TEST_F(ReplayLoop, TheProgramShowsAReplayToItsRecordedEndWhateverThePlayerClicks)
{
    std::string golden = std::string(OSTRIMAR_SOURCE_DIR) + "/tests/replays/";
    std::string expected;
    {
        std::ifstream list(golden + "expected.txt");
        std::string line;
        while (std::getline(list, line))
            if (line.rfind("rows-puzzle.rpl\t", 0) == 0) expected = line.substr(line.find('\t') + 1);
    }
    ASSERT_FALSE(expected.empty());
    ASSERT_TRUE(osSetCurrentDirectory(root.c_str()));
    osUseFakeClock(5000, 16);
    osSetMaxIdlePolls(30000);
    osSetIdleHook(viewerStep, nullptr);
    ShellOptions options;
    options.headless = true;
    std::string file = golden + "rows-puzzle.rpl";
    options.replayFile = file.c_str();
    EXPECT_EQ(shellMain(options), 0);
    EXPECT_TRUE(escapeSent);
    ASSERT_TRUE(replayPlayer.finished) << replayPlayer.why;
    char line[200];
    replayLine(replayPlayer.replay, replayPlayer.result, line, sizeof line);
    EXPECT_EQ(std::string(line), expected);
    // Nothing was written beside the data set: the replay ran on a temporary settings folder.
    EXPECT_FALSE(fs::exists(root + "/Data/settings"));
}
