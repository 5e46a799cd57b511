// The SDL variant on a real X server (Xvfb, which runs no window manager): how the game's window
// is put in full screen there. Skipped, with a message, when Xvfb is not installed.
#include "platform/os/driverload.h"
#include "platform/os/os.h"
#include "platform/os/os_sdl.h"

// GoogleTest before X11's headers, whose macros (None, Bool) would spoil its names.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <link.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

bool onPath(const char* tool)
{
    std::string cmd = std::string("command -v ") + tool + " >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

bool exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// The environment variable's value before the test (restored after it), or unset.
struct SavedEnv {
    std::string name, value;
    bool set = false;
    explicit SavedEnv(const char* n) : name(n)
    {
        const char* v = std::getenv(n);
        set = v != nullptr;
        if (v) value = v;
    }
    ~SavedEnv()
    {
        if (set) setenv(name.c_str(), value.c_str(), 1);
        else unsetenv(name.c_str());
    }
};

class OsX11 : public ::testing::Test {
protected:
    SavedEnv savedDisplay{"DISPLAY"};
    SavedEnv savedDriver{"SDL_VIDEODRIVER"};
    pid_t xvfb = -1;
    std::string display;
    Display* own = nullptr;  // the test's own connection, to look at the windows as X has them

    void SetUp() override
    {
        resetOs();
        if (!onPath("Xvfb")) GTEST_SKIP() << "Xvfb is not installed (scripts/deps.sh installs it); test skipped";
        for (int n = 600 + getpid() % 300, tries = 0; tries < 40; n++, tries++) {
            if (exists("/tmp/.X" + std::to_string(n) + "-lock")) continue;
            display = ":" + std::to_string(n);
            break;
        }
        ASSERT_FALSE(display.empty()) << "no free X display number";
        xvfb = fork();
        if (xvfb == 0) {
            freopen("/dev/null", "w", stderr);
            execlp("Xvfb", "Xvfb", display.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        ASSERT_GT(xvfb, 0);
        setenv("DISPLAY", display.c_str(), 1);
        setenv("SDL_VIDEODRIVER", "x11", 1);
        // The server is up once it takes a connection (up to 10 s).
        for (int i = 0; i < 200 && !own; i++) {
            if (exists("/tmp/.X11-unix/X" + display.substr(1))) own = XOpenDisplay(display.c_str());
            if (!own) usleep(50000);
        }
        ASSERT_NE(own, nullptr) << "Xvfb did not start on " << display;
        // SDL's video as other tests of this program may have left it (on the offscreen driver).
        quitSdlVideo();
        ASSERT_TRUE(osInit(false)) << SDL_GetError();
    }
    void TearDown() override
    {
        resetOs();
        quitSdlVideo();
        if (own) XCloseDisplay(own);
        if (xvfb > 0) {
            kill(xvfb, SIGTERM);
            waitpid(xvfb, nullptr, 0);
        }
    }

    static void quitSdlVideo()
    {
        for (int i = 0; i < 16 && SDL_WasInit(SDL_INIT_VIDEO); i++) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    SDL_Window* window() const { return static_cast<SDL_Window*>(osWindowHandle()); }

    // The game's window as the X server has it, "WxH+X+Y" ("" when it cannot be read). Asked on
    // the test's own connection, with no SDL event handled in between.
    std::string geometry() const
    {
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        if (!window() || !SDL_GetWindowWMInfo(window(), &info) || info.subsystem != SDL_SYSWM_X11) return "";
        XSync(info.info.x11.display, False);
        XWindowAttributes a;
        if (!XGetWindowAttributes(own, info.info.x11.window, &a)) return "";
        return std::to_string(a.width) + "x" + std::to_string(a.height) + "+" + std::to_string(a.x) + "+" +
               std::to_string(a.y);
    }

    bool sdlFullscreen() const { return (SDL_GetWindowFlags(window()) & SDL_WINDOW_FULLSCREEN) != 0; }
};

}  // namespace

// Without a window manager SDL's full-screen request would go unanswered and SDL would wait
// 100 ms for the answer when the window is shown (and at each F11): SDL is never asked, the window
// is placed over the screen by hand while still hidden, covers it as soon as it is shown, and
// F11's window and full screen are placed the same way.
TEST_F(OsX11, FullScreenWithoutAWindowManagerCoversTheScreenWithoutAskingSdl)
{
    ASSERT_TRUE(osCreateWindow("Ostrimar", 800, 600, true));
    EXPECT_FALSE(sdlFullscreen());
    EXPECT_TRUE(osWindowPlacedByHand(window()));
    EXPECT_EQ(geometry(), "1024x768+0+0");
    // The first frames are drawn for that size (before SDL has heard of it).
    int w = 0, h = 0;
    osDrawableSize(&w, &h);
    EXPECT_EQ(w, 1024);
    EXPECT_EQ(h, 768);
    osShowWindow();
    EXPECT_EQ(geometry(), "1024x768+0+0");
    EXPECT_FALSE(sdlFullscreen());
    osSetFullscreen(false);
    EXPECT_EQ(geometry(), "800x600+112+84");
    EXPECT_FALSE(sdlFullscreen());
    osSetFullscreen(true);
    EXPECT_EQ(geometry(), "1024x768+0+0");
    EXPECT_FALSE(sdlFullscreen());
}

// Where a window manager announces itself (_NET_SUPPORTING_WM_CHECK on the root window, set here
// by the test), full screen stays SDL's own: the window manager answers the request.
TEST_F(OsX11, FullScreenWithAWindowManagerIsSdls)
{
    Window check = XCreateSimpleWindow(own, DefaultRootWindow(own), 0, 0, 1, 1, 0, 0, 0);
    Atom name = XInternAtom(own, "_NET_SUPPORTING_WM_CHECK", False);
    XChangeProperty(own, DefaultRootWindow(own), name, XA_WINDOW, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&check), 1);
    XSync(own, False);
    ASSERT_TRUE(osCreateWindow("Ostrimar", 800, 600, true));
    EXPECT_TRUE(sdlFullscreen());
    EXPECT_FALSE(osWindowPlacedByHand(window()));
}

namespace {

int countSoftwareDriver(dl_phdr_info* info, size_t, void* count)
{
    if (info->dlpi_name && std::strstr(info->dlpi_name, "/swrast_dri.so")) ++*static_cast<int*>(count);
    return 0;
}

}  // namespace

// The preload finds Mesa's software driver where Mesa's EGL library lies and loads it: in a child
// process that has loaded no GL yet, the driver is in memory once the preload has finished (and
// was not before). Skipped where Mesa's EGL is not installed.
TEST(OsDriverPreload, LoadsMesasSoftwareDriverFoundBesideItsEgl)
{
    void* egl = dlopen("libEGL_mesa.so.0", RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
    if (!egl) egl = dlopen("libEGL_mesa.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!egl) GTEST_SKIP() << "Mesa's EGL library is not installed";
    dlclose(egl);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int before = 0, after = 0;
        dl_iterate_phdr(countSoftwareDriver, &before);
        if (before > 0) _exit(77);  // this test program loaded GL before the test
        bool started = osPreloadSoftwareDriver();
        osFinishDriverPreload();
        dl_iterate_phdr(countSoftwareDriver, &after);
        _exit(started && after == 1 ? 0 : 1 + after);
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "the driver was loaded before the test (run it on its own)";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1 + drivers loaded after the preload";
}
