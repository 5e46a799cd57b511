// Fuzz target: the backdrop scene reader. The input is a "level<n>.lev" file, read against a
// catalogue whose names include those of the seed scenes. Every object kept must name a
// catalogue entry and hold finite numbers, and the texture rectangles and swings computed from
// them must be finite too.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "effects/backdrops.h"

namespace {

const char CATALOGUE[] =
    "[skies/]\nsky_day = sky_day.tga\nsky_dusk = sky_dusk.tga\n[/skies]\n"
    "[water/]\nwater_day = water_day.tga\nwaterfall_sheet = waterfall_sheet.tga\nspray_foam = spray_foam.tga\n[/water]\n"
    "[plants/]\nleaves1_oak = leaves_oak.tga\nleaves2_birch = leaves_birch.tga\nleaves_willow = leaves_willow.tga\n"
    "tuft_grass = tuft_grass.tga\n[/plants]\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20)) return 0;
    static bool ready = false;
    if (!ready) {
        backdrop.meshHooks = BackdropMeshHooks{nullptr, nullptr};
        parseCatalogue(CATALOGUE, static_cast<int32_t>(std::strlen(CATALOGUE)));
        ready = true;
    }
    // A copy of exactly the input, so that any read past it is caught.
    uint8_t* bytes = static_cast<uint8_t*>(std::malloc(size ? size : 1));
    if (size) std::memcpy(bytes, data, size);
    parseScene(bytes, static_cast<int32_t>(size));
    if (backdrop.objectCount < 0 || backdrop.objectCount > SCENE_CAPACITY) std::abort();
    for (int i = 0; i < backdrop.objectCount; ++i) {
        const PlacedObject& o = backdrop.objects[i];
        if (o.object < 0 || o.object >= backdrop.catalogueCount) std::abort();
        const float v[7] = {o.rect.left, o.rect.top, o.rect.right, o.rect.bottom, o.angle, o.scrollX, o.scrollY};
        for (float x : v)
            if (!std::isfinite(x)) std::abort();
        Rect uv = backdropObjectUv(o, nullptr, 123456789.0);
        if (!std::isfinite(uv.left) || !std::isfinite(uv.right) || !std::isfinite(uv.top) || !std::isfinite(uv.bottom))
            std::abort();
        if (!std::isfinite(leavesSwing(backdrop.catalogue[o.object].name, 1000.0f))) std::abort();
    }
    std::free(bytes);
    return 0;
}
