// The scenes of the living backdrops on the headless device: the catalogue and its groups, the
// scene files and what is skipped in them, every animation rule at fixed clocks, the two passes
// around the picture, the spray ring, the queued sprites, the dialog dimming, the cross-fade's
// object opacity, composites through the mesh hooks, and the scenes' range and reload rules.
#include "backdrop_helpers.h"
#include "core/dialogport.h"
#include "gfx_helpers.h"

#include "effects/backdrops.h"
#include "menus/menus.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

namespace {

constexpr double PI_D = 3.14159265358979;

// Texture sizes of the test catalogue (TGA pictures, width x height).
struct TestTexture {
    const char* file;
    int w, h;
    uint32_t argb;
};
const TestTexture TEXTURES[] = {
    {"sky.tga", 256, 64, 0x80FFFFFF},  {"fall.tga", 64, 256, 0xC0A0C0E0}, {"water.tga", 128, 32, 0x80FFFFFF},
    {"spray.tga", 16, 16, 0x00FFFFFF}, {"leaf.tga", 64, 32, 0xFF20A020},  {"rock.tga", 32, 32, 0xFF808080},
    {"post.tga", 16, 64, 0xFF604020},
};

const char* CATALOGUE =
    "[skies/]\r\n"
    "  sky_a =  sky.tga  \r\n"
    "[/skies]\r\n"
    "[water/]\r\n"
    "waterfall_a = fall.tga\r\n"
    "water_a = water.tga\r\n"
    "spray_a = spray.tga\r\n"
    "[/water]\r\n"
    "[plants/]\r\n"
    "leaves1_a = leaf.tga\r\n"
    "leaves2_a = leaf.tga\r\n"
    "leaves_a = leaf.tga\r\n"
    "[/plants]\r\n"
    "rock = rock.tga\r\n"
    "post = post.tga\r\n"
    "[things/]\r\n"
    "good_mesh = good.cgo\r\n"
    "bad_mesh = bad.cgo\r\n"
    "windmill = mill.cgo\r\n"
    "[/things]\r\n";

CompositeObject fakeComposite;  // what the fake mesh loader hands out
CompositeObject fakeMill;
MeshModel fakeSails;
struct CompositeDraw {
    const CompositeObject* object;
    Matrix parent;
};
std::vector<CompositeDraw> compositeDraws;

CompositeObject* fakeLoad(const char* name)
{
    if (std::string(name) == "mill.cgo") return &fakeMill;
    return std::string(name) == "good.cgo" ? &fakeComposite : nullptr;
}
void fakeDraw(const CompositeObject* object, const Matrix& parent) { compositeDraws.push_back({object, parent}); }

class BackdropScene : public GraphicsTest {
protected:
    void SetUp() override
    {
        GraphicsTest::SetUp();
        resetBackdrop();
        menus = MenusState{};
        resetDialogPort();
        startHeadless();
        begin2D();
        gpuSetBatching(false);
        compositeDraws.clear();
        for (const TestTexture& t : TEXTURES)
            put(std::string("AnimBacks/") + t.file,
                encodedTga(makePicture(t.w, t.h, [&t](int, int) { return t.argb; }), true));
        put("AnimBacks/gameobjs.txt", textBytes(CATALOGUE));
        for (int n = 0; n < 18; ++n) {
            putPicture(n);
            put("AnimBacks/level" + std::to_string(n) + ".lev", sceneFile({}));
        }
        backdrop.meshHooks.load = fakeLoad;
        backdrop.meshHooks.draw = fakeDraw;
        loadBackdropCatalogue();
        ASSERT_EQ(ExitRecorder::exits(), 0) << textureManager.lastMessage;
    }
    void TearDown() override
    {
        gpuSetBatching(true);
        resetBackdrop();
        menus = MenusState{};
        resetDialogPort();
        GraphicsTest::TearDown();
    }
    void putPicture(int n)
    {
        ImageData img = makePicture(800, 600, [](int, int) -> uint32_t { return 0xFF204060; });
        std::vector<uint8_t> bytes = encodedJpeg(img, 80);
        bytes.insert(bytes.end(), size_t(800 * 600), 255);
        put("AnimBacks/_a_back" + std::to_string(n) + ".jpg", bytes);
    }
    // Writes scene n and shows it.
    void show(int n, const std::vector<TestPlaced>& objects)
    {
        put("AnimBacks/level" + std::to_string(n) + ".lev", sceneFile(objects));
        setBackdrop(n);
        frame(0.0f);
    }
    void frame(float ms, bool withCameraMove = false)
    {
        app.frameMs = ms;
        drawBackdrop(withCameraMove);
        app.globalTimeMs += ms;
    }
    static const Texture* tex(const char* file) { return findTexture((std::string("AnimBacks\\") + file).c_str()); }
    static int liveSpray()
    {
        int n = 0;
        for (const SpraySprite& s : backdrop.spray) n += s.life > 0.0f ? 1 : 0;
        return n;
    }
};

TEST_F(BackdropScene, CatalogueKeepsGroupsAndSkipsWhatItCannotUse)
{
    ASSERT_EQ(backdrop.catalogueCount, 12);
    EXPECT_EQ(backdrop.groupCount, 4);
    EXPECT_STREQ(backdrop.catalogue[0].name, "sky_a");  // whitespace around is skipped
    EXPECT_STREQ(backdrop.catalogue[0].file, "sky.tga");
    EXPECT_EQ(backdrop.catalogue[0].group, 0);
    EXPECT_EQ(backdrop.catalogue[findCatalogueObject("spray_a")].group, 1);
    EXPECT_EQ(backdrop.catalogue[findCatalogueObject("leaves_a")].group, 2);
    EXPECT_EQ(backdrop.catalogue[findCatalogueObject("rock")].group, -1);  // between groups
    EXPECT_EQ(backdrop.catalogue[findCatalogueObject("bad_mesh")].group, 3);
    // pictures are loaded, composites through the mesh module (one fails)
    EXPECT_EQ(backdrop.catalogue[0].texture, tex("sky.tga"));
    EXPECT_NE(backdrop.catalogue[findCatalogueObject("good_mesh")].composite, nullptr);
    EXPECT_EQ(backdrop.catalogue[findCatalogueObject("bad_mesh")].composite, nullptr);
    EXPECT_EQ(findCatalogueObject("sky"), -1);  // names match exactly

    // Entries beyond 512, names too long for a scene, other kinds of file and lines without "="
    // are dropped; a text cut off without a line break still gives its last entry.
    std::string text = "[many/]\n";
    for (int i = 0; i < 520; ++i) text += "o" + std::to_string(i) + "=a.tga\n";
    text += "[/many]\n" + std::string(40, 'n') + "=b.tga\nsound=c.wav\njunk line\n[x/]\nlast=d.jpg";
    parseCatalogue(text.data(), static_cast<int32_t>(text.size()));
    EXPECT_EQ(backdrop.catalogueCount, CATALOGUE_CAPACITY);
    EXPECT_STREQ(backdrop.catalogue[511].name, "o511");
    EXPECT_EQ(backdrop.catalogueDropped, 8 + 1 + 1 + 1);
    EXPECT_EQ(backdrop.groupCount, 2);
    parseCatalogue("a=b.tga", 3);  // the size bounds the text
    EXPECT_EQ(backdrop.catalogueCount, 0);
}

TEST_F(BackdropScene, SceneFieldsAreReadAndUnusableObjectsSkipped)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<TestPlaced> objects = {
        {"rock", -100, 50, 20, -30, 12.5f, 3, 4, 1, 1},
        {"no such object", 0, 10, 10, 0},
        {"post", nan, 10, 10, 0},
        {"post", 0, 10, 1e30f, 0},
        {"bad_mesh", 0, 10, 10, 0},
        {"good_mesh", -50, 40, 50, -60},
        {"post", 1, 2, 3, -4},
    };
    std::vector<uint8_t> file = sceneFile(objects, 7, "cliffs");
    ASSERT_TRUE(parseScene(file.data(), static_cast<int32_t>(file.size())));
    EXPECT_STREQ(backdrop.sceneName, "cliffs");
    ASSERT_EQ(backdrop.objectCount, 3);
    EXPECT_EQ(backdrop.skippedObjects, 4);
    const PlacedObject& rock = backdrop.objects[0];
    EXPECT_EQ(rock.object, findCatalogueObject("rock"));
    EXPECT_FLOAT_EQ(rock.rect.left, -100.0f);
    EXPECT_FLOAT_EQ(rock.rect.top, 50.0f);
    EXPECT_FLOAT_EQ(rock.rect.right, 20.0f);
    EXPECT_FLOAT_EQ(rock.rect.bottom, -30.0f);
    EXPECT_FLOAT_EQ(rock.angle, 12.5f);
    EXPECT_FLOAT_EQ(rock.scrollX, 3.0f);
    EXPECT_FLOAT_EQ(rock.scrollY, 4.0f);
    EXPECT_EQ(rock.mirrored, 1);
    EXPECT_EQ(rock.firstPass, 1);
    EXPECT_EQ(backdrop.objects[1].object, findCatalogueObject("good_mesh"));
    EXPECT_FLOAT_EQ(backdrop.objects[2].rect.bottom, -4.0f);

    // A count beyond the file reads only the records that are whole; a negative one none.
    file = sceneFile(objects, 9);
    file.resize(file.size() - 30);  // the last record cut in half
    ASSERT_TRUE(parseScene(file.data(), static_cast<int32_t>(file.size())));
    EXPECT_EQ(backdrop.objectCount, 2);
    EXPECT_EQ(backdrop.skippedObjects, 4 + 1 + 2);
    file = sceneFile(objects, -5);
    ASSERT_TRUE(parseScene(file.data(), static_cast<int32_t>(file.size())));
    EXPECT_EQ(backdrop.objectCount, 0);
    file = sceneFile(objects, 0x7FFFFFFF);
    ASSERT_TRUE(parseScene(file.data(), static_cast<int32_t>(file.size())));
    EXPECT_EQ(backdrop.objectCount, 3);
    // shorter than the header: an empty scene
    EXPECT_FALSE(parseScene(file.data(), SCENE_HEADER_SIZE - 1));
    EXPECT_EQ(backdrop.objectCount, 0);
    // a name filling its 32 bytes has no terminator and matches nothing
    file = sceneFile({{std::string(32, 'r'), 0, 1, 1, 0}});
    ASSERT_TRUE(parseScene(file.data(), static_cast<int32_t>(file.size())));
    EXPECT_EQ(backdrop.objectCount, 0);
}

TEST_F(BackdropScene, RulesAreChosenByNameInOrder)
{
    EXPECT_EQ(backdropRule("sky_waterfall"), RuleSky);
    EXPECT_EQ(backdropRule("waterfall_a"), RuleWaterfall);
    EXPECT_EQ(backdropRule("water_spray"), RuleWater);
    EXPECT_EQ(backdropRule("spray_leaves"), RuleSpray);
    EXPECT_EQ(backdropRule("leaves2"), RuleLeaves);
    EXPECT_EQ(backdropRule("Sky"), RulePlain);  // names compare case-sensitively
    EXPECT_EQ(backdropRule("rock"), RulePlain);
}

TEST_F(BackdropScene, SkyWaterfallAndWaterScrollWithTheProgramClock)
{
    PlacedObject o = {};
    o.rect.set(-400, 300, 400, 200);  // 800 x 100
    o.rule = RuleSky;
    const Texture* sky = tex("sky.tga");  // 256 x 64
    Rect uv = backdropObjectUv(o, sky, 10000.0);
    // u starts at -0.03 (wrapped to 0.97, moved on in whole texels: 248 / 256) and spans
    // (800 / 100) * (64 / 256) = 2; v spans 1
    EXPECT_NEAR(uv.left, 248.0f / 256.0f, 1e-6f);
    EXPECT_NEAR(uv.right - uv.left, 2.0f, 1e-5f);
    EXPECT_FLOAT_EQ(uv.top, 0.0f);
    EXPECT_FLOAT_EQ(uv.bottom, 1.0f);
    o.mirrored = 1;
    uv = backdropObjectUv(o, sky, 10000.0);
    EXPECT_NEAR(uv.right, 248.0f / 256.0f, 1e-6f);  // u runs from right to left
    // the clouds stay put until the next whole texel: 0.97 - 0.00390625 lies 0.48 s on
    EXPECT_EQ(backdropObjectUv(o, sky, 10400.0).right, uv.right);
    EXPECT_NEAR(backdropObjectUv(o, sky, 10600.0).right, 247.0f / 256.0f, 1e-6f);
    EXPECT_NEAR(uv.left - uv.right, 2.0f, 1e-5f);

    PlacedObject fall = {};
    fall.rect.set(-250, 180, -186, -120);  // 64 x 300
    fall.scrollX = 0.0f;
    fall.scrollY = 80.0f;
    fall.rule = RuleWaterfall;
    const Texture* sheet = tex("fall.tga");  // 64 x 256
    uv = backdropObjectUv(fall, sheet, 1000.0);
    // offset -80 * 1000 * 0.00001 = -0.8 -> 0.2; one texel per screen unit
    EXPECT_NEAR(uv.top, 0.2f, 1e-5f);
    EXPECT_NEAR(uv.bottom - uv.top, 300.0f / 256.0f, 1e-5f);
    EXPECT_NEAR(uv.left, 0.0f, 1e-6f);
    EXPECT_NEAR(uv.right, 1.0f, 1e-6f);
    // water flows at a fifth of the speed, in whole texels (0.84 x 256 = 215.04)
    fall.rule = RuleWater;
    uv = backdropObjectUv(fall, sheet, 1000.0);
    EXPECT_NEAR(uv.top, 215.0f / 256.0f, 1e-6f);
    // after a day of play the offsets are still exact to the texel
    fall.rule = RuleWaterfall;
    uv = backdropObjectUv(fall, sheet, 86400000.0 + 1000.0);
    EXPECT_NEAR(uv.top, 0.2f, 1e-4f);
}

TEST_F(BackdropScene, SprayIsBornAtTheRateOfItsAreaExceptDuringAFade)
{
    show(3, {{"spray_a", -50, 15, 50, -15}});  // 100 x 30: one sprite every 100 ms
    ASSERT_EQ(backdrop.objectCount, 1);
    backdrop.objects[0].clockMs = 0.0f;
    frame(30.0f);
    frame(30.0f);
    frame(30.0f);
    EXPECT_EQ(liveSpray(), 0);
    frame(30.0f);  // 120 > 100
    ASSERT_EQ(liveSpray(), 1);
    EXPECT_FLOAT_EQ(backdrop.objects[0].clockMs, 0.0f);
    const SpraySprite& s = backdrop.spray[0];
    EXPECT_GE(s.position.x, -50.0f);
    EXPECT_LE(s.position.x, 50.0f);
    EXPECT_GE(s.position.y, -15.0f);
    EXPECT_LE(s.position.y, 15.0f);
    EXPECT_EQ(s.texture, tex("spray.tga"));
    // the sprite is drawn additively, growing and fading with its life (1970 ms left after the
    // frame that drew it first: size (2000 - 1970) * 0.011 + 15, grey sin(1970 / 2000 pi))
    EXPECT_FLOAT_EQ(s.life, 2000.0f - 30.0f);
    frame(0.0f);
    const GpuDrawRecord* last = gpuLastDraw();
    EXPECT_EQ(last->srcBlend, BlendSrcColor);
    EXPECT_EQ(last->destBlend, BlendOne);
    EXPECT_EQ(last->alphaTest, 0u);
    const GpuVertex* v = nullptr;
    ASSERT_EQ(gpuLastVertices(&v), 6);  // one sprite: two triangles
    EXPECT_NEAR(v[1].pos[0] - v[0].pos[0], 30.0f * 0.011f + 15.0f, 1e-3f);
    EXPECT_NEAR(v[0].pos[1] - v[2].pos[1], 30.0f * 0.011f + 15.0f, 1e-3f);
    int grey = static_cast<int>(std::sin(1970.0 / 2000.0 * PI_D) * 255.0);
    EXPECT_NEAR(static_cast<int>(v[0].color & 0xFF), grey, 1);
    // with 10 ms frames the clock passes 100 at 110: one sprite every 110 ms, each living
    // 2000 ms, so 18 are alive
    for (int i = 0; i < 400; ++i) frame(10.0f);
    EXPECT_EQ(liveSpray(), 18);
    // none are born while a cross-fade runs, and those alive run out
    prepareBackdrop(5);
    for (int i = 0; i < 30; ++i) frame(100.0f);
    EXPECT_EQ(liveSpray(), 0);
}

TEST_F(BackdropScene, SprayRingOverwritesTheOldestSprite)
{
    show(3, {{"spray_a", -400, 300, 400, -300}});  // 480000 square units: one every frame
    for (int i = 0; i < 300; ++i) frame(1.0f);
    EXPECT_EQ(liveSpray(), SPRAY_RING_SIZE);
    // the first frame (in show) gave one more
    EXPECT_EQ(backdrop.nextSpray, 301 % SPRAY_RING_SIZE);
    // the same land again keeps them; another land ends them at once
    setBackdrop(3);
    EXPECT_EQ(liveSpray(), SPRAY_RING_SIZE);
    setBackdrop(5);
    EXPECT_EQ(liveSpray(), 0);
}

TEST_F(BackdropScene, LeavesSwingWithTheirOwnClocksAndGreyLevel)
{
    show(2, {{"leaves1_a", -400, 300, -200, 200, 10.0f, 30, 40},
             {"rock", 0, 10, 10, 0},
             {"leaves2_a", 200, 300, 400, 200, -5.0f, 0, 0, 1},
             {"leaves_a", 0, 0, 10, -10}});
    ASSERT_EQ(backdrop.objectCount, 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_GE(backdrop.objects[i].clockMs, 0.0f);  // random start outside a cross-fade
        EXPECT_LE(backdrop.objects[i].clockMs, 500.0f);
        backdrop.objects[i].clockMs = 1000.0f;
    }
    frame(100.0f);
    auto swing = [](double t, double f, double a, double g, double b) { return a * std::sin(t * f) + b * std::sin(t * g); };
    // The swing is turned in steps that move the far corners by whole units: within half a step
    // of the rule's swing, and a whole number of units at the corner.
    auto expectSwing = [](const PlacedObject& o, double rest, double want, const char* what) {
        double reach = std::hypot(o.rect.right - o.rect.left, (o.rect.top - o.rect.bottom) / 2);
        double units = (o.drawAngle - rest) * PI_D / 180.0 * reach;
        EXPECT_NEAR(o.drawAngle, rest + want, 90.0 / PI_D / reach + 1e-4) << what;
        EXPECT_NEAR(units, std::round(units), 1e-3) << what;
    };
    // the first swinging object of the frame: k = 0
    expectSwing(backdrop.objects[0], 10.0, swing(1100.0, 0.003, 0.5, 0.0043, 0.2), "leaves1");
    EXPECT_EQ(backdrop.objects[0].colour.r, 205);  // 255 - |(30, 40)|
    EXPECT_EQ(backdrop.objects[0].colour.a, 255);
    EXPECT_FLOAT_EQ(backdrop.objects[1].drawAngle, 0.0f);  // not a swinging object
    EXPECT_FLOAT_EQ(backdrop.objects[1].clockMs, 1000.0f);
    expectSwing(backdrop.objects[2], -5.0, swing(1500.0, 0.004, 0.18, 0.0024, 0.11), "leaves2");
    EXPECT_EQ(backdrop.objects[2].colour.g, 255);
    expectSwing(backdrop.objects[3], 0.0, swing(1900.0, 0.0022, 0.6, 0.0038, 0.24), "leaves");
    // the last drawn object is the third leaves, turned about the middle of its left edge
    // (a mirrored one turns about its right edge)
    EXPECT_NE(backdrop.objects[2].drawn, 0);
}

// At the idle rate (15 frames a second) a twig of the lands' size keeps swinging to both sides,
// yet in whole steps most frames draw it where the last one did.
TEST_F(BackdropScene, ATwigSwingsInWholeStepsThatMostFramesRepeat)
{
    show(2, {{"leaves_a", -400, 300, -170, 140}});
    ASSERT_EQ(backdrop.objectCount, 1);
    int frames = 0, changes = 0;
    float last = backdrop.objects[0].drawAngle, low = 1e9f, high = -1e9f;
    for (; frames < 150; ++frames) {
        frame(1000.0f / 15.0f);
        float a = backdrop.objects[0].drawAngle;
        changes += a != last ? 1 : 0;
        last = a;
        low = std::min(low, a);
        high = std::max(high, a);
    }
    double reach = std::hypot(230.0, 80.0);
    EXPECT_GE((high - low) * PI_D / 180.0 * reach, 4.0);  // its corner moved at least four units
    EXPECT_GT(changes, 10);
    EXPECT_LT(changes, frames / 2);
}

TEST_F(BackdropScene, PassesAroundThePictureInDrawOrder)
{
    show(6, {{"post", -300, 100, -280, 0},                  // plain: second pass
             {"rock", -200, 100, -100, 0, 0, 0, 0, 0, 1},   // plain, first pass
             {"water_a", -100, -100, 100, -200, 0, 10, 0},  // animated: first pass
             {"good_mesh", 100, 100, 200, 0},               // composite: second pass
             {"bad_mesh", 0, 0, 1, -1}});                   // skipped
    ASSERT_EQ(backdrop.objectCount, 4);
    Texture* picture = findTexture(backdropPictureName(6));
    if (!picture) {
        frame(16.0f);  // loads the picture
        picture = findTexture(backdropPictureName(6));
    }
    ASSERT_NE(picture, nullptr);
    auto drawn = [&](std::vector<int>* textures, std::vector<uint32_t>* depth) {
        gpuClearDrawLog();
        compositeDraws.clear();
        frame(16.0f);
        for (int i = 0; i < gpuDrawLogCount(); ++i) {
            textures->push_back(gpuDrawLogEntry(i)->texture);
            depth->push_back(gpuDrawLogEntry(i)->zEnable);
        }
    };
    // A picture with transparent texels: laid under everything, the first pass (rock, water)
    // with the depth test, the picture again behind it, then the post over the picture without
    // the depth test.
    picture->opaque = 0;
    std::vector<int> textures;
    std::vector<uint32_t> depth;
    drawn(&textures, &depth);
    std::vector<int> want = {picture->texture, tex("rock.tga")->texture, tex("water.tga")->texture, picture->texture,
                             tex("post.tga")->texture};
    EXPECT_EQ(textures, want);
    EXPECT_EQ(depth, (std::vector<uint32_t>{0, 1, 1, 1, 0}));
    ASSERT_EQ(gpuDrawLogCount(), 5);
    // the picture is clamped; flowing water repeats its texture; the rock and the post are
    // clamped at their edges, so that no texel of the opposite edge bleeds along them
    EXPECT_EQ(gpuDrawLogEntry(0)->addressU, AddressClamp);
    EXPECT_EQ(gpuDrawLogEntry(0)->addressV, AddressClamp);
    EXPECT_EQ(gpuDrawLogEntry(1)->addressV, AddressClamp);
    EXPECT_EQ(gpuDrawLogEntry(2)->addressU, AddressWrap);
    EXPECT_EQ(gpuDrawLogEntry(2)->addressV, AddressWrap);
    EXPECT_EQ(gpuDrawLogEntry(4)->addressU, AddressClamp);
    // An opaque picture is laid once, under the first pass.
    picture->opaque = 1;
    textures.clear();
    depth.clear();
    drawn(&textures, &depth);
    want.erase(want.begin() + 3);
    EXPECT_EQ(textures, want);
    EXPECT_EQ(depth, (std::vector<uint32_t>{0, 1, 1, 0}));
    EXPECT_EQ(backdrop.lastDrawnObjects, 4);
    // the composite is drawn in the second pass at its rectangle, two mesh units its height
    ASSERT_EQ(compositeDraws.size(), 1u);
    EXPECT_EQ(compositeDraws[0].object, &fakeComposite);
    EXPECT_FLOAT_EQ(compositeDraws[0].parent.m[3][0], 150.0f);
    EXPECT_FLOAT_EQ(compositeDraws[0].parent.m[3][1], 50.0f);
    EXPECT_FLOAT_EQ(compositeDraws[0].parent.m[0][0], 50.0f);
    // the first pass is nearer than the picture
    EXPECT_LT(BACKDROP_FIRST_PASS_Z, BACKDROP_PICTURE_Z);
    // the states are as they were
    EXPECT_EQ(getRenderState(GpuRenderState::ZEnable), 0u);
    EXPECT_EQ(getRenderState(GpuRenderState::AlphaTestEnable), 1u);
}

TEST_F(BackdropScene, WindmillSailsTurnWithTheObjectClock)
{
    fakeMill = CompositeObject{};
    fakeMill.meshCount = 2;
    fakeMill.meshes[1] = &fakeSails;
    show(5, {{"windmill", -100, 100, 100, -100}});
    ASSERT_EQ(backdrop.objectCount, 1);
    backdrop.objects[0].clockMs = 0.0f;
    frame(500.0f);  // drawn at 500 ms: 10 degrees
    ASSERT_EQ(fakeMill.hasExtra[1], 1);
    EXPECT_EQ(fakeMill.hasExtra[0], 0);
    Matrix first = fakeMill.extra[1];
    EXPECT_NEAR(first.m[0][0], std::cos(10.0 * PI_D / 180.0), 1e-4);
    frame(500.0f);
    EXPECT_NEAR(fakeMill.extra[1].m[0][0], std::cos(20.0 * PI_D / 180.0), 1e-4);
    EXPECT_EQ(compositeDraws.back().object, &fakeMill);
}

TEST_F(BackdropScene, QueuedSpritesComeLastAndOnlyForOneFrame)
{
    show(1, {{"spray_a", -50, 15, 50, -15}});
    ExtraSprite e = {};
    e.texture = tex("rock.tga");
    e.x = 10;
    e.y = 20;
    e.w = 30;
    e.h = 30;
    e.uv.set(0, 0, 1, 1);
    e.colour = Color(255, 255, 255, 255);
    int accepted = 0;
    for (int i = 0; i < 130; ++i) accepted += queueBackdropSprite(e) ? 1 : 0;
    EXPECT_EQ(accepted, BACKDROP_EXTRA_SPRITES);
    for (int i = 0; i < 20; ++i) frame(30.0f);  // spray alive as well
    gpuClearDrawLog();
    queueBackdropSprite(e);
    frame(16.0f);
    EXPECT_EQ(gpuLastDraw()->texture, tex("rock.tga")->texture);
    EXPECT_EQ(backdrop.extraCount, 0);
    frame(16.0f);
    EXPECT_NE(gpuLastDraw()->texture, tex("rock.tga")->texture);
}

TEST_F(BackdropScene, TintDriftsAndADialogOverTheGameDimsIt)
{
    show(2, {});
    setBackdropTint(0);
    frame(100.0f);
    EXPECT_NEAR(backdrop.lastDrawTint[0], 1.0f - 0.2f * 0.15f, 1e-5f);
    dialogPort.open = 1;
    dialogPort.anim = 0.5f;  // half open: 0.2 * 0.5 + 0.8 = 0.9
    frame(0.0f);
    EXPECT_NEAR(backdrop.lastDrawTint[0], backdrop.tint[0] * 0.9f, 1e-5f);
    EXPECT_NEAR(backdrop.lastDrawTint[2], 0.9f, 1e-5f);
    EXPECT_FLOAT_EQ(backdrop.lastDrawTint[3], 1.0f);
    const GpuVertex* v = nullptr;
    gpuLastVertices(&v);
    dialogPort.anim = 0.0f;  // open: 0.8
    frame(0.0f);
    EXPECT_NEAR(backdrop.lastDrawTint[2], 0.8f, 1e-5f);
    // the stored tint itself is not dimmed
    EXPECT_NEAR(backdrop.tint[2], 1.0f, 1e-5f);
    dialogPort.open = 0;
    frame(0.0f);
    EXPECT_NEAR(backdrop.lastDrawTint[2], 1.0f, 1e-5f);
}

TEST_F(BackdropScene, CrossFadeHidesTheOldSceneWithOrWithoutTheCameraMove)
{
    show(2, {{"water_a", -100, 0, 100, -100, 0, 10, 0}, {"rock", 0, 10, 10, 0}, {"good_mesh", 100, 100, 200, 0}});
    prepareBackdrop(7);
    // without the camera move the clock falls six times as fast: 3000 - 600 = 2400, s = 0.2
    compositeDraws.clear();
    frame(100.0f, false);
    EXPECT_FLOAT_EQ(backdrop.fadeMs, 2400.0f);
    EXPECT_NEAR(backdrop.lastObjectAlpha, 1.0f - 0.4f, 1e-5f);
    EXPECT_EQ(compositeDraws.size(), 1u);  // the old scene's decoration, still the more opaque
    EXPECT_FLOAT_EQ(backdrop.lastScale, 1.0f);
    // with it, the clock falls by the frame time and the camera moves
    frame(100.0f, true);
    EXPECT_FLOAT_EQ(backdrop.fadeMs, 2300.0f);
    float s = 1.0f - 2300.0f / 3000.0f;
    EXPECT_NEAR(backdrop.lastObjectAlpha, 1.0f - 2.0f * s, 1e-5f);
    EXPECT_NEAR(backdrop.lastScale, 1.0f + 1.5f * s * s, 1e-5f);
    // the camera move does not outlast the frame
    Matrix view = getTransform(GpuTransform::View);
    EXPECT_FLOAT_EQ(view.m[0][0], 1.0f);
    EXPECT_FLOAT_EQ(view.m[3][0], 0.0f);
    EXPECT_EQ(compositeDraws.size(), 2u);  // s = 0.23: still drawn
    frame(300.0f, true);  // 2000: the next picture is more than half in, the decoration gone
    EXPECT_EQ(compositeDraws.size(), 2u);
    // below 1500 the animated objects have the cube of the fade value
    frame(600.0f, true);
    EXPECT_FLOAT_EQ(backdrop.fadeMs, 1400.0f);
    float f = 1.0f - 1400.0f / 1500.0f;
    EXPECT_NEAR(backdrop.lastObjectAlpha, f * f * f, 1e-6f);
    int spray = liveSpray();
    EXPECT_EQ(spray, 0);
    // a cross-fade towards the backdrop already shown leaves its objects alone
    setBackdrop(7);
    show(7, {{"water_a", -100, 0, 100, -100, 0, 10, 0}});
    prepareBackdrop(7);
    frame(100.0f, true);
    EXPECT_FLOAT_EQ(backdrop.lastObjectAlpha, 1.0f);
}

TEST_F(BackdropScene, SceneFollowsTheBackdropNumberAndIsNotReloadedForTheSameOne)
{
    put("AnimBacks/level0.lev", sceneFile({{"rock", 0, 10, 10, 0}}));
    show(4, {{"post", 0, 10, 10, 0}, {"rock", 0, 10, 10, 0}});
    EXPECT_EQ(backdrop.sceneNumber, 4);
    ASSERT_EQ(backdrop.objectCount, 2);
    backdrop.objects[0].clockMs = 4321.0f;
    setBackdrop(4);
    frame(0.0f);
    EXPECT_FLOAT_EQ(backdrop.objects[0].clockMs, 4321.0f);  // nothing was read again
    setBackdrop(20);  // outside 0..17: backdrop 0 with its scene
    frame(0.0f);
    EXPECT_EQ(backdrop.number, 0);
    EXPECT_EQ(backdrop.sceneNumber, 0);
    ASSERT_EQ(backdrop.objectCount, 1);
    EXPECT_EQ(backdrop.objects[0].object, findCatalogueObject("rock"));
    EXPECT_STREQ(backdropSceneName(-2), "AnimBacks\\level0.lev");
    EXPECT_STREQ(backdropSceneName(17), "AnimBacks\\level17.lev");
}

TEST_F(BackdropScene, MissingSceneIsAFatalLoadError)
{
    resetBackdrop();
    backdrop.meshHooks.load = fakeLoad;
    backdrop.meshHooks.draw = fakeDraw;
    std::filesystem::remove(dir + "/AnimBacks/level12.lev");
    loadBackdropCatalogue();
    EXPECT_EQ(ExitRecorder::exits(), 1);
    EXPECT_NE(std::string(fileTable.lastFatalText).find("level12.lev"), std::string::npos);
}

}  // namespace
