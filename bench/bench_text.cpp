// CPU cost of text drawing on the headless device: one line of 64 glyphs, wrapping a paragraph,
// and one frame of the floating messages with every ring full (16 pop-up texts, 256 flying
// letters, the status message). Each reports the glyph quads it submitted per iteration.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "core/appstate.h"
#include "graphics/device.h"
#include "graphics/draw.h"
#include "graphics/textures.h"
#include "ui/font.h"
#include "ui/messages.h"

namespace {

// A font of 256 cells (ASCII and Cyrillic) on a blank texture, without files.
void setUpFont()
{
    resetAppState();
    releaseAllTextures();
    resetDeviceState();
    resetDrawState();
    resetTextState();
    resetMessages();
    createDevice(nullptr);
    begin2D();
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
}

const char16_t* kLine = u"Level complete! Score 123,456 - time left 01:23 - Уровень пройден";

void BM_DrawTextLine(benchmark::State& state)
{
    setUpFont();
    int glyphs = 0;
    for (auto _ : state) {
        int before = app.triangleCount;
        drawText(-380, 0, 14, kLine);
        glyphs = (app.triangleCount - before) / 2;
        app.triangleCount = 0;
    }
    state.counters["glyphs"] = glyphs;
}
BENCHMARK(BM_DrawTextLine);

void BM_DrawTextCentredLine(benchmark::State& state)
{
    setUpFont();
    for (auto _ : state) {
        drawTextCentred(0, 0, 14, kLine);
        app.triangleCount = 0;
    }
}
BENCHMARK(BM_DrawTextCentredLine);

void BM_WrapParagraph(benchmark::State& state)
{
    setUpFont();
    std::u16string text;
    while (text.size() < 400) text += u"A tip about the candle and the squares, in a message box. ";
    float h = 0;
    for (auto _ : state) {
        h = wrapText(340, text.c_str(), 12);
        benchmark::DoNotOptimize(h);
    }
    state.counters["lines"] = h / (1.8f * 12);
}
BENCHMARK(BM_WrapParagraph);

// One frame of all three kinds with the rings full; refilled whenever they run out.
void BM_FloatingMessagesFrame(benchmark::State& state)
{
    setUpFont();
    app.frameMs = 16.0f;
    auto refill = [] {
        showStatusMessage(u"Cheat keys enabled");
        for (int i = 0; i < POPUP_SLOTS; ++i) addPopupText(u"Bonus 250", -300.0f + i * 40, 0, 18, 3000);
        for (int i = 0; i < FLYING_LETTER_SLOTS / 8; ++i) spawnFlyingLetters(u"COMBO x5", 0, 100, 20, 1200);
    };
    refill();
    int frames = 0, glyphs = 0;
    for (auto _ : state) {
        int before = app.triangleCount;
        drawStatusMessage();
        drawPopupTexts();
        drawFlyingLetters();
        glyphs += (app.triangleCount - before) / 2;
        app.triangleCount = 0;
        app.globalTimeMs += app.frameMs;
        if (++frames % 100 == 0) refill();
    }
    state.counters["glyphs/frame"] = benchmark::Counter(glyphs, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_FloatingMessagesFrame);

}  // namespace

BENCHMARK_MAIN();
