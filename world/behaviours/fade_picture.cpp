// Fading pictures (type 121): a full picture at a fixed screen position
// that fades in when the player comes near, holds, fades out and goes.
#include "world/behaviours/behaviours.h"

#include <cmath>
#include <cstdio>

#include "engine/bytes.h"
#include "graphics/image.h"
#include "world/behaviours/map_cells.h"
#include "world/behaviours/pickup_state.h"
#include "world/game_world.h"
#include "world/option_gate.h"
#include "world/script_engine.h"

namespace {

constexpr int16_t kFadePictureDepth = -2;
constexpr float kPi = 3.14159265358979f;
constexpr float kHalfPi = kPi / 2;

// Level-table words of the pictures.
constexpr int32_t kShownLevelWord = 21;  // the level whose picture was made last
constexpr int32_t kFadeFramesWord = 22;  // frames of the fade in and of the fade out
constexpr int32_t kHoldFramesWord = 23;  // frames the picture holds
constexpr int32_t kScreenPointWord = 24; // screen x (low i16), y (high i16)
// A level's picture is script level - 2 of the set.
constexpr int32_t kFirstPictureLevel = 2;

struct ScreenPoint {
    int32_t x, y;
};

ScreenPoint PictureOrigin(const GameWorld* world) {
    const auto word = static_cast<uint32_t>(LevelWord(world, kScreenPointWord));
    return {static_cast<int16_t>(word & 0xFFFF), static_cast<int16_t>(word >> 16)};
}

// The sprite's entry; null when the set or the index is out of range.
SpriteEntry* PictureSprite(GameWorld* world, const FadePictureState& state) {
    if (state.mediaSet < 0 || state.mediaSet >= kMediaSetCount)
        return nullptr;
    MediaSet& set = world->mediaSets[state.mediaSet];
    if (set.sprites == nullptr || state.sprite < 0 || state.sprite > set.lastSprite)
        return nullptr;
    return &set.sprites[state.sprite];
}

void PlaceOnScreen(GameWorld* world, FadePictureState* state) {
    const ScreenPoint origin = PictureOrigin(world);
    const SpriteEntry* sprite = PictureSprite(world, *state);
    state->screenX = origin.x + (sprite != nullptr ? sprite->x : 0);
    state->screenY = origin.y + (sprite != nullptr ? sprite->y : 0);
}

int32_t LastInstructionOf(const MediaSet& set, int32_t s) {
    if (set.scripts == nullptr || s < 0 || s > set.lastScript ||
        set.scripts[s].instructions == nullptr)
        return -1;
    return set.scripts[s].last;
}

// The picture remembers in the level table which level it was last shown on.
void RecordShownLevel(GameWorld* world) {
    const int32_t level = world->currentLevel;
    if (LevelWord(world, kShownLevelWord) != level)
        SetLevelWord(world, kShownLevelWord, level);
}

// Answers false when the picture does not exist at this option and has
// deleted itself.
bool CreateFadePicture(GameWorld* world, ObjectSlot* object, FadePictureState* state,
                       ScriptActor* actor) {
    state->mediaSet = FindMediaSet(world, object->typeId);
    const MediaSet& set = world->mediaSets[state->mediaSet];
    state->variant = LeftCellParameter(world, object);
    const auto* record = object->ParamAs<const int32_t*>();
    int32_t s = 0;
    if (record != nullptr) {
        state->variant = *record;
        s = set.lastScript;
    }
    state->fromRecord = record != nullptr ? 1 : 0;

    state->cleared = 0;
    state->phase = 0;
    object->x = static_cast<int16_t>(object->x + set.spawnX);
    object->y = static_cast<int16_t>(object->y + set.spawnY);
    ResetActor(world, actor, object->typeId);

    RecordShownLevel(world);
    // Below level 2 there is no script of the level's own; script 0 serves.
    const int32_t levelScript = world->currentLevel - kFirstPictureLevel;
    if (s == 0 && levelScript >= 0 && levelScript < set.lastScript)
        s = levelScript;

    // Both candidates come from data: one the script lacks falls back to its
    // first instruction, and an empty script shows nothing.
    const int32_t last = LastInstructionOf(set, s);
    int32_t i = 0;
    if (state->variant >= 0 && state->variant <= last)
        i = state->variant;
    else if (record != nullptr && *record >= 0 && *record <= last)
        i = *record;
    state->sprite = last >= 0 ? set.scripts[s].instructions[i].a : -1;
    PlaceOnScreen(world, state);

    state->phase = -1.0f;
    state->hold = -1.0f;
    state->phaseStep = kPi / (2.0f * static_cast<float>(LevelDivisor(world, kFadeFramesWord)));

    if (!OptionGateAllows(RightCellCode(world, object->x, object->y), CurrentUserOption())) {
        DeleteObject(world, object);
        return false;
    }
    return true;
}

// Answers false when the picture has faded out and deleted itself.
bool StepFadePicture(GameWorld* world, ObjectSlot* object, FadePictureState* state) {
    if (state->phase >= 0 && state->hold < 0)
        state->phase += state->phaseStep;
    if (state->phase > 0 && state->hold == 0)
        state->phase -= state->phaseStep;
    if (state->phase >= kHalfPi && state->hold < 0)
        state->hold = static_cast<float>(LevelWord(world, kHoldFramesWord));
    if (state->phase >= 0 && state->hold > 0)
        state->hold -= 1;
    if (state->phase > 0)
        return true;
    if (state->hold == 0) {
        if (state->fromRecord == 0)
            SetWorldBit(world, object->itemNumber, 1);
        DeleteObject(world, object);
        return false;
    }
    return true;
}

} // namespace

void FadePictureHandler(GameWorld* world, ObjectSlot* object, ObjectMessage message) {
    auto* state = object->LogicAs<FadePictureState>();
    auto* actor = object->DrawAs<ScriptActor>();
    object->depth = kFadePictureDepth;

    if ((message & OBJ_MSG_SYNC_POS) != 0)
        PlaceOnScreen(world, state);
    if ((message & OBJ_MSG_CREATE) != 0 && !CreateFadePicture(world, object, state, actor))
        return;
    if ((message & OBJ_MSG_DESTROY) != 0) {
        StopActor(world, actor);
        return;
    }
    if ((message & OBJ_MSG_REBIND_MEDIA) != 0) {
        SetActorMedia(world, actor, object->typeId);
        state->mediaSet = actor->mediaSet;
        return;
    }
    StepFadePicture(world, object, state);
}

void DrawFadePicture(GameWorld* world, ObjectSlot* object) {
    const auto* state = object->LogicAs<FadePictureState>();
    if (state->phase < 0)
        return;
    SpriteEntry* sprite = PictureSprite(world, *state);
    if (sprite == nullptr)
        return;
    if (sprite->image == nullptr && sprite->loadFailed == 0) {
        MediaSet& set = world->mediaSets[state->mediaSet];
        std::printf("// obj %d level %d snd %d \n", set.typeId, world->currentLevel, state->sprite);
        LoadObjectSprite(world, &set, state->sprite);
    }
    if (sprite->image == nullptr)
        return;

    const auto alpha = static_cast<float>(std::fabs(std::sin(static_cast<double>(state->phase))));
    SpriteTransform transform{};
    transform.scaleX = 1.0f;
    transform.scaleY = 1.0f;
    transform.red = transform.green = transform.blue = 1.0f;
    transform.alpha = alpha;
    SpriteRecord record{};
    InitSpriteRecord(&record, gScreenTarget);
    record.source = sprite->image;
    record.transform = &transform;
    record.x = state->screenX;
    record.y = state->screenY;
    record.flags = SPRITE_FLAG_TRANSFORM;
    DrawSprite(&record);
}
