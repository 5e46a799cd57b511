// The game's route through the real main loop with the headless OS layer and the default data
// set: the splash, a first start that asks for a name, the main menu, a level, the pause menu and
// back to the main menu; then the window closes and the state files are on disk. A player is
// simulated frame by frame: each frame looks at the screen and the dialog and posts what a player
// would press next.
#include "dialog_helpers.h"
#include "core/dialogport.h"

#include "app/route.h"
#include "app/screens.h"
#include "app/shell.h"
#include "game/board.h"
#include "game/boardkeys.h"
#include "game/boardstep.h"
#include "game/gameflow.h"
#include "game/playstate.h"
#include "platform/os/files.h"
#include "platform/os/os.h"
#include "persist/profile.h"
#include "persist/settings.h"
#include "resources/files.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// What the simulated player has done so far.
struct Player {
    std::vector<std::string> seen;  // screens and dialogs in the order they came up
    int typed = 0;
    bool inGame = false;
    bool paused = false;
    bool backAtMain = false;
    int wait = 0;  // frames to let pass before the next input
};

Player player;

void post(uint32_t message, uint32_t wParam = 0, uint32_t lParam = 0) { osPostMessage({message, wParam, lParam}); }
void key(int vk) { post(WM_KEYDOWN, static_cast<uint32_t>(vk)); }

void note(const std::string& what)
{
    if (player.seen.empty() || player.seen.back() != what) player.seen.push_back(what);
}

bool animating() { return menus.opening || menus.closing; }

// Presses Down until the focus is on the named button of the current dialog, then Enter.
void choose(const char* button)
{
    int index = childNamed(button);
    if (index < 0) return;
    if (menus.focus != index) key(40);
    else key(13);
    player.wait = 2;
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
        note("splash");
        if (splashScreen.musicStarted && splashScreen.fadeTimer == 0.0f) {
            key(13);
            player.wait = 3;
        }
        return;
    }
    if (s == &menuScreen) {
        if (!dialog.empty()) note(dialog);
        if (animating() || screens.switchPending) return;
        if (dialog == "newprofile") {
            const char* name = "ANNA";
            if (player.typed < 4) key(name[player.typed++]);
            else choose("oknewprofile");
        } else if (dialog == "main" && player.backAtMain) {
            post(WM_CLOSE);
        } else if (dialog == "main" && !player.inGame) {
            choose("adventure");
        } else if (dialog == "main" && player.inGame) {
            player.backAtMain = true;
            player.wait = 5;
        } else if (dialog == "messageboxok") {
            choose("ok");
        } else if (dialog == "adventure") {
            choose("start");
        }
        return;
    }
    if (s == &gameScreen) {
        note(dialog.empty() ? "game" : dialog);
        player.inGame = true;
        if (play.shutterMoving || screens.switchPending || animating()) return;
        if (dialogPort.open) {
            if (dialog == "gameplay") choose("main");
            else if (dialog == "messageboxok") choose("ok");
            return;
        }
        if (play.tipOpen) {
            key(13);  // a key closes a tip panel
            player.wait = 3;
            return;
        }
        // The HUD's "menu" text at (-338, 15) opens the pause menu.
        post(WM_MOUSEMOVE, 0, packMousePosition(400 - 338, 300 - 15));
        post(WM_LBUTTONDOWN);
        post(WM_LBUTTONUP);
        player.wait = 3;
    }
}

// The player of the keyboard walk: keys only, from the splash through "main", the timeless
// mode's map (two levels back with Left) and "start" into the level, where the arrows take the
// board's cursor to a group and Return breaks it.
struct KeyPlayer {
    std::vector<std::string> seen;
    int lefts = 0;
    int startedLevel = -1;
    int startedMode = -1;
    int movesBefore = -1;
    bool moved = false;     // a group broken from the keys
    bool squaresGone = false;
    int nextLevel = -1;     // the level the map's "start" played after the won one
    bool done = false;
    int wait = 0;
};

KeyPlayer keyPlayer;

void keyNote(const std::string& what)
{
    if (keyPlayer.seen.empty() || keyPlayer.seen.back() != what) keyPlayer.seen.push_back(what);
}

void keyChoose(const char* button)
{
    int index = childNamed(button);
    if (index < 0) return;
    key(menus.focus != index ? 40 : 13);
    keyPlayer.wait = 2;
}

// A place with a figure that shares its colour with a neighbour; false when there is none.
bool groupPlace(int* row, int* col)
{
    for (int r = 0; r < BOARD_ROWS; r++)
        for (int c = 0; c < BOARD_COLS; c++) {
            if (!hasFigure(r, c)) continue;
            int colour = board.cells[r][c].colour;
            if ((hasFigure(r, c + 1) && board.cells[r][c + 1].colour == colour) ||
                (hasFigure(r + 1, c) && board.cells[r + 1][c].colour == colour)) {
                *row = r;
                *col = c;
                return true;
            }
        }
    return false;
}

void keyPlayerStep(uint32_t, void*)
{
    if (keyPlayer.wait > 0) {
        keyPlayer.wait--;
        return;
    }
    Screen* s = currentScreen();
    std::string dialog = currentDialogName();
    if (s == &splashScreen) {
        keyNote("splash");
        if (splashScreen.musicStarted && splashScreen.fadeTimer == 0.0f) {
            key(13);
            keyPlayer.wait = 3;
        }
        return;
    }
    if (s == &menuScreen) {
        if (!dialog.empty()) keyNote(dialog);
        if (animating() || screens.switchPending) return;
        if (dialog == "main") {
            keyChoose("timeless");
        } else if (dialog == "timeless" && keyPlayer.lefts < 2) {
            key(37);  // Left: the level before on the map
            keyPlayer.lefts++;
            keyPlayer.wait = 2;
        } else if (dialog == "timeless") {
            keyChoose("start");
        }
        return;
    }
    if (s != &gameScreen) return;
    keyNote(dialog.empty() ? "game" : dialog);
    if (keyPlayer.startedLevel < 0) {
        keyPlayer.startedLevel = play.levelIndex;
        keyPlayer.startedMode = play.gameMode;
        keyPlayer.movesBefore = play.movesMade;
    }
    if (keyPlayer.done) return;
    if (play.shutterMoving || screens.switchPending || animating()) return;
    if (keyPlayer.squaresGone && play.levelIndex == keyPlayer.startedLevel + 1 && !play.levelWon && !play.levelAdvance) {
        // The next level runs: the walk is over.
        keyPlayer.nextLevel = play.levelIndex;
        keyPlayer.done = true;
        post(WM_CLOSE);
        return;
    }
    if (dialogPort.open) {
        if (dialog == "levelcomplete") {
            key(13);  // the first Return finishes the count-up, the next is "Next level"
            keyPlayer.wait = 3;
        }
        return;
    }
    if (play.levelWon || play.levelAdvance) {
        key(13);  // on to the level result, then from the prompt to the map
        keyPlayer.wait = 5;
        return;
    }
    if (play.tipOpen) {
        key(13);
        keyPlayer.wait = 3;
        return;
    }
    if (play.movesMade > keyPlayer.movesBefore && !keyPlayer.moved) {
        // The group broke from the keys. The rest of the level is not the point here: its squares
        // go (the board's cheat), and the result, the prompt and the map are answered by keys.
        keyPlayer.moved = true;
        keyPlayer.squaresGone = true;
        cheatClearSquares();
        return;
    }
    if (keyPlayer.moved) return;
    if (!isIdle() || board.idleTimerMs >= 0.0f) return;
    int row = 0, col = 0;
    if (!groupPlace(&row, &col)) return;
    keyPlayer.wait = 1;
    if (!boardKeys.shown) key(37);  // the first arrow shows the cursor
    else if (boardKeys.row < row) key(40);
    else if (boardKeys.row > row) key(38);
    else if (boardKeys.col < col) key(39);
    else if (boardKeys.col > col) key(37);
    else key(13);
}

class Route : public ::testing::Test {
protected:
    std::string root;

    void SetUp() override
    {
        std::string skip, failure;
        root = firstStartFolder("route-test", true, &skip, &failure);
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
        player = Player{};
        keyPlayer = KeyPlayer{};
    }
};

} // namespace

TEST_F(Route, FirstStartNameMainLevelPauseAndBackToMain)
{
    ASSERT_TRUE(osSetCurrentDirectory(root.c_str()));
    osUseFakeClock(5000, 50);
    osSetMaxIdlePolls(3000);  // a run that loses its way still ends
    osSetIdleHook(playerStep, nullptr);
    ShellOptions options;
    options.headless = true;
    EXPECT_EQ(shellMain(options), 0);

    // The way the player went.
    std::vector<std::string> expected = {"splash",       "newprofile", "main", "messageboxok", "game",
                                         "gameplay",     "main"};
    std::vector<std::string> route;
    for (const std::string& s : player.seen)
        if (route.empty() || route.back() != s) route.push_back(s);
    // Dialogs seen while one was closing into the next are left out of the comparison.
    std::vector<std::string> main;
    for (const std::string& s : route)
        for (const std::string& e : expected)
            if (s == e && (main.empty() || main.back() != s)) {
                main.push_back(s);
                break;
            }
    std::string seen;
    for (const std::string& s : player.seen) seen += s + " ";
    EXPECT_EQ(main, expected) << "seen: " << seen;
    EXPECT_TRUE(player.backAtMain) << "seen: " << seen;
    EXPECT_FALSE(osState.closeDelivered && !player.backAtMain);

    // The profile made on the way, and the files of the settings folder.
    ASSERT_EQ(profileState.count, 1);
    EXPECT_EQ(profileNameAt(0), "ANNA");
    EXPECT_EQ(play.gameMode, ModeAdventure);
    std::string settings = root + "/Data/settings/";
    EXPECT_EQ(fs::file_size(settings + "settings.dat"), 44u);
    EXPECT_EQ(fs::file_size(settings + "profiles.dat"), 160u);
    EXPECT_EQ(fs::file_size(settings + "records.dat"), 68112u);
    EXPECT_EQ(fs::file_size(settings + "hiscore.dat"), 2040u);
}

// Profile, mode, map, level, result and next level with the keyboard alone: a player who has
// played the timeless mode up to its sixth level starts the game, chooses "timeless" in "main",
// goes two levels back on the map with Left, starts that level with Return and breaks a group
// with the arrows and Return; the level's squares are then cleared (the board's cheat) and the
// level result, the prompt and the map's "start" are answered with Return into the next level.
TEST_F(Route, KeysAlonePlayFromTheMainMenuOverTheMapToTheNextLevel)
{
    ASSERT_TRUE(osSetCurrentDirectory(root.c_str()));
    // The player's files, as an earlier session left them.
    std::string settings = root + "/Data/settings";
    std::snprintf(persist.folderOverride, sizeof persist.folderOverride, "%s", settings.c_str());
    ASSERT_TRUE(ensureSettingsFolder());
    ASSERT_TRUE(createProfile("ANNA"));
    setProfileMode(ModeTimeless);
    setProfileLevel(5);
    for (uint8_t& flag : currentProfile().hintFlags) flag = 0;  // prologue and tips seen
    persist.settings.fullscreen = 0;
    ASSERT_TRUE(saveAll());
    resetPersist();
    resetProfiles();

    osUseFakeClock(5000, 50);
    osSetMaxIdlePolls(4000);
    osSetIdleHook(keyPlayerStep, nullptr);
    ShellOptions options;
    options.headless = true;
    EXPECT_EQ(shellMain(options), 0);

    std::string seen;
    for (const std::string& s : keyPlayer.seen) seen += s + " ";
    EXPECT_EQ(keyPlayer.lefts, 2) << seen;
    EXPECT_EQ(keyPlayer.startedMode, ModeTimeless) << seen;
    EXPECT_EQ(keyPlayer.startedLevel, 3) << seen;  // level 6 on the map, two back
    EXPECT_TRUE(keyPlayer.moved) << "no group broken from the keys; seen: " << seen;
    // Won, the result answered, back over the map and on to the next level, all by keys.
    EXPECT_TRUE(keyPlayer.done) << seen;
    EXPECT_EQ(keyPlayer.nextLevel, 4) << seen;
    EXPECT_NE(seen.find("levelcomplete"), std::string::npos) << seen;
}
