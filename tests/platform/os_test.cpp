#include "platform/os/os.h"
#include "platform/os/os_sdl.h"
#include "platform/gpu/gpu.h"

#include <cstring>
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <csignal>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

class OsHeadless : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetOs();
        ASSERT_TRUE(osInit(true));
    }
    void TearDown() override { resetOs(); }
};

std::string makeTempDir()
{
    char tmpl[] = "/tmp/ostrimar-os-test-XXXXXX";
    char* d = mkdtemp(tmpl);
    return d ? std::string(d) : std::string();
}

}  // namespace

TEST(OsKeys, VirtualKeyCodes)
{
    const int32_t sdl[] = {SDLK_a, SDLK_z, SDLK_0, SDLK_9, SDLK_RETURN, SDLK_KP_ENTER, SDLK_ESCAPE, SDLK_SPACE,
                           SDLK_BACKSPACE, SDLK_LEFT, SDLK_UP, SDLK_RIGHT, SDLK_DOWN, SDLK_END, SDLK_HOME,
                           SDLK_DELETE, SDLK_F12, 'A', SDLK_MINUS};
    const int vk[] = {0x41, 0x5A, 0x30, 0x39, 13, 13, 27, 32, 8, 37, 38, 39, 40, 35, 36, 46, 0x7B, 0, 0};
    for (size_t i = 0; i < sizeof vk / sizeof vk[0]; i++) EXPECT_EQ(osVirtualKey(sdl[i]), vk[i]) << i;
}

TEST_F(OsHeadless, WindowToClientLetterboxes)
{
    ASSERT_TRUE(osCreateWindow("Ostrimar", 800, 600, false));
    int x;
    int y;
    osWindowToClient(123, 456, 800, 600, &x, &y);
    EXPECT_EQ(x, 123);
    EXPECT_EQ(y, 456);
    // Twice the size: halves.
    osWindowToClient(1599, 1199, 1600, 1200, &x, &y);
    EXPECT_EQ(x, 799);
    EXPECT_EQ(y, 599);
    // Wider window: bars left and right of a 800x600 picture at scale 1.
    osWindowToClient(100, 0, 1000, 600, &x, &y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    osWindowToClient(99, 300, 1000, 600, &x, &y);
    EXPECT_EQ(x, -1);
    EXPECT_EQ(y, 300);
    // Taller window at half scale: bars above and below. Window pixel (200, 75) covers client
    // pixels 400..401 and 0..1; its centre is in 401, 1.
    osWindowToClient(200, 75, 400, 450, &x, &y);
    EXPECT_EQ(x, 401);
    EXPECT_EQ(y, 1);
    // A degenerate size does not divide by zero.
    osWindowToClient(7, 8, 0, 0, &x, &y);
    EXPECT_EQ(x, 7);
    EXPECT_EQ(y, 8);
}

TEST_F(OsHeadless, ScriptIsDeliveredFrameByFrame)
{
    osUseFakeClock(1000, 20);
    OsScriptStep steps[] = {
        {0, {WM_KEYDOWN, 0x41, 0}},
        {0, {WM_KEYDOWN, 0x42, 0}},
        {2, {WM_MOUSEMOVE, 0, packMousePosition(10, 20)}},
    };
    ASSERT_TRUE(osSetScript(steps, 3));
    OsMessage m;
    ASSERT_TRUE(osPeekMessage(&m));
    EXPECT_EQ(m.wParam, 0x41u);
    ASSERT_TRUE(osPeekMessage(&m));
    EXPECT_EQ(m.wParam, 0x42u);
    EXPECT_EQ(timeGetTime(), 1000u);
    EXPECT_FALSE(osPeekMessage(&m));  // frame 0
    EXPECT_EQ(timeGetTime(), 1020u);
    EXPECT_FALSE(osPeekMessage(&m));  // frame 1
    ASSERT_TRUE(osPeekMessage(&m));
    EXPECT_EQ(m.message, WM_MOUSEMOVE);
    EXPECT_EQ(mouseYOf(m.lParam), 20);
    EXPECT_FALSE(osPeekMessage(&m));
    EXPECT_EQ(osState.idlePolls, 3u);
    EXPECT_EQ(timeGetTime(), 1060u);
}

TEST_F(OsHeadless, BadScriptsAreRefused)
{
    OsScriptStep backwards[] = {{5, {WM_KEYDOWN, 1, 0}}, {4, {WM_KEYDOWN, 2, 0}}};
    EXPECT_FALSE(osSetScript(backwards, 2));
    EXPECT_FALSE(osSetScript(nullptr, 3));
    EXPECT_FALSE(osSetScript(backwards, -1));
    EXPECT_FALSE(osSetScript(backwards, OS_SCRIPT_SIZE + 1));
    EXPECT_EQ(osState.scriptCount, 0);
}

TEST_F(OsHeadless, QueueOverflowIsRefusedNotWrapped)
{
    for (int i = 0; i < OS_QUEUE_SIZE; i++) ASSERT_TRUE(osPostMessage({WM_KEYDOWN, static_cast<uint32_t>(i), 0}));
    EXPECT_FALSE(osPostMessage({WM_KEYDOWN, 9999, 0}));
    OsMessage m;
    for (int i = 0; i < OS_QUEUE_SIZE; i++) {
        ASSERT_TRUE(osPeekMessage(&m));
        ASSERT_EQ(m.wParam, static_cast<uint32_t>(i));
    }
    EXPECT_FALSE(osPeekMessage(&m));
}

TEST_F(OsHeadless, MaxIdlePollsDeliversOneClose)
{
    osSetMaxIdlePolls(2);
    OsMessage m;
    EXPECT_FALSE(osPeekMessage(&m));
    EXPECT_FALSE(osPeekMessage(&m));
    ASSERT_TRUE(osPeekMessage(&m));
    EXPECT_EQ(m.message, WM_CLOSE);
    EXPECT_FALSE(osPeekMessage(&m));
}

TEST_F(OsHeadless, FakeClockWrapsAndSleepAdvancesIt)
{
    osUseFakeClock(0xFFFFFFF0u, 0);
    uint32_t before = timeGetTime();
    osSleep(200);
    uint32_t after = timeGetTime();
    EXPECT_EQ(after, 0xB8u);
    EXPECT_EQ(after - before, 200u);
    EXPECT_EQ(osState.sleptMs, 200u);
}

TEST_F(OsHeadless, SingleInstanceLockExcludesOtherHolders)
{
    std::string dir = makeTempDir();
    ASSERT_FALSE(dir.empty());
    std::snprintf(osState.lockDir, sizeof osState.lockDir, "%s", dir.c_str());
    ASSERT_TRUE(osAcquireSingleInstance("Ostrimar"));
    EXPECT_EQ(std::string(osState.lockPath), dir + "/Ostrimar.lock");
    // Another open of the same file (as another process would have) cannot take it.
    int other = open(osState.lockPath, O_RDWR);
    ASSERT_GE(other, 0);
    EXPECT_NE(flock(other, LOCK_EX | LOCK_NB), 0);
    osReleaseSingleInstance();
    EXPECT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
    // Now this process is the second copy.
    EXPECT_FALSE(osAcquireSingleInstance("Ostrimar"));
    close(other);
    EXPECT_TRUE(osAcquireSingleInstance("Ostrimar"));
    osReleaseSingleInstance();
    unlink((dir + "/Ostrimar.lock").c_str());
    rmdir(dir.c_str());
}

// The holder names itself in the lock file; a second holder reads the line. Names differ per folder.
TEST_F(OsHeadless, TheLockFileNamesItsHolderAndEachSettingsFolderHasItsOwnLock)
{
    std::string dir = makeTempDir();
    ASSERT_FALSE(dir.empty());
    std::snprintf(osState.lockDir, sizeof osState.lockDir, "%s", dir.c_str());
    ASSERT_TRUE(osAcquireSingleInstance("Ostrimar"));
    char line[64] = {};
    int fd = open(osState.lockPath, O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_GT(read(fd, line, sizeof line - 1), 0);
    close(fd);
    EXPECT_EQ(std::string(line), std::to_string(getpid()) + " 0\n");  // no window yet (headless)
    // Another holder (a child process) keeps it: this start reads who that is.
    osReleaseSingleInstance();
    pid_t child = fork();
    if (child == 0) {
        int cfd = open((dir + "/Ostrimar.lock").c_str(), O_RDWR);
        if (cfd < 0 || flock(cfd, LOCK_EX) != 0 || ftruncate(cfd, 0) != 0 || pwrite(cfd, "4242 77\n", 8, 0) != 8)
            _exit(1);
        pause();
        _exit(0);
    }
    bool taken = false;
    for (int i = 0; i < 200 && !taken; i++) {
        if (!osAcquireSingleInstance("Ostrimar") && osState.lockOwnerPid == 4242) taken = true;
        else {
            osReleaseSingleInstance();
            usleep(10000);
        }
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    ASSERT_TRUE(taken);
    EXPECT_EQ(osState.lockOwnerWindow, 77ul);
    long pid = 0;
    unsigned long window = 0;
    EXPECT_TRUE(osParseLockOwner("12 0\n", &pid, &window));
    EXPECT_EQ(pid, 12);
    EXPECT_EQ(window, 0ul);
    EXPECT_FALSE(osParseLockOwner("", &pid, &window));
    EXPECT_FALSE(osParseLockOwner("x 1", &pid, &window));
    EXPECT_FALSE(osParseLockOwner("-3 1", &pid, &window));
    EXPECT_FALSE(osParseLockOwner("3 1junk", &pid, &window));
    // Headless: nothing can be raised.
    EXPECT_EQ(osRaiseRunningCopy(), OsRaiseResult::NotPossible);
    char a[64], b[64], c[64];
    osLockNameFor("Ostrimar", "/home/a/.local/share/ostrimar/settings", a, sizeof a);
    osLockNameFor("Ostrimar", "/media/usb/Data/settings", b, sizeof b);
    osLockNameFor("Ostrimar", "/home/a/.local/share/ostrimar/settings", c, sizeof c);
    EXPECT_STRNE(a, b);
    EXPECT_STREQ(a, c);
    EXPECT_EQ(std::string(a).rfind("Ostrimar-", 0), 0u);
    EXPECT_EQ(std::strlen(a), 9u + 16u);
    unlink((dir + "/Ostrimar.lock").c_str());
    rmdir(dir.c_str());
}

// SDL falls back to a driver that shows nothing when no display is there: that is no display,
// unless the driver was asked for by name (the tests' own switch).
TEST_F(OsHeadless, AnInvisibleVideoDriverCountsOnlyWhenAskedFor)
{
    EXPECT_TRUE(osVideoDriverShows("x11", nullptr));
    EXPECT_TRUE(osVideoDriverShows("wayland", "x11"));
    EXPECT_FALSE(osVideoDriverShows("offscreen", nullptr));
    EXPECT_FALSE(osVideoDriverShows("offscreen", ""));
    EXPECT_FALSE(osVideoDriverShows("dummy", "x11"));
    EXPECT_TRUE(osVideoDriverShows("offscreen", "offscreen"));
    EXPECT_TRUE(osVideoDriverShows("dummy", "x11,dummy"));
    EXPECT_TRUE(osVideoDriverShows("offscreen", "OFFSCREEN"));
    EXPECT_FALSE(osVideoDriverShows(nullptr, "offscreen"));
}

TEST_F(OsHeadless, SingleInstanceUsesRuntimeFolder)
{
    std::string dir = makeTempDir();
    ASSERT_FALSE(dir.empty());
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    std::string saved = old ? old : "";
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    EXPECT_TRUE(osAcquireSingleInstance("Ostrimar"));
    EXPECT_EQ(std::string(osState.lockPath), dir + "/Ostrimar.lock");
    osReleaseSingleInstance();
    // A runtime folder that does not exist falls back to /tmp with the user id.
    setenv("XDG_RUNTIME_DIR", (dir + "/missing").c_str(), 1);
    EXPECT_TRUE(osAcquireSingleInstance("OstrimarTest"));
    EXPECT_EQ(std::string(osState.lockPath), "/tmp/OstrimarTest-" + std::to_string(getuid()) + ".lock");
    osReleaseSingleInstance();
    unlink(osState.lockPath);
    if (old)
        setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
    else
        unsetenv("XDG_RUNTIME_DIR");
    unlink((dir + "/Ostrimar.lock").c_str());
    rmdir(dir.c_str());
}

// The SDL variant on SDL's offscreen driver (set for every test by CTest): events pushed into
// SDL's queue come out as window-procedure messages.
class OsSdl : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetOs();
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        if (!osInit(false)) GTEST_SKIP() << "no SDL video driver: " << SDL_GetError();
        if (!osCreateWindow("Ostrimar", 800, 600, false)) {
            // The offscreen driver may lack OpenGL here; events need no window.
        }
        OsMessage m;
        while (osPeekMessage(&m)) {
        }
        osState.active = false;
        osState.lastMouseX = osState.lastMouseY = -1;
    }
    void TearDown() override { resetOs(); }

    static void pushButton(Uint32 type, Uint8 button, Uint8 clicks, int x, int y)
    {
        SDL_Event e;
        SDL_zero(e);
        e.type = type;
        e.button.button = button;
        e.button.clicks = clicks;
        e.button.x = x;
        e.button.y = y;
        e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
        SDL_PushEvent(&e);
    }
    static void pushKey(Uint32 type, SDL_Keycode key, int repeat)
    {
        SDL_Event e;
        SDL_zero(e);
        e.type = type;
        e.key.keysym.sym = key;
        e.key.repeat = static_cast<Uint8>(repeat);
        SDL_PushEvent(&e);
    }
    static void pushWindow(Uint8 ev)
    {
        SDL_Event e;
        SDL_zero(e);
        e.type = SDL_WINDOWEVENT;
        e.window.event = ev;
        SDL_PushEvent(&e);
    }
};

TEST_F(OsSdl, ClicksBecomeDownThenDoubleClick)
{
    pushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 1, 30, 40);
    pushButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 1, 30, 40);
    pushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 2, 30, 40);
    pushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 3, 30, 40);
    pushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 1, 30, 40);
    pushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_MIDDLE, 1, 30, 40);
    OsMessage m;
    // The press was somewhere new: a move comes first, carrying the position.
    ASSERT_TRUE(osPeekMessage(&m));
    EXPECT_EQ(m.message, WM_MOUSEMOVE);
    EXPECT_EQ(mouseXOf(m.lParam), 30);
    EXPECT_EQ(mouseYOf(m.lParam), 40);
    uint32_t expected[] = {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONDOWN, WM_RBUTTONDOWN,
                           WM_MBUTTONDOWN};
    for (uint32_t e : expected) {
        ASSERT_TRUE(osPeekMessage(&m));
        EXPECT_EQ(m.message, e);
    }
    EXPECT_FALSE(osPeekMessage(&m));
}

TEST_F(OsSdl, KeysFocusAndClose)
{
    pushKey(SDL_KEYDOWN, SDLK_m, 0);
    pushKey(SDL_KEYDOWN, SDLK_m, 1);
    pushKey(SDL_KEYUP, SDLK_m, 0);
    pushKey(SDL_KEYDOWN, SDLK_MINUS, 0);  // no virtual key: dropped
    pushWindow(SDL_WINDOWEVENT_FOCUS_GAINED);
    pushWindow(SDL_WINDOWEVENT_FOCUS_GAINED);  // repeated state: dropped
    pushWindow(SDL_WINDOWEVENT_FOCUS_LOST);
    pushWindow(SDL_WINDOWEVENT_CLOSE);
    OsMessage m;
    ASSERT_TRUE(osPeekMessage(&m));
    EXPECT_EQ(m.message, WM_KEYDOWN);
    EXPECT_EQ(m.wParam, 0x4Du);
    EXPECT_EQ(m.lParam & (1u << 30), 0u);
    ASSERT_TRUE(osPeekMessage(&m));
    EXPECT_EQ(m.message, WM_KEYDOWN);
    EXPECT_NE(m.lParam & (1u << 30), 0u);
    ASSERT_TRUE(osPeekMessage(&m));
    EXPECT_EQ(m.message, WM_KEYUP);
    ASSERT_TRUE(osPeekMessage(&m));
    EXPECT_EQ(m.message, WM_ACTIVATE);
    EXPECT_EQ(m.wParam, WA_ACTIVE);
    ASSERT_TRUE(osPeekMessage(&m));
    EXPECT_EQ(m.message, WM_ACTIVATE);
    EXPECT_EQ(m.wParam, WA_INACTIVE);
    ASSERT_TRUE(osPeekMessage(&m));
    EXPECT_EQ(m.message, WM_CLOSE);
}

TEST_F(OsHeadless, ScreenshotAndFullScreenKeysStayInTheOsLayer)
{
    // F12 only asks for a screenshot: the game never sees it as a key.
    osKeyEvent(VK_F12, true, false);
    osKeyEvent(VK_F12, true, true);  // auto-repeat: still one screenshot
    osKeyEvent(VK_F12, false, false);
    OsMessage m;
    EXPECT_FALSE(osPeekMessage(&m));
    EXPECT_TRUE(osTakeScreenshotRequest());
    EXPECT_FALSE(osTakeScreenshotRequest());
    // Two presses before anyone asks: two pictures, one per request.
    osKeyEvent(VK_F12, true, false);
    osKeyEvent(VK_F12, false, false);
    osKeyEvent(VK_F12, true, false);
    osKeyEvent(VK_F12, false, false);
    EXPECT_TRUE(osTakeScreenshotRequest());
    EXPECT_TRUE(osTakeScreenshotRequest());
    EXPECT_FALSE(osTakeScreenshotRequest());
    // F11 and Alt+Enter toggle full screen; Alt itself and a plain Enter still reach the game.
    osKeyEvent(VK_F11, true, false);
    osKeyEvent(VK_MENU, true, false);
    osKeyEvent(VK_RETURN, true, false);
    osKeyEvent(VK_MENU, false, false);
    osKeyEvent(VK_RETURN, true, false);
    EXPECT_TRUE(osTakeFullscreenToggle());
    EXPECT_TRUE(osTakeFullscreenToggle());
    EXPECT_FALSE(osTakeFullscreenToggle());
    std::vector<uint32_t> keys;
    while (osPeekMessage(&m)) keys.push_back(m.message == WM_KEYDOWN ? m.wParam : 1000 + m.wParam);
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0], static_cast<uint32_t>(VK_MENU));
    EXPECT_EQ(keys[1], 1000u + VK_MENU);
    EXPECT_EQ(keys[2], static_cast<uint32_t>(VK_RETURN));
}

TEST_F(OsHeadless, WaitingOnTheFakeClockNeverSleeps)
{
    osUseFakeClock(5000, 10);
    uint64_t before = osMonotonicUs();
    osWaitMessage();
    osWaitMessage();
    EXPECT_EQ(osState.waits, 2u);
    EXPECT_EQ(osMonotonicUs(), before);
    EXPECT_EQ(osState.sleptUs, 0u);
    // Sleeping on the fake clock advances it by exactly the time asked for, in microseconds.
    osSleepUs(1234);
    EXPECT_EQ(osMonotonicUs(), before + 1234);
    EXPECT_EQ(timeGetTime(), 5001u);
    EXPECT_EQ(osRefreshRate(), 60);  // headless: unknown, so 60
}

TEST_F(OsHeadless, PointerMapsThroughTheLetterboxTheDeviceDraws)
{
    // Window size in window coordinates and the drawable's scale (high-DPI: 2 or 1.5 pixels per
    // window unit). For every client pixel the device draws (gpuLetterbox on the drawable), a
    // pointer at that pixel's centre maps back to the same client pixel.
    struct Case {
        int w, h;
        double dpi;
    } cases[] = {{800, 600, 1.0}, {1920, 1080, 1.0}, {1024, 768, 2.0}, {1366, 768, 1.5}, {900, 1400, 1.0}, {2560, 1440, 2.0}};
    for (const Case& c : cases) {
        int dw = static_cast<int>(c.w * c.dpi), dh = static_cast<int>(c.h * c.dpi);
        GpuViewport box = gpuLetterbox(dw, dh, 800, 600);
        ASSERT_GT(box.width, 0);
        for (int x : {0, 1, 250, 399, 400, 798, 799})
            for (int y : {0, 1, 299, 300, 598, 599}) {
                double px = box.x + (x + 0.5) * box.width / 800.0;
                double py = box.y + (y + 0.5) * box.height / 600.0;
                int cx = -99, cy = -99;
                osPointerToClient(static_cast<int>(px / c.dpi), static_cast<int>(py / c.dpi), c.w, c.h, dw, dh, &cx, &cy);
                EXPECT_EQ(cx, x) << c.w << "x" << c.h << " dpi " << c.dpi << " at " << x << "," << y;
                EXPECT_EQ(cy, y) << c.w << "x" << c.h << " dpi " << c.dpi << " at " << x << "," << y;
            }
        // The bars are outside the picture: negative, or past 799 / 599.
        int cx, cy;
        osPointerToClient(0, 0, c.w, c.h, dw, dh, &cx, &cy);
        if (box.x > 0) {
            EXPECT_LT(cx, 0) << c.w;
        }
        if (box.y > 0) {
            EXPECT_LT(cy, 0) << c.h;
        }
        osPointerToClient(c.w - 1, c.h - 1, c.w, c.h, dw, dh, &cx, &cy);
        if (box.x > 0) {
            EXPECT_GT(cx, 799) << c.w;
        }
        if (box.y > 0) {
            EXPECT_GT(cy, 599) << c.h;
        }
    }
}

// Where Mesa draws in software the window is made without OpenGL and shown through its
// surface: the device draws with a context of its own and what it presents is in the surface.
TEST_F(OsSdl, InSoftwareRenderingTheWindowIsShownThroughItsSurface)
{
    const char* before = std::getenv("LIBGL_ALWAYS_SOFTWARE");
    std::string kept = before ? before : "";
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
    bool made = osCreateWindow("Ostrimar", 800, 600, false);
    if (before) setenv("LIBGL_ALWAYS_SOFTWARE", kept.c_str(), 1);
    else unsetenv("LIBGL_ALWAYS_SOFTWARE");
    ASSERT_TRUE(made);
    SDL_Window* w = static_cast<SDL_Window*>(osWindowHandle());
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(osState.surfaceWindow);
    EXPECT_EQ(SDL_GetWindowFlags(w) & SDL_WINDOW_OPENGL, 0u);
    GpuPresentParams p = {};
    p.backBufferWidth = 800;
    p.backBufferHeight = 600;
    p.backBufferFormat = GpuFormat::X8R8G8B8;
    p.windowed = true;
    p.window = w;
    ASSERT_TRUE(gpuCreate(p));
    ASSERT_FALSE(gpuIsHeadless());
    gpuCapturePresents(true);
    gpuClear(CLEAR_TARGET, 0xFF336699, 1.0f, 0);
    gpuPresent();
    SDL_Surface* s = SDL_GetWindowSurface(w);
    ASSERT_NE(s, nullptr);
    uint32_t px = 0;
    SDL_ConvertPixels(1, 1, s->format->format, static_cast<uint8_t*>(s->pixels) + 300 * s->pitch + 400 * 4, s->pitch,
                      SDL_PIXELFORMAT_ARGB8888, &px, 4);
    EXPECT_EQ(px & 0xFFFFFF, 0x336699u);
    const uint8_t* shown = nullptr;
    int sw = 0, sh = 0;
    ASSERT_TRUE(gpuPresentedPixels(&shown, &sw, &sh));
    EXPECT_EQ(sw, 800);
    EXPECT_EQ(sh, 600);
    gpuCapturePresents(false);
    gpuRelease();
}

TEST_F(OsSdl, TypedTextBecomesOneCharMessagePerCharacter)
{
    SDL_Event e;
    SDL_zero(e);
    e.type = SDL_TEXTINPUT;
    // "a", "Ж" (two bytes), "€" (three), an emoji beyond the basic plane (dropped), a stray
    // continuation byte (dropped), then "z".
    const char text[] = "a\xD0\x96\xE2\x82\xAC\xF0\x9F\x98\x80\x80z";
    static_assert(sizeof text <= sizeof e.text.text);
    std::memcpy(e.text.text, text, sizeof text);
    SDL_PushEvent(&e);
    OsMessage m;
    for (uint32_t unit : {0x61u, 0x416u, 0x20ACu, 0x7Au}) {
        ASSERT_TRUE(osPeekMessage(&m));
        EXPECT_EQ(m.message, WM_CHAR);
        EXPECT_EQ(m.wParam, unit);
    }
    EXPECT_FALSE(osPeekMessage(&m));
}
