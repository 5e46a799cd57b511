// The real program played like a person: started under a virtual X display (Xvfb), a key at
// the splash prompt starts level 1, then xdotool clicks on groups of the board. The program's
// state dump (OSTRIMAR_STATE_FILE, game/statedump.h) tells the test where the groups are and
// shows that the board changed and the score rose. Skipped, with a message, only when Xvfb or
// xdotool is not installed.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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
    int score = 0;
    int moves = 0;
    bool tip = false;
    std::vector<std::string> rows;
};

GameState readState(const std::string& path)
{
    GameState s;
    std::ifstream f(path);
    std::string line;
    while (std::getline(f, line)) {
        if (line.rfind("score=", 0) == 0) s.score = std::atoi(line.c_str() + 6);
        else if (line.rfind("moves=", 0) == 0) s.moves = std::atoi(line.c_str() + 6);
        else if (line.rfind("row=", 0) == 0) s.rows.push_back(line.substr(4));
        else if (line.rfind("won=", 0) == 0) s.tip = line.find("tip=1") != std::string::npos;
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

class PlayE2e : public testing::Test {
protected:
    void SetUp() override
    {
        if (!onPath("Xvfb") || !onPath("xdotool"))
            GTEST_SKIP() << "Xvfb or xdotool is not installed (scripts/deps.sh installs them); end-to-end test skipped";
        program = std::string(OSTRIMAR_BINARY_DIR) + "/ostrimar";
        ASSERT_TRUE(fs::exists(program)) << program;
        ASSERT_TRUE(fs::exists(std::string(OSTRIMAR_BINARY_DIR) + "/Data/targa.dat")) << "data set not built";
        dir = std::string(OSTRIMAR_BINARY_DIR) + "/scratch/e2e";
        // The game writes its state files into the data set's "settings" folder: each run starts
        // from a known one, in a window (a first start would be full screen).
        std::string settings = std::string(OSTRIMAR_BINARY_DIR) + "/Data/settings";
        fs::remove_all(settings);
        fs::create_directories(settings);
        const int32_t windowed[11] = {100, 80, 800, 600, 0, 1, 0, 0, 0, 0, 0};
        std::FILE* f = std::fopen((settings + "/settings.dat").c_str(), "wb");
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(std::fwrite(windowed, 4, 11, f), 11u);
        std::fclose(f);
        fs::remove_all(dir);
        fs::create_directories(dir + "/run");
        // A free display number: one whose lock file is absent (a crashed run may have left one).
        for (int n = 90 + getpid() % 500, tries = 0; tries < 20; n++, tries++) {
            if (fs::exists("/tmp/.X" + std::to_string(n) + "-lock")) continue;
            display = ":" + std::to_string(n);
            break;
        }
        ASSERT_FALSE(display.empty()) << "no free X display number";
        std::string socket = "/tmp/.X11-unix/X" + display.substr(1);
        xvfb = spawn({"Xvfb", display, "-screen", "0", "1024x768x24", "-nolisten", "tcp"}, {}, "", dir + "/xvfb.log");
        for (int i = 0; i < 100 && !fs::exists(socket); i++) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ASSERT_TRUE(fs::exists(socket)) << "Xvfb did not start on " << display << "; see " << dir << "/xvfb.log";
    }
    void TearDown() override
    {
        stop(game);
        stop(xvfb);
    }
    std::string xdotool(const std::string& args) { return run("DISPLAY=" + display + " xdotool " + args + " 2>/dev/null"); }

    std::string program, dir, display;
    pid_t xvfb = -1, game = -1;
};

TEST_F(PlayE2e, KeyStartsLevelOneAndClicksOnGroupsBreakThemForPoints)
{
    std::string stateFile = dir + "/state.txt";
    game = spawn({program},
                 {"DISPLAY=" + display, "XDG_RUNTIME_DIR=" + dir + "/run", "OSTRIMAR_STATE_FILE=" + stateFile,
                  "SDL_AUDIODRIVER=dummy", "SDL_VIDEODRIVER=x11", "ASAN_OPTIONS=detect_leaks=0"},
                 dir, dir + "/game.log");
    ASSERT_GT(game, 0);
    std::string window;
    for (int i = 0; i < 100 && window.empty(); i++) {
        window = xdotool("search --name Ostrimar");
        if (window.find('\n') != std::string::npos) window = window.substr(0, window.find('\n'));
        if (window.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    ASSERT_FALSE(window.empty()) << "no window; see " << dir << "/game.log";
    // Keys through the splash and at the prompt, until the game screen writes its state.
    for (int i = 0; i < 120 && !fs::exists(stateFile); i++) {
        xdotool("key --window " + window + " Return");
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    ASSERT_TRUE(fs::exists(stateFile)) << "the game screen never started";
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));  // the board comes to rest
    GameState before = readState(stateFile);
    ASSERT_TRUE(before.valid);
    EXPECT_EQ(before.score, 0);

    // The window's client area shows the 800 x 600 frame at its own size.
    std::string geometry = xdotool("getwindowgeometry --shell " + window);
    bool clicked = false;
    GameState after = before;
    for (int attempt = 0; attempt < 4 && after.score <= before.score; attempt++) {
        GameState now = readState(stateFile);
        // A one-time tip panel waits for a key, as a player would press one.
        for (int i = 0; i < 10 && now.tip; i++) {
            xdotool("key --window " + window + " Return");
            std::this_thread::sleep_for(std::chrono::milliseconds(400));
            now = readState(stateFile);
        }
        int row = -1, col = -1;
        if (!now.valid || !findGroup(now, &row, &col)) break;
        int x = 54 * col + 157;  // a place's centre is (54 col - 243, 268 - 54 row) around the middle
        int y = 54 * row + 32;
        xdotool("mousemove --window " + window + " " + std::to_string(x) + " " + std::to_string(y));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the hover finds the group
        xdotool("click --window " + window + " 1");
        clicked = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2000));
        after = readState(stateFile);
    }
    ASSERT_TRUE(clicked) << "no group on the board";
    ASSERT_TRUE(after.valid);
    EXPECT_GT(after.moves, before.moves) << geometry;
    EXPECT_GT(after.score, before.score);
    EXPECT_NE(after.rows, before.rows);
}

} // namespace
