// Fuzz target: a font's metrics file ("<name>.dat", as "font.dat"). The input is the whole file in
// a buffer of exactly its size. An accepted file gives a grid with columns and rows, cell sizes
// inside (0, 1], and every code unit it names a cell inside the 1024 entries and a finite
// advance; a refused one leaves the font as it was.
#include "ui/font.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 16)) return 0;
    std::vector<uint8_t> buffer(data, data + size);
    static BitmapFont font;
    font.cols = -7;  // a marker a refused file must leave alone
    FontMetricsStatus status = buildFontMetrics(font, buffer.data(), static_cast<int32_t>(buffer.size()), 1.0f, 1.0f);
    if (status != FontMetricsStatus::Ok) {
        if (font.cols != -7) std::abort();
        return 0;
    }
    if (size < static_cast<size_t>(FONT_METRICS_SIZE)) std::abort();
    if (font.cols < 1 || font.rows < 1) std::abort();
    if (!(font.cellU > 0.0f && font.cellU <= 1.0f) || !(font.cellV > 0.0f && font.cellV <= 1.0f)) std::abort();
    for (int i = 0; i < FONT_GLYPH_ENTRIES; i++) {
        uint16_t u = static_cast<uint16_t>(data[8 + i * 4 + 2] | data[8 + i * 4 + 3] << 8);
        if (font.cell[u] >= FONT_GLYPH_ENTRIES || !std::isfinite(font.advance[u]) || font.advance[u] < 0.0f) std::abort();
    }
    return 0;
}
