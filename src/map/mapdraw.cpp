// Drawing the adventure map: the picture through the view, the stage marks with the dotted
// path between completed stages, the ring of level marks, the traveller, the sparks, the frame
// around the map window, the stage picture and texts, the info panel with the miniature of the
// chosen level, and the congratulation panel.
#include "map/mapdraw.h"

#include "core/appstate.h"
#include "effects/effects.h"
#include "graphics/draw.h"
#include "graphics/textures.h"
#include "map/map.h"
#include "map/stagepicture.h"
#include "ui/panels.h"
#include "persist/profile.h"
#include "platform/os/files.h"
#include "resources/files.h"
#include "resources/texts.h"
#include "ui/font.h"
#include "ui/messages.h"

#include <cmath>
#include <cstdio>
#include <cstring>

LevelMiniature levelMiniature = {-1, {}, {}};

namespace {

struct MapTextures {
    Texture* map;        // "megamap.jpg"
    Texture* frame;      // "mapback.jpg"
    Texture* dot;        // "maplevelmark.tga"
    Texture* star;       // "mapstar.tga"
    Texture* traveller;  // "mapstagemark.tga"
    Texture* unknown;    // "mapartefact_q.tga"
    Texture* icons[MAP_STAGE_COUNT];  // "smallart%.2i.tga"
    Texture* back[2];    // "mapback1.tga", "mapback2.tga"
    Texture* start;      // "mapstart.tga" (served by "_a_mapstart.jpg")
};

MapTextures tex;

const Rect FULL_UV{0.0f, 0.0f, 1.0f, 1.0f};
constexpr float DOT_SPACING = 14.0f;
constexpr float DOT_END_GAP = 35.0f;
// The info panel's origin and the places of its parts relative to it.
const Vec2 INFO_ORIGIN{248.0f, -103.0f};
const Vec2 MINIATURE_AT{-70.0f, -77.0f};
constexpr float MINIATURE_CELL = 5.0f;

void sprite(const Texture* t, const Vec2& c, float size, float angle, Color colour)
{
    if (!t) return;
    setTexture(t);
    drawSprite(c.x, c.y, c.x, c.y, angle, size, size, FULL_UV, colour);
}

// Appends an ASCII text to a UTF-16 buffer.
void appendAscii(char16_t* out, int capacity, const char* s)
{
    int n = 0;
    while (n < capacity - 1 && out[n]) ++n;
    while (*s && n < capacity - 1) out[n++] = static_cast<char16_t>(static_cast<unsigned char>(*s++));
    out[n] = 0;
}

void copyText(char16_t* out, int capacity, const char16_t* s)
{
    int n = 0;
    while (s && s[n] && n < capacity - 1) {
        out[n] = s[n];
        ++n;
    }
    out[n] = 0;
}

// Axis-aligned quads gathered into one triangle list, drawn with one call (the miniature's
// cells, the dots of the path).
struct QuadBatch {
    static constexpr int CAPACITY = 2 + 4 * 11 * 12;  // frame, ground and up to four quads a place
    QuadVertex v[6 * CAPACITY];
    int quads = 0;
    void add(float l, float t, float r, float b, Color c)
    {
        if (quads >= CAPACITY) return;
        uint32_t w = modulateColor(c).asWord();
        const QuadVertex q[6] = {{{l, t, 10.0f}, w, 0, 0}, {{r, t, 10.0f}, w, 1, 0}, {{l, b, 10.0f}, w, 0, 1},
                                 {{r, t, 10.0f}, w, 1, 0}, {{r, b, 10.0f}, w, 1, 1}, {{l, b, 10.0f}, w, 0, 1}};
        for (int i = 0; i < 6; ++i) v[quads * 6 + i] = q[i];
        ++quads;
    }
    void draw(const Texture* t)
    {
        if (quads == 0) return;
        setTexture(t);
        drawUserPrimitives(v, quads * 2, FVF_QUADVERTEX, GpuPrimitive::TriangleList);
        quads = 0;
    }
};

// ---- The map window ----

void drawMapPicture()
{
    if (!tex.map) return;
    Vec2 c = mapViewCentre();
    const float halfW = (MAP_WINDOW_RIGHT - MAP_WINDOW_LEFT) / 2.0f;
    const float halfH = (MAP_WINDOW_TOP - MAP_WINDOW_BOTTOM) / 2.0f;
    Rect uv;
    uv.set((c.x - halfW) / MAP_PICTURE_SIZE, (c.y - halfH) / MAP_PICTURE_SIZE, (c.x + halfW) / MAP_PICTURE_SIZE,
           (c.y + halfH) / MAP_PICTURE_SIZE);
    Rect r;
    r.set(MAP_WINDOW_LEFT, MAP_WINDOW_TOP, MAP_WINDOW_RIGHT, MAP_WINDOW_BOTTOM);
    setTexture(tex.map);
    drawQuadRect(r, uv, Color(255, 255, 255, 255));
}

// The frame picture around the map window, as four strips, so that marks near the window's
// edge are cut off by it.
void drawFrame()
{
    if (!tex.frame) return;
    setTexture(tex.frame);
    auto strip = [](float l, float t, float r, float b) {
        Rect q, uv;
        q.set(l, t, r, b);
        uv.set((l + 400.0f) / 800.0f, (300.0f - t) / 600.0f, (r + 400.0f) / 800.0f, (300.0f - b) / 600.0f);
        drawQuadRect(q, uv, Color(255, 255, 255, 255));
    };
    strip(-400.0f, 300.0f, 400.0f, MAP_WINDOW_TOP);
    strip(-400.0f, MAP_WINDOW_BOTTOM, 400.0f, -300.0f);
    strip(-400.0f, MAP_WINDOW_TOP, MAP_WINDOW_LEFT, MAP_WINDOW_BOTTOM);
    strip(MAP_WINDOW_RIGHT, MAP_WINDOW_TOP, 400.0f, MAP_WINDOW_BOTTOM);
}

void drawStageMarks()
{
    const MapState& m = mapState;
    Vec2 p = pointerForPanels();
    static QuadBatch dots;
    for (int s = 0; s < m.stageCount; ++s) {
        bool complete = stageComplete(s);
        if (complete && s + 1 < m.stageCount && tex.dot) {
            for (float a = m.stageArc[s] + DOT_END_GAP; a <= m.stageArc[s + 1] - DOT_END_GAP; a += DOT_SPACING) {
                Vec2 c = mapToScreen(pathPointAt(a));
                // Only the dots near the window (the frame covers the rest).
                if (c.x < MAP_WINDOW_LEFT - 8 || c.x > MAP_WINDOW_RIGHT + 8 || c.y < MAP_WINDOW_BOTTOM - 8 ||
                    c.y > MAP_WINDOW_TOP + 8)
                    continue;
                dots.add(c.x - 6, c.y + 6, c.x + 6, c.y - 6, Color(255, 255, 255, 255));
                if (dots.quads == QuadBatch::CAPACITY) dots.draw(tex.dot);
            }
        }
    }
    dots.draw(tex.dot);
    for (int s = 0; s < m.stageCount; ++s) {
        Vec2 c = mapToScreen(pathPointAt(m.stageArc[s]));
        const Texture* icon = stageComplete(s) ? tex.icons[s] : tex.unknown;
        if (!stageOpen(s)) {
            sprite(tex.icons[s], c, 64.0f, 0.0f, Color(255, 255, 255, 10));
            continue;
        }
        bool over = std::fabs(p.x - c.x) <= 32.0f && std::fabs(p.y - c.y) <= 32.0f && p.x >= MAP_WINDOW_LEFT &&
                    p.x <= MAP_WINDOW_RIGHT;
        float size = over && s != m.currentStage && !artefactPanelOpen() ? 68.0f : 64.0f;
        sprite(icon, c, size, 0.0f, Color(255, 255, 255, 255));
    }
}

void drawTraveller()
{
    const MapState& m = mapState;
    Vec2 c = mapToScreen(pathPointAt(m.travellerArc));
    float pulse = 0.5f + 0.5f * sinDeg(m.glowPhase);
    sprite(tex.traveller, c, 92.0f + 6.0f * pulse, m.glowPhase * 0.25f, Color(255, 255, 255, 230));
}

void drawRing()
{
    const MapState& m = mapState;
    int s = m.currentStage;
    if (s < 0 || s >= m.stageCount || !tex.star) return;
    int n = stageLevelCount(s), first = firstLevelOfStage(s);
    for (int j = 0; j < n; ++j) {
        int level = first + j;
        float t = m.ringTimer > 0.0f ? m.ringTimer - static_cast<float>(n - j) * 80.0f : 0.0f;
        if (t < 0.0f) t = 0.0f;
        float grow = 1.0f + t / 200.0f;
        int alpha = static_cast<int>(255.0f - 255.0f * t / 2000.0f);
        if (alpha <= 0) continue;
        float turn = 0.1f * t;
        Vec2 c = ringMarkPosition(level);
        float phase = m.glowPhase * 0.5f + static_cast<float>(j) * 360.0f / static_cast<float>(n);
        if (m.levelDone[level]) {
            setBlendMode(1);
            sprite(tex.star, c, (32.0f + 5.0f * sinDeg(phase)) * grow, turn, Color(255, 210, 120, alpha * 200 / 255));
            setBlendMode(0);
        }
        if (level == m.selectedLevel) {
            float size = (29.0f + 4.0f * sinDeg(m.glowPhase * 0.5f)) * grow;
            sprite(tex.star, c, size + 20.0f, -m.glowPhase - turn, Color(255, 255, 255, alpha * 170 / 255));
            sprite(tex.star, c, size, m.glowPhase + turn, Color(255, 255, 255, alpha));
        } else {
            // Marks that cannot be chosen yet are drawn darker.
            int v = levelSelectable(level) ? 255 : 150;
            sprite(tex.star, c, 25.0f * grow, turn, Color(v, v, v, alpha));
        }
    }
}

void drawSparks()
{
    const MapState& m = mapState;
    if (!tex.star) return;
    setBlendMode(1);
    for (const MapSpark& k : m.sparks) {
        if (!k.active || k.ageMs < 0.0f) continue;
        for (int trail = 0; trail < 4; ++trail) {
            float f = (k.ageMs - static_cast<float>(trail) * 40.0f) / k.lifeMs;
            if (f < 0.0f) break;
            // A curve lifted above the straight line between the mark and the piece.
            Vec2 mid = k.from.lerp(k.to, 0.5f).add(Vec2{0.0f, 120.0f});
            Vec2 a = k.from.lerp(mid, f), b = mid.lerp(k.to, f);
            Vec2 p = a.lerp(b, f);
            int alpha = 255 - trail * 55;
            sprite(tex.star, p, 26.0f - static_cast<float>(trail) * 4.0f, k.ageMs * 0.5f, Color(255, 230, 150, alpha));
        }
    }
    setBlendMode(0);
}

void drawMiniature(const Vec2& c);

// The map serves three modes: the mode it was entered for is named on a plaque at the top of the
// map, right of the back button.
void drawModeLabel()
{
    static const char* const keys[3] = {"classicmode", "endlessmode", "puzzlemode"};
    int mode = profileState.count > 0 ? profileMode() : 0;
    const char16_t* name = text(keys[mode >= 0 && mode < 3 ? mode : 0]);
    if (!name || !name[0]) return;
    selectFont(0);
    constexpr float SIZE = 14.0f;
    constexpr Vec2 AT{-130.0f, 266.0f};
    float w = measureText(name, SIZE) + 2.0f * SIZE;
    setTexture(nullptr);
    drawQuadCentered(AT.x, AT.y, w + 4.0f, 2.4f * SIZE + 4.0f, FULL_UV, Color(200, 160, 70, 230));
    drawQuadCentered(AT.x, AT.y, w, 2.4f * SIZE, FULL_UV, Color(40, 22, 12, 235));
    drawTextShadowed(AT.x, AT.y, SIZE, name, true, Color(255, 230, 80, 255), Color(0, 0, 0, 200), 1.5f, 1.0f, -1.0f);
    setTextColour(255, 255, 255, 255);
}

void drawInfoPanel()
{
    const MapState& m = mapState;
    selectFont(0);
    char16_t line[96] = {};
    char num[16];
    copyText(line, 96, text("level"));
    std::snprintf(num, sizeof num, " %d", m.selectedLevel + 1);
    appendAscii(line, 96, num);
    setTextColour(255, 255, 255, 255);
    drawText(INFO_ORIGIN.x - 6.0f, INFO_ORIGIN.y - 93.0f, 11.0f, line);
    line[0] = 0;
    copyText(line, 96, text("stage"));
    std::snprintf(num, sizeof num, " %d", stageOfLevel(m.selectedLevel) + 1);
    appendAscii(line, 96, num);
    drawText(INFO_ORIGIN.x - 6.0f, INFO_ORIGIN.y - 76.0f, 11.0f, line);
    setTextColour(255, 240, 60, 255);
    drawText(INFO_ORIGIN.x - 6.0f, INFO_ORIGIN.y - 59.0f, 11.0f, currentProfile().name);
    setTextColour(255, 255, 255, 255);

    readMiniature(m.selectedLevel);
    drawMiniature(INFO_ORIGIN.add(MINIATURE_AT));
}

void drawMiniature(const Vec2& c)
{
    static QuadBatch batch;
    batch.quads = 0;
    const LevelMiniature& mini = levelMiniature;
    const float w = 12.0f * MINIATURE_CELL, h = 11.0f * MINIATURE_CELL;
    batch.add(c.x - w / 2 - 3, c.y + h / 2 + 3, c.x + w / 2 + 3, c.y - h / 2 - 3, Color(200, 160, 70, 255));
    batch.add(c.x - w / 2 - 2, c.y + h / 2 + 2, c.x + w / 2 + 2, c.y - h / 2 - 2, Color(40, 22, 12, 255));
    static const Color FIXED[8] = {Color(90, 220, 230, 255), Color(70, 110, 240, 255), Color(70, 200, 90, 255),
                                   Color(230, 60, 70, 255),  Color(240, 170, 40, 255), Color(190, 110, 230, 255),
                                   Color(240, 240, 250, 255), Color(250, 220, 60, 255)};
    // Drawn like the board: a dark slot for a bare place; a gold square with a light top edge and a
    // dark bottom edge for a place with a square; a dual square with a second, darker gold square
    // inside; a fixed figure as a coloured gem on its slot. Holes leave the panel's ground.
    const float q = MINIATURE_CELL;
    for (int r = 0; r < 11 && mini.level >= 0; ++r)
        for (int col = 0; col < 12; ++col) {
            int8_t k = mini.places[r][col];
            if (k == MiniHole) continue;
            float l = c.x - w / 2 + static_cast<float>(col) * q;
            float t = c.y + h / 2 - static_cast<float>(r) * q;
            float rr = l + q, b = t - q;
            if (k == MiniSquare || k == MiniDual) {
                batch.add(l + 0.3f, t - 0.3f, rr - 0.3f, b + 0.3f, Color(120, 80, 30, 255));       // dark edge
                batch.add(l + 0.3f, t - 0.3f, rr - 0.9f, b + 0.9f, Color(250, 215, 130, 255));     // light edge
                batch.add(l + 0.9f, t - 0.9f, rr - 0.9f, b + 0.9f, Color(222, 172, 80, 255));      // face
                if (k == MiniDual) batch.add(l + 1.7f, t - 1.7f, rr - 1.7f, b + 1.7f, Color(160, 105, 40, 255));
            } else {
                batch.add(l + 0.3f, t - 0.3f, rr - 0.3f, b + 0.3f, Color(28, 24, 34, 255));
                if (k == MiniFixed) batch.add(l + 1.2f, t - 1.2f, rr - 1.2f, b + 1.2f, FIXED[mini.colours[r][col] & 7]);
            }
        }
    batch.draw(nullptr);
}

void drawCongratulation()
{
    const MapState& m = mapState;
    if (m.congratState < 0) return;
    float f = 1.0f;
    if (m.congratState == 0) f = m.congratTimer / 500.0f;
    if (m.congratState == 2) f = 1.0f - m.congratTimer / 500.0f;
    if (f <= 0.0f) return;
    if (f > 1.0f) f = 1.0f;
    // Scaled about the panel's centre (0, 0): 400 x 400 from (-200, 200).
    drawPanel(0.0f, 0.0f, 400.0f * f, 400.0f * f);
    selectFont(0);
    setTextColour(255, 235, 120, 255);
    const char16_t* words = text("congratulation");
    float h = wrapText(300.0f * f, words ? words : u"", 12.0f * f);
    drawText(0.0f, (h / 2.0f + 40.0f) * f, 12.0f * f, wrappedText(), true);
    setTextColour(255, 255, 255, 255);
    const char16_t* ok = text("ok");
    Vec2 p = pointerForPanels();
    bool over = m.congratState == 1 && std::fabs(p.x) <= 64.0f && std::fabs(p.y + 144.0f) <= 32.0f;
    drawButtonPicture(0.0f, -144.0f * f, 128.0f * f, 64.0f * f, 18.0f * f, ok && ok[0] ? ok : u"OK", over);
}

bool isPlaceCode(unsigned char ch) { return ch == '.' || (ch >= '0' && ch <= 'z') || ch >= 0xC0; }

void placeFromCode(unsigned char ch, int8_t& place, int8_t& colour)
{
    colour = -1;
    place = MiniBare;
    if (ch == '.') place = MiniHole;
    else if (ch == '1') place = MiniSquare;
    else if (ch == '2') place = MiniDual;
    else if (ch >= 'A' && ch <= 'O') colour = static_cast<int8_t>(ch - 'A');
    else if (ch >= 0x51 && ch <= 0x5F) colour = static_cast<int8_t>(ch - 0x51);
    else if (ch >= 'a' && ch <= 'o') colour = static_cast<int8_t>(ch - 'a');
    else if (ch >= 'q' && ch <= 'z') colour = static_cast<int8_t>(ch - 'q');
    else if (ch >= 0xC0 && ch <= 0xCE) colour = static_cast<int8_t>(ch - 0xC0);
    else if (ch >= 0xD0 && ch <= 0xDE) colour = static_cast<int8_t>(ch - 0xD0);
    if (colour >= 0) place = MiniFixed;
}

} // namespace

Vec2 pointerForPanels()
{
    return pointerToScreen();
}

void parseMiniature(const char* text, int32_t size, LevelMiniature& out)
{
    for (int r = 0; r < 11; ++r)
        for (int c = 0; c < 12; ++c) {
            out.places[r][c] = MiniBare;
            out.colours[r][c] = -1;
        }
    if (!text || size <= 0) return;
    const char* key = nullptr;
    // The text may hold zero bytes: search within size only.
    for (int32_t i = 0; i + 6 <= size && !key; ++i)
        if (std::memcmp(text + i, "level=", 6) == 0) key = text + i;
    if (!key) return;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(key + 6);
    const unsigned char* end = reinterpret_cast<const unsigned char*>(text) + size;
    for (int place = 0; place < 132; ++place) {
        if (p >= end || *p == 0) return;
        if (end - p >= 4 && p[0] == '\r' && p[1] == '\n' && p[2] == '\r' && p[3] == '\n') return;
        while (p < end && *p != 0 && !isPlaceCode(*p)) ++p;
        if (p >= end || *p == 0) return;
        placeFromCode(*p, out.places[place / 12][place % 12], out.colours[place / 12][place % 12]);
        ++p;
    }
}

bool readMiniature(int level)
{
    if (level == levelMiniature.level) return true;
    if (level < 0 || level >= MAP_LEVEL_COUNT) return false;
    char name[32];
    std::snprintf(name, sizeof name, "pack1_%.2i.lvl", level + 1);  // files are numbered from 1
    char previous[OS_PATH_MAX];
    std::snprintf(previous, sizeof previous, "%s", osGetCurrentDirectory());
    bool entered = osSetCurrentDirectory("levels");
    int32_t size = 0;
    const uint8_t* data = entered ? readFile(name, &size, false) : nullptr;
    if (entered) osSetCurrentDirectory(previous);
    if (!data) {
        levelMiniature.level = -1;
        return false;
    }
    parseMiniature(reinterpret_cast<const char*>(data), size, levelMiniature);
    releaseFile(data);
    levelMiniature.level = level;
    return true;
}

bool loadMapPictures()
{
    tex = MapTextures{};
    // The map's pictures are required where the map picture exists; a data set without one
    // (a test's scratch folder) has no map to draw.
    tex.map = loadTextureEx("megamap.jpg", false, false);
    if (!tex.map) return false;
    tex.frame = loadTexture("mapback.jpg");
    tex.dot = loadTexture("maplevelmark.tga");
    tex.star = loadTexture("mapstar.tga");
    tex.traveller = loadTexture("mapstagemark.tga");
    tex.unknown = loadTexture("mapartefact_q.tga");
    bool ok = tex.map && tex.frame && tex.dot && tex.star && tex.traveller && tex.unknown;
    for (int s = 0; s < MAP_STAGE_COUNT; ++s) {
        char name[32];
        std::snprintf(name, sizeof name, "smallart%.2i.tga", s);
        tex.icons[s] = loadTexture(name);
        ok = ok && tex.icons[s];
    }
    tex.back[0] = loadTexture("mapback1.tga");
    tex.back[1] = loadTexture("mapback2.tga");
    tex.start = loadTexture("mapstart.tga");
    return ok && tex.back[0] && tex.back[1] && tex.start;
}

void releaseMapTextures()
{
    Texture* all[] = {tex.map, tex.frame, tex.dot, tex.star, tex.traveller, tex.unknown, tex.back[0], tex.back[1], tex.start};
    for (Texture* t : all) releaseTexture(t);
    for (Texture* t : tex.icons) releaseTexture(t);
    tex = MapTextures{};
}

void drawMap(int pass)
{
    MapState& m = mapState;
    if (pass == 0) {
        updateMap(app.frameMs);
        if (!ensureMapPictures()) return;
        drawMapPicture();
        drawStageMarks();
        drawTraveller();
        drawRing();
        drawFrame();
        const StagePicture& sp = stagePictures.picture;
        bool animating = m.completionTimer >= 0.0f;
        bool complete = stageComplete(m.currentStage);
        if (!complete || animating) {
            drawStagePicture(true);
        } else {
            drawStagePicture(false);
        }
        if (m.hoverFade > 0.0f && m.hoverStageShown >= 0)
            drawArtefactPicture(m.hoverStageShown, sp.centre, sp.size, static_cast<int>(m.hoverFade));
        drawStageTexts(m.hoverFade > 127.0f && m.hoverStageShown >= 0 ? m.hoverStageShown : m.currentStage);
        drawInfoPanel();
        drawModeLabel();
        drawSparks();
        updateAndDrawBursts();
        return;
    }
    if (!m.picturesLoaded) return;
    drawArtefactPanel();
    drawCongratulation();
}

void drawMapButton(int which, float x, float y, float w, float h, float alpha, bool hover)
{
    const Texture* t = which == 0 ? tex.start : tex.back[hover ? 1 : 0];
    if (!t) return;
    int a = static_cast<int>(alpha * 255.0f);
    if (a <= 0) return;
    setTexture(t);
    int v = which == 0 && hover ? 255 : 235;
    Rect uv = FULL_UV;
    if (which == 0) uv.bottom = 106.0f / 128.0f;  // the start button fills the picture's top 106 rows
    drawQuadCentered(x, y, w, h, uv, Color(v, v, v, a > 255 ? 255 : a));
}
