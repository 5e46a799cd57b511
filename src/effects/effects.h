#pragma once
// Particle effects: sparkles, explosions, trails and bursts described by small text files
// ("effects\*.par", one effect per file) and drawn as camera-facing squares cut from one sprite
// atlas, "exploanim.tga" (64 x 64 pixel cells numbered row by row). Game code starts an effect by
// name at a position, optionally travelling to a target; an effect either bursts once or runs an
// emitter for a while. Besides the file effects, three built-in burst kinds serve the adventure map.
//
// Everything lives in fixed tables (256 effects, a ring of 256 emitters, a ring of 1024
// particles, 4096 queued sprites per frame, a ring of 2048 map bursts); nothing is allocated
// while running. Effects draw their random numbers from a generator of their own, so starting
// or drawing an effect never changes the game's random sequence.
#include "core/math.h"
#include "graphics/textures.h"

#include <cstdint>

constexpr int EFFECT_TABLE_SIZE = 256;
constexpr int EFFECT_NAME_SIZE = 32;
constexpr int EFFECT_EXTERNALS = 8;
constexpr int EMITTER_RING_SIZE = 256;
constexpr int PARTICLE_RING_SIZE = 1024;
constexpr int SPRITE_QUEUE_SIZE = 4096;
constexpr int BURST_RING_SIZE = 2048;
constexpr int ATLAS_CELL_PIXELS = 64;
constexpr float EFFECT_NO_TARGET = -1000000.0f;  // a target of (this, this) means "the position itself"
constexpr int EXTERNAL_START_LIMIT = 8;          // external starts allowed within 100 ms
constexpr float EXTERNAL_START_WINDOW_MS = 100.0f;
// Largest magnitude a number of an effect file may have; larger values are cut to it so that
// no arithmetic on them overflows into infinities.
constexpr float EFFECT_VALUE_LIMIT = 1.0e7f;
constexpr int EFFECT_SYMMETRY_LIMIT = 64;        // copies per group or per drawn particle

// Calm motion keeps one particle in this many.
constexpr uint32_t CALM_PARTICLE_SHARE = 4;

struct ParticleEffect {
    char name[EFFECT_NAME_SIZE];
    char external[EFFECT_EXTERNALS][EFFECT_NAME_SIZE];
    float frequency;         // emitter: groups per second; burst: number of groups
    float color0[4];         // r, g, b, a in 0..1 at birth
    float color0Dev[4];
    float color1[4];         // at death
    float color1Dev[4];
    float radius0, radius0Dev, radius1, radius1Dev;
    float lifetime, lifetimeDev;  // ms
    Vec3 positionDev;
    Vec3 speed;              // units per second
    Vec3 speedDev;
    float gravity, gravityDev;    // downward, units per second squared
    int blendType;           // 0 additive (source colour, one), 1 alpha
    int spriteCell;
    float rotation, rotationDev;  // degrees
    float spin, spinDev;          // degrees per second
    float emitTime;          // ms; 0 makes the effect a one-shot burst
    float particlePolar[4];  // radius, radius speed, angle (degrees), angular speed (degrees per second)
    float particlePolarDev[4];
    float particleLissX[3];  // amplitude, frequency, phase (degrees)
    float particleLissY[3];
    float emitterPolar[4];
    float emitterPolarDev[4];
    float emitterLissX[3];
    float emitterLissY[3];
    int emitSymmetry;        // copies made at birth around the emission point
    int drawSymmetry;        // copies drawn of every particle around it
    float sleep;             // read and kept; nothing uses it
    int flash;               // "flash=": nonzero for a flash, which calm motion leaves out
    int startCount;          // times the effect was started since the last clearEffectStarts
};

struct Emitter {
    int effect;              // -1: free
    int cell;
    float size;
    float age;               // ms
    Vec3 position;
    Vec3 velocity;           // units per ms
    float countdown, period; // ms
    float polar[4];          // radius, radius speed, angle, angular speed
};

struct Particle {
    int effect;              // -1: free
    float age;
    int cell;
    Vec3 position;
    Vec3 velocity;           // units per second
    float rotation, spin;
    float polar[4];
    float size0, size1;
    float colour0[4], colour1[4];
    float lifetime;
    float gravity;
};

struct QueuedSprite {
    Vec3 position;
    float rotation;          // degrees
    float size;              // edge length
    Color colour;
    int cell;
    int blendType;
};

struct Burst {
    float life;              // ms; the slot is free at 0 or below
    Vec2 position, velocity; // velocity in units per ms
    float angle, radius, angleSpeed, radiusSpeed;
    float rotation, rotationSpeed;
    float size, sizeSpeed;
    float colour[4], colourSpeed[4];
    float gravity;
    int cell;
    int blendType;
};

struct EffectsState {
    ParticleEffect table[EFFECT_TABLE_SIZE];
    int count;
    Texture* atlas;          // null: nothing is drawn (the simulation still runs)
    int atlasCols, atlasRows;
    Emitter emitters[EMITTER_RING_SIZE];
    int nextEmitter;
    Particle particles[PARTICLE_RING_SIZE];
    int nextParticle;
    QueuedSprite queue[SPRITE_QUEUE_SIZE];
    int queueCount;
    int droppedSprites;      // sprites that did not fit the queue (since reset)
    Burst bursts[BURST_RING_SIZE];
    int lastBurst;           // slot written last
    uint32_t random;         // the effects' own 15-bit generator
    int externalAttempts;    // external starts since the window opened
    float lastExternalMs;    // program clock of the previous external start attempt
    int flareRequests;       // drawFlare calls (since reset)
    int batching;            // 1: draw runs of sprites with one call; 0: one call per sprite
    int lastDrawCalls;       // draw calls the last queue drawing issued
    int lastDrawnSprites;
    uint32_t calmSpawns;     // particles asked for since the last burst start (calm motion keeps 1 in 4)
    int calmSkipped;         // particles calm motion left out (since reset)
};

extern EffectsState effects;

// Back to a fresh state: no effects, no atlas, nothing alive, random seed 1, batching on.
void resetEffects();
void seedEffectRandom(uint32_t seed);
// dev(x): uniform in [-x, x] from the effects' generator.
float effectDev(float x);

// Sine and cosine of an angle in degrees, to within 1e-6 for angles of moderate size (a reduced
// polynomial: the per-sprite turns are the bulk of the effects' arithmetic).
void effectSinCos(float degrees, float* sine, float* cosine);

// Reads an effect from key=value text (terminated) into out under name; missing keys keep their
// defaults. Numbers that are not finite are replaced by the default, others cut to
// +-EFFECT_VALUE_LIMIT; symmetry counts are kept within 0..EFFECT_SYMMETRY_LIMIT.
void parseEffect(const char* name, const char* text, ParticleEffect* out);
// Adds an effect parsed from text to the table; its index, or -1 when the table is full.
int addEffect(const char* name, const char* text);

// Empties the table, enters the folder "effects", loads "exploanim.tga" (when missing, effects
// are simulated but not drawn), reads every "*.par" (at most 256; a file that cannot be read is
// skipped) and clears emitters and particles.
void loadEffects();
// Index of the effect with exactly this name, or -1.
int findEffect(const char* name);
// The start count of the named effect, or -1 when there is no such effect.
int effectStarts(const char* name);
void clearEffectStarts();

// Starts the named effect at (x, y) (z = 0) towards (targetX, targetY). A cell from 25 to 38 is
// replaced by 10; -1 means the effect's own cell. An unknown name does nothing.
void startEffect(const char* name, float x, float y, float targetX, float targetY, float size, int cell);
void startEffectAt(int index, Vec3 position, Vec3 target, float size, int cell);
void spawnParticle(int index, float x, float y, float z, float size, int cell);
// Ends every emitter and particle and empties the queue.
void clearEffects();

// Advances emitters and particles by dtMs and queues their sprites.
void updateEffects(float dtMs);
// Draws and empties the queue (the atlas bound, blend per entry).
void drawEffectQueue();
// Once per rendered frame, after the screen's scene: updateEffects(app.frameMs), drawEffectQueue.
void updateAndDrawEffects();

// Number of live particles and emitters (for diagnostics and tests).
int liveParticles();
int liveEmitters();
// The atlas cell's texture rectangle (u0, v0, u1, v1) with the 0.001 inset.
Rect atlasCellUv(int cell);

// The built-in bursts of the map: kinds 10, 15 and 18; other kinds start nothing.
void spawnBurst(float x, float y, int kind);
// Advances the bursts by dtMs and queues those inside the view.
void updateBursts(float dtMs);
// Once per frame by the map after its scene: updateBursts(app.frameMs), drawEffectQueue.
void updateAndDrawBursts();
int liveBursts();
