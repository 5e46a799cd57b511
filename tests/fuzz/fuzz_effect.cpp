// Fuzz target: an effect file. The input is read as the text of one effect, which is then started
// twice (once travelling), run for a few frames of different lengths (one very long) and its
// sprites queued, so absurd values must stay within the fixed rings and end in bounded time.
#include "effects/effects.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 16)) return 0;
    std::vector<char> text(data, data + size);
    text.push_back(0);
    resetEffects();
    int index = addEffect("fuzz", text.data());
    addEffect("other", text.data());
    if (index < 0) return 0;
    startEffect("fuzz", 0.0f, 0.0f, 100.0f, -50.0f, 1.5f, -1);
    startEffectAt(index, Vec3{10.0f, 10.0f, 0.0f}, Vec3{EFFECT_NO_TARGET, EFFECT_NO_TARGET, 0.0f}, 1.0f, 30);
    const float frames[] = {16.0f, 0.0f, 33.0f, 5000.0f, 16.0f};
    for (float dt : frames) {
        effects.queueCount = 0;
        updateEffects(dt);
        if (effects.queueCount > SPRITE_QUEUE_SIZE) __builtin_trap();
    }
    if (liveParticles() > PARTICLE_RING_SIZE || liveEmitters() > EMITTER_RING_SIZE) __builtin_trap();
    clearEffects();
    return 0;
}
