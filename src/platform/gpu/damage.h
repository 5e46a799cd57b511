#pragma once
// What changed between two frames, from the lists of what each frame drew.
//
// The GL device records a frame's clears and draws (each with its state and vertices) instead of
// drawing them at once. At present it compares the list with the previous frame's: a pixel that
// no changed, added or removed command touches is given the same operations in the same order
// as last frame, from the same starting content, so it comes out the same; only the rectangles
// the differing commands cover need drawing again (the rest of the frame is kept). The frame
// must begin with a clear of the whole picture, so that drawing it twice over itself gives what
// drawing it once gives.
#include <cstddef>
#include <cstdint>

// A rectangle of target pixels, [x0, x1) x [y0, y1), in the target's own row order.
struct DamageRect {
    int x0, y0, x1, y1;
};

// One command of a frame: everything that decides its pixels folded into a hash, and the
// rectangle it can touch.
struct DamageItem {
    uint64_t hash;
    DamageRect box;
};

constexpr int DAMAGE_MAX_RECTS = 8;
// Two rectangles are joined when their bounding box has at most this many pixels more than the
// two together.
constexpr int64_t DAMAGE_JOIN_SLACK = 2048;
// A frame whose redrawn rectangles would cover more than this share of the target is drawn whole
// (the merged rectangles then cost about as much as the whole, with more work to set up).
constexpr float DAMAGE_WHOLE_SHARE = 0.6f;
// How far apart two lists are searched for the same command again after a difference.
constexpr int DAMAGE_LOOKAHEAD = 48;

struct Damage {
    DamageRect rects[DAMAGE_MAX_RECTS];
    int count;   // 0: nothing changed
    bool whole;  // draw the whole frame again (rects then holds the whole target)
};

bool damageEmpty(const DamageRect& r);
bool damageIntersects(const DamageRect& a, const DamageRect& b);
// The bounding box of both (an empty one adds nothing).
DamageRect damageUnite(const DamageRect& a, const DamageRect& b);
// Adds a rectangle (clipped to the target) to the damage, joining it with another when that costs
// few pixels, and so that at most DAMAGE_MAX_RECTS remain (then with the one whose union grows
// least). Rectangles may overlap: the frame begins with a clear, so drawing a pixel twice over
// gives the same picture.
void damageAdd(Damage& d, DamageRect r, int width, int height);
// The damage between the previous frame's commands and this frame's, on a target of
// width x height pixels. Commands equal in both frames (same hash, in the same order, allowing
// for commands added or removed between them) cost nothing; every other command's rectangle,
// in either frame, is damaged.
Damage damageBetween(const DamageItem* previous, int previousCount, const DamageItem* current, int currentCount,
                     int width, int height);
// Pixels the damage's rectangles draw (an overlap counted once for each).
int64_t damageArea(const Damage& d);

// FNV-style 64-bit hash of bytes, continued from seed (a well-mixed start for seed 0).
uint64_t damageHash(const void* bytes, size_t size, uint64_t seed);
