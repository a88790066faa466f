#include "world/game_world.h"

#include <cstring>

#include "engine/bytes.h"
#include "engine/helpers.h"

void WriteLevelStatusRecord(const LevelStatusRecord& r, uint8_t out[kLevelStatusFileBytes]) {
    PutU16LE(out + 0, r.countA);
    PutU16LE(out + 2, r.countB);
    PutU16LE(out + 4, r.gotA);
    PutU16LE(out + 6, r.gotB);
    PutU32LE(out + 8, static_cast<uint32_t>(r.basePoints));
    PutU32LE(out + 12, static_cast<uint32_t>(r.resultPoints));
    PutU32LE(out + 16, static_cast<uint32_t>(r.hits));
    PutU32LE(out + 20, static_cast<uint32_t>(r.penalty));
    PutU32LE(out + 24, static_cast<uint32_t>(r.counter));
}

LevelStatusRecord ReadLevelStatusRecord(const uint8_t in[kLevelStatusFileBytes]) {
    LevelStatusRecord r{};
    r.countA = GetU16LE(in + 0);
    r.countB = GetU16LE(in + 2);
    r.gotA = GetU16LE(in + 4);
    r.gotB = GetU16LE(in + 6);
    r.basePoints = static_cast<int32_t>(GetU32LE(in + 8));
    r.resultPoints = static_cast<int32_t>(GetU32LE(in + 12));
    r.hits = static_cast<int32_t>(GetU32LE(in + 16));
    r.penalty = static_cast<int32_t>(GetU32LE(in + 20));
    r.counter = static_cast<int32_t>(GetU32LE(in + 24));
    return r;
}

GameWorld* NewGameWorld() {
    auto* world = static_cast<GameWorld*>(ZAlloc(sizeof(GameWorld)));
    world->placementCount = -1;
    world->camera.followed.slot = -1;
    world->mediaSetsUsed = -1;
    world->highestSlot = -1;
    world->currentObject = -1;
    world->requestedLevel = -1;
    world->requestedEntry = 0xFFFF;
    world->tileImageLevel = -1;
    world->currentLevel = -1;
    for (SoundChannelRec& rec : world->soundChannels) rec.channel = -1;
    return world;
}

void DeleteGameWorld(GameWorld* world) { std::free(world); }

int32_t LevelWord(const GameWorld* world, int32_t n) {
    if (world->levelTable == nullptr || n < 0 ||
        static_cast<uint32_t>(n) >= world->levelTableSize / 4) {
        return 0;
    }
    return static_cast<int32_t>(GetU32LE(world->levelTable + 4 * n));
}

void SetLevelWord(GameWorld* world, int32_t n, int32_t value) {
    if (world->levelTable == nullptr || n < 0 ||
        static_cast<uint32_t>(n) >= world->levelTableSize / 4) {
        return;
    }
    PutU32LE(const_cast<uint8_t*>(world->levelTable) + 4 * n, static_cast<uint32_t>(value));
}

int32_t LevelDivisor(const GameWorld* world, int32_t n) {
    const int32_t value = LevelWord(world, n);
    return value == 0 ? 1 : value;
}

int16_t CameraRecordValue(const GameWorld* world, int32_t i) {
    if (world->cameraRecords == nullptr || i < 0 ||
        static_cast<uint32_t>(i) >= world->cameraRecordsSize / 2) {
        return 0;
    }
    return static_cast<int16_t>(GetU16LE(world->cameraRecords + 2 * i));
}

int32_t WorldRandomInt(int32_t lo, int32_t hi) {
    if (hi < lo) {
        static bool told = false;
        if (!told) {
            told = true;
            std::printf("random range %d..%d is empty\n", lo, hi);
        }
        return lo;
    }
    return RandomInt(static_cast<uint32_t>(lo), static_cast<uint32_t>(hi));
}
