// The window and its messages on SDL2, the headless variant, the timer, the lock and cursors.
#include "platform/os/os.h"
#include "platform/os/os_sdl.h"
#include "platform/os/dirs.h"
#include "platform/os/driverload.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

OsState osState;

namespace {

bool x11WindowSize(SDL_Window* w, int* width, int* height);

// Set from the signal handler; turned into WM_CLOSE by the next poll.
volatile std::sig_atomic_t closeSignalled = 0;

void onCloseSignal(int)
{
    closeSignalled = 1;
}

bool pushMessage(uint32_t message, uint32_t wParam, uint32_t lParam)
{
    if (osState.queueCount >= OS_QUEUE_SIZE) return false;
    OsMessage& m = osState.queue[(osState.queueHead + osState.queueCount) % OS_QUEUE_SIZE];
    m.message = message;
    m.wParam = wParam;
    m.lParam = lParam;
    osState.queueCount++;
    return true;
}

bool popMessage(OsMessage* out)
{
    if (osState.queueCount == 0) return false;
    *out = osState.queue[osState.queueHead];
    osState.queueHead = (osState.queueHead + 1) % OS_QUEUE_SIZE;
    osState.queueCount--;
    return true;
}

// Reports a change of activation only: focus events that repeat the current state are dropped,
// so a late focus event after the activation at show time does not activate twice.
void setActive(bool active)
{
    if (osState.active == active) return;
    osState.active = active;
    pushMessage(WM_ACTIVATE, active ? WA_ACTIVE : WA_INACTIVE, 0);
}

void mouseMovedTo(int x, int y)
{
    if (x == osState.lastMouseX && y == osState.lastMouseY) return;
    osState.lastMouseX = x;
    osState.lastMouseY = y;
    pushMessage(WM_MOUSEMOVE, 0, packMousePosition(x, y));
}

// Typed text (UTF-8) as one WM_CHAR per character of the basic multilingual plane; malformed
// bytes and characters beyond it are dropped.
void pushTypedText(const char* utf8)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8);
    while (p && *p) {
        uint32_t cp = 0;
        int extra = 0;
        if (*p < 0x80) cp = *p;
        else if ((*p & 0xE0) == 0xC0) cp = *p & 0x1F, extra = 1;
        else if ((*p & 0xF0) == 0xE0) cp = *p & 0x0F, extra = 2;
        else if ((*p & 0xF8) == 0xF0) cp = *p & 0x07, extra = 3;
        else {
            p++;
            continue;
        }
        p++;
        bool ok = true;
        for (int i = 0; i < extra; i++, p++) {
            if ((*p & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (*p & 0x3F);
        }
        if (ok && cp <= 0xFFFF && (cp < 0xD800 || cp > 0xDFFF)) pushMessage(WM_CHAR, cp, 0);
    }
}

void windowToClient(int wx, int wy, int* cx, int* cy)
{
    int w = 0;
    int h = 0;
    int dw = 0;
    int dh = 0;
    if (osState.windowPixelWidth > 0) {
        // An X window: positions are its pixels, and its real size is known.
        w = dw = osState.windowPixelWidth;
        h = dh = osState.windowPixelHeight;
    } else if (osState.window) {
        SDL_GetWindowSize(static_cast<SDL_Window*>(osState.window), &w, &h);
        SDL_GL_GetDrawableSize(static_cast<SDL_Window*>(osState.window), &dw, &dh);
    }
    osPointerToClient(wx, wy, w, h, dw, dh, cx, cy);
}

// Looks at the X window's real size (once a frame and after every window event): when it is not
// what the picture was last drawn for, the game is told (WM_SIZE) and the window gets its whole
// picture again. Where the window is not an X window, SDL's sizes serve.
void refreshWindowPixels()
{
    int w = 0, h = 0;
    if (!osState.window || !x11WindowSize(static_cast<SDL_Window*>(osState.window), &w, &h)) {
        osState.windowPixelWidth = osState.windowPixelHeight = 0;
        return;
    }
    if (w == osState.windowPixelWidth && h == osState.windowPixelHeight) return;
    bool known = osState.windowPixelWidth > 0;
    osState.windowPixelWidth = w;
    osState.windowPixelHeight = h;
    if (!known) return;
    osState.exposed = true;
    pushMessage(WM_SIZE, 0, packMousePosition(osState.clientWidth, osState.clientHeight));
}

void translateButton(const SDL_MouseButtonEvent& e, bool down)
{
    int x;
    int y;
    windowToClient(e.x, e.y, &x, &y);
    // The handlers read the position of the last mouse move, so report a move first when the
    // press happened somewhere the game has not been told about.
    mouseMovedTo(x, y);
    uint32_t lp = packMousePosition(x, y);
    // A second click within the double-click time arrives as a double click (as with a window
    // class that asks for them); SDL counts the clicks, so every even count is one.
    bool dbl = down && e.clicks >= 2 && e.clicks % 2 == 0;
    switch (e.button) {
    case SDL_BUTTON_LEFT:
        pushMessage(down ? (dbl ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN) : WM_LBUTTONUP, 0, lp);
        break;
    case SDL_BUTTON_RIGHT:
        pushMessage(down ? (dbl ? WM_RBUTTONDBLCLK : WM_RBUTTONDOWN) : WM_RBUTTONUP, 0, lp);
        break;
    case SDL_BUTTON_MIDDLE:
        pushMessage(down ? (dbl ? WM_MBUTTONDBLCLK : WM_MBUTTONDOWN) : WM_MBUTTONUP, 0, lp);
        break;
    default:
        break;
    }
}

void translateEvent(const SDL_Event& e)
{
    if (e.type == SDL_WINDOWEVENT) refreshWindowPixels();
    switch (e.type) {
    case SDL_QUIT:
        pushMessage(WM_CLOSE, 0, 0);
        break;
    case SDL_WINDOWEVENT:
        switch (e.window.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            setActive(true);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            setActive(false);
            break;
        case SDL_WINDOWEVENT_MINIMIZED:
        case SDL_WINDOWEVENT_HIDDEN:
            // Nothing to draw for: the loop waits for events until the window is back.
            osState.minimised = true;
            setActive(false);
            break;
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_SHOWN:
            // Shown again: it draws and takes input at once, whether or not anything gives it the
            // focus (no window manager does on a bare X server); losing the focus later
            // deactivates it as usual.
            osState.minimised = false;
            osState.exposed = true;
            setActive(true);
            break;
        case SDL_WINDOWEVENT_EXPOSED:
            osState.minimised = false;
            osState.exposed = true;
            if (osState.window && (SDL_GetWindowFlags(static_cast<SDL_Window*>(osState.window)) & SDL_WINDOW_INPUT_FOCUS))
                setActive(true);
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            osState.exposed = true;
            pushMessage(WM_SIZE, 0,
                        packMousePosition(osState.clientWidth, osState.clientHeight));
            break;
        case SDL_WINDOWEVENT_CLOSE:
            pushMessage(WM_CLOSE, 0, 0);
            break;
        default:
            break;
        }
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        int vk = osVirtualKey(e.key.keysym.sym);
        if (vk == 0) break;
        osKeyEvent(vk, e.type == SDL_KEYDOWN, e.key.repeat != 0);
        break;
    }
    case SDL_TEXTINPUT:
        pushTypedText(e.text.text);
        break;
    case SDL_MOUSEMOTION: {
        int x;
        int y;
        windowToClient(e.motion.x, e.motion.y, &x, &y);
        mouseMovedTo(x, y);
        break;
    }
    case SDL_MOUSEBUTTONDOWN:
        translateButton(e.button, true);
        break;
    case SDL_MOUSEBUTTONUP:
        translateButton(e.button, false);
        break;
    default:
        break;
    }
}

uint64_t monotonicUs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000000u + static_cast<uint64_t>(ts.tv_nsec) / 1000u;
}

void sleepRealUs(uint64_t us)
{
    timespec ts;
    ts.tv_sec = static_cast<time_t>(us / 1000000u);
    ts.tv_nsec = static_cast<long>(us % 1000000u) * 1000L;
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
        if (closeSignalled) break;
    }
}

// How long a headless loop with nothing to do sleeps per wait.
constexpr uint64_t HEADLESS_WAIT_US = 100000;

// True when Mesa will draw in software: no GPU render node, or software asked for. There the
// window is made with EGL rather than GLX (SDL's default on X11), because an EGL surface keeps
// its pixels across swaps on request and a present then copies only what changed to the window
// (gpuSetPartialPresents); with a GPU the whole copy costs next to nothing and GLX stays.
bool softwareRendering()
{
    const char* software = std::getenv("LIBGL_ALWAYS_SOFTWARE");
    if (software && software[0] && std::strcmp(software, "0") != 0) return true;
    DIR* dri = opendir("/dev/dri");
    if (!dri) return true;
    bool renderNode = false;
    while (const dirent* e = readdir(dri))
        if (std::strncmp(e->d_name, "renderD", 7) == 0) renderNode = true;
    closedir(dri);
    return !renderNode;
}

// True when a window manager announces itself on the display's root window.
bool windowManagerRuns(Display* display)
{
    Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
    if (check == None) return false;
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    bool managed = XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW, &type,
                                      &format, &items, &after, &data) == Success &&
                   data && items == 1;
    if (data) XFree(data);
    return managed;
}

int xErrors = 0;

int countXError(Display*, XErrorEvent*)
{
    xErrors++;
    return 0;
}

// The lock file's line: this process and its X window (0 while it has none).
void writeLockOwner()
{
    if (osState.lockFd < 0) return;
    unsigned long window = 0;
    if (osState.window) {
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        if (SDL_GetWindowWMInfo(static_cast<SDL_Window*>(osState.window), &info) && info.subsystem == SDL_SYSWM_X11)
            window = static_cast<unsigned long>(info.info.x11.window);
    }
    char line[64];
    int n = std::snprintf(line, sizeof line, "%ld %lu\n", static_cast<long>(getpid()), window);
    if (n <= 0 || ftruncate(osState.lockFd, 0) != 0) return;
    if (pwrite(osState.lockFd, line, static_cast<size_t>(n), 0) != n) return;
}

// The window's size as the X server has it. SDL's own idea of it can lag behind: without a
// window manager its full-screen requests go unanswered, and it takes the size it asked for,
// while a resize that brings the window back to a size SDL saw last is not reported to it again.
// False where the window is not an X window (SDL's size is the truth there).
bool x11WindowSize(SDL_Window* w, int* width, int* height)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!w || !SDL_GetWindowWMInfo(w, &info) || info.subsystem != SDL_SYSWM_X11) return false;
    Window root = 0;
    int x = 0, y = 0;
    unsigned int ww = 0, wh = 0, border = 0, depth = 0;
    if (!XGetGeometry(info.info.x11.display, info.info.x11.window, &root, &x, &y, &ww, &wh, &border, &depth))
        return false;
    if (ww == 0 || wh == 0) return false;
    *width = static_cast<int>(ww);
    *height = static_cast<int>(wh);
    return true;
}

// X11 without a window manager (a bare X server, a kiosk session) leaves SDL's full-screen
// requests unanswered: the window keeps its size while SDL reports the desktop's, so the picture
// is drawn for the desktop and shown cut, and SDL waits 100 ms for the answer at every request
// made on a shown window. There SDL is never asked for full screen: the window is placed by
// hand, over the display in full screen, at the window's size, centred, in a window. True when
// the window is placed by hand (SDL's full screen is for the other cases).
bool placeWithoutWindowManager(SDL_Window* w, bool fullscreen)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(w, &info) || info.subsystem != SDL_SYSWM_X11) return false;
    Display* display = info.info.x11.display;
    if (windowManagerRuns(display)) return false;
    SDL_Rect bounds;
    if (SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(w), &bounds) != 0 || bounds.w <= 0 || bounds.h <= 0)
        return true;
    if (!fullscreen) {
        // Nobody can have resized it: the window's own size (SDL may report the desktop's).
        int width = osState.clientWidth, height = osState.clientHeight;
        if (width <= 0 || height <= 0 || width > bounds.w || height > bounds.h) return true;
        bounds.x += (bounds.w - width) / 2;
        bounds.y += (bounds.h - height) / 2;
        bounds.w = width;
        bounds.h = height;
    }
    XMoveResizeWindow(display, info.info.x11.window, bounds.x, bounds.y, static_cast<unsigned>(bounds.w),
                      static_cast<unsigned>(bounds.h));
    XFlush(display);
    return true;
}

// Where Mesa draws in software, the window is made without OpenGL and shown through its
// surface: a present copies the rectangles that changed into it and SDL sends just those to the
// X server (shared memory where the server offers it), where an OpenGL window's swap sends the
// whole picture every time. The device draws with a context of its own. Null (the window is then
// made for OpenGL) with a GPU, or where SDL gives the window no surface.
SDL_Window* createSurfaceWindow(const char* title, Uint32 flags)
{
    if (!softwareRendering()) return nullptr;
    // SDL would otherwise back the surface with a texture of its GL renderer, and remake the
    // window for OpenGL to show it.
    SDL_SetHintWithPriority(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0", SDL_HINT_OVERRIDE);
    SDL_Window* w = SDL_CreateWindow(title ? title : "", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                     osState.clientWidth, osState.clientHeight, flags);
    if (w && !SDL_GetWindowSurface(w)) {
        SDL_DestroyWindow(w);
        return nullptr;
    }
    return w;
}

}  // namespace

bool osInit(bool headless)
{
    if (osState.initialised) osShutdown();
#ifdef __GLIBC__
    // Pictures are decoded into buffers of a few megabytes that live only until the device has
    // them. glibc would raise its mmap threshold after the first such buffer is freed and serve
    // the following ones from the heap, which then stays at its high-water mark; a fixed
    // threshold keeps every large buffer mapped on its own and gives it back when it is freed.
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
    // A fixed mmap threshold also freezes the trim threshold at its 128 KiB default. Mesa's
    // software rasteriser takes about 2 MiB of the heap in blocks of under 256 KiB while it
    // draws a frame and gives them back at its end: at 128 KiB most of those frees handed 64 KiB
    // back to the system (a brk call each, about 200 a second in the main menu) and the next
    // frame faulted them in again, zeroed. Above that working set the heap keeps its top for the
    // next frame (what the high-water mark counted already).
    mallopt(M_TRIM_THRESHOLD, 4 * 1024 * 1024);
#endif
    osState.headless = headless;
    osState.sdlVideo = false;
    if (!headless) {
        // A hint, so the environment variable of the same name still decides when it is set.
        osState.eglAsked = softwareRendering() && SDL_SetHint(SDL_HINT_VIDEO_X11_FORCE_EGL, "1");
        // Mesa's software driver is loaded on a second thread while SDL opens the display.
        if (osState.eglAsked) osPreloadSoftwareDriver();
        if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
            osState.headless = true;
            return false;
        }
        // With no display SDL falls back to a driver that shows nothing (offscreen): a game no one
        // can see is no display. Asked for by name (SDL_VIDEODRIVER, as tests do), it serves.
        if (!osVideoDriverShows(SDL_GetCurrentVideoDriver(), std::getenv("SDL_VIDEODRIVER"))) {
            SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
            osState.headless = true;
            return false;
        }
        osState.sdlVideo = true;
    }
    osState.initialised = true;
    return true;
}

bool osWindowPlacedByHand(SDL_Window* w)
{
    if (!w || w != osState.window) return false;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    return SDL_GetWindowWMInfo(w, &info) && info.subsystem == SDL_SYSWM_X11 && !windowManagerRuns(info.info.x11.display);
}

bool osVideoDriverShows(const char* driver, const char* asked)
{
    if (!driver) return false;
    bool invisible = std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0 ||
                     std::strcmp(driver, "evdev") == 0;
    if (!invisible) return true;
    // SDL_VIDEODRIVER may list several drivers, separated by commas.
    for (const char* p = asked; p && *p;) {
        const char* end = std::strchr(p, ',');
        size_t n = end ? static_cast<size_t>(end - p) : std::strlen(p);
        if (n == std::strlen(driver) && strncasecmp(p, driver, n) == 0) return true;
        p = end ? end + 1 : p + n;
    }
    return false;
}

void osShutdown()
{
    osDestroyWindow();
    if (osState.cursor) {
        SDL_FreeCursor(static_cast<SDL_Cursor*>(osState.cursor));
        osState.cursor = nullptr;
    }
    if (osState.sdlVideo) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
        osState.sdlVideo = false;
    }
    osState.initialised = false;
}

void resetOs()
{
    osShutdown();
    osReleaseSingleInstance();
    osState = OsState{};
    resetOsDirs();
    closeSignalled = 0;
}

bool osIsHeadless()
{
    return osState.headless;
}

bool osCreateWindow(const char* title, int width, int height, bool fullscreen)
{
    osState.clientWidth = width > 0 ? width : 800;
    osState.clientHeight = height > 0 ? height : 600;
    osState.fullscreen = fullscreen;
    if (osState.headless) return true;
    if (osState.window) osDestroyWindow();
    // The device renders through OpenGL 3.3 core; the context is created by the device on this
    // window, these attributes only preset what it asks for.
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI;
    SDL_Window* w = createSurfaceWindow(title, flags & ~SDL_WINDOW_OPENGL);
    osState.surfaceWindow = w != nullptr;
    if (!w)
        w = SDL_CreateWindow(title ? title : "", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, osState.clientWidth,
                             osState.clientHeight, flags);
    if (!w && osState.eglAsked) {
        // No EGL for OpenGL here: the window as SDL makes it by default.
        SDL_SetHint(SDL_HINT_VIDEO_X11_FORCE_EGL, "0");
        osState.eglAsked = false;
        w = SDL_CreateWindow(title ? title : "", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, osState.clientWidth,
                             osState.clientHeight, flags);
    }
    if (!w) return false;
    SDL_SetWindowMinimumSize(w, 160, 120);
    // Full screen is set while the window is hidden: SDL's (made when it is shown) where a window
    // manager answers, else the window placed over the display by hand, without SDL's wait.
    if (fullscreen && !placeWithoutWindowManager(w, true)) SDL_SetWindowFullscreen(w, SDL_WINDOW_FULLSCREEN_DESKTOP);
    osState.window = w;
    // The window's size as X has it (SDL learns of a size set by hand only from a later event):
    // the first frames are drawn for it.
    refreshWindowPixels();
    // A second start finds the window through the lock file.
    writeLockOwner();
    return true;
}

void osSetWindowProc(bool (*proc)(const OsMessage& msg))
{
    osState.windowProc = proc;
}

void osShowWindow()
{
    if (osState.window) {
        SDL_Window* w = static_cast<SDL_Window*>(osState.window);
        SDL_ShowWindow(w);
        SDL_RaiseWindow(w);
        if (osState.fullscreen) placeWithoutWindowManager(w, true);
    }
    if (osState.active) return;
    if (!osState.windowProc) {
        setActive(true);
        return;
    }
    osState.active = true;
    OsMessage m;
    m.message = WM_ACTIVATE;
    m.wParam = WA_ACTIVE;
    osState.windowProc(m);
}

void osDestroyWindow()
{
    if (osState.window) {
        SDL_DestroyWindow(static_cast<SDL_Window*>(osState.window));
        osState.window = nullptr;
    }
}

void* osWindowHandle()
{
    return osState.window;
}

void osClientSize(int* width, int* height)
{
    if (width) *width = osState.clientWidth;
    if (height) *height = osState.clientHeight;
}

void osDrawableSize(int* width, int* height)
{
    int w = osState.clientWidth;
    int h = osState.clientHeight;
    if (osState.window) osWindowPixels(osState.window, &w, &h);
    if (width) *width = w;
    if (height) *height = h;
}

void osWindowPixels(void* window, int* width, int* height)
{
    SDL_Window* w = static_cast<SDL_Window*>(window);
    if (w && w == osState.window && osState.windowPixelWidth > 0) {
        *width = osState.windowPixelWidth;
        *height = osState.windowPixelHeight;
        return;
    }
    *width = *height = 0;
    if (w) SDL_GL_GetDrawableSize(w, width, height);
}

void osLetterbox(int drawW, int drawH, int backW, int backH, int* x, int* y, int* w, int* h)
{
    *x = *y = *w = *h = 0;
    if (drawW <= 0 || drawH <= 0 || backW <= 0 || backH <= 0) return;
    // The larger of the two fits that keeps the whole picture inside the drawable.
    long long wideFit = static_cast<long long>(drawW) * backH, tallFit = static_cast<long long>(drawH) * backW;
    if (wideFit <= tallFit) {
        *w = drawW;
        *h = static_cast<int>((static_cast<long long>(drawW) * backH + backW / 2) / backW);
    } else {
        *h = drawH;
        *w = static_cast<int>((static_cast<long long>(drawH) * backW + backH / 2) / backH);
    }
    *x = (drawW - *w) / 2;
    *y = (drawH - *h) / 2;
}

void osPointerToClient(int wx, int wy, int ww, int wh, int dw, int dh, int* cx, int* cy)
{
    int cw = osState.clientWidth;
    int ch = osState.clientHeight;
    if (ww <= 0 || wh <= 0 || dw <= 0 || dh <= 0 || (ww == cw && wh == ch && dw == cw && dh == ch)) {
        *cx = wx;
        *cy = wy;
        return;
    }
    int bx, by, bw, bh;
    osLetterbox(dw, dh, cw, ch, &bx, &by, &bw, &bh);
    if (bw <= 0 || bh <= 0) {
        *cx = wx;
        *cy = wy;
        return;
    }
    // A window position names a whole window pixel: its centre, in drawable pixels, then
    // through the same box the device draws the picture into.
    double px = (wx + 0.5) * dw / ww;
    double py = (wy + 0.5) * dh / wh;
    double x = (px - bx) * cw / bw;
    double y = (py - by) * ch / bh;
    // Floor, so positions left of or above the picture stay negative.
    *cx = static_cast<int>(std::floor(x));
    *cy = static_cast<int>(std::floor(y));
}

void osWindowToClient(int wx, int wy, int ww, int wh, int* cx, int* cy)
{
    osPointerToClient(wx, wy, ww, wh, ww, wh, cx, cy);
}

bool osPeekMessage(OsMessage* out)
{
    if (popMessage(out)) return true;
    if (closeSignalled) {
        closeSignalled = 0;
        out->message = WM_CLOSE;
        out->wParam = 0;
        out->lParam = 0;
        return true;
    }
    if (osState.scriptNext < osState.scriptCount &&
        osState.script[osState.scriptNext].frame <= osState.idlePolls) {
        *out = osState.script[osState.scriptNext++].msg;
        return true;
    }
    if (osState.sdlVideo) {
        SDL_Event e;
        while (osState.queueCount == 0 && SDL_PollEvent(&e)) translateEvent(e);
        if (popMessage(out)) return true;
    }
    if (osState.maxIdlePolls != 0 && osState.idlePolls >= osState.maxIdlePolls && !osState.closeDelivered) {
        osState.closeDelivered = true;
        out->message = WM_CLOSE;
        out->wParam = 0;
        out->lParam = 0;
        return true;
    }
    // Once a frame: the window's real size (a change SDL did not report comes out here).
    if (osState.window) {
        refreshWindowPixels();
        if (popMessage(out)) return true;
    }
    if (osState.idleHook) osState.idleHook(osState.idlePolls, osState.idleHookUser);
    if (osState.fakeClock) osState.fakeNowUs += static_cast<uint64_t>(osState.fakeStepMs) * 1000u;
    osState.idlePolls++;
    return false;
}

bool osPostMessage(const OsMessage& msg)
{
    return pushMessage(msg.message, msg.wParam, msg.lParam);
}

bool osSetScript(const OsScriptStep* steps, int count)
{
    if (count < 0 || count > OS_SCRIPT_SIZE || (count > 0 && !steps)) return false;
    for (int i = 1; i < count; i++)
        if (steps[i].frame < steps[i - 1].frame) return false;
    for (int i = 0; i < count; i++) osState.script[i] = steps[i];
    osState.scriptCount = count;
    osState.scriptNext = 0;
    return true;
}

void osSetMaxIdlePolls(uint32_t polls)
{
    osState.maxIdlePolls = polls;
    osState.closeDelivered = false;
}

void osSetIdleHook(void (*hook)(uint32_t, void*), void* user)
{
    osState.idleHook = hook;
    osState.idleHookUser = user;
}

void osCatchCloseSignals()
{
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = onCloseSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
}

int osVirtualKey(SDL_Keycode key)
{
    if (key >= 'a' && key <= 'z') return key - 'a' + 0x41;
    if (key >= '0' && key <= '9') return key;
    if (key >= SDLK_F1 && key <= SDLK_F12) return VK_F1 + (key - SDLK_F1);
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return VK_NUMPAD0 + 1 + (key - SDLK_KP_1);
    switch (key) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        return VK_RETURN;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_UP: return VK_UP;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_END: return VK_END;
    case SDLK_HOME: return VK_HOME;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_INSERT: return VK_INSERT;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_PAGEDOWN: return VK_NEXT;
    case SDLK_PAUSE: return VK_PAUSE;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
        return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
        return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT:
        return VK_MENU;
    case SDLK_KP_0: return VK_NUMPAD0;
    default: return 0;
    }
}

uint64_t osMonotonicUs()
{
    return osState.fakeClock ? osState.fakeNowUs : monotonicUs();
}

uint32_t timeGetTime()
{
    return static_cast<uint32_t>(osMonotonicUs() / 1000u);
}

void osSleepUs(uint64_t us)
{
    if (us == 0) return;
    osState.sleptUs += us;
    osState.sleeps++;
    if (osState.fakeClock) {
        osState.fakeNowUs += us;
        return;
    }
    sleepRealUs(us);
}

void osSleep(uint32_t ms)
{
    osState.sleptMs += ms;
    osSleepUs(static_cast<uint64_t>(ms) * 1000u);
}

void osWaitMessage()
{
    osState.waits++;
    if (osState.queueCount > 0 || closeSignalled) return;
    if (osState.sdlVideo) {
        // Blocks in the window system until something happens; a close signal is noticed within
        // a quarter of a second (SDL's wait is not interrupted by our signal handler).
        SDL_Event e;
        while (osState.queueCount == 0 && !closeSignalled) {
            if (SDL_WaitEventTimeout(&e, 250)) translateEvent(e);
        }
        return;
    }
    if (osState.fakeClock || osState.scriptCount > 0) return;
    sleepRealUs(HEADLESS_WAIT_US);
}

bool osWindowMinimised()
{
    return osState.minimised;
}

int osRefreshRate()
{
    if (!osState.sdlVideo) return 60;
    int display = osState.window ? SDL_GetWindowDisplayIndex(static_cast<SDL_Window*>(osState.window)) : 0;
    SDL_DisplayMode mode;
    if (display < 0 || SDL_GetCurrentDisplayMode(display, &mode) != 0 || mode.refresh_rate <= 0) return 60;
    return mode.refresh_rate;
}

void osSetFullscreen(bool fullscreen)
{
    osState.fullscreen = fullscreen;
    if (!osState.window) return;
    SDL_Window* w = static_cast<SDL_Window*>(osState.window);
    if (!placeWithoutWindowManager(w, fullscreen)) {
        SDL_SetWindowFullscreen(w, fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
        if (!fullscreen) SDL_SetWindowPosition(w, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    }
    refreshWindowPixels();
}

void osKeyEvent(int vk, bool down, bool repeat)
{
    if (vk == VK_MENU) osState.altDown = down;
    if (vk == VK_F12) {
        // The screenshot key only takes a screenshot: the game never sees it.
        if (down && !repeat) osState.screenshotPresses++;
        return;
    }
    if (vk == VK_F11 || (vk == VK_RETURN && osState.altDown)) {
        if (down && !repeat) osState.fullscreenToggles++;
        return;
    }
    // lParam bit 30: the key was already down (auto-repeat), bit 31: released.
    uint32_t lp = 1u | (repeat ? (1u << 30) : 0u) | (!down ? (3u << 30) : 0u);
    pushMessage(down ? WM_KEYDOWN : WM_KEYUP, static_cast<uint32_t>(vk), lp);
}

bool osTakeScreenshotRequest()
{
    if (osState.screenshotPresses == 0) return false;
    osState.screenshotPresses--;
    return true;
}

bool osTakeWindowExposed()
{
    bool exposed = osState.exposed;
    osState.exposed = false;
    return exposed;
}

bool osTakeFullscreenToggle()
{
    if (osState.fullscreenToggles == 0) return false;
    osState.fullscreenToggles--;
    return true;
}

bool osExecutableDir(char* out, int capacity)
{
    if (!out || capacity <= 1) return false;
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return false;
    path[n] = 0;
    char* slash = std::strrchr(path, '/');
    if (!slash) return false;
    if (slash == path) slash++;  // the program lives in the root folder
    *slash = 0;
    if (static_cast<int>(std::strlen(path)) >= capacity) return false;
    std::memcpy(out, path, std::strlen(path) + 1);
    return true;
}

void osUseFakeClock(uint32_t start, uint32_t stepMs)
{
    osState.fakeClock = true;
    osState.fakeNowUs = static_cast<uint64_t>(start) * 1000u;
    osState.fakeStepMs = stepMs;
}

void osAdvanceFakeClock(uint32_t ms)
{
    osState.fakeNowUs += static_cast<uint64_t>(ms) * 1000u;
}

bool osAcquireSingleInstance(const char* name)
{
    if (osState.lockFd >= 0) return true;
    osState.lockOwnerPid = 0;
    osState.lockOwnerWindow = 0;
    const char* base = name && name[0] ? name : "instance";
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat st;
    int n;
    if (osState.lockDir[0])
        n = std::snprintf(osState.lockPath, sizeof osState.lockPath, "%.*s/%s.lock", PATH_MAX - 64, osState.lockDir, base);
    else if (runtime && runtime[0] == '/' && stat(runtime, &st) == 0 && S_ISDIR(st.st_mode))
        n = std::snprintf(osState.lockPath, sizeof osState.lockPath, "%.*s/%s.lock", PATH_MAX - 64, runtime, base);
    else
        n = std::snprintf(osState.lockPath, sizeof osState.lockPath, "/tmp/%s-%u.lock", base,
                          static_cast<unsigned>(getuid()));
    // A folder too long for a path: no lock can be made there, which does not stop the game.
    if (n < 0 || n >= static_cast<int>(sizeof osState.lockPath)) return true;
    int fd = open(osState.lockPath, O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return true;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        // The holder's line: who it is and where its window is.
        char text[64] = {};
        ssize_t got = pread(fd, text, sizeof text - 1, 0);
        if (got > 0) osParseLockOwner(text, &osState.lockOwnerPid, &osState.lockOwnerWindow);
        close(fd);
        return false;
    }
    osState.lockFd = fd;
    writeLockOwner();
    return true;
}

void osReleaseSingleInstance()
{
    if (osState.lockFd >= 0) {
        flock(osState.lockFd, LOCK_UN);
        close(osState.lockFd);
        osState.lockFd = -1;
    }
}

void osLockNameFor(const char* base, const char* folder, char* out, int capacity)
{
    if (!out || capacity <= 0) return;
    // FNV-1a, 64 bits: names differ for every folder a player will have.
    uint64_t hash = 0xcbf29ce484222325ull;
    for (const char* p = folder ? folder : ""; *p; p++) {
        hash ^= static_cast<unsigned char>(*p);
        hash *= 0x100000001b3ull;
    }
    std::snprintf(out, static_cast<size_t>(capacity), "%s-%016llx", base ? base : "",
                  static_cast<unsigned long long>(hash));
}

bool osParseLockOwner(const char* text, long* pid, unsigned long* window)
{
    if (!text) return false;
    char* end = nullptr;
    errno = 0;
    long p = std::strtol(text, &end, 10);
    if (end == text || errno != 0 || p <= 0 || *end != ' ') return false;
    const char* w = end + 1;
    if (*w < '0' || *w > '9') return false;
    unsigned long id = std::strtoul(w, &end, 10);
    if (errno != 0 || (*end != '\n' && *end != 0)) return false;
    *pid = p;
    *window = id;
    return true;
}

OsRaiseResult osRaiseRunningCopy()
{
    const char* driver = osState.sdlVideo ? SDL_GetCurrentVideoDriver() : nullptr;
    if (!driver || std::strcmp(driver, "x11") != 0) return OsRaiseResult::NotPossible;
    if (osState.lockOwnerWindow == 0 || osState.lockOwnerPid <= 0) return OsRaiseResult::NoWindow;
    Display* display = XOpenDisplay(nullptr);
    if (!display) return OsRaiseResult::NotPossible;
    // The id comes from a file: a window that is gone (or never was) is an X error, which Xlib's
    // default handler answers by ending the program.
    xErrors = 0;
    XErrorHandler previous = XSetErrorHandler(countXError);
    Window window = static_cast<Window>(osState.lockOwnerWindow);
    bool ours = false;
    Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &items, &after,
                           &data) == Success &&
        xErrors == 0 && data && items == 1 && format == 32)
        ours = static_cast<long>(*reinterpret_cast<unsigned long*>(data)) == osState.lockOwnerPid;
    if (data) XFree(data);
    OsRaiseResult result = OsRaiseResult::NoWindow;
    if (ours) {
        if (windowManagerRuns(display)) {
            // The window manager decides: a request as a pager sends it (the player asked).
            XEvent e;
            std::memset(&e, 0, sizeof e);
            e.xclient.type = ClientMessage;
            e.xclient.window = window;
            e.xclient.message_type = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
            e.xclient.format = 32;
            e.xclient.data.l[0] = 2;
            e.xclient.data.l[1] = CurrentTime;
            XSendEvent(display, DefaultRootWindow(display), False,
                       SubstructureRedirectMask | SubstructureNotifyMask, &e);
        } else {
            // Nobody else will: shown, on top and with the keyboard.
            XMapRaised(display, window);
            XSync(display, False);
            XSetInputFocus(display, window, RevertToParent, CurrentTime);
        }
        XSync(display, False);
        if (xErrors == 0) result = OsRaiseResult::Raised;
    }
    XSetErrorHandler(previous);
    XCloseDisplay(display);
    return result;
}

void osSetArrowCursor()
{
    if (!osState.sdlVideo) return;
    SDL_SetCursor(SDL_GetDefaultCursor());
    if (osState.cursor) {
        SDL_FreeCursor(static_cast<SDL_Cursor*>(osState.cursor));
        osState.cursor = nullptr;
    }
}

bool osSetWindowIcon(const uint8_t* rgba, int width, int height)
{
    if (!osState.sdlVideo || !osState.window || !rgba || width <= 0 || height <= 0 || width > 256 || height > 256)
        return false;
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint8_t*>(rgba), width, height, 32,
                                                        width * 4, SDL_PIXELFORMAT_RGBA32);
    if (!s) return false;
    SDL_SetWindowIcon(static_cast<SDL_Window*>(osState.window), s);
    SDL_FreeSurface(s);
    return true;
}

bool osSetColorCursor(const uint8_t* rgba, int width, int height, int hotX, int hotY)
{
    if (!osState.sdlVideo || !rgba || width <= 0 || height <= 0 || width > 256 || height > 256) return false;
    if (hotX < 0 || hotY < 0 || hotX >= width || hotY >= height) return false;
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint8_t*>(rgba), width, height, 32,
                                                        width * 4, SDL_PIXELFORMAT_RGBA32);
    if (!s) return false;
    SDL_Cursor* c = SDL_CreateColorCursor(s, hotX, hotY);
    SDL_FreeSurface(s);
    if (!c) return false;
    SDL_SetCursor(c);
    if (osState.cursor) SDL_FreeCursor(static_cast<SDL_Cursor*>(osState.cursor));
    osState.cursor = c;
    return true;
}
