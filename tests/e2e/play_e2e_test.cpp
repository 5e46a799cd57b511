// The real program played like a person: started under a virtual X display (Xvfb) on a copy of
// the default data set without its "settings" folder (a first start), it asks for a name, shows
// the main menu, starts a level where xdotool clicks on groups of the board, pauses, goes back to
// the main menu and is closed. The program's dumps (OSTRIMAR_STATE_FILE, game/statedump.h, and
// OSTRIMAR_SCREEN_FILE, app/route.h) tell the test where it is and where the groups are. At the
// end the files of the "settings" folder are there as laid out. Skipped, with a message, only
// when Xvfb or xdotool is not installed.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr int ROWS = 11;
constexpr int COLS = 12;

bool onPath(const char* tool)
{
    std::string cmd = std::string("command -v ") + tool + " >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

// Starts a program with arguments and extra environment; returns its process id (-1 on failure).
pid_t spawn(const std::vector<std::string>& args, const std::vector<std::string>& env, const std::string& dir,
            const std::string& logFile)
{
    pid_t pid = fork();
    if (pid != 0) return pid;
    if (!dir.empty() && chdir(dir.c_str()) != 0) _exit(127);
    for (const std::string& e : env) putenv(const_cast<char*>(e.c_str()));
    FILE* log = std::fopen(logFile.c_str(), "wb");
    if (log) {
        dup2(fileno(log), 1);
        dup2(fileno(log), 2);
    }
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
}

void stop(pid_t pid)
{
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    for (int i = 0; i < 50; i++) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

std::string run(const std::string& cmd)
{
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return out;
    char buf[256];
    while (std::fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

struct GameState {
    bool valid = false;
    int level = 0;
    int score = 0;
    int moves = 0;
    int timeUsed = 0;
    bool tip = false;
    std::vector<std::string> rows;
    int cursorRow = -1, cursorCol = -1;
    bool cursorShown = false;
};

GameState readState(const std::string& path)
{
    GameState s;
    std::ifstream f(path);
    std::string line;
    while (std::getline(f, line)) {
        if (line.rfind("level=", 0) == 0) s.level = std::atoi(line.c_str() + 6);
        else if (line.rfind("timeused=", 0) == 0) s.timeUsed = std::atoi(line.c_str() + 9);
        else if (line.rfind("score=", 0) == 0) s.score = std::atoi(line.c_str() + 6);
        else if (line.rfind("moves=", 0) == 0) s.moves = std::atoi(line.c_str() + 6);
        else if (line.rfind("row=", 0) == 0) s.rows.push_back(line.substr(4));
        else if (line.rfind("won=", 0) == 0) s.tip = line.find("tip=1") != std::string::npos;
        else if (line.rfind("cursor=", 0) == 0)
            s.cursorShown = std::sscanf(line.c_str(), "cursor=%d %d shown=1", &s.cursorRow, &s.cursorCol) == 2 &&
                            line.find("shown=1") != std::string::npos;
    }
    s.valid = s.rows.size() == ROWS;
    for (const std::string& r : s.rows) s.valid = s.valid && r.size() == COLS;
    return s;
}

// A place with a figure that has a neighbour of its colour; false when the board has none.
bool findGroup(const GameState& s, int* row, int* col)
{
    for (int r = 0; r < ROWS; r++)
        for (int c = 0; c < COLS; c++) {
            char ch = s.rows[r][c];
            if (ch < 'a') continue;
            if ((c + 1 < COLS && s.rows[r][c + 1] == ch) || (r + 1 < ROWS && s.rows[r + 1][c] == ch)) {
                *row = r;
                *col = c;
                return true;
            }
        }
    return false;
}

// The screen dump: which screen and dialog show, and the focused button.
struct ScreenState {
    std::string screen, dialog, focus;
    int profiles = -1;
    bool settled = false;  // the dialog has finished opening or closing (keys meanwhile are dropped)
};

ScreenState readScreen(const std::string& path)
{
    ScreenState s;
    std::ifstream f(path);
    std::string line;
    while (std::getline(f, line)) {
        if (line.rfind("screen=", 0) == 0) s.screen = line.substr(7);
        else if (line.rfind("dialog=", 0) == 0) s.dialog = line.substr(7);
        else if (line.rfind("focus=", 0) == 0) s.focus = line.substr(6);
        else if (line.rfind("profiles=", 0) == 0) s.profiles = std::atoi(line.c_str() + 9);
        else if (line.rfind("settled=", 0) == 0) s.settled = line.compare(8, std::string::npos, "1") == 0;
    }
    return s;
}

class PlayE2e : public testing::Test {
protected:
    void SetUp() override
    {
        if (!onPath("Xvfb") || !onPath("xdotool"))
            GTEST_SKIP() << "Xvfb or xdotool is not installed (scripts/deps.sh installs them); end-to-end test skipped";
        program = std::string(OSTRIMAR_BINARY_DIR) + "/ostrimar";
        ASSERT_TRUE(fs::exists(program)) << program;
        ASSERT_TRUE(fs::exists(std::string(OSTRIMAR_BINARY_DIR) + "/Data/targa.dat")) << "data set not built";
        // The menu tree is a member of "texts.dat"; a data set made before it existed has no menus.
        std::ifstream texts(std::string(OSTRIMAR_BINARY_DIR) + "/Data/texts.dat", std::ios::binary);
        std::string archive((std::istreambuf_iterator<char>(texts)), std::istreambuf_iterator<char>());
        if (archive.find("menu.txt") == std::string::npos) GTEST_SKIP() << "the data set has no menu.txt";
        // A folder of each test's own: CTest runs the end-to-end tests side by side.
        dir = std::string(OSTRIMAR_BINARY_DIR) + "/scratch/e2e/" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(dir);
        fs::create_directories(dir + "/run");
        // The program takes "Data" in its current folder: the data set's files and a settings
        // folder that has only the options (a window rather than the full screen of a first
        // start, so that the test's clicks land where it aims): no profile, no records yet.
        fs::create_directories(dir + "/Data/settings");
        for (const auto& entry : fs::directory_iterator(std::string(OSTRIMAR_BINARY_DIR) + "/Data")) {
            if (entry.path().filename() == "settings") continue;
            fs::create_symlink(entry.path(), dir + "/Data/" + entry.path().filename().string());
        }
        const int32_t options[11] = {100, 80, 800, 600, 0, 1, 0, 0, 0, 0, 0};  // windowed, no profile
        std::ofstream(dir + "/Data/settings/settings.dat", std::ios::binary)
            .write(reinterpret_cast<const char*>(options), sizeof options);
        // A free display number: one whose lock file is absent (a crashed run may have left one).
        for (int n = 90 + getpid() % 500, tries = 0; tries < 20; n++, tries++) {
            if (fs::exists("/tmp/.X" + std::to_string(n) + "-lock")) continue;
            display = ":" + std::to_string(n);
            break;
        }
        ASSERT_FALSE(display.empty()) << "no free X display number";
        std::string socket = "/tmp/.X11-unix/X" + display.substr(1);
        // -noreset: the server otherwise resets when its last client leaves, and a game started
        // again at that moment cannot open the display.
        xvfb = spawn({"Xvfb", display, "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset"}, {}, "",
                     dir + "/xvfb.log");
        for (int i = 0; i < 100 && !fs::exists(socket); i++) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ASSERT_TRUE(fs::exists(socket)) << "Xvfb did not start on " << display << "; see " << dir << "/xvfb.log";
    }
    void TearDown() override
    {
        stop(game);
        stop(xvfb);
    }
    std::string xdotool(const std::string& args) { return run("DISPLAY=" + display + " xdotool " + args + " 2>/dev/null"); }
    void key(const std::string& name)
    {
        xdotool("key --window " + window + " " + name);
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    // Waits (up to about 20 s) until the screen dump shows a screen and a dialog that has
    // finished opening: a dialog drops the keys that arrive while it opens, and under load a key
    // sent the moment the dialog's name shows could otherwise be lost.
    bool waitFor(const std::string& screen, const std::string& dialog)
    {
        for (int i = 0; i < 100; i++) {
            ScreenState s = readScreen(screenFile);
            if (s.screen == screen && s.dialog == dialog && s.settled) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
        return false;
    }
    // Moves the focus of the open dialog down to a button, then presses Return. After each Down
    // it waits for the dump to show the focus moved: under load a frame can take long, and a
    // stale dump would otherwise send one Down too many (and Return to the wrong button).
    bool choose(const std::string& button)
    {
        for (int i = 0; i < 20; i++) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            ScreenState now = readScreen(screenFile);
            std::string focus = now.focus;
            if (!now.settled) continue;
            if (focus == button) {
                key("Return");
                return true;
            }
            key("Down");
            for (int k = 0; k < 30 && readScreen(screenFile).focus == focus; k++)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }
    // The "savemsg" box that follows the pause menu's "main": one Return once it has opened, then
    // a wait until it is gone (a second Return, sent on a dump that lags behind, would reach
    // "main" and press its first button). True when "main" shows.
    bool closeSavedMessage()
    {
        for (int i = 0; i < 100; i++) {
            ScreenState s = readScreen(screenFile);
            if (s.dialog == "main") return true;
            if (s.dialog == "messageboxok" && s.settled) {
                key("Return");
                for (int k = 0; k < 100 && readScreen(screenFile).dialog == "messageboxok"; k++)
                    std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
        return false;
    }
    // A first start opens the window full screen: game pixels are scaled to the window's size.
    void pointAt(int x, int y)
    {
        std::string geometry = xdotool("getwindowgeometry --shell " + window);
        int w = 800, h = 600;
        size_t at = geometry.find("WIDTH=");
        if (at != std::string::npos) w = std::atoi(geometry.c_str() + at + 6);
        at = geometry.find("HEIGHT=");
        if (at != std::string::npos) h = std::atoi(geometry.c_str() + at + 7);
        if (w <= 0 || h <= 0) w = 800, h = 600;
        // Through the letterbox the picture is drawn in (a window of another shape has bars).
        int bw = w, bh = h;
        if (static_cast<long long>(w) * 600 <= static_cast<long long>(h) * 800)
            bh = static_cast<int>((static_cast<long long>(w) * 600 + 400) / 800);
        else
            bw = static_cast<int>((static_cast<long long>(h) * 800 + 300) / 600);
        xdotool("mousemove --window " + window + " " + std::to_string((w - bw) / 2 + x * bw / 800) + " " +
                std::to_string((h - bh) / 2 + y * bh / 600));
    }
    std::string where() { return readScreen(screenFile).screen + "/" + readScreen(screenFile).dialog; }
    // Starts the program on a first start, makes a profile and enters the adventure's first level
    // (the state dump then runs); false with a message when a step fails.
    ::testing::AssertionResult enterFirstLevel(const std::string& stateFile)
    {
        screenFile = dir + "/screen.txt";
        game = spawn({program},
                     {"DISPLAY=" + display, "XDG_RUNTIME_DIR=" + dir + "/run", "OSTRIMAR_STATE_FILE=" + stateFile,
                      "OSTRIMAR_SCREEN_FILE=" + screenFile, "SDL_AUDIODRIVER=dummy", "SDL_VIDEODRIVER=x11",
                      "ASAN_OPTIONS=detect_leaks=0"},
                     dir, dir + "/game.log");
        if (game <= 0) return ::testing::AssertionFailure() << "no process";
        for (int i = 0; i < 100 && window.empty(); i++) {
            window = xdotool("search --name Ostrimar");
            if (window.find('\n') != std::string::npos) window = window.substr(0, window.find('\n'));
            if (window.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
        if (window.empty()) return ::testing::AssertionFailure() << "no window; see " << dir << "/game.log";
        for (int i = 0; i < 120 && readScreen(screenFile).screen != "menu"; i++) {
            key("Return");
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
        }
        if (!waitFor("menu", "newprofile")) return ::testing::AssertionFailure() << where();
        // Past the dialog's opening animation (which takes no typing), even in a slow build.
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        // The name typed fast, as a player types: it must arrive whole.
        xdotool("type --delay 12 --window " + window + " Quick");
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        key("Return");
        if (!waitFor("menu", "main")) return ::testing::AssertionFailure() << where();
        if (!choose("adventure")) return ::testing::AssertionFailure() << where();
        if (!waitFor("menu", "messageboxok")) return ::testing::AssertionFailure() << where();
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        key("Return");
        if (!waitFor("game", "")) return ::testing::AssertionFailure() << where();
        for (int i = 0; i < 100 && !fs::exists(stateFile); i++) std::this_thread::sleep_for(std::chrono::milliseconds(200));
        if (!fs::exists(stateFile)) return ::testing::AssertionFailure() << "the game screen never started";
        std::this_thread::sleep_for(std::chrono::milliseconds(2500));  // the board comes to rest
        return ::testing::AssertionSuccess();
    }
    // Starts the program with the dumps and finds its window; false when no window came up.
    bool launch(const std::string& stateFile)
    {
        game = spawn({program},
                     {"DISPLAY=" + display, "XDG_RUNTIME_DIR=" + dir + "/run", "OSTRIMAR_STATE_FILE=" + stateFile,
                      "OSTRIMAR_SCREEN_FILE=" + screenFile, "SDL_AUDIODRIVER=dummy", "SDL_VIDEODRIVER=x11",
                      "ASAN_OPTIONS=detect_leaks=0"},
                     dir, dir + "/game.log");
        if (game <= 0) return false;
        window.clear();
        for (int i = 0; i < 100 && window.empty(); i++) {
            window = xdotool("search --name Ostrimar");
            if (window.find('\n') != std::string::npos) window = window.substr(0, window.find('\n'));
            if (window.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
        return !window.empty();
    }
    // Keys through the splash and at the prompt until the menu screen shows.
    // Clicks the splash on until the menu shows. A click, not a key: under load the dump lags
    // behind the screen, and a Return that arrives after the splash would press the main menu's
    // first button; a click in the top right corner meets no button of the first dialogs.
    void throughTheSplash()
    {
        pointAt(796, 4);
        for (int i = 0; i < 120 && readScreen(screenFile).screen != "menu"; i++) {
            click();
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
        }
    }
    void click() { xdotool("click --window " + window + " 1"); }
    // Clicks groups of the board until the score has grown (a tip panel waits for a key, as a
    // player would press one); the state after the last click. False in `clicked` when the board
    // had no group.
    GameState clickGroups(const std::string& stateFile, const GameState& before, bool* clicked)
    {
        GameState after = before;
        *clicked = false;
        for (int attempt = 0; attempt < 4 && after.score <= before.score; attempt++) {
            GameState now = readState(stateFile);
            for (int i = 0; i < 10 && now.tip; i++) {
                key("Return");
                std::this_thread::sleep_for(std::chrono::milliseconds(400));
                now = readState(stateFile);
            }
            int row = -1, col = -1;
            if (!now.valid || !findGroup(now, &row, &col)) break;
            pointAt(54 * col + 157, 54 * row + 32);  // a place's centre is (54 col - 243, 268 - 54 row) around the middle
            std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the hover finds the group
            click();
            *clicked = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2000));
            after = readState(stateFile);
        }
        return after;
    }

    // The X window's real size (what xdotool asks the X server), false when it cannot be read.
    bool windowSize(int* w, int* h)
    {
        std::string g = xdotool("getwindowgeometry --shell " + window);
        size_t wa = g.find("WIDTH="), ha = g.find("HEIGHT=");
        if (wa == std::string::npos || ha == std::string::npos) return false;
        *w = std::atoi(g.c_str() + wa + 6);
        *h = std::atoi(g.c_str() + ha + 7);
        return *w > 0 && *h > 0;
    }
    // The profile ANNA, 3 lives in every mode, every tip and the prologue seen, in a window.
    void oneProfileSeenThePrologue()
    {
        std::string settings = dir + "/Data/settings/";
        const int32_t options[11] = {100, 80, 800, 600, 0, 1, 0, 0, 0, 1, 0};
        std::ofstream(settings + "settings.dat", std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(options), sizeof options);
        uint8_t profile[160] = {};
        const char* name = "ANNA";
        for (int i = 0; name[i]; i++) profile[2 * i] = static_cast<uint8_t>(name[i]);  // UTF-16 LE
        for (int m = 0; m < 3; m++) profile[112 + 4 * m] = 3;
        std::ofstream(settings + "profiles.dat", std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(profile), sizeof profile);
    }
    // True while the game runs; once it has ended, false with its status in *status.
    bool alive(int* status)
    {
        if (game <= 0) return false;
        int st = 0;
        if (waitpid(game, &st, WNOHANG) != game) return true;
        *status = st;
        game = -1;
        return false;
    }
    // Closes the game as the desktop does at log-out (SIGTERM arrives as the window's close) and
    // gives its exit status; -1 when it had to be killed.
    int closeGame()
    {
        if (game <= 0) return -1;
        kill(game, SIGTERM);
        for (int i = 0; i < 150; i++) {
            int st = 0;
            if (waitpid(game, &st, WNOHANG) == game) {
                game = -1;
                return st;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        stop(game);
        game = -1;
        return -1;
    }
    // A known key path back to the main menu from wherever the game is: the splash is clicked
    // on, a level is paused and left through its menu's "main", message boxes are answered with
    // Return, a name is typed where one is asked for, any other dialog or screen is left with
    // Escape. False when the game ended or the menu did not show within about a minute.
    bool backToMain()
    {
        for (int i = 0; i < 120; i++) {
            int status = 0;
            if (!alive(&status)) return false;
            ScreenState s = readScreen(screenFile);
            if (s.screen == "menu" && s.dialog == "main" && s.settled) return true;
            if (s.screen == "splash") {
                pointAt(796, 4);
                click();
            } else if (!s.settled) {
                // A dialog opening or closing drops keys: wait.
            } else if (s.dialog == "gameplay") {
                choose("main");
            } else if (s.dialog == "messageboxok") {
                key("Return");
            } else if (s.dialog == "adventure" || s.dialog == "timeless" || s.dialog == "puzzle") {
                choose("back");  // the map ignores Escape: its "back" button leaves it
            } else if (s.dialog == "newprofile") {
                xdotool("type --delay 50 --window " + window + " Storm");
                key("Return");
            } else {
                key("Escape");
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(400));
        }
        return false;
    }

    std::string program, dir, display, window, screenFile;
    pid_t xvfb = -1, game = -1;
};

TEST_F(PlayE2e, FirstStartNameMainLevelPauseBackToMainAndClose)
{
    std::string stateFile = dir + "/state.txt";
    screenFile = dir + "/screen.txt";
    ASSERT_TRUE(launch(stateFile)) << "no window; see " << dir << "/game.log";
    // A first start asks for a name.
    throughTheSplash();
    ASSERT_TRUE(waitFor("menu", "newprofile")) << where();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    for (const char* letter : {"A", "N", "N", "A"}) key(letter);
    key("Return");
    ASSERT_TRUE(waitFor("menu", "main")) << where();
    EXPECT_EQ(readScreen(screenFile).profiles, 1);
    // The adventure: the prologue first, then its first level.
    ASSERT_TRUE(choose("adventure")) << where();
    ASSERT_TRUE(waitFor("menu", "messageboxok")) << where();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    key("Return");
    ASSERT_TRUE(waitFor("game", "")) << where();
    for (int i = 0; i < 100 && !fs::exists(stateFile); i++) std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ASSERT_TRUE(fs::exists(stateFile)) << "the game screen never started";
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));  // the board comes to rest

    // Clicks on groups break them for points.
    GameState before = readState(stateFile);
    ASSERT_TRUE(before.valid);
    EXPECT_EQ(before.score, 0);
    bool clicked = false;
    GameState after = clickGroups(stateFile, before, &clicked);
    ASSERT_TRUE(clicked) << "no group on the board";
    EXPECT_GT(after.moves, before.moves);
    EXPECT_GT(after.score, before.score);
    EXPECT_NE(after.rows, before.rows);

    // The HUD's "menu" opens the pause menu; its "main" saves the game and goes back to "main".
    for (int i = 0; i < 10 && readState(stateFile).tip; i++) key("Return");
    for (int i = 0; i < 5 && readScreen(screenFile).dialog != "gameplay"; i++) {
        pointAt(62, 285);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        xdotool("click --window " + window + " 1");
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    }
    ASSERT_TRUE(waitFor("game", "gameplay")) << where();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ASSERT_TRUE(choose("main")) << where();
    // A saved game is announced first.
    ASSERT_TRUE(closeSavedMessage()) << where();
    ASSERT_TRUE(waitFor("menu", "main")) << where();

    // Closing the window ends the program, which writes its files.
    stop(game);
    game = -1;
    std::string settings = dir + "/Data/settings/";
    ASSERT_TRUE(fs::exists(settings + "settings.dat"));
    EXPECT_EQ(fs::file_size(settings + "settings.dat"), 44u);
    // Written again at the end: one profile now, the current one the first.
    std::ifstream written(settings + "settings.dat", std::ios::binary);
    int32_t fields[11] = {};
    written.read(reinterpret_cast<char*>(fields), sizeof fields);
    EXPECT_EQ(fields[9], 1);
    EXPECT_EQ(fields[8], 0);
    EXPECT_EQ(fields[10], 0);
    EXPECT_EQ(fs::file_size(settings + "profiles.dat"), 160u);
    EXPECT_EQ(fs::file_size(settings + "records.dat"), 68112u);
    EXPECT_EQ(fs::file_size(settings + "hiscore.dat"), 2040u);
    // The level was played before the pause: its game is saved for the profile.
    int saves = 0;
    for (const auto& entry : fs::directory_iterator(settings))
        if (entry.path().extension() == ".sav") saves++;
    EXPECT_EQ(saves, 1);
}

// A player who has seen the prologue: the adventure opens its map, "start" is clicked, a group is
// broken, and the window is closed in the middle of the level (the close signal arrives as the
// window's close message, WM_CLOSE, which saves a touched level). Started again, the adventure
// offers the saved game, and continuing it shows the same level, board, score, moves and candle.
TEST_F(PlayE2e, MapStartClickCloseTheWindowStartAgainAndContinueTheSavedGame)
{
    // One profile, "ANNA", 3 lives in every mode, every tip and the prologue already seen.
    std::string settings = dir + "/Data/settings/";
    const int32_t options[11] = {100, 80, 800, 600, 0, 1, 0, 0, 0, 1, 0};  // windowed, 1 profile, the first
    std::ofstream(settings + "settings.dat", std::ios::binary)
        .write(reinterpret_cast<const char*>(options), sizeof options);
    uint8_t profile[160] = {};
    const char* name = "ANNA";
    for (int i = 0; name[i]; i++) profile[2 * i] = static_cast<uint8_t>(name[i]);  // UTF-16 LE
    for (int m = 0; m < 3; m++) profile[112 + 4 * m] = 3;                            // lives
    std::ofstream(settings + "profiles.dat", std::ios::binary)
        .write(reinterpret_cast<const char*>(profile), sizeof profile);

    std::string stateFile = dir + "/state.txt";
    screenFile = dir + "/screen.txt";
    ASSERT_TRUE(launch(stateFile)) << "no window; see " << dir << "/game.log";
    throughTheSplash();
    ASSERT_TRUE(waitFor("menu", "main")) << where();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ASSERT_TRUE(choose("adventure")) << where();
    ASSERT_TRUE(waitFor("menu", "adventure")) << where();
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // the map's shutter and the ring
    // The map's start button at the lower right (centred at (258, -252) in screen units).
    for (int i = 0; i < 3 && readScreen(screenFile).screen != "game"; i++) {
        pointAt(658, 552);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        click();
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    }
    ASSERT_TRUE(waitFor("game", "")) << where();
    for (int i = 0; i < 100 && !fs::exists(stateFile); i++) std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ASSERT_TRUE(fs::exists(stateFile)) << "the game screen never started";
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));  // the board comes to rest
    GameState before = readState(stateFile);
    ASSERT_TRUE(before.valid);
    EXPECT_EQ(before.level, 1);
    bool clicked = false;
    GameState left = clickGroups(stateFile, before, &clicked);
    ASSERT_TRUE(clicked) << "no group on the board";
    ASSERT_GT(left.score, before.score);
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));  // the figures have fallen
    left = readState(stateFile);
    ASSERT_TRUE(left.valid);

    // Closed in the middle of the level: the adventure's saved game and the profile's flag.
    stop(game);
    game = -1;
    std::string save;
    for (const auto& entry : fs::directory_iterator(settings)) {
        std::string file = entry.path().filename().string();
        if (file.size() > 8 && file.compare(file.size() - 8, 8, "_cls.sav") == 0) save = entry.path().string();
    }
    ASSERT_FALSE(save.empty()) << "no saved game of the adventure";
    EXPECT_EQ(fs::file_size(save), 51655u);
    std::ifstream profiles(settings + "profiles.dat", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(profiles)), std::istreambuf_iterator<char>());
    ASSERT_GE(bytes.size(), 160u);
    EXPECT_EQ(bytes[144], 1) << "the adventure's saved-game flag";

    // Started again: the adventure offers the saved game; "yes" continues it as it was left.
    fs::remove(stateFile);
    fs::remove(screenFile);
    ASSERT_TRUE(launch(stateFile)) << "no window; see " << dir << "/game.log";
    throughTheSplash();
    ASSERT_TRUE(waitFor("menu", "main")) << where();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ASSERT_TRUE(choose("adventure")) << where();
    ASSERT_TRUE(waitFor("menu", "loadgamequest")) << where();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ASSERT_TRUE(choose("yes")) << where();
    ASSERT_TRUE(waitFor("game", "")) << where();
    for (int i = 0; i < 100 && !fs::exists(stateFile); i++) std::this_thread::sleep_for(std::chrono::milliseconds(200));
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    GameState resumed = readState(stateFile);
    ASSERT_TRUE(resumed.valid);
    EXPECT_EQ(resumed.level, left.level);
    EXPECT_EQ(resumed.score, left.score);
    EXPECT_EQ(resumed.moves, left.moves);
    EXPECT_EQ(resumed.rows, left.rows);
    // The candle goes on from where it was (a fresh level would start near 0).
    EXPECT_GE(resumed.timeUsed, left.timeUsed);
    EXPECT_LT(resumed.timeUsed, left.timeUsed + 30000);
}

// Two players. ANNA plays a level of the adventure, leaves it through the pause menu's "main" (her
// game is saved), chooses BORIS through the greeting's change-profile link and closes the window.
// The close saves nothing: BORIS gets no saved game, no score and no flag, his trophy file stays as
// it was, and ANNA's saved game is the one the pause menu wrote.
TEST_F(PlayE2e, LeavingALevelChoosingAnotherPlayerAndClosingKeepsEachPlayersFiles)
{
    std::string settings = dir + "/Data/settings/";
    const int32_t options[11] = {100, 80, 800, 600, 0, 1, 0, 0, 0, 2, 0};  // windowed, 2 profiles, the first
    std::ofstream(settings + "settings.dat", std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(options), sizeof options);
    // Both with 3 lives in every mode, every tip and the prologue already seen.
    uint8_t profiles[2][160] = {};
    const char* names[2] = {"ANNA", "BORIS"};
    for (int p = 0; p < 2; p++) {
        for (int i = 0; names[p][i]; i++) profiles[p][2 * i] = static_cast<uint8_t>(names[p][i]);  // UTF-16 LE
        for (int m = 0; m < 3; m++) profiles[p][112 + 4 * m] = 3;
    }
    std::ofstream(settings + "profiles.dat", std::ios::binary)
        .write(reinterpret_cast<const char*>(profiles), sizeof profiles);
    // BORIS has won trophy 2 (presented).
    std::vector<char> borisTrophies(34, 0);
    borisTrophies[3] = 1;
    std::ofstream(settings + "+b+o+r+i+s.trp", std::ios::binary).write(borisTrophies.data(), 34);
    auto fileBytes = [](const std::string& path) {
        std::ifstream f(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    };

    std::string stateFile = dir + "/state.txt";
    screenFile = dir + "/screen.txt";
    ASSERT_TRUE(launch(stateFile)) << "no window; see " << dir << "/game.log";
    throughTheSplash();
    ASSERT_TRUE(waitFor("menu", "main")) << where();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ASSERT_TRUE(choose("adventure")) << where();
    ASSERT_TRUE(waitFor("menu", "adventure")) << where();
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // the map's shutter and the ring
    for (int i = 0; i < 3 && readScreen(screenFile).screen != "game"; i++) {
        pointAt(658, 552);  // the map's start button
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        click();
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    }
    ASSERT_TRUE(waitFor("game", "")) << where();
    for (int i = 0; i < 100 && !fs::exists(stateFile); i++) std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ASSERT_TRUE(fs::exists(stateFile)) << "the game screen never started";
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));  // the board comes to rest
    GameState before = readState(stateFile);
    ASSERT_TRUE(before.valid);
    bool clicked = false;
    GameState played = clickGroups(stateFile, before, &clicked);
    ASSERT_TRUE(clicked) << "no group on the board";
    ASSERT_GT(played.score, before.score);

    // The pause menu's "main" saves ANNA's game and says so.
    for (int i = 0; i < 10 && readState(stateFile).tip; i++) key("Return");
    for (int i = 0; i < 5 && readScreen(screenFile).dialog != "gameplay"; i++) {
        pointAt(62, 285);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        click();
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    }
    ASSERT_TRUE(waitFor("game", "gameplay")) << where();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ASSERT_TRUE(choose("main")) << where();
    ASSERT_TRUE(closeSavedMessage()) << where();
    ASSERT_TRUE(waitFor("menu", "main")) << where();
    const std::string annaSave = settings + "+a+n+n+a_cls.sav";
    ASSERT_TRUE(fs::exists(annaSave));
    std::string annaGame = fileBytes(annaSave);
    ASSERT_EQ(annaGame.size(), 51655u);

    // The greeting's link opens "profiles"; BORIS (the second name) is chosen.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    for (int i = 0; i < 5 && readScreen(screenFile).dialog != "profiles"; i++) {
        pointAt(630, 510);  // the link "ifnotyou" under the greeting, (230, -210) in screen units
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        click();
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    }
    ASSERT_TRUE(waitFor("menu", "profiles")) << where();
    pointAt(590, 150);  // the second name, (190, 150) in screen units
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    click();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ASSERT_TRUE(choose("selectprofile")) << where();
    ASSERT_TRUE(waitFor("menu", "main")) << where();

    // Closed now (the close arrives as the window's close message).
    stop(game);
    game = -1;
    std::string written = fileBytes(settings + "settings.dat");
    ASSERT_EQ(written.size(), 44u);
    int32_t current = -1;
    std::memcpy(&current, written.data() + 32, 4);
    EXPECT_EQ(current, 1) << "BORIS was chosen";
    std::string after = fileBytes(settings + "profiles.dat");
    ASSERT_EQ(after.size(), 320u);
    // BORIS: his record as it was, no saved game, his trophies untouched.
    EXPECT_EQ(after.substr(160, 160), std::string(reinterpret_cast<const char*>(profiles[1]), 160));
    for (const char* suffix : {"_cls.sav", "_ndl.sav", "_org.sav"})
        EXPECT_FALSE(fs::exists(settings + "+b+o+r+i+s" + suffix)) << suffix;
    EXPECT_EQ(fileBytes(settings + "+b+o+r+i+s.trp"), std::string(borisTrophies.data(), 34));
    // ANNA: the flag of her adventure and the game the pause menu saved.
    EXPECT_EQ(after[144], 1) << "ANNA's saved-game flag";
    EXPECT_EQ(fileBytes(annaSave), annaGame);
}

TEST_F(PlayE2e, AFastTypedNameArrivesWholeAndEveryScreenshotTapSavesAPicture)
{
    std::string stateFile = dir + "/state.txt";
    ASSERT_TRUE(enterFirstLevel(stateFile));
    // (Clicks made during a fall are checked by the board's own tests: a debug build under a
    // software display draws a frame every 100-500 ms, too slow for the 1.5 s a waiting click is
    // kept, so a played-through check of them here would depend on the machine's load.)
    GameState now = readState(stateFile);
    ASSERT_TRUE(now.valid);

    // Ten quick taps of the screenshot key: ten pictures beside the data folder.
    for (int i = 0; i < 10 && readState(stateFile).tip; i++) key("Return");
    // Through the X test extension to the focused window (as a keyboard sends them, with their own
    // times): keys sent to a window directly all carry one time, which SDL takes for auto-repeat.
    xdotool("windowfocus --sync " + window);
    xdotool("key --delay 30 F12 F12 F12 F12 F12 F12 F12 F12 F12 F12");
    // One picture a frame (a debug build encodes each for a while): up to 20 s for all ten.
    int pictures = 0;
    for (int wait = 0; wait < 100 && pictures < 10; wait++) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        pictures = 0;
        for (const auto& entry : fs::directory_iterator(dir))
            if (entry.path().filename().string().rfind("screenshot", 0) == 0) pictures++;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    pictures = 0;
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.path().filename().string().rfind("screenshot", 0) == 0) pictures++;
    EXPECT_EQ(pictures, 10);
    // The keys went to no one else: the game is neither paused nor left.
    EXPECT_EQ(readScreen(screenFile).screen, "game");
    stop(game);
    game = -1;
    // The profile has the name typed at 12 ms a key.
    std::ifstream profiles(dir + "/Data/settings/profiles.dat", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(profiles)), std::istreambuf_iterator<char>());
    const char name16[] = {'Q', 0, 'u', 0, 'i', 0, 'c', 0, 'k', 0, 0, 0};  // UTF-16, terminated
    EXPECT_NE(bytes.find(std::string(name16, sizeof name16)), std::string::npos);
}

// A first start opens the window full screen, and F11 turns it into a window and back, also
// where no window manager answers SDL's full-screen requests (this Xvfb has none): the X window
// covers the 1024 x 768 screen, is 800 x 600 as a window, and covers the screen again.
TEST_F(PlayE2e, FullScreenCoversTheScreenWithoutAWindowManagerAndF11TogglesIt)
{
    const int32_t options[11] = {100, 80, 800, 600, 0, 1, 0, 0, 0, 0, 1};  // full screen, no profile
    std::ofstream(dir + "/Data/settings/settings.dat", std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(options), sizeof options);
    screenFile = dir + "/screen.txt";
    ASSERT_TRUE(launch(dir + "/state.txt")) << "no window; see " << dir << "/game.log";
    auto size = [&]() {
        std::string g = xdotool("getwindowgeometry --shell " + window);
        size_t w = g.find("WIDTH="), h = g.find("HEIGHT=");
        if (w == std::string::npos || h == std::string::npos) return std::string();
        return std::to_string(std::atoi(g.c_str() + w + 6)) + "x" + std::to_string(std::atoi(g.c_str() + h + 7));
    };
    auto becomes = [&](const std::string& want) {
        for (int i = 0; i < 50; i++) {
            if (size() == want) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
        return false;
    };
    EXPECT_TRUE(becomes("1024x768")) << size();
    key("F11");
    EXPECT_TRUE(becomes("800x600")) << size();
    key("F11");
    EXPECT_TRUE(becomes("1024x768")) << size();
}

// Where a window of w x h pixels maps a pointer at window pixel (px, py): through the letterbox
// the 800 x 600 picture is drawn in (the game's own rule, osLetterbox and osPointerToClient).
void expectedPointer(int w, int h, int px, int py, int* cx, int* cy)
{
    int bw, bh;
    if (static_cast<long long>(w) * 600 <= static_cast<long long>(h) * 800) {
        bw = w;
        bh = static_cast<int>((static_cast<long long>(w) * 600 + 400) / 800);
    } else {
        bh = h;
        bw = static_cast<int>((static_cast<long long>(h) * 800 + 300) / 600);
    }
    int bx = (w - bw) / 2, by = (h - bh) / 2;
    *cx = static_cast<int>(std::floor((px + 0.5 - bx) * 800.0 / bw));
    *cy = static_cast<int>(std::floor((py + 0.5 - by) * 600.0 / bh));
}

// The window's part of the screen dump: the drawable the picture is drawn for, the pointer in
// the picture, the frames drawn.
struct WindowDump {
    int drawW = -1, drawH = -1, mouseX = -100000, mouseY = -100000, frames = -1;
};

WindowDump readWindowDump(const std::string& path)
{
    WindowDump d;
    std::ifstream f(path);
    std::string line;
    while (std::getline(f, line)) {
        if (line.rfind("drawable=", 0) == 0) std::sscanf(line.c_str() + 9, "%dx%d", &d.drawW, &d.drawH);
        else if (line.rfind("mouse=", 0) == 0) std::sscanf(line.c_str() + 6, "%d,%d", &d.mouseX, &d.mouseY);
        else if (line.rfind("frames=", 0) == 0) d.frames = std::atoi(line.c_str() + 7);
    }
    return d;
}

// Without any display the game says so in one line and fails, at once, and takes no lock: a later
// start with a display is not turned away.
TEST_F(PlayE2e, WithoutADisplayOneLineOnStandardErrorAndAFailingStatusBeforeTheLock)
{
    std::string log = dir + "/nodisplay.log";
    // A short runtime folder: the Wayland client library complains (on standard error) about a
    // socket path longer than 108 bytes, which a player's runtime folder never is.
    char runtime[] = "/tmp/ostrimar-e2e-XXXXXX";
    ASSERT_NE(mkdtemp(runtime), nullptr);
    pid_t p = spawn({program},
                    {"DISPLAY=", "WAYLAND_DISPLAY=", "SDL_VIDEODRIVER=", std::string("XDG_RUNTIME_DIR=") + runtime,
                     "SDL_AUDIODRIVER=dummy", "ASAN_OPTIONS=detect_leaks=0"},
                    dir, log);
    ASSERT_GT(p, 0);
    int status = -1;
    bool ended = false;
    for (int i = 0; i < 150 && !ended; i++) {
        if (waitpid(p, &status, WNOHANG) == p) ended = true;
        else std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (!ended) stop(p);
    ASSERT_TRUE(ended) << "the game ran on without a display";
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_NE(WEXITSTATUS(status), 0);
    std::ifstream f(log);
    std::string text((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
    EXPECT_NE(text.find("display"), std::string::npos) << text;
    for (const auto& entry : fs::directory_iterator(runtime))
        EXPECT_NE(entry.path().extension(), ".lock") << entry.path();
    fs::remove_all(runtime);
}

// One window per settings folder: a second start of the same copy brings the first one's window
// back to the front (here hidden, on a display without a window manager) and ends with status 0,
// saying so; a copy with its own data and settings folder runs beside it.
TEST_F(PlayE2e, ASecondStartBringsTheRunningWindowForwardAndAnotherSettingsFolderRunsBeside)
{
    screenFile = dir + "/screen.txt";
    ASSERT_TRUE(launch(dir + "/state.txt")) << "no window; see " << dir << "/game.log";
    // The first start has written its window into its lock once the window exists.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    xdotool("windowunmap --sync " + window);
    std::string second = dir + "/second.log";
    pid_t p = spawn({program},
                    {"DISPLAY=" + display, "XDG_RUNTIME_DIR=" + dir + "/run", "SDL_AUDIODRIVER=dummy",
                     "SDL_VIDEODRIVER=x11", "ASAN_OPTIONS=detect_leaks=0"},
                    dir, second);
    ASSERT_GT(p, 0);
    int status = -1;
    bool ended = false;
    for (int i = 0; i < 200 && !ended; i++) {
        if (waitpid(p, &status, WNOHANG) == p) ended = true;
        else std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (!ended) stop(p);
    ASSERT_TRUE(ended) << "the second start ran on";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    std::ifstream f(second);
    std::string text((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("already running"), std::string::npos) << text;
    EXPECT_NE(text.find("brought to the front"), std::string::npos) << text;
    // The first window is shown again and has the keyboard.
    std::string state;
    for (int i = 0; i < 30 && state.find("IsViewable") == std::string::npos; i++) {
        state = run("DISPLAY=" + display + " xwininfo -id " + window + " 2>/dev/null");
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_NE(state.find("IsViewable"), std::string::npos) << state;
    EXPECT_EQ(xdotool("getwindowfocus"), window);

    // Another copy: its own Data folder (the same data set), so its own settings folder.
    std::string other = dir + "/other";
    fs::create_directories(other + "/Data/settings");
    for (const auto& entry : fs::directory_iterator(std::string(OSTRIMAR_BINARY_DIR) + "/Data")) {
        if (entry.path().filename() == "settings") continue;
        fs::create_symlink(entry.path(), other + "/Data/" + entry.path().filename().string());
    }
    fs::copy_file(dir + "/Data/settings/settings.dat", other + "/Data/settings/settings.dat");
    pid_t third = spawn({program},
                        {"DISPLAY=" + display, "XDG_RUNTIME_DIR=" + dir + "/run", "SDL_AUDIODRIVER=dummy",
                         "SDL_VIDEODRIVER=x11", "ASAN_OPTIONS=detect_leaks=0"},
                        other, dir + "/third.log");
    ASSERT_GT(third, 0);
    int windows = 0;
    for (int i = 0; i < 100 && windows < 2; i++) {
        std::string found = xdotool("search --name Ostrimar");
        windows = found.empty() ? 0 : 1 + static_cast<int>(std::count(found.begin(), found.end(), '\n'));
        if (windows < 2) std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    EXPECT_EQ(windows, 2) << "the copy with its own settings folder has a window";
    EXPECT_NE(waitpid(third, nullptr, WNOHANG), third) << "it runs";
    stop(third);
}

// Resizes, full screen (F11) and hiding and showing the window (no window manager gives it the
// focus back) in a seeded order: afterwards the picture is drawn for the window's real size, a
// pointer position maps through the letterbox of that size, and the shown window goes on drawing.
TEST_F(PlayE2e, AfterResizesFullScreenAndHidingThePictureAndPointerFollowTheRealWindow)
{
    screenFile = dir + "/screen.txt";
    ASSERT_TRUE(launch(dir + "/state.txt")) << "no window; see " << dir << "/game.log";
    throughTheSplash();
    ASSERT_TRUE(waitFor("menu", "newprofile")) << where();
    std::mt19937 rng(26);
    for (int step = 0; step < 14; step++) {
        switch (rng() % 3) {
        case 0:
            xdotool("windowsize " + window + " " + std::to_string(400 + rng() % 600) + " " +
                    std::to_string(300 + rng() % 440));
            break;
        case 1:
            key("F11");
            break;
        default:
            xdotool("windowunmap --sync " + window);
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            xdotool("windowmap --sync " + window);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    // Hidden and shown once more, last: without the focus, it still draws.
    xdotool("windowunmap --sync " + window);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    xdotool("windowmap --sync " + window);
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    int frames = readWindowDump(screenFile).frames;
    bool drawing = false;
    for (int i = 0; i < 50 && !drawing; i++) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        drawing = readWindowDump(screenFile).frames > frames;
    }
    EXPECT_TRUE(drawing) << "a shown window draws";
    int w = 0, h = 0;
    ASSERT_TRUE(windowSize(&w, &h));
    WindowDump d = readWindowDump(screenFile);
    EXPECT_EQ(std::to_string(d.drawW) + "x" + std::to_string(d.drawH), std::to_string(w) + "x" + std::to_string(h))
        << "the picture is drawn for the window's real size";
    const int points[3][2] = {{w / 4, h / 3}, {w / 2 + 7, h / 2 - 5}, {3 * w / 4, 2 * h / 3}};
    for (const auto& pt : points) {
        xdotool("mousemove --window " + window + " " + std::to_string(pt[0]) + " " + std::to_string(pt[1]));
        int cx, cy;
        expectedPointer(w, h, pt[0], pt[1], &cx, &cy);
        for (int i = 0; i < 30; i++) {
            d = readWindowDump(screenFile);
            if (std::abs(d.mouseX - cx) <= 1 && std::abs(d.mouseY - cy) <= 1) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        EXPECT_NEAR(d.mouseX, cx, 1) << "window " << w << "x" << h << " at " << pt[0] << "," << pt[1];
        EXPECT_NEAR(d.mouseY, cy, 1) << "window " << w << "x" << h << " at " << pt[0] << "," << pt[1];
    }
}

// An input storm: seeded random clicks (either button), keys, wheel turns, full-screen toggles
// and window resizes, a third of them in the menus, a third on the adventure's map and a third
// in a level (each place reached by its known path first). A clean exit the storm itself chose
// (the main menu's "exit") is allowed: the game is started again. Afterwards the main menu is
// reached by the known key path and the game closes cleanly. 300 events here; the long storm
// (scripts/storm.sh) runs this test with OSTRIMAR_STORM_EVENTS=2000, OSTRIMAR_STORM_SECONDS=60
// and other seeds (OSTRIMAR_STORM_SEED).
TEST_F(PlayE2e, InputStormAcrossMenusTheMapAndALevelLeavesTheGameAnswering)
{
    auto envInt = [](const char* name, int fallback) {
        const char* v = std::getenv(name);
        return v && *v ? std::atoi(v) : fallback;
    };
    const int events = envInt("OSTRIMAR_STORM_EVENTS", 300);
    const int seconds = envInt("OSTRIMAR_STORM_SECONDS", 0);
    std::mt19937 rng(static_cast<uint32_t>(envInt("OSTRIMAR_STORM_SEED", 1)));
    oneProfileSeenThePrologue();
    std::string stateFile = dir + "/state.txt";
    screenFile = dir + "/screen.txt";
    ASSERT_TRUE(launch(stateFile)) << "no window; see " << dir << "/game.log";
    int restarts = 0;
    auto ensureRunning = [&]() {
        int status = 0;
        if (alive(&status)) return ::testing::AssertionSuccess();
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            return ::testing::AssertionFailure() << "the game ended with status " << status << "; see " << dir
                                                 << "/game.log";
        restarts++;
        fs::rename(dir + "/game.log", dir + "/game." + std::to_string(restarts) + ".log");
        fs::remove(screenFile);
        if (!launch(stateFile)) return ::testing::AssertionFailure() << "no window after a clean exit";
        return ::testing::AssertionSuccess();
    };
    const char* keys[] = {"Return", "Escape", "space", "Up", "Down", "Left", "Right", "BackSpace", "Tab",
                          "a", "n", "z", "5", "Delete", "Home", "End", "Pause", "F11"};
    const int keyCount = static_cast<int>(sizeof keys / sizeof keys[0]);
    auto storm = [&](int count) {
        const int batch = 12;
        for (int sent = 0; sent < count; sent += batch) {
            int w = 800, h = 600;
            if (!windowSize(&w, &h)) w = 800, h = 600;
            std::string cmd;
            for (int i = 0; i < batch && sent + i < count; i++) {
                uint32_t kind = rng() % 20;
                if (kind < 8) {
                    cmd += " mousemove --window " + window + " " + std::to_string(rng() % w) + " " +
                           std::to_string(rng() % h) + " click --window " + window + (rng() % 4 == 0 ? " 3" : " 1");
                } else if (kind < 15) {
                    const char* k = keys[rng() % static_cast<uint32_t>(keyCount)];
                    // F11 seldom: most of the storm in the window.
                    if (std::strcmp(k, "F11") == 0 && rng() % 4 != 0) k = "Return";
                    cmd += std::string(" key --window ") + window + " " + k;
                } else if (kind < 18) {
                    cmd += " click --window " + window + (rng() % 2 ? " 4" : " 5");
                } else {
                    cmd += " windowsize " + window + " " + std::to_string(320 + rng() % 700) + " " +
                           std::to_string(240 + rng() % 520);
                }
                if (seconds > 0) {
                    char pause[32];
                    std::snprintf(pause, sizeof pause, " sleep %.3f", seconds / static_cast<double>(events));
                    cmd += pause;
                } else {
                    cmd += " sleep 0.01";
                }
            }
            xdotool(cmd);
            if (!ensureRunning()) return;
        }
    };
    // The adventure's map, or a level from it, by their known paths (a saved game the storm left
    // is declined on the way to the map and continued on the way to a level).
    auto reach = [&](bool level) {
        for (int i = 0; i < 60; i++) {
            int status = 0;
            if (!alive(&status)) return false;
            ScreenState s = readScreen(screenFile);
            if (level ? s.screen == "game" : (s.dialog == "adventure" && s.settled)) return true;
            if (!s.settled) {
                // Keys are dropped while a dialog opens or closes.
            } else if (s.dialog == "loadgamequest") {
                choose(level ? "yes" : "no");
            } else if (s.dialog == "adventure") {
                choose("start");
            } else if (s.dialog == "messageboxok" || s.dialog == "zeroscore") {
                key("Return");
            } else if (s.screen == "menu" && s.dialog == "main") {
                choose("adventure");
            } else if (!backToMain()) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(400));
        }
        return false;
    };
    // The menus.
    ASSERT_TRUE(backToMain()) << where();
    storm(events / 3);
    ASSERT_TRUE(ensureRunning());
    // The map.
    ASSERT_TRUE(reach(false)) << where();
    storm(events / 3);
    ASSERT_TRUE(ensureRunning());
    // A level: the map's "start".
    ASSERT_TRUE(reach(true)) << where();
    storm(events - 2 * (events / 3));
    ASSERT_TRUE(ensureRunning());
    // Still answering: the known key path reaches the main menu, and the game closes cleanly.
    EXPECT_TRUE(backToMain()) << where();
    int status = closeGame();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    std::ifstream f(dir + "/game.log");
    std::string log((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    EXPECT_EQ(log.find("AddressSanitizer"), std::string::npos) << log;
    EXPECT_EQ(log.find("runtime error"), std::string::npos) << log;
    std::printf("storm: %d events, %d clean exits chosen by the storm\n", events, restarts);
}

} // namespace

// Level 1 played with the keyboard alone: the name typed, the menus and the prologue answered with
// keys, and on the board the arrows take the cursor to a group, which Return breaks. The mouse is
// never moved or clicked.
TEST_F(PlayE2e, TheFirstLevelIsPlayedWithArrowsAndReturnOnly)
{
    std::string stateFile = dir + "/state.txt";
    ASSERT_TRUE(enterFirstLevel(stateFile));
    GameState before = readState(stateFile);
    ASSERT_TRUE(before.valid);
    GameState now = before;
    bool broke = false;
    for (int step = 0; step < 80 && !broke; step++) {
        now = readState(stateFile);
        if (now.tip) {
            key("Return");  // a tip panel closes with a key
            std::this_thread::sleep_for(std::chrono::milliseconds(400));
            continue;
        }
        int row = -1, col = -1;
        ASSERT_TRUE(now.valid && findGroup(now, &row, &col)) << "no group on the board";
        if (!now.cursorShown) {
            key("Left");
        } else if (now.cursorRow != row || now.cursorCol != col) {
            key(now.cursorRow < row ? "Down" : now.cursorRow > row ? "Up" : now.cursorCol < col ? "Right" : "Left");
        } else {
            key("Return");
            std::this_thread::sleep_for(std::chrono::milliseconds(2000));
            GameState after = readState(stateFile);
            broke = after.moves > before.moves;
            now = after;
            continue;
        }
        // The dump follows the key within a frame or two.
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    ASSERT_TRUE(broke) << "Return at the cursor broke no group";
    EXPECT_GT(now.score, before.score);
    EXPECT_NE(now.rows, before.rows);
    EXPECT_TRUE(now.cursorShown);
}
