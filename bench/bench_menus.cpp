// CPU cost of one front-end frame with a dialog open, on the headless device: the menu screen's
// render with the standard dialog of eight buttons, and with the yes/no message box. Each
// reports the draw calls it submitted and the triangles per frame. The pictures are blank
// textures of the data set's sizes and the font a blank 256-cell one, so no files are read.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "app/screens.h"
#include "screen_frames.h"
#include "core/appstate.h"
#include "graphics/device.h"
#include "graphics/draw.h"
#include "graphics/textures.h"
#include "menus/menus.h"
#include "platform/gpu/gpu.h"
#include "resources/texts.h"
#include "ui/font.h"
#include "ui/messages.h"

namespace {

void setUp()
{
    resetAppState();
    releaseAllTextures();
    resetDeviceState();
    resetDrawState();
    resetTextState();
    resetMessages();
    resetScreens();
    resetTextTables();
    resetMenus();
    createDevice(nullptr);
    std::vector<uint8_t> m(FONT_METRICS_SIZE, 0);
    auto put16 = [&](size_t at, int v) {
        m[at] = uint8_t(v);
        m[at + 1] = uint8_t(v >> 8);
    };
    put16(0, 512);
    put16(2, 512);
    put16(4, 16);
    for (int i = 0; i < 256; ++i) {
        int code = i < 96 ? 32 + i : 0x0410 + (i - 96) % 64;
        put16(8 + size_t(i) * 4, 20 + i % 12);
        put16(8 + size_t(i) * 4 + 2, code);
    }
    BitmapFont& f = textState.fonts[0];
    buildFontMetrics(f, m.data(), int32_t(m.size()), 1.0f, 1.0f);
    f.texture = createTexture("benchfont", 512, 512, GpuFormat::A8R8G8B8, false);
    textState.fontCount = 1;
    textState.glowTexture = f.texture;
    panels.atlas = createTexture("_a_menutex.jpg", 256, 512, GpuFormat::A8R8G8B8, false);
    panels.fill = createTexture("white.jpg", 256, 128, GpuFormat::X8R8G8B8, false);
    panels.button = createTexture("button.tga", 128, 64, GpuFormat::A8R8G8B8, false);
    const std::u16string texts = u"\uFEFFadventure=Adventure\r\ntimeless=Timeless\r\npuzzle=Puzzle\r\n"
                                 u"options=Options\r\nhiscore=High scores\r\ntrophyroom=Trophy room\r\n"
                                 u"credits=Credits\r\nexit=Exit\r\nyes=Yes\r\nno=No\r\n"
                                 u"quit=Leave Ostrimar already? The treasures will wait for you.\r\n";
    parseTextData(reinterpret_cast<const uint8_t*>(texts.data()), int32_t(texts.size() * 2));
    const std::u16string tree = u"\uFEFFmain=\r\nmain\r\nbenchmenu\r\n\r\nbenchmenu=\r\nadventure\r\ntimeless\r\n"
                                u"puzzle\r\noptions\r\nhiscore\r\ntrophyroom\r\ncredits\r\nexit\r\n\r\n"
                                u"messageboxyn=\r\nyes\r\nno\r\n\r\n";
    buildMenuTree(reinterpret_cast<const uint8_t*>(tree.data()), int32_t(tree.size() * 2));
    screens.currentScreen = &screens.menu;
    app.frameMs = 16.0f;
    app.mouseX = 200;
    app.mouseY = 250;
}

void runFrames(benchmark::State& state)
{
    for (int i = 0; i < 30; i++) screens.menu.render();  // past the opening animation
    measureScreenFrames(state, screens.menu, [] {});
}

void BM_MenuFrameStandardDialog(benchmark::State& state)
{
    setUp();
    openDialog("benchmenu");
    runFrames(state);
}
BENCHMARK(BM_MenuFrameStandardDialog)->Unit(benchmark::kMicrosecond);

void BM_MenuFrameMessageBox(benchmark::State& state)
{
    setUp();
    openDialog("benchmenu");
    for (int i = 0; i < 30; i++) screens.menu.render();
    showMessageBox("quit", false);
    runFrames(state);
}
BENCHMARK(BM_MenuFrameMessageBox)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
