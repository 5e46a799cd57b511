// The particle effects without a device: the effect file reader, starting effects (bursts,
// emitters, travel, external effects, cells), particle life, the rings' limits, loading from the
// "effects" folder and the map's bursts.
#include "core/appstate.h"
#include "core/random.h"
#include "effects/effects.h"
#include "graphics/textures.h"
#include "platform/os/files.h"
#include "resources/files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

class Effects : public testing::Test {
protected:
    void SetUp() override
    {
        resetAppState();
        resetEffects();
    }
    // The sprites one frame of dtMs queues (the queue is emptied afterwards).
    int frame(float dtMs)
    {
        effects.queueCount = 0;
        updateEffects(dtMs);
        return effects.queueCount;
    }
};

TEST_F(Effects, MissingKeysKeepTheirDefaults)
{
    ParticleEffect e;
    parseEffect("plain", "sleep=3\r", &e);
    EXPECT_STREQ(e.name, "plain");
    EXPECT_FLOAT_EQ(e.frequency, 100.0f);
    EXPECT_FLOAT_EQ(e.radius0, 20.0f);
    EXPECT_FLOAT_EQ(e.radius1, 20.0f);
    EXPECT_FLOAT_EQ(e.lifetime, 1000.0f);
    EXPECT_FLOAT_EQ(e.emitTime, 1000.0f);
    EXPECT_EQ(e.spriteCell, 13);
    EXPECT_EQ(e.blendType, 0);
    for (int i = 0; i < 4; i++) {
        EXPECT_FLOAT_EQ(e.color0[i], 1.0f);
        EXPECT_FLOAT_EQ(e.color1[i], 0.0f);
    }
    EXPECT_FLOAT_EQ(e.sleep, 3.0f);
    EXPECT_EQ(e.external[0][0], 0);
}

TEST_F(Effects, KeysAreFoundAtTheirFirstOccurrenceEvenInsideALongerKey)
{
    ParticleEffect e;
    // "rot=" first occurs inside "drot=", so both read 90; "partime=" is read from its own line.
    parseEffect("spin", "drot=90\rrot=10\rpartime=250\rpartime=999\r", &e);
    EXPECT_FLOAT_EQ(e.spin, 90.0f);
    EXPECT_FLOAT_EQ(e.rotation, 90.0f);
    EXPECT_FLOAT_EQ(e.lifetime, 250.0f);
    parseEffect("spin", "rot=10\rdrot=90\r", &e);
    EXPECT_FLOAT_EQ(e.rotation, 10.0f);
    EXPECT_FLOAT_EQ(e.spin, 90.0f);
}

TEST_F(Effects, ListsTakeEitherBracketAndNeedTheirClosingOne)
{
    ParticleEffect e;
    parseEffect("c", "color0={0.5,0.25}\rcolor1=(0.1,0.2,0.3,0.4)\rpolar=(5,6,7,8\rlissx=(1,2,3,4,5)\r", &e);
    EXPECT_FLOAT_EQ(e.color0[0], 0.5f);
    EXPECT_FLOAT_EQ(e.color0[1], 0.25f);
    EXPECT_FLOAT_EQ(e.color0[2], 1.0f);  // fewer numbers: the rest keep the default
    EXPECT_FLOAT_EQ(e.color1[3], 0.4f);
    for (float v : e.emitterPolar) EXPECT_FLOAT_EQ(v, 0.0f);  // no closing bracket: ignored
    EXPECT_FLOAT_EQ(e.emitterLissX[2], 3.0f);                // only the field's three numbers
}

TEST_F(Effects, TriplesFillMissingComponentsWithZeroAndAPresentEmptyNumberIsZero)
{
    ParticleEffect e;
    parseEffect("t", "speed=(4,5)\rspeeddev=(1,2,3)\rparfrequency=\rnumparticle=7.9\r", &e);
    EXPECT_FLOAT_EQ(e.speed.x, 4.0f);
    EXPECT_FLOAT_EQ(e.speed.y, 5.0f);
    EXPECT_FLOAT_EQ(e.speed.z, 0.0f);  // no second comma: the third component is missing
    EXPECT_FLOAT_EQ(e.speedDev.z, 3.0f);
    EXPECT_FLOAT_EQ(e.positionDev.x, 0.0f);
    EXPECT_FLOAT_EQ(e.frequency, 0.0f);
    EXPECT_EQ(e.spriteCell, 7);
}

TEST_F(Effects, ExternalNamesEndAtTheLineAndDamagedNumbersStayHarmless)
{
    ParticleEffect e;
    parseEffect("x", "externeffect2=spark \r\nexterneffect3=" "abcdefghijabcdefghijabcdefghijabcdefghij\r"
                     "partime=nan\rradius0=1e30\rgravity=-inf\rsimetria=100000\rsimetriapar=-4\r", &e);
    EXPECT_EQ(e.external[0][0], 0);
    EXPECT_STREQ(e.external[1], "spark");
    EXPECT_EQ(e.external[2][0], 0);  // too long for a name: absent
    EXPECT_FLOAT_EQ(e.lifetime, 1000.0f);
    EXPECT_FLOAT_EQ(e.radius0, EFFECT_VALUE_LIMIT);
    EXPECT_FLOAT_EQ(e.gravity, 0.0f);
    EXPECT_EQ(e.emitSymmetry, EFFECT_SYMMETRY_LIMIT);
    EXPECT_EQ(e.drawSymmetry, 0);
}

TEST_F(Effects, ABurstOfThreeIsWhiteSizeTwentyAndFadesToTransparentBlackInOneSecond)
{
    addEffect("three", "effecttime=0\rparfrequency=3\rpositiondev=(0,0,0)\rspeed=(0,0,0)\rspeeddev=(0,0,0)\r");
    startEffect("three", 10.0f, 20.0f, 10.0f, 20.0f, 1.0f, -1);
    EXPECT_EQ(liveParticles(), 3);
    EXPECT_EQ(liveEmitters(), 0);
    ASSERT_EQ(frame(250.0f), 3);
    const QueuedSprite& born = effects.queue[0];
    EXPECT_EQ(born.colour, Color(255, 255, 255, 255));
    EXPECT_FLOAT_EQ(born.size, 20.0f);
    EXPECT_FLOAT_EQ(born.position.x, 10.0f);
    EXPECT_FLOAT_EQ(born.position.y, 20.0f);
    EXPECT_EQ(born.cell, 13);
    frame(250.0f);
    ASSERT_EQ(frame(250.0f), 3);  // age 500: halfway
    EXPECT_EQ(effects.queue[0].colour, Color(127, 127, 127, 127));
    ASSERT_EQ(frame(249.0f), 3);  // age 750
    EXPECT_EQ(effects.queue[0].colour, Color(63, 63, 63, 63));
    EXPECT_EQ(frame(1.0f), 3);    // age 999: still alive
    EXPECT_EQ(frame(1.0f), 0);    // age 1000: gone
    EXPECT_EQ(liveParticles(), 0);
}

TEST_F(Effects, ParticlesMoveFallSpinAndGrowAtFixedTimes)
{
    addEffect("fall", "effecttime=0\rparfrequency=1\rspeed=(100,50,0)\rgravity=1000\rrot=30\rdrot=90\r"
                      "radius0=10\rradius1=30\rpartime=400\rcolor0=(1,0.5,0,1)\rcolor1=(0,0.5,1,0)\r");
    startEffect("fall", 0.0f, 0.0f, 0.0f, 0.0f, 2.0f, -1);  // size factor 2: speed and sizes double
    frame(100.0f);
    ASSERT_EQ(frame(100.0f), 1);  // drawn at age 100
    const QueuedSprite& s = effects.queue[0];
    EXPECT_NEAR(s.position.x, 20.0f, 1e-3f);         // 200 units/s for 0.1 s
    EXPECT_NEAR(s.position.y, 10.0f, 1e-3f);         // 100 units/s, then gravity applied after moving
    EXPECT_NEAR(s.rotation, 39.0f, 1e-3f);
    EXPECT_NEAR(s.size, 20.0f * 0.75f + 60.0f * 0.25f, 1e-3f);
    EXPECT_EQ(s.colour, Color(191, 127, 63, 191));
    Particle& p = effects.particles[0];
    EXPECT_NEAR(p.velocity.y, 100.0f - 200.0f, 1e-3f);  // two frames of 1000 units/s^2 x 0.1 s
}

TEST_F(Effects, AnEmitterRunsForItsTimeAndTravelsToTheTarget)
{
    addEffect("trail", "effecttime=1000\rparfrequency=4\rpartime=100\r");
    startEffect("trail", -100.0f, 0.0f, 300.0f, 200.0f, 1.0f, -1);
    EXPECT_EQ(liveEmitters(), 1);
    EXPECT_EQ(liveParticles(), 0);  // an emitter waits a period before its first group
    const Emitter& m = effects.emitters[0];
    EXPECT_FLOAT_EQ(m.period, 250.0f);
    int groups = 0;
    for (int i = 0; i < 40; i++) {
        int before = effects.nextParticle;
        frame(25.0f);
        groups += effects.nextParticle - before;
    }
    EXPECT_EQ(groups, 3);  // at ages 250 (countdown below 0 after 275), 525 and 775 ms
    EXPECT_NEAR(m.position.x, 300.0f, 1e-2f);
    EXPECT_NEAR(m.position.y, 200.0f, 1e-2f);
    EXPECT_EQ(liveEmitters(), 0);
    // A frame longer than the period emits several groups at once.
    startEffect("trail", 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, -1);
    int before = effects.nextParticle;
    frame(900.0f);
    EXPECT_EQ(effects.nextParticle - before, 3);  // truncate(900 / 250)
}

TEST_F(Effects, NoTargetMeansThePositionItself)
{
    int i = addEffect("stay", "effecttime=500\r");
    startEffectAt(i, Vec3{5.0f, 6.0f, 0.0f}, Vec3{EFFECT_NO_TARGET, EFFECT_NO_TARGET, 0.0f}, 1.0f, -1);
    EXPECT_FLOAT_EQ(effects.emitters[0].velocity.x, 0.0f);
    EXPECT_FLOAT_EQ(effects.emitters[0].velocity.y, 0.0f);
}

TEST_F(Effects, CellsFrom25To38ShowCell10AndMinusOneTheEffectsOwn)
{
    addEffect("one", "effecttime=0\rparfrequency=1\rnumparticle=5\r");
    const int given[] = {-1, 24, 25, 30, 38, 39};
    const int shown[] = {5, 24, 10, 10, 10, 39};
    for (int i = 0; i < 6; i++) {
        startEffect("one", 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, given[i]);
        EXPECT_EQ(effects.particles[i].cell, shown[i]) << given[i];
    }
    startEffect("nothing", 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, -1);  // an unknown name does nothing
    EXPECT_EQ(liveParticles(), 6);
}

TEST_F(Effects, SymmetryAtBirthAndWhenDrawn)
{
    addEffect("four", "effecttime=0\rparfrequency=1\rsimetria=3\rpolar=(10,0,0,0)\r");
    startEffect("four", 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, -1);
    ASSERT_EQ(liveParticles(), 4);  // n + 1, two at the first offset
    float xs[4], ys[4];
    for (int i = 0; i < 4; i++) {
        xs[i] = effects.particles[i].position.x;
        ys[i] = effects.particles[i].position.y;
    }
    EXPECT_NEAR(xs[0], 10.0f, 1e-4f);
    EXPECT_NEAR(xs[1], 10.0f, 1e-4f);
    EXPECT_NEAR(xs[2], -5.0f, 1e-4f);
    EXPECT_NEAR(ys[2], 8.660254f, 1e-4f);
    EXPECT_NEAR(ys[3], -8.660254f, 1e-4f);

    resetEffects();
    addEffect("mirror", "effecttime=0\rparfrequency=1\rsimetriapar=4\rpolarpar=(10,0,0,0)\r");
    startEffect("mirror", 100.0f, 0.0f, 100.0f, 0.0f, 1.0f, -1);
    ASSERT_EQ(frame(16.0f), 4);
    const float wantX[4] = {110.0f, 100.0f, 90.0f, 100.0f}, wantY[4] = {0.0f, 10.0f, 0.0f, -10.0f};
    for (int i = 0; i < 4; i++) {
        EXPECT_NEAR(effects.queue[i].position.x, wantX[i], 1e-3f) << i;
        EXPECT_NEAR(effects.queue[i].position.y, wantY[i], 1e-3f) << i;
    }
}

TEST_F(Effects, PolarAndLissajousOffsetsFollowTheAge)
{
    addEffect("orbit", "effecttime=0\rparfrequency=1\rpartime=5000\rpolarpar=(10,20,0,90)\r"
                       "lissparx=(5,500,0)\rlisspary=(3,500,90)\r");
    startEffect("orbit", 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, -1);
    ASSERT_EQ(frame(1000.0f), 1);
    // Age 0: polar (10, 0) at 0 degrees; x cos(0) * 5; y sin(90) * 3.
    EXPECT_NEAR(effects.queue[0].position.x, 15.0f, 1e-3f);
    EXPECT_NEAR(effects.queue[0].position.y, 3.0f, 1e-3f);
    ASSERT_EQ(frame(0.0f), 1);
    // Age 1000: radius 30 at 90 degrees; 1000 x 500 x 0.18 = 90000 degrees, a whole number of turns.
    EXPECT_NEAR(effects.queue[0].position.x, 5.0f, 1e-2f);
    EXPECT_NEAR(effects.queue[0].position.y, 30.0f + 3.0f, 1e-2f);
}

TEST_F(Effects, ExternalEffectsStartTogetherButNeverTheirOwnAndAtMostEightIn100ms)
{
    addEffect("main", "externeffect1=main\rexterneffect2=extra\reffecttime=0\rparfrequency=0\r");
    addEffect("extra", "effecttime=0\rparfrequency=1\r");
    app.globalTimeMs = 1000.0f;
    startEffect("main", 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, -1);
    EXPECT_EQ(effectStarts("main"), 1);
    EXPECT_EQ(effectStarts("extra"), 1);
    for (int i = 0; i < 19; i++) {
        app.globalTimeMs += 2.0f;
        startEffect("main", 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, -1);
    }
    EXPECT_EQ(effectStarts("main"), 20);
    EXPECT_EQ(effectStarts("extra"), 8);
    app.globalTimeMs += 101.0f;
    startEffect("main", 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, -1);
    EXPECT_EQ(effectStarts("extra"), 9);
}

TEST_F(Effects, ExternalChainsThatLoopEndAtTheLimit)
{
    addEffect("ping", "externeffect1=pong\reffecttime=0\rparfrequency=1\r");
    addEffect("pong", "externeffect1=ping\reffecttime=0\rparfrequency=1\r");
    startEffect("ping", 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, -1);
    EXPECT_EQ(effectStarts("ping") + effectStarts("pong"), 1 + EXTERNAL_START_LIMIT);
    EXPECT_EQ(liveParticles(), 1 + EXTERNAL_START_LIMIT);
}

TEST_F(Effects, RingsAreFixedAndAbsurdCountsNeverRunAway)
{
    addEffect("flood", "effecttime=0\rparfrequency=1e30\rsimetria=1000\r");
    addEffect("hose", "effecttime=1e30\rparfrequency=1e30\rpartime=1e30\r");
    addEffect("nothing", "effecttime=0\rparfrequency=-5\r");
    startEffect("flood", 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, -1);
    EXPECT_EQ(liveParticles(), PARTICLE_RING_SIZE);
    for (int i = 0; i < EMITTER_RING_SIZE + 10; i++) startEffect("hose", 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, -1);
    EXPECT_EQ(liveEmitters(), EMITTER_RING_SIZE);
    EXPECT_EQ(effects.nextEmitter, 10);  // the oldest were overwritten
    frame(16.0f);
    EXPECT_EQ(liveParticles(), PARTICLE_RING_SIZE);
    EXPECT_EQ(effects.queueCount, PARTICLE_RING_SIZE);
    clearEffects();
    startEffect("nothing", 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, -1);
    EXPECT_EQ(liveParticles(), 0);
    // More sprites than the queue holds: the rest are dropped.
    addEffect("many", "effecttime=0\rparfrequency=1000\rsimetriapar=8\r");
    startEffect("many", 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, -1);
    EXPECT_EQ(frame(16.0f), SPRITE_QUEUE_SIZE);
    EXPECT_EQ(effects.droppedSprites, 1000 * 8 - SPRITE_QUEUE_SIZE);
    clearEffects();
    EXPECT_EQ(liveParticles(), 0);
    EXPECT_EQ(liveEmitters(), 0);
    EXPECT_EQ(effects.queueCount, 0);
}

TEST_F(Effects, EffectsKeepTheGameRandomSequence)
{
    addEffect("dust", "effecttime=0\rparfrequency=20\rspeeddev=(50,50,0)\r");
    srand15(77);
    int a = rand15();
    srand15(77);
    startEffect("dust", 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, -1);
    EXPECT_EQ(rand15(), a);
    // Deviations stay inside their range and are seeded reproducibly.
    seedEffectRandom(5);
    float first = effectDev(3.0f);
    for (int i = 0; i < 1000; i++) {
        float d = effectDev(3.0f);
        EXPECT_LE(std::fabs(d), 3.0f);
    }
    seedEffectRandom(5);
    EXPECT_FLOAT_EQ(effectDev(3.0f), first);
}

TEST_F(Effects, MapBurstsOfTheThreeKinds)
{
    spawnBurst(10.0f, 20.0f, 18);
    spawnBurst(0.0f, 0.0f, 11);  // not a kind: nothing
    EXPECT_EQ(liveBursts(), 1);
    Burst& b = effects.bursts[0];
    EXPECT_FLOAT_EQ(b.size, 64.0f);
    EXPECT_FLOAT_EQ(b.rotation, -45.0f);
    EXPECT_EQ(b.cell, 13);
    effects.queueCount = 0;
    updateBursts(500.0f);
    ASSERT_EQ(effects.queueCount, 1);
    EXPECT_EQ(effects.queue[0].colour, Color(255, 255, 255, 255));
    EXPECT_NEAR(b.size, 64.0f + 0.18f * 500.0f, 1e-3f);
    EXPECT_NEAR(b.colour[0], 1.0f - 0.45f, 1e-5f);
    EXPECT_FLOAT_EQ(b.life, 500.0f);
    effects.queueCount = 0;
    updateBursts(500.0f);
    EXPECT_EQ(effects.queue[0].colour.r, static_cast<uint8_t>(0.55f * 255.0f));
    EXPECT_EQ(liveBursts(), 0);

    spawnBurst(0.0f, 0.0f, 15);
    Burst& f = effects.bursts[1];
    EXPECT_EQ(f.cell, 12);
    EXPECT_GE(f.size, 35.0f);
    EXPECT_LE(f.size, 60.0f);
    updateBursts(f.size / 0.1f + 1.0f);  // shrinks to nothing: the slot ends with it
    EXPECT_LE(f.life, 0.0f);
    EXPECT_EQ(f.size, 0.0f);

    spawnBurst(0.0f, 0.0f, 10);
    Burst& s = effects.bursts[2];
    EXPECT_FLOAT_EQ(s.radius, 3.0f);
    EXPECT_EQ(s.cell, 17);
    for (int i = 0; i < BURST_RING_SIZE + 5; i++) spawnBurst(0.0f, 0.0f, 18);
    EXPECT_EQ(liveBursts(), BURST_RING_SIZE);
    EXPECT_EQ(effects.lastBurst, 7);
}

TEST_F(Effects, SineAndCosineOfDegreesMatchTheLibrary)
{
    for (float d = -1000.0f; d <= 1000.0f; d += 0.37f) {
        float s, c;
        effectSinCos(d, &s, &c);
        double a = double(d) * 3.14159265358979 / 180.0;
        ASSERT_NEAR(s, std::sin(a), 2e-6) << d;
        ASSERT_NEAR(c, std::cos(a), 2e-6) << d;
    }
    float s, c;
    effectSinCos(90.0f, &s, &c);
    EXPECT_FLOAT_EQ(s, 1.0f);
    EXPECT_FLOAT_EQ(c, 0.0f);
    effectSinCos(3.0e9f, &s, &c);  // beyond the reduction: still a sine and a cosine
    EXPECT_NEAR(s * s + c * c, 1.0f, 1e-5f);
}

TEST_F(Effects, TheAtlasCellRectangles)
{
    effects.atlasCols = 8;
    effects.atlasRows = 8;
    Rect r = atlasCellUv(12);
    EXPECT_NEAR(r.left, 4.0f / 8.0f + 0.001f, 1e-6f);
    EXPECT_NEAR(r.top, 1.0f / 8.0f + 0.001f, 1e-6f);
    EXPECT_NEAR(r.right, 5.0f / 8.0f - 0.001f, 1e-6f);
    EXPECT_NEAR(r.bottom, 2.0f / 8.0f - 0.001f, 1e-6f);
    Rect wrapped = atlasCellUv(64 + 12);  // past the last cell: the texture repeats
    EXPECT_FLOAT_EQ(wrapped.left, r.left);
    EXPECT_FLOAT_EQ(wrapped.top, r.top);
    Rect negative = atlasCellUv(-1);
    EXPECT_NEAR(negative.left, 7.0f / 8.0f + 0.001f, 1e-6f);
}

// ---- loading from the "effects" folder ----

class EffectFolder : public Effects {
protected:
    void SetUp() override
    {
        Effects::SetUp();
        releaseAllTextures();
        resetFileTable();
        dir = std::string(OSTRIMAR_BINARY_DIR) + "/scratch/effects/" +
              testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir + "/effects");
        resetFiles();
        ASSERT_TRUE(osSetCurrentDirectory(dir.c_str()));
    }
    void TearDown() override
    {
        resetFileTable();
        releaseAllTextures();
    }
    void put(const std::string& name, const std::string& text)
    {
        std::ofstream(dir + "/effects/" + name, std::ios::binary) << text;
    }
    std::string dir;
};

TEST_F(EffectFolder, EveryParFileIsAnEffectNamedBeforeItsFirstDot)
{
    put("spark.par", "parfrequency=7\r\n");
    put("smoke.big.par", "blendtype=1\r\n");
    put("notes.txt", "parfrequency=1\r\n");
    put("empty.par", "");
    std::string before = osGetCurrentDirectory();
    loadEffects();
    EXPECT_EQ(effects.count, 3);
    ASSERT_GE(findEffect("spark"), 0);
    EXPECT_FLOAT_EQ(effects.table[findEffect("spark")].frequency, 7.0f);
    ASSERT_GE(findEffect("smoke"), 0);
    EXPECT_EQ(effects.table[findEffect("smoke")].blendType, 1);
    EXPECT_GE(findEffect("empty"), 0);  // no keys: all defaults
    EXPECT_EQ(findEffect("Spark"), -1);  // names compare exactly
    EXPECT_EQ(effects.atlas, nullptr);   // no atlas: effects run but draw nothing
    EXPECT_EQ(std::string(osGetCurrentDirectory()), before);  // back where it was
}

TEST_F(EffectFolder, AtMost256FilesAndNoFolderGivesNoEffects)
{
    for (int i = 0; i < EFFECT_TABLE_SIZE + 3; i++) {
        char name[32];
        std::snprintf(name, sizeof name, "e%03d.par", i);
        put(name, "parfrequency=1\r\n");
    }
    loadEffects();
    EXPECT_EQ(effects.count, EFFECT_TABLE_SIZE);
    EXPECT_GE(findEffect("e255"), 0);
    EXPECT_EQ(findEffect("e256"), -1);
    std::filesystem::remove_all(dir + "/effects");
    loadEffects();
    EXPECT_EQ(effects.count, 0);
    startEffect("e000", 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, -1);
    EXPECT_EQ(liveParticles(), 0);
}

}  // namespace

// Calm motion: a quarter of the particles (the first of each burst always), no flash at all, and
// the option off gives every particle as before.
TEST_F(Effects, CalmMotionKeepsAQuarterOfTheParticlesAndNoFlash)
{
    addEffect("eight", "effecttime=0\rparfrequency=8\r");
    addEffect("one", "effecttime=0\rparfrequency=1\r");
    addEffect("flash", "effecttime=0\rparfrequency=1\rflash=1\r");
    startEffect("eight", 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, -1);
    startEffect("flash", 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, -1);
    EXPECT_EQ(liveParticles(), 9);
    clearEffects();
    app.calmMotion = 1;
    startEffect("eight", 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, -1);
    EXPECT_EQ(liveParticles(), 2);
    startEffect("one", 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, -1);
    EXPECT_EQ(liveParticles(), 3);  // a one-particle effect still shows
    startEffect("flash", 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, -1);
    EXPECT_EQ(liveParticles(), 3);
    EXPECT_EQ(effectStarts("flash"), 2);  // asked for both times
    EXPECT_EQ(effects.calmSkipped, 6);
    app.calmMotion = 0;
}
