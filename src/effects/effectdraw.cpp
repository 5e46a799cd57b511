// Drawing of the particle sprite queue and of single flares from the particle atlas.
//
// The queue is drawn with as few draw calls as the picture allows: every sprite is a textured
// square from the one atlas, so sprites differ only in their blend. Sprites are gathered into
// batches of one blend; a sprite joins the most recent batch of its blend when no batch made
// after that one has drawn over the screen cells (25 x 25 units) its square touches, so no
// overlapping pair is ever drawn in another order than the queue's and the picture is the one
// that drawing the sprites one by one gives. The cells are in view space, which matches the screen
// under the orthographic views the screens use; under a perspective view only runs of
// consecutive sprites are merged.
#include "effects/effects.h"
#include "effects/flare.h"

#include "graphics/device.h"
#include "graphics/draw.h"

#include <cmath>

namespace {

constexpr float DRAW_DEPTH = 10.0f;  // sprites are drawn this much deeper than their position

struct Batch {
    int blend;
    int count;
    int first;  // start in the sorted order
};

// The screen is divided into a grid; each cell remembers the latest batch that drew over it.
// Sprites beyond the screen fall into the border cells.
constexpr int GRID_W = 32;
constexpr int GRID_H = 24;
constexpr float GRID_LEFT = -400.0f;
constexpr float GRID_BOTTOM = -300.0f;
constexpr float GRID_CELL = 25.0f;

int gridIndex(float v, float origin, int count)
{
    float f = (v - origin) / GRID_CELL;
    if (!(f > 0.0f)) return 0;
    if (f >= static_cast<float>(count - 1)) return count - 1;
    return static_cast<int>(f);
}

struct DrawScratch {
    QuadVertex vertices[SPRITE_QUEUE_SIZE * 6];
    Batch batches[SPRITE_QUEUE_SIZE];
    int batchOf[SPRITE_QUEUE_SIZE];
    int order[SPRITE_QUEUE_SIZE];
    int cellMax[GRID_H][GRID_W];
};

DrawScratch scratch;

struct Camera {
    Vec3 right, up;  // unit edges of a camera-facing square
    bool ortho;
    Matrix view;
    bool plainColour;  // the colour multiplier is white: colours pass unchanged
};

Camera currentCamera()
{
    Matrix view = getTransform(GpuTransform::View);
    Matrix projection = getTransform(GpuTransform::Projection);
    Camera c;
    c.right = view.column0();
    c.up = view.column1();
    c.ortho = projection.m[2][3] == 0.0f && projection.m[3][3] == 1.0f;
    c.view = view;
    const float* m = drawState.colorMultiplier;
    c.plainColour = m[0] == 1.0f && m[1] == 1.0f && m[2] == 1.0f && m[3] == 1.0f;
    return c;
}

int wrapCell(int cell, int count)
{
    if (count <= 0) return 0;
    int k = cell % count;
    return k < 0 ? k + count : k;
}

// The six corners (two triangles) of a sprite, turning clockwise on the screen like the other
// 2-D quads, so the device's fixed back-face culling keeps them.
void spriteVertices(const QueuedSprite& s, const Camera& cam, QuadVertex* out)
{
    float half = s.size * 0.5f;
    Vec3 r = cam.right.scale(half), u = cam.up.scale(half);
    Vec3 up = u, right = r;
    if (s.rotation != 0.0f) {
        float sn, cs;
        effectSinCos(s.rotation, &sn, &cs);
        up = r.scale(sn).add(u.scale(cs));
        right = r.scale(cs).sub(u.scale(sn));
    }
    Vec3 centre = {s.position.x, s.position.y, s.position.z + DRAW_DEPTH};
    Rect uv = atlasCellUv(s.cell);
    uint32_t colour = (cam.plainColour ? s.colour : modulateColor(s.colour)).asWord();
    QuadVertex tl = {centre.sub(right).add(up), colour, uv.left, uv.top};
    QuadVertex bl = {centre.sub(right).sub(up), colour, uv.left, uv.bottom};
    QuadVertex br = {centre.add(right).sub(up), colour, uv.right, uv.bottom};
    QuadVertex tr = {centre.add(right).add(up), colour, uv.right, uv.top};
    out[0] = tl;
    out[1] = tr;
    out[2] = br;
    out[3] = tl;
    out[4] = br;
    out[5] = bl;
}

// Extent across the screen (view x and y) of a sprite's square: a circle around its centre.
void spriteBox(const QueuedSprite& s, const Camera& cam, float* box)
{
    const Matrix& view = cam.view;
    float x = s.position.x * view.m[0][0] + s.position.y * view.m[1][0] + s.position.z * view.m[2][0] + view.m[3][0];
    float y = s.position.x * view.m[0][1] + s.position.y * view.m[1][1] + s.position.z * view.m[2][1] + view.m[3][1];
    float reach = std::fabs(s.size) * 0.7072f + 1.0f;  // half the diagonal, and a pixel for the edge
    box[0] = x - reach;
    box[1] = y - reach;
    box[2] = x + reach;
    box[3] = y + reach;
}

void applyBlend(int blendType)
{
    setBlendMode(blendType == 1 ? 0 : 1);
}

void drawRun(const QuadVertex* vertices, int sprites)
{
    if (sprites <= 0) return;
    drawUserPrimitives(vertices, sprites * 2, FVF_QUADVERTEX, GpuPrimitive::TriangleList);
    effects.lastDrawCalls++;
}

// Assigns every queued sprite to a batch and returns the number of batches. A sprite joins the
// latest batch of its blend when no later batch has touched the grid cells its square covers.
int gatherBatches(const Camera& cam)
{
    int batchCount = 0;
    int latest[2] = {-1, -1};  // latest batch of each blend
    for (auto& row : scratch.cellMax)
        for (int& cell : row) cell = -1;
    for (int i = 0; i < effects.queueCount; i++) {
        const QueuedSprite& s = effects.queue[i];
        int blend = s.blendType == 1 ? 1 : 0;
        float box[4];
        spriteBox(s, cam, box);
        int gx0 = 0, gy0 = 0, gx1 = GRID_W - 1, gy1 = GRID_H - 1;
        if (std::isfinite(box[0]) && std::isfinite(box[1]) && std::isfinite(box[2]) && std::isfinite(box[3])) {
            gx0 = gridIndex(box[0], GRID_LEFT, GRID_W);
            gx1 = gridIndex(box[2], GRID_LEFT, GRID_W);
            gy0 = gridIndex(box[1], GRID_BOTTOM, GRID_H);
            gy1 = gridIndex(box[3], GRID_BOTTOM, GRID_H);
        }
        int join = latest[blend];
        if (join >= 0 && join != batchCount - 1) {
            if (!cam.ortho) {
                join = -1;  // under a perspective view only consecutive sprites share a call
            } else {
                for (int gy = gy0; gy <= gy1 && join >= 0; gy++)
                    for (int gx = gx0; gx <= gx1; gx++)
                        if (scratch.cellMax[gy][gx] > join) {
                            join = -1;
                            break;
                        }
            }
        }
        if (join < 0) {
            join = batchCount++;
            scratch.batches[join] = {blend, 0, 0};
            latest[blend] = join;
        }
        scratch.batches[join].count++;
        for (int gy = gy0; gy <= gy1; gy++)
            for (int gx = gx0; gx <= gx1; gx++)
                if (scratch.cellMax[gy][gx] < join) scratch.cellMax[gy][gx] = join;
        scratch.batchOf[i] = join;
    }
    return batchCount;
}

}  // namespace

Rect atlasCellUv(int cell)
{
    int cols = effects.atlasCols > 0 ? effects.atlasCols : 1;
    int rows = effects.atlasRows > 0 ? effects.atlasRows : 1;
    int k = wrapCell(cell, cols * rows);
    float w = 1.0f / static_cast<float>(cols), h = 1.0f / static_cast<float>(rows);
    float u0 = static_cast<float>(k % cols) * w + 0.001f;
    float v0 = static_cast<float>(k / cols) * h + 0.001f;
    Rect r;
    r.set(u0, v0, u0 + w - 0.002f, v0 + h - 0.002f);
    return r;
}

void drawEffectQueue()
{
    effects.lastDrawCalls = 0;
    effects.lastDrawnSprites = 0;
    if (effects.queueCount == 0) return;
    if (!effects.atlas) {
        effects.queueCount = 0;
        return;
    }
    Camera cam = currentCamera();
    setTransform(GpuTransform::World, nullptr);
    setRenderState(GpuRenderState::Lighting, 0);
    setRenderState(GpuRenderState::AlphaTestEnable, 0);
    setRenderState(GpuRenderState::AlphaBlendEnable, 1);
    setTexture(effects.atlas);
    int n = effects.queueCount;
    if (!effects.batching) {
        int current = -1;
        for (int i = 0; i < n; i++) {
            int blend = effects.queue[i].blendType == 1 ? 1 : 0;
            if (blend != current) applyBlend(blend);
            current = blend;
            spriteVertices(effects.queue[i], cam, scratch.vertices);
            drawRun(scratch.vertices, 1);
        }
    } else {
        int batchCount = gatherBatches(cam);
        int first = 0;
        for (int b = 0; b < batchCount; b++) {
            scratch.batches[b].first = first;
            first += scratch.batches[b].count;
            scratch.batches[b].count = 0;
        }
        for (int i = 0; i < n; i++) {
            Batch& b = scratch.batches[scratch.batchOf[i]];
            scratch.order[b.first + b.count++] = i;
        }
        for (int i = 0; i < n; i++) spriteVertices(effects.queue[scratch.order[i]], cam, scratch.vertices + i * 6);
        for (int b = 0; b < batchCount; b++) {
            const Batch& batch = scratch.batches[b];
            if (b == 0 || batch.blend != scratch.batches[b - 1].blend) applyBlend(batch.blend);
            drawRun(scratch.vertices + batch.first * 6, batch.count);
        }
    }
    effects.lastDrawnSprites = n;
    effects.queueCount = 0;
    setBlendMode(0);
    setRenderState(GpuRenderState::AlphaTestEnable, 1);
}

void drawFlare(Vec2 position, float rotation, float size, Color colour, int cell)
{
    effects.flareRequests++;
    if (!effects.atlas) return;
    uint32_t alphaTest = getRenderState(GpuRenderState::AlphaTestEnable);
    setRenderState(GpuRenderState::AlphaTestEnable, 0);
    setRenderState(GpuRenderState::AlphaBlendEnable, 1);
    setBlendMode(1);
    setTexture(effects.atlas);
    QueuedSprite s = {{position.x, position.y, 0.0f}, rotation, size, colour, cell, 0};
    QuadVertex v[6];
    spriteVertices(s, currentCamera(), v);
    drawUserPrimitives(v, 2, FVF_QUADVERTEX, GpuPrimitive::TriangleList);
    setBlendMode(0);
    setRenderState(GpuRenderState::AlphaTestEnable, alphaTest);
}
