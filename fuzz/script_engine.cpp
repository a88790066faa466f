// Scripts as the archive may hold them, run and drawn for a number of frames.
// Input: byte 0 the actor's flags and the world's hide-graphics bit, byte 1 the frame count, byte 2
// the script started, bytes 3-10 the camera, bytes 11-26 four global values, then a scripts entry
// read the way the loader reads one (a truncated last script is dropped instead of the whole entry,
// so more inputs get to run).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/bytes.h"
#include "engine/helpers.h"
#include "graphics/image.h"
#include "tests/support/draw_capture.h"
#include "world/game_world.h"
#include "world/script_engine.h"

namespace {

constexpr uint8_t kType = 9;
constexpr size_t kHeader = 27;
constexpr int32_t kSprites = 6;
constexpr int32_t kSounds = 3;

struct Parsed {
    std::vector<std::vector<ScriptInstruction>> code;
    std::vector<ScriptTableEntry> table;
};

Parsed ParseScripts(const uint8_t* data, size_t size) {
    Parsed parsed;
    if (size < 5)
        return parsed;
    const uint32_t count = data[4];
    size_t at = 5;
    for (uint32_t s = 0; s < count && at < size; ++s) {
        const uint32_t m = data[at++];
        if (size - at < m * 7u)
            break;
        std::vector<ScriptInstruction> script;
        for (uint32_t k = 0; k < m; ++k, at += 7) {
            const uint8_t* raw = data + at;
            script.push_back(
                ScriptInstruction{raw[0], GetU16LE(raw + 1), raw[3], static_cast<int8_t>(raw[4]),
                                  static_cast<int8_t>(raw[5]), static_cast<int8_t>(raw[6])});
        }
        parsed.code.push_back(std::move(script));
    }
    // A bad call or goto target ends the program by design; fold it into
    // the set so that the run goes on.
    const uint32_t n = static_cast<uint32_t>(parsed.code.size());
    for (std::vector<ScriptInstruction>& script : parsed.code)
        for (ScriptInstruction& ins : script) {
            const uint8_t op = ins.op & SOP_OPCODE_MASK;
            if (op == SOP_CALL || op == SOP_GOTO)
                ins.a = static_cast<uint16_t>(ins.a % n);
        }
    for (std::vector<ScriptInstruction>& script : parsed.code)
        parsed.table.push_back({script.empty() ? nullptr : script.data(),
                                static_cast<int16_t>(static_cast<int32_t>(script.size()) - 1)});
    return parsed;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static GameWorld* world = NewGameWorld();
    static Image images[kSprites];
    static DrawCapture capture;
    if (size < kHeader || size > (1u << 16))
        return 0;
    Parsed parsed = ParseScripts(data + kHeader, size - kHeader);

    SpriteEntry sprites[kSprites] = {};
    for (int32_t i = 0; i < kSprites; ++i) {
        images[i] = Image{4, 4, 0, nullptr, nullptr, nullptr};
        sprites[i].image = &images[i];
        sprites[i].x = static_cast<int16_t>(i * 3 - 7);
        sprites[i].mirroredX = static_cast<int16_t>(-i);
        sprites[i].lastKey = -1;
    }
    // A picture that did not decode is skipped, never loaded again.
    sprites[kSprites - 1].image = nullptr;
    sprites[kSprites - 1].loadFailed = 1;
    // Sounds have handles, so nothing is loaded; the paused world starts none.
    SoundEntry sounds[kSounds] = {{1, 12}, {2, 12}, {3, 12}};
    world->soundFlags = WORLD_SOUNDS_PAUSED;
    world->dumpFlags = data[0] & VIEW_HIDE_GRAPHICS;

    MediaSet& set = world->mediaSets[0];
    set = MediaSet{};
    set.typeId = kType;
    set.scripts = parsed.table.empty() ? nullptr : parsed.table.data();
    set.lastScript = static_cast<int16_t>(static_cast<int32_t>(parsed.table.size()) - 1);
    set.sprites = sprites;
    set.lastSprite = kSprites - 1;
    set.sounds = sounds;
    set.lastSound = kSounds - 1;
    world->mediaSetsUsed = 0;
    world->camera.positionX = static_cast<int32_t>(GetU32LE(data + 3));
    world->camera.positionY = static_cast<int32_t>(GetU32LE(data + 7));
    int32_t globals[5] = {3};
    for (int32_t i = 0; i < 4; ++i)
        globals[1 + i] = static_cast<int32_t>(GetU32LE(data + 11 + 4 * i));

    SetRandomState(kInitialRandomState);
    ScriptActor actor{};
    ResetActor(world, &actor, kType);
    actor.flags = static_cast<int16_t>(data[0] & (ACTOR_FACING_LEFT | ACTOR_NO_MOTION));
    actor.globals = globals;
    if (!parsed.table.empty())
        StartScript(world, &actor, data[2] % static_cast<int32_t>(parsed.table.size()));
    const int32_t frames = 1 + data[1] % 64;
    for (int32_t f = 0; f < frames; ++f) {
        ++world->frameCounter;
        RunScript(world, &actor);
        DrawActor(world, 100, 50, &actor);
        if ((f & 7) == 3) // drawn again without a step
            DrawActor(world, 100, 50, &actor);
        IsScriptDone(world, &actor);
        capture.Clear();
    }
    StopActor(world, &actor);
    set = MediaSet{};
    return 0;
}
