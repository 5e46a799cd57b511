// Frame-to-frame damage: see damage.h.
#include "platform/gpu/damage.h"

#include <cstring>

namespace {

int64_t area(const DamageRect& r) { return damageEmpty(r) ? 0 : int64_t(r.x1 - r.x0) * (r.y1 - r.y0); }

void makeWhole(Damage& d, int width, int height)
{
    d.count = 1;
    d.whole = true;
    d.rects[0] = {0, 0, width, height};
}

// Damages the boxes of items[from, to).
void addItems(Damage& d, const DamageItem* items, int from, int to, int width, int height)
{
    for (int i = from; i < to && !d.whole; ++i) damageAdd(d, items[i].box, width, height);
}

}  // namespace

bool damageEmpty(const DamageRect& r) { return r.x1 <= r.x0 || r.y1 <= r.y0; }

DamageRect damageUnite(const DamageRect& a, const DamageRect& b)
{
    if (damageEmpty(a)) return b;
    if (damageEmpty(b)) return a;
    return {a.x0 < b.x0 ? a.x0 : b.x0, a.y0 < b.y0 ? a.y0 : b.y0, a.x1 > b.x1 ? a.x1 : b.x1, a.y1 > b.y1 ? a.y1 : b.y1};
}

bool damageIntersects(const DamageRect& a, const DamageRect& b)
{
    return a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1;
}

void damageAdd(Damage& d, DamageRect r, int width, int height)
{
    if (d.whole) return;
    if (r.x0 < 0) r.x0 = 0;
    if (r.y0 < 0) r.y0 = 0;
    if (r.x1 > width) r.x1 = width;
    if (r.y1 > height) r.y1 = height;
    if (damageEmpty(r)) return;
    // Join a rectangle when their union costs hardly more than the two apart, again after each
    // growth; rectangles that merely overlap stay apart (each is drawn whole, the overlap twice).
    bool grew = true;
    while (grew) {
        grew = false;
        for (int i = 0; i < d.count; ++i) {
            DamageRect u = damageUnite(r, d.rects[i]);
            if (area(u) > area(r) + area(d.rects[i]) + DAMAGE_JOIN_SLACK) continue;
            r = u;
            d.rects[i] = d.rects[--d.count];
            grew = true;
            break;
        }
    }
    if (d.count == DAMAGE_MAX_RECTS) {
        // Full: join it to the rectangle whose union with it adds the fewest pixels.
        int best = 0;
        int64_t bestGrowth = 0;
        for (int i = 0; i < d.count; ++i) {
            int64_t growth = area(damageUnite(d.rects[i], r)) - area(d.rects[i]) - area(r);
            if (i == 0 || growth < bestGrowth) {
                bestGrowth = growth;
                best = i;
            }
        }
        DamageRect joined = damageUnite(d.rects[best], r);
        d.rects[best] = d.rects[--d.count];
        damageAdd(d, joined, width, height);
        return;
    }
    d.rects[d.count++] = r;
    if (damageArea(d) > static_cast<int64_t>(DAMAGE_WHOLE_SHARE * float(width) * float(height))) makeWhole(d, width, height);
}

int64_t damageArea(const Damage& d)
{
    int64_t sum = 0;
    for (int i = 0; i < d.count; ++i) sum += area(d.rects[i]);
    return sum;
}

Damage damageBetween(const DamageItem* previous, int previousCount, const DamageItem* current, int currentCount,
                     int width, int height)
{
    Damage d = {};
    int i = 0, j = 0;
    while (i < previousCount && j < currentCount && !d.whole) {
        if (previous[i].hash == current[j].hash) {
            ++i;
            ++j;
            continue;
        }
        // The nearest place where the lists agree again: commands removed from the previous
        // frame, or added in this one.
        int removed = 0, added = 0;
        for (int k = 1; k <= DAMAGE_LOOKAHEAD && !removed && !added; ++k) {
            if (i + k < previousCount && previous[i + k].hash == current[j].hash) removed = k;
            else if (j + k < currentCount && previous[i].hash == current[j + k].hash) added = k;
        }
        if (removed) {
            addItems(d, previous, i, i + removed, width, height);
            i += removed;
        } else if (added) {
            addItems(d, current, j, j + added, width, height);
            j += added;
        } else {
            // Changed in place.
            damageAdd(d, previous[i++].box, width, height);
            damageAdd(d, current[j++].box, width, height);
        }
    }
    addItems(d, previous, i, previousCount, width, height);
    addItems(d, current, j, currentCount, width, height);
    return d;
}

uint64_t damageHash(const void* bytes, size_t size, uint64_t seed)
{
    uint64_t h = seed ^ 0xcbf29ce484222325ull;
    const unsigned char* p = static_cast<const unsigned char*>(bytes);
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        uint64_t w;
        std::memcpy(&w, p + i, 8);
        h = (h ^ w) * 0x100000001b3ull;
        h ^= h >> 29;
    }
    for (; i < size; ++i) h = (h ^ p[i]) * 0x100000001b3ull;
    h ^= h >> 32;
    return h;
}
