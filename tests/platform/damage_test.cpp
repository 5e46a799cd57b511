// Frame-to-frame damage: which rectangles differ between two frames' command lists, and how the
// rectangles are merged (the GL device's use of it: gpu_test.cpp).
#include "platform/gpu/damage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

DamageItem item(uint64_t hash, int x0, int y0, int x1, int y1) { return {hash, {x0, y0, x1, y1}}; }

bool covers(const Damage& d, int x, int y)
{
    for (int i = 0; i < d.count; ++i)
        if (x >= d.rects[i].x0 && x < d.rects[i].x1 && y >= d.rects[i].y0 && y < d.rects[i].y1) return true;
    return false;
}

TEST(Damage, EqualListsHaveNoneAndAChangeDamagesItsOldAndNewPlace)
{
    std::vector<DamageItem> a = {item(1, 0, 0, 800, 600), item(2, 10, 10, 20, 20), item(3, 500, 500, 520, 520)};
    Damage same = damageBetween(a.data(), 3, a.data(), 3, 800, 600);
    EXPECT_EQ(same.count, 0);
    // The middle command moved: both its places are damaged, nothing else.
    std::vector<DamageItem> b = a;
    b[1] = item(7, 100, 100, 110, 110);
    Damage moved = damageBetween(a.data(), 3, b.data(), 3, 800, 600);
    EXPECT_FALSE(moved.whole);
    EXPECT_TRUE(covers(moved, 15, 15));
    EXPECT_TRUE(covers(moved, 105, 105));
    EXPECT_FALSE(covers(moved, 510, 510));
    EXPECT_FALSE(covers(moved, 60, 60));
    EXPECT_EQ(damageArea(moved), 200);
}

TEST(Damage, AddedAndRemovedCommandsKeepTheRestAligned)
{
    std::vector<DamageItem> a, b;
    for (int i = 0; i < 20; ++i) a.push_back(item(100 + i, i * 30, 0, i * 30 + 10, 10));
    b = a;
    // A command added after the 5th and the 12th removed: only their rectangles are damaged,
    // the commands after them are found again further along.
    b.insert(b.begin() + 5, item(999, 400, 400, 420, 420));
    b.erase(b.begin() + 13);
    Damage d = damageBetween(a.data(), int(a.size()), b.data(), int(b.size()), 800, 600);
    EXPECT_TRUE(covers(d, 405, 405));
    EXPECT_TRUE(covers(d, 12 * 30 + 5, 5));
    for (int i = 0; i < 20; ++i)
        if (i != 12) {
            EXPECT_FALSE(covers(d, i * 30 + 5, 5)) << i;
        }
    // Everything after the lists' common part counts, in either list.
    std::vector<DamageItem> shorter(a.begin(), a.begin() + 18);
    Damage tail = damageBetween(a.data(), 20, shorter.data(), 18, 800, 600);
    EXPECT_TRUE(covers(tail, 18 * 30 + 5, 5));
    EXPECT_TRUE(covers(tail, 19 * 30 + 5, 5));
    EXPECT_FALSE(covers(tail, 17 * 30 + 5, 5));
}

TEST(Damage, RectanglesJoinWhenCheapStayFewAndBecomeWholePastTheShare)
{
    Damage d = {};
    damageAdd(d, {-50, -50, 10, 10}, 800, 600);  // clipped to the target
    EXPECT_EQ(d.rects[0].x0, 0);
    EXPECT_EQ(damageArea(d), 100);
    damageAdd(d, {5, 5, 30, 30}, 800, 600);  // overlaps: one rectangle costs little more
    EXPECT_EQ(d.count, 1);
    // Two long strips crossing at a corner stay apart: their bounding box would be far larger.
    Damage cross = {};
    damageAdd(cross, {0, 0, 800, 100}, 800, 600);
    damageAdd(cross, {0, 90, 100, 600}, 800, 600);
    EXPECT_EQ(cross.count, 2);
    EXPECT_EQ(damageArea(cross), 800 * 100 + 100 * 510);
    damageAdd(d, {0, 0, 0, 10}, 800, 600);  // empty: nothing
    EXPECT_EQ(d.count, 1);
    // More separate rectangles than the limit: still covering every one.
    std::mt19937 rng(5);
    std::vector<DamageRect> added;
    for (int i = 0; i < 40; ++i) {
        int x = int(rng() % 760), y = int(rng() % 560);
        DamageRect r = {x, y, x + 1 + int(rng() % 30), y + 1 + int(rng() % 30)};
        added.push_back(r);
        damageAdd(d, r, 800, 600);
        ASSERT_LE(d.count, DAMAGE_MAX_RECTS);
    }
    for (const DamageRect& r : added) {
        EXPECT_TRUE(covers(d, r.x0, r.y0));
        EXPECT_TRUE(covers(d, r.x1 - 1, r.y1 - 1));
    }
    Damage big = {};
    damageAdd(big, {0, 0, 800, 200}, 800, 600);
    EXPECT_FALSE(big.whole);
    damageAdd(big, {0, 300, 800, 600}, 800, 600);
    EXPECT_TRUE(big.whole);
    EXPECT_EQ(damageArea(big), 800 * 600);
}

TEST(Damage, HashSeesEveryByte)
{
    unsigned char bytes[37] = {};
    uint64_t base = damageHash(bytes, sizeof bytes, 0);
    for (size_t i = 0; i < sizeof bytes; ++i) {
        bytes[i] = 1;
        EXPECT_NE(damageHash(bytes, sizeof bytes, 0), base) << i;
        bytes[i] = 0;
    }
    EXPECT_NE(damageHash(bytes, sizeof bytes, 1), base);
}

}  // namespace
