// Pipe segments (type 35): a chain of segments laid along the map's pipe
// cells, built a little ahead of the view. A hit on the head starts a
// stream that runs through each segment's shape in turn, moving the
// world's stream point; at the end of the chain it ends the stream and
// throws the player up.
#include <algorithm>
#include <cstdint>

#include "graphics/image.h"
#include "world/behaviours/effect_object.h"
#include "world/behaviours/level_object_internal.h"
#include "world/behaviours/map_cells.h"
#include "world/behaviours/player_state.h"
#include "world/game_world.h"
#include "world/script_engine.h"

namespace level_object {

namespace {

// A segment's own cell gives its shape: the code less this.
constexpr int32_t kFirstShapeCode = 228;
// The cells a chain runs on.
constexpr int32_t kFirstChainCode = 229, kLastChainCode = 238;
// Segments are made only this far past the right edge of the view.
constexpr int32_t kBuildAhead = 64;
constexpr int32_t kCellPixels = 32;
// The stream point sits this far below the fill point.
constexpr int32_t kStreamPointDrop = 48;
// A stream starts at this level; the segment's leg time shrinks as the
// player raises it.
constexpr int32_t kStreamStartLevel = 100;
constexpr int32_t kLegTimeBase = 7, kLegTimeLevelStep = 40;
// Where the stream ends it throws the player up.
constexpr int32_t kThrowSpeed = -10;
constexpr uint8_t kChainEndTarget = 36;
constexpr int32_t kSegmentPixels = 32;

constexpr PipeSegmentSpawnRecord kFromLeft = {-1, 0};
constexpr PipeSegmentSpawnRecord kFromBelow = {0, 1};
constexpr PipeSegmentSpawnRecord kFromAbove = {0, -1};

bool FedFrom(const LevelObjectState* st, PipeSegmentSpawnRecord direction) {
    return st->entryX == direction.x && st->entryY == direction.y;
}

bool IsHead(const LevelObjectState* st) {
    return st->entryX == 0 && st->entryY == 0;
}

bool IsStraight(int32_t shape) {
    return shape == 0 || (shape >= 5 && shape <= 8);
}

bool IsChainCell(const GameWorld* world, int32_t column, int32_t row) {
    const int32_t code = ObjectLayerCode(world, column, row);
    return code >= kFirstChainCode && code <= kLastChainCode;
}

ObjectSlot* NextSegment(const Context& c) {
    return ResolveObjectRef(c.world, c.state->nextSegment, kPipeSegmentType);
}

struct NextCell {
    int32_t column, row;
    PipeSegmentSpawnRecord back;
};

// The next cell of the chain: to the right first, then up or down, never
// back toward the feeding segment.
bool FindNextCell(const Context& c, NextCell* next) {
    const LevelObjectState* st = c.state;
    const int32_t column = ObjectCellColumn(c.object);
    const int32_t row = ObjectCellRow(c.object);
    if (IsChainCell(c.world, column + 1, row)) {
        *next = {column + 1, row, kFromLeft};
        return true;
    }
    if (FedFrom(st, kFromBelow)) {
        if (!IsChainCell(c.world, column, row - 1))
            return false;
        *next = {column, row - 1, kFromBelow};
        return true;
    }
    if (IsChainCell(c.world, column, row + 1)) {
        *next = {column, row + 1, kFromAbove};
        return true;
    }
    if (!FedFrom(st, kFromAbove) && IsChainCell(c.world, column, row - 1)) {
        *next = {column, row - 1, kFromBelow};
        return true;
    }
    return false;
}

void BuildChain(const Context& c) {
    LevelObjectState* st = c.state;
    NextCell next{};
    if (!FindNextCell(c, &next)) {
        st->chainEnd = 1;
        return;
    }
    const Camera& camera = c.world->camera;
    const int64_t viewRight = (int64_t{camera.positionX} + camera.viewWidth) / FIXED_ONE;
    if (c.object->x >= viewRight + kBuildAhead)
        return;
    PipeSegmentSpawnRecord record = next.back;
    ObjectSlot* made =
        CreateObject(c.world, SlotCoordinate(int64_t{next.column} * kCellPixels),
                     SlotCoordinate(int64_t{next.row} * kCellPixels), kPipeSegmentType,
                     OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS, reinterpret_cast<intptr_t>(&record));
    st->nextSegment = MakeObjectRef(made);
}

PipePoint InstructionPoint(GameWorld* world, int32_t shape, int32_t i) {
    const ScriptInstruction instruction = GetScriptInstruction(world, kPipeSegmentType, shape, i);
    return PipePoint{instruction.dx, instruction.dy};
}

void EndStream(const Context& c) {
    GameWorld* world = c.world;
    world->player.streamLevel = 0;
    MakeEffect(c, EFFECT_KIND_FLASH_BURST, OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS);
    MakeEffect(c, EFFECT_KIND_FINALE, OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS);
    uint16_t from = 0;
    SendObjectMessage(world, FindNextObjectOfType(world, &from, kChainEndTarget), OBJ_EV_HIT);
    PlayerState* player = PlayerStateOf(c.player);
    if (player == nullptr)
        return;
    player->collisionFlags &= ~static_cast<int32_t>(COLLIDE_BLOCK_DOWN);
    const ObjectRef ref = MakeObjectRef(c.player);
    SendObjectMessage(world, c.player, OBJ_EV_HIT);
    if (ObjectSlot* still = ResolveObjectRef(world, ref, OBJT_PLAYER))
        if (PlayerState* p = PlayerStateOf(still))
            p->vy = Pixels(kThrowSpeed);
}

// False when the segment has passed the stream on and is gone.
bool Flow(const Context& c) {
    GameWorld* world = c.world;
    LevelObjectState* st = c.state;
    const PipePoint points[3] = {InstructionPoint(world, st->shape, 0),
                                 InstructionPoint(world, st->shape, 1),
                                 InstructionPoint(world, st->shape, 2)};
    const bool reversed = st->shape == PIPE_SHAPE_DROP && FedFrom(st, kFromAbove);
    const int32_t duration = std::max(1, st->streamDuration);
    const PipePoint fill = PipeFillPoint(st->shape, reversed, points, st->streamProgress, duration);
    st->fillX = static_cast<int16_t>(std::clamp(fill.x, INT16_MIN + 0, INT16_MAX + 0));
    st->fillY = static_cast<int16_t>(std::clamp(fill.y, INT16_MIN + 0, INT16_MAX + 0));
    world->player.streamPointX = SlotCoordinate(int64_t{st->fillX} + PixelX(c));
    world->player.streamPointY = SlotCoordinate(int64_t{st->fillY} + PixelY(c) + kStreamPointDrop);
    st->streamProgress += PipeStreamSpeed(c.option);
    if (static_cast<int32_t>(st->streamProgress) < PipeFlowEnd(st->shape, duration))
        return true;
    if (ObjectSlot* next = NextSegment(c)) {
        if (world->player.streamLevel > 0)
            SendObjectMessage(world, next, OBJ_EV_HIT);
    } else if (st->chainEnd != 0) {
        EndStream(c);
    }
    return DeleteSelf(c);
}

PipePoint Between(PipePoint a, PipePoint b, int32_t t, int32_t duration) {
    return PipePoint{
        static_cast<int32_t>(a.x + (int64_t{b.x} - a.x) * t / duration),
        static_cast<int32_t>(a.y + (int64_t{b.y} - a.y) * t / duration),
    };
}

} // namespace

float PipeStreamSpeed(int32_t option) {
    return kStreamSpeedPerOption * static_cast<float>(option) + STREAM_SPEED_BASE;
}

int32_t PipeFlowEnd(int32_t shape, int32_t duration) {
    return IsStraight(shape) ? duration : 2 * duration;
}

PipePoint PipeFillPoint(int32_t shape, bool reversed, const PipePoint points[3], float progress,
                        int32_t duration) {
    const int32_t d = std::max(1, duration);
    const int32_t t = static_cast<int32_t>(progress);
    if (IsStraight(shape))
        return Between(points[0], points[1], t, d);
    const PipePoint first = reversed ? points[2] : points[0];
    const PipePoint last = reversed ? points[0] : points[2];
    if (t < d)
        return Between(first, points[1], t, d);
    return Between(points[1], last, t - d, d);
}

void CreatePipeSegment(const Context& c) {
    GameWorld* world = c.world;
    LevelObjectState* st = c.state;
    if (const auto* record = c.object->ParamAs<const PipeSegmentSpawnRecord*>()) {
        st->entryX = record->x;
        st->entryY = record->y;
    } else {
        st->entryX = st->entryY = 0;
        world->player.streamLevel = 0;
    }
    const int32_t shape = ObjectLayerCode(world, c.startColumn, c.startRow) - kFirstShapeCode;
    // Codes past the shapes draw and run as the first one.
    st->shape = shape >= 0 && shape < PIPE_SHAPE_COUNT ? shape : 0;
    const int32_t shapeScript = LastScriptOf(world, kPipeSegmentType) - 1;
    st->spriteIndex = GetScriptInstruction(world, kPipeSegmentType, shapeScript, st->shape).a;
    st->nextSegment = ObjectRef{};
    st->chainEnd = 0;
}

void HitPipeSegment(const Context& c) {
    LevelObjectState* st = c.state;
    PlayerBlock& block = c.world->player;
    if (st->behaviourState != LEVEL_OBJECT_IDLE)
        return;
    st->behaviourState = LEVEL_OBJECT_TRIGGERED;
    st->streamDuration = kLegTimeBase - block.streamLevel / kLegTimeLevelStep;
    if (block.streamLevel != 0)
        return;
    block.streamLevel = kStreamStartLevel;
    MakeEffect(c, EFFECT_KIND_STREAM, OBJ_MSG_CREATE | OBJ_MSG_SYNC_POS);
    if (IsHead(st))
        SetTakenBit(c);
}

bool StepPipeSegment(const Context& c) {
    LevelObjectState* st = c.state;
    const bool linked = NextSegment(c) != nullptr;
    if (!linked && st->chainEnd == 0)
        BuildChain(c);
    const bool ready = NextSegment(c) != nullptr || st->chainEnd != 0;
    if (st->behaviourState == LEVEL_OBJECT_TRIGGERED && ready)
        return Flow(c);
    return true;
}

void DrawPipeSegment(GameWorld* world, ObjectSlot* object) {
    const auto* st = object->LogicAs<LevelObjectState>();
    auto* actor = object->DrawAs<ScriptActor>();
    if (st == nullptr || actor == nullptr || actor->mediaSet < 0)
        return;
    const SpriteEntry* sprite = GetActorSprite(world, actor, st->spriteIndex);
    if (sprite == nullptr || sprite->image == nullptr)
        return;
    SpriteRecord record{};
    InitSpriteRecord(&record, gScreenTarget);
    record.source = sprite->image;
    record.x = object->x - CameraEvenX(world) + sprite->x;
    record.y = object->y - CameraEvenY(world) + sprite->y;
    const int32_t fillX = std::clamp<int32_t>(st->fillX, 0, kSegmentPixels);
    const int32_t fillY = std::clamp<int32_t>(st->fillY, 0, kSegmentPixels);
    // The part the stream has not reached yet covers the pipe.
    if (st->shape != PIPE_SHAPE_DROP) {
        record.sourceX = fillX;
        record.width = kSegmentPixels - fillX;
        record.x += fillX;
    } else if (FedFrom(st, kFromAbove)) {
        record.sourceY = fillY;
        record.height = kSegmentPixels - fillY;
        record.y += fillY;
    } else if (st->behaviourState == LEVEL_OBJECT_TRIGGERED) {
        record.height = fillY;
    }
    if (record.width == 0 || record.height == 0)
        return;
    DrawSprite(&record);
}

} // namespace level_object
