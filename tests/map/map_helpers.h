#pragma once
// Shared pieces of the map tests: a path file built in memory, and a fixture with a fresh map
// on a straight path (141 points 20 apart along y = 500, 2800 long, so stage s sits at x = 200 s)
// and one profile in adventure mode.
#include "sound_probe.h"
#include "audio/audio.h"
#include "core/appstate.h"
#include "core/requestlog.h"
#include "effects/effects.h"
#include "map/map.h"
#include "map/mapdraw.h"
#include "map/stagepicture.h"
#include "persist/profile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

// The bytes of a path file: count, length, n points from at(i), and the 40 spare bytes.
inline std::vector<uint8_t> splineBytes(int n, float length, const std::function<Vec2(int)>& at)
{
    std::vector<uint8_t> out;
    auto word = [&out](uint32_t w) {
        for (int i = 0; i < 4; ++i) out.push_back(uint8_t(w >> (8 * i)));
    };
    auto flt = [&word](float f) {
        uint32_t w;
        std::memcpy(&w, &f, 4);
        word(w);
    };
    word(uint32_t(n));
    flt(length);
    for (int i = 0; i < n; ++i) {
        Vec2 p = at(i);
        flt(p.x);
        flt(p.y);
    }
    for (int i = 0; i < 10; ++i) word(0);
    return out;
}

class MapTest : public testing::Test {
protected:
    void SetUp() override
    {
        resetAppState();
        resetAudio();
        registerGameSounds();
        clearRequests();
        resetProfiles();
        ASSERT_TRUE(createProfile("Ann"));
        setProfileMode(0);
        resetMap();
        // The map's two effects, with their default values (only their starts are counted).
        resetEffects();
        ASSERT_GE(addEffect("map01", ""), 0);
        ASSERT_GE(addEffect("map02", ""), 0);
        std::vector<uint8_t> bytes = splineBytes(141, 2800.0f, [](int i) { return Vec2{20.0f * i, 500.0f}; });
        ASSERT_EQ(parseMapPath(bytes.data(), int32_t(bytes.size()), mapState.path), MapPathStatus::Ok);
        deriveMapPoints();
    }
    void TearDown() override
    {
        resetMap();
        resetEffects();
    }
    int starts(const char* effect) { return effectStarts(effect); }
    void run(int frames, float dt)
    {
        for (int i = 0; i < frames; ++i) updateMap(dt);
    }
    // Until the ring of level marks has flown in.
    void settleRing()
    {
        for (int i = 0; i < 200 && mapState.ringTimer > 0.0f; ++i) updateMap(20.0f);
    }
    // The mouse over a point in centred screen units.
    void pointAt(const Vec2& p)
    {
        app.mouseX = static_cast<int>(std::lround(p.x + 400.0f));
        app.mouseY = static_cast<int>(std::lround(300.0f - p.y));
    }
};
