// Particle effects: the effect table and its reader, emitters, particles and the map's bursts.
// The drawing of the sprite queue is in effectdraw.cpp.
#include "effects/effects.h"

#include "core/appstate.h"
#include "graphics/draw.h"
#include "platform/os/files.h"
#include "resources/files.h"
#include "resources/keyvalue.h"

#include <cmath>
#include <cstdio>
#include <cstring>

EffectsState effects;

namespace {

constexpr float DEG = 0.017453292f;

// The files of the "effects" folder are listed into this scratch list (one more than the table
// holds, so a cut list is noticed).
OsFileName fileList[EFFECT_TABLE_SIZE + 1];

int randomNext()
{
    effects.random = effects.random * 1103515245u + 12345u;
    return static_cast<int>((effects.random >> 16) & 0x7FFFu);
}

// Uniform in [0, x].
float randomUpTo(float x) { return static_cast<float>(randomNext()) / 32767.0f * x; }

float cleanValue(float v, float fallback)
{
    if (!std::isfinite(v)) return fallback;
    if (v > EFFECT_VALUE_LIMIT) return EFFECT_VALUE_LIMIT;
    if (v < -EFFECT_VALUE_LIMIT) return -EFFECT_VALUE_LIMIT;
    return v;
}

bool hasKey(const char* text, const char* key) { return kvValueLength(text, key) >= 0; }

// A number: the value when the key is present (0 when it does not read as one), else the default.
// A value that is not finite keeps the default.
void readNumber(const char* text, const char* key, float* field)
{
    if (hasKey(text, key)) *field = cleanValue(kvFloat(text, key), *field);
}

void readInt(const char* text, const char* key, int* field)
{
    if (hasKey(text, key)) *field = kvInt(text, key);
}

// A list fills the field's floats in order; a missing list, or one without a closing bracket,
// keeps the defaults.
void readList(const char* text, const char* key, float* field, int n)
{
    float values[4];
    int got = kvFloatList(text, values, n, key);
    for (int i = 0; i < got; i++) field[i] = cleanValue(values[i], field[i]);
}

// A triple: missing components (or a missing key) are 0.
void readTriple(const char* text, const char* key, Vec3* field)
{
    Vec3 v = kvVec3(text, key);
    *field = {cleanValue(v.x, 0.0f), cleanValue(v.y, 0.0f), cleanValue(v.z, 0.0f)};
}

// A name: the rest of the line, cut at the first blank or control character.
void readName(const char* text, const char* key, char* field)
{
    char buf[EFFECT_NAME_SIZE];
    field[0] = 0;
    if (!kvString(buf, sizeof buf, text, key)) return;
    int n = 0;
    while (buf[n] && static_cast<unsigned char>(buf[n]) > ' ') n++;
    std::memcpy(field, buf, size_t(n));
    field[n] = 0;
}

void copyName(char* out, const char* name)
{
    std::snprintf(out, EFFECT_NAME_SIZE, "%s", name ? name : "");
}

int clampInt(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

void rotate(float& x, float& y, float degrees)
{
    float s, c;
    effectSinCos(degrees, &s, &c);
    float nx = x * c - y * s;
    y = x * s + y * c;
    x = nx;
}

// Adds the polar offset (radius turned by angle degrees) and the Lissajous offset
// (cos(age x f x 0.18 + phase) x amplitude across, sin(...) up) to (x, y); terms with a zero
// radius or amplitude add nothing and are skipped.
void addOffsets(float& x, float& y, float radius, float angle, const float* lissX, const float* lissY, float age)
{
    float s, c;
    if (radius != 0.0f) {
        effectSinCos(angle, &s, &c);
        x += radius * c;
        y += radius * s;
    }
    if (lissX[0] != 0.0f) {
        effectSinCos(age * lissX[1] * 0.18f + lissX[2], &s, &c);
        x += c * lissX[0];
    }
    if (lissY[0] != 0.0f) {
        effectSinCos(age * lissY[1] * 0.18f + lissY[2], &s, &c);
        y += s * lissY[0];
    }
}

// Emits one group at p + o (see the header of startEffectAt).
void emitGroup(int index, Vec3 p, float ox, float oy, float size, int cell)
{
    const ParticleEffect& e = effects.table[index];
    if (e.emitSymmetry <= 0) {
        spawnParticle(index, p.x + ox, p.y + oy, p.z, size, cell);
        return;
    }
    float step = 360.0f / static_cast<float>(e.emitSymmetry);
    spawnParticle(index, p.x + ox, p.y + oy, p.z, size, cell);
    for (int i = 0; i < e.emitSymmetry; i++) {
        spawnParticle(index, p.x + ox, p.y + oy, p.z, size, cell);
        rotate(ox, oy, step);
    }
}

// Groups to emit for a count given as a float: at most a ring's worth (more would only
// overwrite what was just made), never a loop over an absurd number.
int groupCount(float n)
{
    if (!(n > 0.0f)) return 0;
    if (n >= static_cast<float>(PARTICLE_RING_SIZE)) return PARTICLE_RING_SIZE;
    int whole = static_cast<int>(n);
    return static_cast<float>(whole) < n ? whole + 1 : whole;  // i = 0, 1, ... while i < n
}

void queueSprite(Vec3 position, float rotation, float size, Color colour, int cell, int blendType)
{
    if (effects.queueCount >= SPRITE_QUEUE_SIZE) {
        effects.droppedSprites++;
        return;
    }
    effects.queue[effects.queueCount++] = {position, rotation, size, colour, cell, blendType};
}

uint8_t channel(float v)
{
    float c = v * 255.0f;
    if (!(c > 0.0f)) return 0;
    if (c >= 255.0f) return 255;
    return static_cast<uint8_t>(c);
}

void setDefaults(ParticleEffect* e)
{
    std::memset(static_cast<void*>(e), 0, sizeof *e);
    e->frequency = 100.0f;
    for (float& c : e->color0) c = 1.0f;
    e->radius0 = 20.0f;
    e->radius1 = 20.0f;
    e->lifetime = 1000.0f;
    e->spriteCell = 13;
    e->emitTime = 1000.0f;
}

void clearRings()
{
    for (Emitter& m : effects.emitters) m = Emitter{-1, 0, 0, 0, {}, {}, 0, 0, {}};
    for (Particle& p : effects.particles) {
        p = Particle{};
        p.effect = -1;
    }
    effects.nextEmitter = 0;
    effects.nextParticle = 0;
    effects.queueCount = 0;
}

}  // namespace

void resetEffects()
{
    releaseTextureByName("exploanim.tga");
    std::memset(static_cast<void*>(&effects), 0, sizeof effects);
    effects.atlas = nullptr;
    effects.atlasCols = 1;
    effects.atlasRows = 1;
    effects.random = 1;
    effects.batching = 1;
    effects.lastExternalMs = -1.0e9f;
    for (Burst& b : effects.bursts) b.life = 0.0f;
    effects.lastBurst = BURST_RING_SIZE - 1;
    clearRings();
}

void seedEffectRandom(uint32_t seed) { effects.random = seed; }

void effectSinCos(float degrees, float* sine, float* cosine)
{
    float q = degrees / 90.0f;  // quarter turns
    if (!(std::fabs(q) < 1.0e7f)) {
        double a = static_cast<double>(degrees) * 0.017453292519943295;
        *sine = static_cast<float>(std::sin(a));
        *cosine = static_cast<float>(std::cos(a));
        return;
    }
    int n = static_cast<int>(q >= 0.0f ? q + 0.5f : q - 0.5f);  // nearest quarter turn
    float r = (q - static_cast<float>(n)) * 1.5707964f;       // -pi/4 .. pi/4
    float r2 = r * r;
    float s = r * (1.0f - r2 * (1.0f / 6.0f - r2 * (1.0f / 120.0f - r2 * (1.0f / 5040.0f))));
    float c = 1.0f - r2 * (0.5f - r2 * (1.0f / 24.0f - r2 * (1.0f / 720.0f - r2 * (1.0f / 40320.0f))));
    switch (n & 3) {
    case 0: *sine = s; *cosine = c; break;
    case 1: *sine = c; *cosine = -s; break;
    case 2: *sine = -s; *cosine = -c; break;
    default: *sine = -c; *cosine = s; break;
    }
}

float effectDev(float x)
{
    int r = randomNext();
    return static_cast<float>(2 * r - 32767) / 32767.0f * x;
}

void parseEffect(const char* name, const char* text, ParticleEffect* e)
{
    setDefaults(e);
    copyName(e->name, name);
    if (!text) return;
    for (int i = 0; i < EFFECT_EXTERNALS; i++) {
        char key[32];
        std::snprintf(key, sizeof key, "externeffect%d=", i + 1);
        readName(text, key, e->external[i]);
    }
    readNumber(text, "parfrequency=", &e->frequency);
    readList(text, "color0=", e->color0, 4);
    readList(text, "color0dev=", e->color0Dev, 4);
    readList(text, "color1=", e->color1, 4);
    readList(text, "color1dev=", e->color1Dev, 4);
    readNumber(text, "radius0=", &e->radius0);
    readNumber(text, "radius0dev=", &e->radius0Dev);
    readNumber(text, "radius1=", &e->radius1);
    readNumber(text, "radius1dev=", &e->radius1Dev);
    readNumber(text, "partime=", &e->lifetime);
    readNumber(text, "partimedev=", &e->lifetimeDev);
    readTriple(text, "positiondev=", &e->positionDev);
    readTriple(text, "speed=", &e->speed);
    readTriple(text, "speeddev=", &e->speedDev);
    readNumber(text, "gravity=", &e->gravity);
    readNumber(text, "gravitydev=", &e->gravityDev);
    readInt(text, "blendtype=", &e->blendType);
    readInt(text, "flash=", &e->flash);
    readInt(text, "numparticle=", &e->spriteCell);
    readNumber(text, "rot=", &e->rotation);
    readNumber(text, "rotdev=", &e->rotationDev);
    readNumber(text, "drot=", &e->spin);
    readNumber(text, "drotdev=", &e->spinDev);
    readNumber(text, "effecttime=", &e->emitTime);
    readList(text, "polarpar=", e->particlePolar, 4);
    readList(text, "polarpardev=", e->particlePolarDev, 4);
    readList(text, "lissparx=", e->particleLissX, 3);
    readList(text, "lisspary=", e->particleLissY, 3);
    readList(text, "polar=", e->emitterPolar, 4);
    readList(text, "polardev=", e->emitterPolarDev, 4);
    readList(text, "lissx=", e->emitterLissX, 3);
    readList(text, "lissy=", e->emitterLissY, 3);
    readInt(text, "simetria=", &e->emitSymmetry);
    readInt(text, "simetriapar=", &e->drawSymmetry);
    readNumber(text, "sleep=", &e->sleep);
    e->emitSymmetry = clampInt(e->emitSymmetry, 0, EFFECT_SYMMETRY_LIMIT);
    e->drawSymmetry = clampInt(e->drawSymmetry, 0, EFFECT_SYMMETRY_LIMIT);
}

int addEffect(const char* name, const char* text)
{
    if (effects.count >= EFFECT_TABLE_SIZE) return -1;
    parseEffect(name, text, &effects.table[effects.count]);
    return effects.count++;
}

void loadEffects()
{
    effects.count = 0;
    char previous[OS_PATH_MAX];
    std::snprintf(previous, sizeof previous, "%s", osGetCurrentDirectory());
    if (osSetCurrentDirectory("effects")) {
        effects.atlas = loadTextureEx("exploanim.tga", false, false);
        if (effects.atlas) {
            effects.atlasCols = effects.atlas->width / ATLAS_CELL_PIXELS;
            effects.atlasRows = effects.atlas->height / ATLAS_CELL_PIXELS;
            if (effects.atlasCols < 1) effects.atlasCols = 1;
            if (effects.atlasRows < 1) effects.atlasRows = 1;
        }
        int listed = osListFolder(nullptr, "*.par", fileList, EFFECT_TABLE_SIZE + 1);
        if (listed > EFFECT_TABLE_SIZE) listed = EFFECT_TABLE_SIZE;
        for (int i = 0; i < listed; i++) {
            int32_t size = 0;
            char* text = readTextData(fileList[i].name, &size, false);
            if (!text) continue;  // unreadable: only this effect is missing
            char name[EFFECT_NAME_SIZE];
            copyName(name, fileList[i].name);
            char* dot = std::strchr(name, '.');
            if (dot) *dot = 0;
            addEffect(name, text);
            if (size > 0) releaseFile(text);
        }
        osSetCurrentDirectory(previous);
    }
    clearEffects();
}

int findEffect(const char* name)
{
    if (!name) return -1;
    for (int i = 0; i < effects.count; i++)
        if (std::strcmp(effects.table[i].name, name) == 0) return i;
    return -1;
}

int effectStarts(const char* name)
{
    int i = findEffect(name);
    return i < 0 ? -1 : effects.table[i].startCount;
}

void clearEffectStarts()
{
    for (int i = 0; i < effects.count; i++) effects.table[i].startCount = 0;
}

void startEffect(const char* name, float x, float y, float targetX, float targetY, float size, int cell)
{
    if (cell >= 25 && cell <= 38) cell = 10;
    int index = findEffect(name);
    if (index < 0) return;
    startEffectAt(index, Vec3{x, y, 0.0f}, Vec3{targetX, targetY, 0.0f}, size, cell);
}

void startEffectAt(int index, Vec3 position, Vec3 target, float size, int cell)
{
    if (index < 0 || index >= effects.count) return;
    ParticleEffect& e = effects.table[index];
    e.startCount++;
    // Calm motion: no flashes at all, and a quarter of every other effect's particles (the
    // first of each burst always, so a one-particle effect still shows).
    if (app.calmMotion && e.flash) return;
    effects.calmSpawns = 0;
    if (target.x == EFFECT_NO_TARGET && target.y == EFFECT_NO_TARGET) target = position;
    for (const char* other : e.external) {
        if (other[0] == 0 || std::strcmp(other, e.name) == 0) continue;
        if (app.globalTimeMs - effects.lastExternalMs > EXTERNAL_START_WINDOW_MS) effects.externalAttempts = 0;
        effects.lastExternalMs = app.globalTimeMs;
        bool allowed = effects.externalAttempts < EXTERNAL_START_LIMIT;
        effects.externalAttempts++;
        if (!allowed) continue;
        int next = findEffect(other);
        if (next >= 0) startEffectAt(next, position, target, size, cell);
    }
    int useCell = cell == -1 ? e.spriteCell : cell;
    if (e.emitTime != 0.0f) {
        Emitter& m = effects.emitters[effects.nextEmitter];
        effects.nextEmitter = (effects.nextEmitter + 1) % EMITTER_RING_SIZE;
        m.effect = index;
        m.cell = useCell;
        m.size = size;
        m.age = 0.0f;
        m.position = position;
        m.period = e.frequency > 0.0f ? 1000.0f / e.frequency : INFINITY;
        m.countdown = m.period;
        for (int i = 0; i < 4; i++) m.polar[i] = e.emitterPolar[i] + effectDev(e.emitterPolarDev[i]);
        if (m.polar[0] < 0.0f) m.polar[0] = 0.0f;
        m.velocity = target.sub(position).scale(1.0f / e.emitTime);
        return;
    }
    float ox = e.emitterPolar[0], oy = 0.0f;
    rotate(ox, oy, e.emitterPolar[2]);
    int groups = groupCount(e.frequency);
    for (int i = 0; i < groups; i++) emitGroup(index, position, ox, oy, size, cell);
}

void spawnParticle(int index, float x, float y, float z, float size, int cell)
{
    if (index < 0 || index >= effects.count) return;
    if (app.calmMotion && effects.calmSpawns++ % CALM_PARTICLE_SHARE != 0) {
        effects.calmSkipped++;
        return;
    }
    const ParticleEffect& e = effects.table[index];
    Particle& p = effects.particles[effects.nextParticle];
    effects.nextParticle = (effects.nextParticle + 1) % PARTICLE_RING_SIZE;
    p.effect = index;
    for (int i = 0; i < 4; i++) p.colour0[i] = e.color0[i] + effectDev(e.color0Dev[i]);
    for (int i = 0; i < 4; i++) p.colour1[i] = e.color1[i] + effectDev(e.color1Dev[i]);
    p.age = 0.0f;
    p.lifetime = e.lifetime + effectDev(e.lifetimeDev);
    if (!(p.lifetime > 0.0f)) p.lifetime = 0.0f;
    p.position = {x + effectDev(e.positionDev.x), y + effectDev(e.positionDev.y), z + effectDev(e.positionDev.z)};
    p.velocity = {e.speed.x + effectDev(e.speedDev.x), e.speed.y + effectDev(e.speedDev.y),
                  e.speed.z + effectDev(e.speedDev.z)};
    p.rotation = e.rotation + effectDev(e.rotationDev);
    p.spin = e.spin + effectDev(e.spinDev);
    p.size0 = e.radius0 + effectDev(e.radius0Dev);
    p.size1 = e.radius1 + effectDev(e.radius1Dev);
    for (int i = 0; i < 4; i++) p.polar[i] = e.particlePolar[i] + effectDev(e.particlePolarDev[i]);
    if (p.polar[0] < 0.0f) p.polar[0] = 0.0f;
    p.velocity = p.velocity.scale(size);
    p.size0 *= size;
    p.size1 *= size;
    p.polar[0] *= size;
    p.gravity = e.gravity + effectDev(e.gravityDev);
    p.cell = cell == -1 ? e.spriteCell : cell;
}

void clearEffects() { clearRings(); }

void updateEffects(float dt)
{
    if (!(dt >= 0.0f)) dt = 0.0f;
    // Groups emitted this frame beyond a ring's worth would only overwrite each other.
    int budget = PARTICLE_RING_SIZE;
    for (Emitter& m : effects.emitters) {
        if (m.effect < 0 || m.effect >= effects.count) continue;
        const ParticleEffect& e = effects.table[m.effect];
        if (!(m.age < e.emitTime)) continue;
        float ox = 0.0f, oy = 0.0f;
        addOffsets(ox, oy, m.polar[0], m.polar[2], e.emitterLissX, e.emitterLissY, m.age);
        m.countdown -= dt;
        if (m.countdown < 0.0f) {
            m.countdown += m.period;
            int n = m.period > dt ? 1 : groupCount(std::trunc(dt / m.period));
            if (n > budget) n = budget;
            budget -= n;
            for (int i = 0; i < n; i++) emitGroup(m.effect, m.position, ox, oy, m.size, m.cell);
        }
        m.position = m.position.add(m.velocity.scale(dt));
        m.polar[0] += m.polar[1] * dt / 1000.0f;
        m.polar[2] += m.polar[3] * dt / 1000.0f;
        m.age += dt;
    }
    for (Particle& p : effects.particles) {
        if (p.effect < 0 || p.effect >= effects.count || !(p.age < p.lifetime)) continue;
        const ParticleEffect& e = effects.table[p.effect];
        float u = p.age / p.lifetime, w = 1.0f - u;
        Color colour(channel(p.colour0[0] * w + p.colour1[0] * u), channel(p.colour0[1] * w + p.colour1[1] * u),
                     channel(p.colour0[2] * w + p.colour1[2] * u), channel(p.colour0[3] * w + p.colour1[3] * u));
        float qx = 0.0f, qy = 0.0f;
        addOffsets(qx, qy, p.polar[0], p.polar[2], e.particleLissX, e.particleLissY, p.age);
        float size = p.size0 * w + p.size1 * u;
        if (e.drawSymmetry < 1) {
            queueSprite({p.position.x + qx, p.position.y + qy, p.position.z}, p.rotation, size, colour, p.cell,
                        e.blendType);
        } else {
            float step = 360.0f / static_cast<float>(e.drawSymmetry);
            for (int i = 0; i < e.drawSymmetry; i++) {
                queueSprite({p.position.x + qx, p.position.y + qy, p.position.z}, p.rotation, size, colour, p.cell,
                            e.blendType);
                rotate(qx, qy, step);
            }
        }
        float s = dt / 1000.0f;
        p.position = p.position.add(p.velocity.scale(s));
        p.velocity.y -= p.gravity * s;
        p.rotation += p.spin * s;
        p.polar[0] += p.polar[1] * s;
        p.polar[2] += p.polar[3] * s;
        p.age += dt;
    }
}

void updateAndDrawEffects()
{
    updateEffects(app.frameMs);
    drawEffectQueue();
}

int liveParticles()
{
    int n = 0;
    for (const Particle& p : effects.particles)
        if (p.effect >= 0 && p.age < p.lifetime) n++;
    return n;
}

int liveEmitters()
{
    int n = 0;
    for (const Emitter& m : effects.emitters)
        if (m.effect >= 0 && m.effect < effects.count && m.age < effects.table[m.effect].emitTime) n++;
    return n;
}

// ---- the map's bursts ----

void spawnBurst(float x, float y, int kind)
{
    if (kind != 10 && kind != 15 && kind != 18) return;
    effects.lastBurst = (effects.lastBurst + 1) % BURST_RING_SIZE;
    Burst& b = effects.bursts[effects.lastBurst];
    b = Burst{};
    b.position = {x, y};
    if (kind == 10) {
        b.velocity = {effectDev(0.01f), effectDev(0.01f)};
        b.angle = effectDev(360.0f);
        b.radius = 3.0f;
        b.angleSpeed = effectDev(0.8f);
        b.radiusSpeed = 0.001f;
        b.sizeSpeed = 0.08f;
        for (int i = 0; i < 4; i++) b.colour[i] = 1.0f;
        for (int i = 0; i < 3; i++) b.colourSpeed[i] = -0.002f;
        b.life = 200.0f;
        b.cell = 17;
    } else if (kind == 15) {
        b.velocity = {effectDev(0.1f), effectDev(0.1f)};
        b.rotation = effectDev(360.0f);
        b.size = randomUpTo(25.0f) + 35.0f;
        b.sizeSpeed = -0.1f;
        for (int i = 0; i < 3; i++) b.colour[i] = randomUpTo(0.5f) + 0.5f;
        b.colour[3] = 1.0f;
        b.life = 400.0f;
        b.cell = 12;
    } else {
        b.rotation = -45.0f;
        b.size = 64.0f;
        b.sizeSpeed = 0.18f;
        for (int i = 0; i < 4; i++) b.colour[i] = 1.0f;
        for (int i = 0; i < 3; i++) b.colourSpeed[i] = -0.0009f;
        b.life = 1000.0f;
        b.cell = 13;
    }
}

void updateBursts(float dt)
{
    if (!(dt >= 0.0f)) dt = 0.0f;
    for (Burst& b : effects.bursts) {
        if (!(b.life > 0.0f)) continue;
        Color colour(static_cast<int>(b.colour[0] * 255.0f), static_cast<int>(b.colour[1] * 255.0f),
                     static_cast<int>(b.colour[2] * 255.0f), static_cast<int>(b.colour[3] * 255.0f));
        Vec3 at = {b.position.x, b.position.y, 0.0f};
        if (b.radius != 0.0f) {
            at.x += std::sin(b.angle * DEG) * b.radius;
            at.y += std::cos(b.angle * DEG) * b.radius;
        }
        if (drawState.frustum.containsSphere(at.x, at.y, at.z, b.size))
            queueSprite(at, b.rotation, b.size, colour, b.cell, b.blendType);
        b.rotation += dt * b.rotationSpeed;
        b.size += dt * b.sizeSpeed;
        if (b.size < 0.0f) {
            b.size = 0.0f;
            b.life = 0.0f;
        }
        b.position.x += b.velocity.x * dt;
        b.position.y += b.velocity.y * dt;
        b.velocity.y -= dt * b.gravity;
        b.angle += dt * b.angleSpeed;
        b.radius += dt * b.radiusSpeed;
        b.life -= dt;
        for (int i = 0; i < 4; i++) {
            b.colour[i] += dt * b.colourSpeed[i];
            if (b.colour[i] < 0.0f) b.colour[i] = 0.0f;
            if (b.colour[i] > 1.0f) {
                b.colour[i] = 1.0f;
                b.colourSpeed[i] = -0.003f;
            }
        }
    }
}

void updateAndDrawBursts()
{
    updateBursts(app.frameMs);
    drawEffectQueue();
}

int liveBursts()
{
    int n = 0;
    for (const Burst& b : effects.bursts)
        if (b.life > 0.0f) n++;
    return n;
}
