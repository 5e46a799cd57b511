#include "game/boardrender.h"

#include <cmath>
#include <cstring>

#include "core/appstate.h"
#include "core/dialogport.h"
#include "core/random.h"
#include "effects/effects.h"
#include "effects/flare.h"
#include "game/boardstep.h"
#include "game/click.h"
#include "game/hud.h"
#include "game/hudtext.h"
#include "game/playstate.h"
#include "graphics/device.h"
#include "graphics/draw.h"

BoardRenderState boardRender;

namespace {

constexpr float PI = 3.14159265358979f;
constexpr float BOARD_CAMERA_DISTANCE = 120.0f;
constexpr float SQUARE_PIECE_FADE_MS = 200.0f;
constexpr float SQUARE_PIECE_LIFE_MS = 700.0f;
// Colour of the glow under a highlighted tile: warm amber, as every non-magic glow.
constexpr int GLOW_R = 255, GLOW_G = 206, GLOW_B = 128;
// The ring round a new bonus: 16 twinkles of the particle atlas.
constexpr int BONUS_SPARKS = 16;
constexpr int BONUS_SPARK_CELL = 4;

uint32_t savedCullMode = CullCCW;

const char* const STRIP_NAMES[FIGURE_IMAGE_COUNT] = {
    "figures\\aqua.tga",   "figures\\blue.tga",   "figures\\green.tga",  "figures\\red.tga",
    "figures\\orange.tga", "figures\\lilac.tga",  "figures\\white.tga",  "figures\\yellow.tga",
    "figures\\aqua.tga",   "figures\\blue.tga",   "figures\\green.tga",  "figures\\red.tga",
    "figures\\orange.tga", "figures\\lilac.tga",  "figures\\white.tga",  "figures\\yellow.tga",
    "figures\\aqua.tga",
};
const char* const TILE_NAMES[3] = {"field\\field0.tga", "field\\field1.tga", "field\\field2.tga"};

int clampByte(float v)
{
    if (v < 0.0f) return 0;
    if (v > 255.0f) return 255;
    return static_cast<int>(v);
}

// The picture of a figure colour, or null when the colour maps outside the 17 strips.
const Texture* figurePicture(int colour)
{
    if (colour < 0 || colour >= MAX_COLOURS) return nullptr;
    int image = board.figureImage[colour];
    if (image < 0 || image >= FIGURE_IMAGE_COUNT) return nullptr;
    return boardRender.figures[image];
}

// Selects a frame of a figure strip through the texture transform. The board's sprites carry the
// texture points 0..-1, which the wrap addressing shows turned by 180 degrees; the transform maps
// -1..0 onto the frame's cell (the translation sits in the third row because 2-D texture points
// enter the transform as (u, v, 1, 0)).
void selectFrame(int frame)
{
    Rect r = figureFrameRect(frame);
    Matrix m;
    m.m[0][0] = r.right - r.left;
    m.m[1][1] = r.bottom - r.top;
    m.m[2][0] = r.right;
    m.m[2][1] = r.bottom;
    m.m[2][2] = 1.0f;
    setTransform(GpuTransform::Texture0, &m);
    setTextureStageState(GpuTextureStageState::TextureTransformFlags, TTFF_COUNT2);
}

void endFrameSelection()
{
    setTextureStageState(GpuTextureStageState::TextureTransformFlags, TTFF_DISABLE);
    setTransform(GpuTransform::Texture0, nullptr);
}

void drawFigureSprite(const Texture* picture, int frame, float x, float y, Color colour)
{
    if (!picture) return;
    selectFrame(frame);
    drawSprite3D(picture, x, y, 180.0f, FIGURE_HALF_SIZE, colour);
    endFrameSelection();
}

void additiveBlend()
{
    setRenderState(GpuRenderState::AlphaBlendEnable, 1);
    setRenderState(GpuRenderState::SrcBlend, BlendSrcAlpha);
    setRenderState(GpuRenderState::DestBlend, BlendOne);
}

// A soft additive light of "flare.jpg": a square of edge `size` turned by `angle` degrees.
void glow(Vec2 at, float angle, float size, Color colour)
{
    const Texture* t = boardRender.flare;
    if (!t || size <= 0.0f || colour.a == 0) return;
    additiveBlend();
    setTexture(t);
    float h = size / 2.0f, a = angle * PI / 180.0f, cs = std::cos(a), sn = std::sin(a);
    Vec2 right{h * cs, h * sn}, up{-h * sn, h * cs};
    const Vec3 corners[4] = {{at.x - right.x + up.x, at.y - right.y + up.y, 0.0f},
                             {at.x - right.x - up.x, at.y - right.y - up.y, 0.0f},
                             {at.x + right.x - up.x, at.y + right.y - up.y, 0.0f},
                             {at.x + right.x + up.x, at.y + right.y + up.y, 0.0f}};
    drawQuad4Unit(corners, colour);
    setBlendMode(0);
}

// The places of the hovered group as a grid of flags.
void hoveredGroupMask(bool mask[BOARD_ROWS][BOARD_COLS])
{
    std::memset(mask, 0, sizeof(bool) * BOARD_CELLS);
    if (board.groupSize < 2) return;
    int n = board.groupSize > BOARD_CELLS ? BOARD_CELLS : board.groupSize;
    for (int i = 0; i < n; i++) {
        int r = board.groupRows[i], c = board.groupCols[i];
        if (r >= 0 && r < BOARD_ROWS && c >= 0 && c < BOARD_COLS) mask[r][c] = true;
    }
}

const Texture* tilePicture(int tile)
{
    if (tile < 0) return nullptr;
    return boardRender.tiles[tile > 2 ? 2 : tile];
}

void drawTiles(Color colour, CellPos under)
{
    BoardRenderState& s = boardRender;
    s.tilePulseMs += 2.0f * app.frameMs;
    bool mask[BOARD_ROWS][BOARD_COLS];
    hoveredGroupMask(mask);
    bool over = play.levelWon || play.levelLost;
    // The idle hint: its group glows, pulsing, while the hint shows.
    bool hinting = board.hintShown && !board.hammerArmed && !over && board.hintTimerMs > board.hintDelayMs;
    float hintPulse = 0.5f + 0.5f * std::sin(0.005f * board.boardClockMs);
    for (int row = 0; row < BOARD_ROWS; row++) {
        for (int col = 0; col < BOARD_COLS; col++) {
            Cell& c = board.cells[row][col];
            if (c.tile < 0) continue;
            Vec2 p = cellCentre(col, row).add(c.jiggle);
            bool isUnder = row == under.row && col == under.col;
            bool lit = false;
            float half = TILE_HALF_SIZE;
            if (board.hammerArmed) {
                if (isUnder) {
                    lit = true;
                    half = 27.0f + 2.0f * std::sin(0.003f * s.tilePulseMs);
                } else {
                    board.hintShown = 1;  // no new hint while the hammer is armed
                }
            } else if (mask[row][col]) {
                c.highlighted = board.hoverValid;
                lit = board.hoverValid != 0;
            }
            if (lit) board.hintTimerMs = 0.0f;
            const Texture* t = tilePicture(c.tile);
            if (t) drawSprite3D(t, p.x, p.y, 180.0f, half, colour);
            if (lit && !over) {
                // The light itself, and a wider halo that spills over the tile's edge.
                float turn = s.tilePulseMs * 0.057298f;
                glow(p, turn, 64.0f, Color(GLOW_R, GLOW_G, GLOW_B, colour.a));
                glow(p, -turn, 84.0f, Color(GLOW_R, GLOW_G, GLOW_B, colour.a * 3 / 5));
            } else if (hinting && c.colour >= 0 && c.groupId == board.hintGroup) {
                glow(p, s.tilePulseMs * 0.057298f, 64.0f,
                     Color(GLOW_R, GLOW_G, GLOW_B, static_cast<int>(static_cast<float>(colour.a) * hintPulse)));
            }
        }
    }
}

void queueCrackle(Vec2 figure, int alphaCap)
{
    for (const Crackle& k : boardRender.crackles) {
        int a = clampByte(k.timerMs / 500.0f * 250.0f);
        if (a > 250) a = 250;
        if (a > alphaCap) a = alphaCap;
        queueBolt(figure.add(k.from), figure.add(k.to), 5.0f, 0.8f, 8.0f, 4.0f, Color(255, 255, 255, a),
                  Color(55, 55, 255, a));
    }
}

void drawBombLights(Vec2 at, int alphaCap)
{
    static const Vec2 OFFSETS[5] = {{16, 16}, {16, -16}, {-16, 16}, {-16, -16}, {0, 0}};
    static const float AMPLITUDE[5] = {0.7f, 0.6f, 0.5f, 0.4f, 0.3f};
    for (int i = 0; i < 5; i++) {
        float b = AMPLITUDE[i] * std::sin(0.0015f * board.boardClockMs + 2.0f * PI * i / 5.0f) + (1.0f - AMPLITUDE[i]);
        if (b <= 0.0f) continue;
        int grey = clampByte(255.0f * b);
        Vec2 p = at.add(OFFSETS[i]);
        // A wide faint halo and a small bright core.
        glow(p, 0.0f, 270.0f * b * 0.25f, Color(grey, grey * 9 / 10, grey * 7 / 10, alphaCap * 2 / 5));
        glow(p, 0.0f, 40.0f * b, Color(grey, grey, grey, alphaCap));
    }
}

void drawMark(const Texture* t, Vec2 at, float half, int alpha)
{
    if (!t) return;
    drawSprite3D(t, at.x, at.y, 180.0f, half, Color(255, 255, 255, alpha));
}

void drawFigures(Color colour, CellPos under, int chainAlpha)
{
    bool marks = !play.paused && !play.levelWon && !play.levelLost && !dialogPort.open;
    float t = board.boardClockMs;
    int g = static_cast<int>(127.0f * std::sin(PI * t / 1000.0f) + 128.0f);
    if (g < 0) g = 0;
    if (g > 255) g = 255;
    if (g > colour.a) g = colour.a;
    float pulse = 2.0f * std::sin(PI * t / 1000.0f);
    bool emitSparks = false;
    if (marks) {
        boardRender.markEffectMs += app.frameMs;
        if (boardRender.markEffectMs >= 10.0f) {
            emitSparks = true;
            boardRender.markEffectMs = std::fmod(boardRender.markEffectMs, 10.0f);
        }
    }
    for (int row = 0; row < BOARD_ROWS; row++) {
        for (int col = 0; col < BOARD_COLS; col++) {
            Cell& c = board.cells[row][col];
            if (c.tile < 0) continue;
            if (c.colour >= 0 && c.sweepPending) {
                bool isUnder = row == under.row && col == under.col;
                bool hovered = (c.highlighted && !dialogPort.open && !play.levelWon) || isUnder;
                animateFigure(c, hovered);
                Vec2 p = cellCentre(col, row).add(c.offset);
                drawFigureSprite(figurePicture(c.colour), c.animFrame, p.x, p.y, colour);
                if (marks) {
                    switch (c.bonus) {
                    case BonusKind::Bomb: drawBombLights(p, colour.a); break;
                    case BonusKind::Thunder: queueCrackle(p, colour.a); break;
                    case BonusKind::CrossBomb:
                    case BonusKind::MegaBomb:
                        drawMark(c.bonus == BonusKind::CrossBomb ? boardRender.crossMark : boardRender.megaMark, p,
                                 25.0f + pulse, g);
                        if (emitSparks) startEffect("bonus5IQ", p.x + 2.0f, p.y - 17.0f, p.x + 2.0f, p.y - 17.0f, 1.0f, -1);
                        break;
                    default: break;  // diagonal bombs look like plain figures
                    }
                }
            }
            if (c.chained > 0 && boardRender.chain) {
                Vec2 p = cellCentre(col, row).add(c.jiggle);
                Color chain = colour;
                chain.a = static_cast<uint8_t>(chainAlpha);
                if (chain.a > 0) drawSprite3D(boardRender.chain, p.x, p.y, 135.0f, 35.0f, chain);
            }
        }
    }
}

// The ring of 16 sparks that turns around a new bonus in the first second of its label
// (bonusTimer 2000 down to 1000): close round the figure and bright at first, then widening and
// fading as the second runs out, three quarters of a turn in all.
void drawBonusSparks(Vec2 centre, float bonusTimer, int maxAlpha)
{
    float u = (bonusTimer - 1000.0f) / 1000.0f;  // 1 when the bonus was made, 0 a second later
    if (u > 1.0f) u = 1.0f;
    if (u <= 0.0f) return;
    float radius = 26.0f + 14.0f * (1.0f - u);
    float turn = (1.0f - u) * 270.0f;
    float size = 16.0f + 12.0f * u;
    int alpha = clampByte(255.0f * std::sqrt(u));
    if (alpha > maxAlpha) alpha = maxAlpha;
    if (alpha == 0) return;
    for (int i = 0; i < BONUS_SPARKS; i++) {
        float a = (turn + 22.5f * static_cast<float>(i)) * PI / 180.0f;
        Vec2 at{centre.x + radius * std::cos(a), centre.y + radius * std::sin(a)};
        drawFlare(at, turn, size, Color(255, 230, 150, alpha), BONUS_SPARK_CELL);
    }
}

// Second pass: the label of a freshly created bomb, thunder or mega bomb, with its ring of sparks
// in the label's first second.
void drawBonusLabels(Color colour)
{
    for (int row = 0; row < BOARD_ROWS; row++) {
        for (int col = 0; col < BOARD_COLS; col++) {
            const Cell& c = board.cells[row][col];
            if (c.colour < 0 || c.bonusTimer <= 0.0f) continue;
            const char* key = c.bonus == BonusKind::Bomb      ? "bombbonus"
                              : c.bonus == BonusKind::Thunder ? "thunderbonus"
                              : c.bonus == BonusKind::MegaBomb ? "megabombonus"
                                                               : nullptr;
            if (!key) continue;
            float a = c.bonusTimer * 0.001f - 1.0f;
            float size = 18.0f - 18.0f * a * a * a * a;
            int alpha = clampByte(255.0f * std::sin(c.bonusTimer * 0.0005f * PI));
            if (alpha > colour.a) alpha = colour.a;
            if (size <= 0.0f || alpha == 0) continue;
            Vec2 p = cellCentre(col, row).add(c.offset);
            if (c.bonusTimer > 1000.0f) drawBonusSparks(p, c.bonusTimer, colour.a);
            hudText(key, p.x, p.y, size, Color(255, 230, 90, alpha), true);
        }
    }
}

void stepCrackles()
{
    for (Crackle& k : boardRender.crackles) {
        if (k.timerMs < 0.0f) {
            k.from = Vec2{randomUpTo(25.0f), randomUpTo(25.0f)};
            k.to = Vec2{randomUpTo(25.0f), randomUpTo(25.0f)};
            k.timerMs = 2000.0f + randomUpTo(1500.0f);
        }
        k.timerMs -= app.frameMs;
    }
}

bool thunderRunning()
{
    for (const BlastRecord& b : board.blasts)
        if (b.kind == BonusKind::Thunder && b.started) return true;
    return false;
}

void queueThunderBolts()
{
    if (!thunderRunning()) return;
    int sets = board.nextBoltSet;
    for (int s = 0; s < sets && s < BOLT_SET_COUNT; s++) {
        const BoltEntry* set = board.boltSets[s];
        if (!set[0].active) continue;
        for (int i = 1; i < BOLTS_PER_SET; i++) {
            if (!set[i].active || set[i].lifeMs <= 0.0f) continue;
            int a = clampByte(set[i].lifeMs / 800.0f * 250.0f);
            queueBolt(set[0].centre, set[i].centre, 25.0f, 1.5f, 15.0f, 8.0f, Color(255, 255, 255, a),
                      Color(55, 55, 255, a));
        }
    }
}

void drawSquarePieces(Color colour)
{
    static const Rect QUARTERS[4] = {{0.0f, 0.0f, 0.5f, 0.5f}, {0.5f, 0.0f, 1.0f, 0.5f},
                                     {0.5f, 0.5f, 1.0f, 1.0f}, {0.0f, 0.5f, 0.5f, 1.0f}};
    static const Vec2 CORNERS[4] = {{-14.0f, 14.0f}, {14.0f, 14.0f}, {14.0f, -14.0f}, {-14.0f, -14.0f}};
    setRenderState(GpuRenderState::AlphaBlendEnable, 1);
    setBlendMode(0);
    for (SquarePiece& piece : boardRender.pieces) {
        if (!piece.active) continue;
        const Texture* t = tilePicture(piece.oldTile);
        float age = piece.ageMs;
        int alpha = colour.a;
        if (age > SQUARE_PIECE_FADE_MS) {
            int fade = clampByte(255.0f - (age - SQUARE_PIECE_FADE_MS) / 500.0f * 255.0f);
            alpha = alpha * fade / 255;
        }
        bool glint = false;
        piece.glintMs += app.frameMs;
        if (piece.glintMs > 200.0f && age < 600.0f) {
            glint = true;
            piece.glintMs -= 200.0f;
        }
        for (int i = 0; i < 4; i++) {
            Vec2 dir = piece.direction;
            dir.rotate(-90.0f * static_cast<float>(i));
            Vec2 p = piece.centre.add(CORNERS[i]).add(dir.scale(age / 10.0f));
            p.y -= age * age / 5000.0f;  // the pieces also sink as they fly
            if (t) {
                setTexture(t);
                drawQuadCentered(p.x, p.y, 28.0f, 28.0f, QUARTERS[i], Color(255, 255, 255, alpha), 0.0f);
            }
            if (glint) startEffect("blik3", p.x, p.y, p.x, p.y, 1.0f, -1);
        }
        piece.ageMs += app.frameMs;
        if (piece.ageMs > SQUARE_PIECE_LIFE_MS) piece.active = 0;
    }
}

void drawBeam(Vec2 a, Vec2 b, float width, Color colour)
{
    if (colour.a == 0) return;
    drawBillboard(Vec3{a.x, a.y, 0.0f}, Vec3{b.x, b.y, 0.0f}, width, colour);
}

} // namespace

// ---- state ----

void resetBoardRender()
{
    boardRender = BoardRenderState{};
}

void clearBoardEffects()
{
    BoardRenderState& s = boardRender;
    for (SquarePiece& p : s.pieces) p = SquarePiece{};
    for (Debris& d : s.debris) d = Debris{};
    for (Crackle& k : s.crackles) k = Crackle{};
    s.nextPiece = 0;
    s.nextDebris = 0;
    s.boltCount = 0;
    s.markEffectMs = 0.0f;
}

const char* figureStripName(int index)
{
    if (index < 0 || index >= FIGURE_IMAGE_COUNT) return nullptr;
    return STRIP_NAMES[index];
}

void loadBoardPictures()
{
    BoardRenderState& s = boardRender;
    for (int i = 0; i < FIGURE_IMAGE_COUNT; i++) s.figures[i] = loadTexture(STRIP_NAMES[i]);
    for (int i = 0; i < 3; i++) s.tiles[i] = loadTexture(TILE_NAMES[i]);
    s.chain = loadTexture("zep2.tga");
    s.crossMark = loadTexture("bonus1.tga");
    s.megaMark = loadTexture("bonus2.tga");
    s.flare = loadTexture("flare.jpg");
    s.picturesOnShow = 1;
    loadHudPictures();
}

void loadBoardPicturesOnShow()
{
    if (boardRender.picturesOnShow && !boardPicturesResident()) loadBoardPictures();
}

bool boardPicturesResident() { return findTexture(STRIP_NAMES[0]) != nullptr; }

void releaseBoardPictures()
{
    BoardRenderState& s = boardRender;
    const Texture** all[] = {&s.chain, &s.crossMark, &s.megaMark, &s.flare};
    for (const Texture*& t : s.figures) t = nullptr;
    for (const Texture*& t : s.tiles) t = nullptr;
    for (const Texture** t : all) *t = nullptr;
    // By name: a pointer may be stale after a release of every texture.
    for (const char* name : STRIP_NAMES) releaseTextureByName(name);
    for (const char* name : TILE_NAMES) releaseTextureByName(name);
    static const char* const others[] = {"zep2.tga", "bonus1.tga", "bonus2.tga", "flare.jpg"};
    for (const char* name : others) releaseTextureByName(name);
    releaseHudPictures();
}

// ---- frames ----

Rect figureFrameRect(int frame)
{
    frame %= FIGURE_FRAMES;
    if (frame < 0) frame += FIGURE_FRAMES;
    float w = 1.0f / STRIP_COLUMNS, h = 1.0f / STRIP_ROWS;
    float u = static_cast<float>(frame % STRIP_COLUMNS) * w, v = static_cast<float>(frame / STRIP_COLUMNS) * h;
    return Rect{u, v, u + w, v + h};
}

void animateFigure(Cell& c, bool hovered)
{
    c.animHoldMs -= app.frameMs;
    c.animClockMs += app.frameMs;
    if (hovered) {
        c.animHoldMs = 100.0f;
    } else if (!(c.animHoldMs > 0.0f || c.animFrame >= 1)) {
        c.animClockMs = 0.0f;
        c.animFrame = 0;
        return;
    }
    c.animFrame = static_cast<int>(c.animClockMs / FIGURE_FRAME_MS) % FIGURE_FRAMES;
}

// ---- view ----

Vec2 shownShake() { return app.calmMotion ? Vec2{} : board.shakeOffset; }

void beginBoardView()
{
    setOrthoProjection(800.0f, 600.0f, 1.0f, 500.0f);
    Matrix view;
    Vec2 shake = shownShake();
    view.preTranslate(shake.x, shake.y, BOARD_CAMERA_DISTANCE);
    setTransform(GpuTransform::View, &view);
    setTransform(GpuTransform::World, nullptr);
    rebuildFrustum();
    // Beams face either way along their direction: no culling while the board draws.
    savedCullMode = getRenderState(GpuRenderState::CullMode);
    setRenderState(GpuRenderState::CullMode, CullNone);
}

void endBoardView()
{
    setTransform(GpuTransform::View, nullptr);
    setOrthoProjection(800.0f, 600.0f, 1.0f, 100.0f);
    setBlendMode(0);
    setRenderState(GpuRenderState::CullMode, savedCullMode);
    rebuildFrustum();
}

// ---- the board ----

void drawBoard(Color colour)
{
    beginBoardView();
    Vec2 cursor = boardCursor();
    CellPos under = cellAt(cursor.x, cursor.y);
    // A won level's tiles (and chains) fade out at the end of their flight.
    Color tiles = colour;
    if (play.levelWon) tiles.a = static_cast<uint8_t>(static_cast<float>(colour.a) * flyOffAlpha(play.completeClockMs));
    if (tiles.a > 0) drawTiles(tiles, under);
    drawFigures(colour, under, tiles.a);
    drawBonusLabels(colour);
    stepCrackles();
    queueThunderBolts();
    drawSquarePieces(colour);
    endBoardView();
}

// ---- square pieces ----

void spawnSquarePiece(float x, float y, int oldTile)
{
    BoardRenderState& s = boardRender;
    s.nextPiece = (s.nextPiece + 1) % SQUARE_PIECE_RING;
    SquarePiece& p = s.pieces[s.nextPiece];
    p = SquarePiece{};
    p.oldTile = oldTile;
    p.active = 1;
    p.centre = Vec2{x, y};
    p.direction = Vec2{-1.0f - randomUpTo(1.0f), 1.0f + randomUpTo(1.0f)};
    p.direction.normalize();
}

int activeSquarePieceCount()
{
    int n = 0;
    for (const SquarePiece& p : boardRender.pieces) n += p.active ? 1 : 0;
    return n;
}

// ---- debris ----

void spawnDebris(int colour, float x, float y, int kind)
{
    BoardRenderState& s = boardRender;
    Debris& d = s.debris[s.nextDebris];
    s.nextDebris = (s.nextDebris + 1) % DEBRIS_RING;
    d = Debris{};
    d.position = Vec2{x, y};
    d.velocity = Vec2{randomUpTo(0.6f), 0.6f + randomUpTo(0.3f)};
    d.colourPlusOne = colour + 1;
    d.kind = kind;
}

void updateDebris()
{
    float ms = app.frameMs;
    for (Debris& d : boardRender.debris) {
        if (d.colourPlusOne == 0) continue;
        d.velocity.y -= DEBRIS_GRAVITY * ms;
        d.position.x += d.velocity.x * ms;
        d.position.y += d.velocity.y * ms;
        if (d.position.y < -300.0f || d.position.y > 300.0f || d.position.x > 400.0f) {
            d.colourPlusOne = 0;
            continue;
        }
        if (dialogPort.open) {
            d.frame = 0;
            continue;
        }
        d.frameTimerMs += ms;
        while (d.frameTimerMs >= FIGURE_FRAME_MS) {
            d.frameTimerMs -= FIGURE_FRAME_MS;
            d.frame = (d.frame + 1) % FIGURE_FRAMES;
        }
    }
}

void drawDebris()
{
    beginBoardView();
    for (const Debris& d : boardRender.debris) {
        if (d.colourPlusOne == 0) continue;
        Vec2 p = d.position.add(d.drawOffset);
        drawFigureSprite(figurePicture(d.colourPlusOne - 1), d.frame, p.x, p.y, Color(255, 255, 255, 255));
    }
    endBoardView();
}

int activeDebrisCount()
{
    int n = 0;
    for (const Debris& d : boardRender.debris) n += d.colourPlusOne != 0 ? 1 : 0;
    return n;
}

// ---- bolts ----

void queueBolt(Vec2 from, Vec2 to, float segmentLength, float coreWidth, float glowWidth, float jitter,
               Color coreColour, Color glowColour)
{
    BoardRenderState& s = boardRender;
    if (s.boltCount >= BOLT_QUEUE_SIZE) {
        s.droppedBolts++;
        return;
    }
    QueuedBolt& b = s.bolts[s.boltCount++];
    Vec2 d = to.sub(from);
    float distance = d.length();
    float step = segmentLength > 0.0f ? segmentLength : distance;
    float count = step > 0.0f ? distance / step + 1.0f : 1.0f;
    int n = count >= static_cast<float>(BOLT_MAX_POINTS) ? BOLT_MAX_POINTS : static_cast<int>(count);
    if (n == BOLT_MAX_POINTS) step = distance / static_cast<float>(BOLT_MAX_POINTS);
    if (n < 2) n = 2;  // a bolt always runs from its start to its end
    b.pointCount = n;
    b.coreWidth = coreWidth;
    b.glowWidth = glowWidth;
    b.coreColour = coreColour;
    b.glowColour = glowColour;
    b.points[0] = from;
    b.points[n - 1] = to;
    Vec2 along = distance > 0.0f ? d.scale(1.0f / distance) : Vec2{};
    for (int i = 1; i < n - 1; i++) {
        Vec2 p = from.add(along.scale(step * static_cast<float>(i)));
        float angle = randomUpTo(2.0f * PI);
        float push = randomUpTo(jitter);
        b.points[i] = Vec2{p.x + push * std::cos(angle), p.y + push * std::sin(angle)};
    }
}

void drawBolts()
{
    BoardRenderState& s = boardRender;
    if (s.boltCount == 0) return;
    if (s.flare) {
        beginBoardView();
        setTexture(s.flare);
        additiveBlend();
        for (int i = 0; i < s.boltCount; i++) {
            const QueuedBolt& b = s.bolts[i];
            // Calm motion keeps the bolt's thin core and leaves out its wide glow, the flash
            // that lights the whole board.
            for (int k = 0; k + 1 < b.pointCount; k++) drawBeam(b.points[k], b.points[k + 1], b.coreWidth, b.coreColour);
            if (!app.calmMotion) drawBeam(b.points[0], b.points[b.pointCount - 1], b.glowWidth, b.glowColour);
        }
        endBoardView();
    }
    s.boltCount = 0;
}
