// The script engine's interpreter, frame stack, pipes, drawing and actor
// sounds. Script data comes from the archive, so every index it carries is
// checked before use, and a run that never waits is cut off.
#include "world/script_engine.h"

#include <cstdio>
#include <cstdlib>
#include <unordered_set>

#include "engine/helpers.h"
#include "graphics/image.h"
#include "media/volume.h"
#include "world/game_world.h"

const uint8_t gScriptPipeTypes[32] = {
    PIPE_SPRITE,  PIPE_SPRITE,  PIPE_SPRITE,  PIPE_SPRITE,  PIPE_SPRITE, // 0-4
    PIPE_CONTROL, PIPE_CONTROL,                                          // 5-6
    PIPE_SPRITE,  PIPE_SPRITE,  PIPE_SPRITE,                             // 7-9
    PIPE_CONTROL, PIPE_CONTROL,                                          // 10-11
    PIPE_SPRITE,  PIPE_SPRITE,  PIPE_SPRITE,  PIPE_SPRITE,               // 12-15
    PIPE_SOUND,   PIPE_SOUND,   PIPE_SOUND,   PIPE_SOUND,                // 16-19
    PIPE_SOUND,   PIPE_SOUND,   PIPE_SOUND,   PIPE_SOUND,                // 20-23
    PIPE_CONTROL, PIPE_CONTROL, PIPE_CONTROL, PIPE_CONTROL,              // 24-27
    PIPE_CONTROL, PIPE_CONTROL, PIPE_CONTROL, PIPE_CONTROL,              // 28-31
};

namespace {

constexpr int32_t kFixedOne = 65536;

MediaSet* ActorSet(GameWorld* world, const ScriptActor* actor) {
    if (actor->mediaSet < 0 || actor->mediaSet >= kMediaSetCount)
        return nullptr;
    return &world->mediaSets[actor->mediaSet];
}

// -1 also for a script the set no longer holds: the set may have been
// rebound or freed since the frame was pushed.
int32_t LastInstruction(const MediaSet* set, int32_t s) {
    if (set == nullptr || set->scripts == nullptr || s < 0 || s > set->lastScript)
        return -1;
    const ScriptTableEntry& script = set->scripts[s];
    return script.instructions != nullptr ? script.last : -1;
}

// A counter made negative by a jump to 0x8000 or above is past the end too.
bool PastEnd(const MediaSet* set, const ScriptFrame* frame) {
    return frame->pc < 0 || frame->pc > LastInstruction(set, frame->script);
}

void CheckScriptNumber(GameWorld* world, const ScriptActor* actor, int32_t n) {
    const MediaSet* set = ActorSet(world, actor);
    if (set != nullptr && set->scripts != nullptr && n >= 0 && n <= set->lastScript)
        return;
    std::printf("Для объекта %d, не найден скрипт %d", set != nullptr ? set->typeId : -1, n);
    FatalExit();
}

int32_t StackDepth(const ScriptActor* actor) {
    int32_t depth = 0;
    for (const ScriptFrame* f = actor->top; f != nullptr && depth <= kMaxScriptDepth; f = f->caller)
        ++depth;
    return depth;
}

// Bad data would otherwise print the same line every frame.
bool FirstReport(int32_t what, int32_t type, int32_t index) {
    static std::unordered_set<uint64_t> reported;
    const uint64_t key = static_cast<uint64_t>(what) << 48 |
                         static_cast<uint64_t>(type & 0xFFFF) << 32 | static_cast<uint32_t>(index);
    return reported.insert(key).second;
}

int32_t EvenPixel(int32_t fixed) {
    return (fixed / kFixedOne) & ~1;
}

int32_t ClampOffset(int64_t value, int32_t limit) {
    return value < -limit ? -limit : value > limit ? limit : static_cast<int32_t>(value);
}

SpriteEntry* LoadedSprite(GameWorld* world, MediaSet* set, int32_t n, const char* message) {
    SpriteEntry* sprite = &set->sprites[n];
    if (sprite->image == nullptr && sprite->loadFailed == 0) {
        std::printf(message, set->typeId, world->currentLevel, n);
        LoadObjectSprite(world, set, n);
    }
    return sprite;
}

SoundEntry* LoadedSound(GameWorld* world, MediaSet* set, int32_t n) {
    SoundEntry* sound = &set->sounds[n];
    if (sound->handle == 0) {
        std::printf("// obj %d level %d snd %d \n", set->typeId, world->currentLevel, n);
        LoadObjectSound(world, set, n);
    }
    return sound;
}

bool SpriteInRange(const MediaSet* set, int32_t n) {
    return set->sprites != nullptr && n >= 0 && n <= set->lastSprite;
}

bool SoundInRange(const MediaSet* set, int32_t n) {
    return set->sounds != nullptr && n >= 0 && n <= set->lastSound;
}

// ---- instructions --------------------------------------------------------------

// Answers true for SOP_PASS, whose wait is replaced by the next instruction's.
bool RunSpriteInstruction(ScriptActor* actor, ScriptFrame* frame, ScriptPipe* pipe,
                          const ScriptInstruction& ins, int32_t sign) {
    actor->dx = static_cast<int16_t>(ins.dx * sign);
    actor->dy = ins.dy;
    pipe->flags = static_cast<uint8_t>((actor->flags & ACTOR_FACING_LEFT) ^
                                       ((ins.op & SOP_MIRROR) != 0 ? PIPE_FLAG_MIRRORED : 0));
    const int32_t first = static_cast<int16_t>(ins.a);
    switch (ins.op & SOP_OPCODE_MASK) {
    case SOP_SHOW:
        pipe->media = ins.a;
        break;
    case SOP_HIDE:
        pipe->media = ins.a;
        pipe->flags |= PIPE_FLAG_HIDDEN;
        break;
    case SOP_SHOW_RANDOM:
        pipe->media = static_cast<uint16_t>(WorldRandomInt(first, ins.b));
        break;
    case SOP_SHOW_HALT:
        frame->wait = -1;
        pipe->media = ins.a;
        break;
    case SOP_SHOW_RANDOM_MIRROR:
        pipe->media = static_cast<uint16_t>(WorldRandomInt(first, ins.b));
        pipe->flags = static_cast<uint8_t>(WorldRandomInt(0, 1));
        break;
    case SOP_SHOW_WAIT_RANDOM:
        pipe->media = ins.a;
        frame->wait = static_cast<int16_t>(WorldRandomInt(ins.b, ins.wait));
        break;
    case SOP_PASS:
        return true;
    default:
        break;
    }
    return false;
}

// SOP_SOUND_VARY and SOP_SOUND_ADJUST give their pipe back and act on the
// sound pipe taken before it.
ScriptPipe* GiveBackSoundPipe(ScriptActor* actor, ScriptPipe* pipe) {
    const int32_t link = pipe->link;
    ReleasePipe(pipe);
    if (link < 0 || link >= kScriptPipeCount) {
        actor->soundHead = 0;
        return nullptr;
    }
    actor->soundHead = static_cast<uint8_t>(link);
    ScriptPipe* previous = &actor->pipes[link];
    return previous->type == PIPE_SOUND ? previous : nullptr;
}

void StartSoundFields(ScriptPipe* pipe, int8_t loops, const ScriptInstruction& ins) {
    pipe->loops = loops;
    pipe->slot = static_cast<uint8_t>(ins.dx);
    pipe->soundFlags = static_cast<uint8_t>(ins.dy);
    pipe->spare[0] = 0;
    pipe->spare[1] = 100;
}

void RunSoundInstruction(ScriptActor* actor, ScriptFrame* frame, ScriptPipe* pipe,
                         const ScriptInstruction& ins) {
    switch (ins.op & SOP_OPCODE_MASK) {
    case SOP_SOUND_PLAY:
        pipe->media = ins.a;
        StartSoundFields(pipe, static_cast<int8_t>(ins.b), ins);
        break;
    case SOP_SOUND_STOP:
        pipe->media = PIPE_MEDIA_STOP;
        break;
    case SOP_SOUND_CHANCE: {
        frame->wait = 0;
        StartSoundFields(pipe, ins.wait, ins);
        const int32_t r = WorldRandomInt(0, 99);
        pipe->media = r < ins.b ? ins.a : PIPE_MEDIA_NONE;
        break;
    }
    case SOP_SOUND_VARY: {
        frame->wait = 0;
        ScriptPipe* previous = GiveBackSoundPipe(actor, pipe);
        if (previous == nullptr)
            break;
        if (static_cast<int16_t>(previous->media) >= 0) {
            const int32_t first = static_cast<int16_t>(ins.a);
            previous->media = static_cast<uint16_t>(WorldRandomInt(first, first + ins.b));
        }
        previous->loops = static_cast<int8_t>(WorldRandomInt(ins.wait, ins.wait + ins.dx));
        break;
    }
    case SOP_SOUND_ADJUST: {
        frame->wait = 0;
        ScriptPipe* previous = GiveBackSoundPipe(actor, pipe);
        if (previous != nullptr) {
            previous->spare[0] = static_cast<uint8_t>(ins.dx);
            previous->spare[1] = static_cast<uint8_t>(ins.wait);
        }
        break;
    }
    default:
        break;
    }
}

// The two references of SOP_JUMP_IF, packed around the B and dx bytes.
int32_t JumpIfLeft(const ScriptInstruction& ins) {
    const uint32_t y = static_cast<uint8_t>(ins.dy);
    const uint32_t b = static_cast<uint16_t>(static_cast<int16_t>(static_cast<int8_t>(ins.b)));
    return static_cast<uint16_t>((y & 0x01) << 8 | b | (y & 0x0E) << 12);
}

int32_t JumpIfRight(const ScriptInstruction& ins) {
    const uint32_t y = static_cast<uint8_t>(ins.dy);
    const uint32_t dx = static_cast<uint16_t>(static_cast<int16_t>(ins.dx));
    return static_cast<uint16_t>((y & 0x10) << 4 | dx | (y & 0xE0) << 8);
}

bool Compare(int32_t left, int32_t right, uint32_t comparison) {
    switch (comparison) {
    case SCRIPT_CMP_LESS:
        return left < right;
    case SCRIPT_CMP_LESS_EQUAL:
        return left <= right;
    case SCRIPT_CMP_EQUAL:
        return left == right;
    case SCRIPT_CMP_GREATER_EQUAL:
        return left >= right;
    case SCRIPT_CMP_GREATER:
        return left > right;
    default:
        return false;
    }
}

int32_t Wrapped(uint32_t value) {
    return static_cast<int32_t>(value);
}

// Answers false when the run ends for this frame.
bool RunControlInstruction(GameWorld* world, ScriptActor* actor, ScriptFrame* frame,
                           const ScriptInstruction& ins) {
    const int32_t ref = static_cast<int16_t>(ins.a);
    switch (ins.op & SOP_OPCODE_MASK) {
    case SOP_JUMP:
        frame->wait = 0;
        frame->pc = static_cast<int16_t>(ins.a);
        break;
    case SOP_JUMP_IF: {
        frame->wait = 0;
        const int32_t left = ReadScriptVar(actor, JumpIfLeft(ins));
        const int32_t right = ReadScriptVar(actor, JumpIfRight(ins));
        if (Compare(left, right, static_cast<uint8_t>(ins.wait) & 7u))
            frame->pc = static_cast<int16_t>(ins.a);
        break;
    }
    case SOP_SET:
        frame->wait = 0;
        WriteScriptVar(actor, ref, ins.Immediate());
        break;
    case SOP_ADD:
        frame->wait = 0;
        WriteScriptVar(actor, ref,
                       Wrapped(static_cast<uint32_t>(ReadScriptVar(actor, ref)) +
                               static_cast<uint32_t>(ins.Immediate())));
        break;
    case SOP_SUB:
        frame->wait = 0;
        WriteScriptVar(actor, ref,
                       Wrapped(static_cast<uint32_t>(ReadScriptVar(actor, ref)) -
                               static_cast<uint32_t>(ins.Immediate())));
        break;
    case SOP_RETURN:
        ScriptReturn(world, actor);
        return actor->top != nullptr;
    case SOP_CALL:
        return CallScript(world, actor, ref);
    case SOP_GOTO:
        GotoScript(world, actor, ref);
        break;
    default:
        break;
    }
    return true;
}

} // namespace

// ---- pipes ---------------------------------------------------------------------------

void ResetPipe(ScriptPipe* pipe) {
    pipe->type = PIPE_CONTROL;
    pipe->previousFlags = pipe->flags;
    pipe->flags = PIPE_FLAG_HIDDEN;
    pipe->previousMedia = pipe->media;
    pipe->media = 0;
}

ScriptPipe* FindFreePipe(ScriptActor* actor) {
    for (int32_t i = 0; i < kScriptPipeCount; ++i) {
        if (actor->pipes[i].type == PIPE_CONTROL) {
            actor->lastPipe = static_cast<int8_t>(i);
            return &actor->pipes[i];
        }
    }
    actor->lastPipe = -1;
    return nullptr;
}

ScriptPipe* TakePipe(ScriptActor* actor, uint8_t type) {
    ScriptPipe* pipe = FindFreePipe(actor);
    if (pipe == nullptr || type == PIPE_CONTROL)
        return pipe;
    pipe->type = type;
    if (type == PIPE_SPRITE || type == PIPE_SOUND) {
        uint8_t& head = type == PIPE_SPRITE ? actor->spriteHead : actor->soundHead;
        pipe->link = static_cast<int8_t>(head);
        head = static_cast<uint8_t>(actor->lastPipe);
    }
    return pipe;
}

void ReleasePipe(ScriptPipe* pipe) {
    pipe->type = PIPE_CONTROL;
    pipe->flags |= PIPE_FLAG_HIDDEN;
    pipe->media = 0;
    pipe->previousMedia = 0;
    pipe->link = -1;
}

void ReleasePipesOfType(ScriptActor* actor, uint8_t type) {
    for (ScriptPipe& pipe : actor->pipes)
        if (type == PIPE_ALL || pipe.type == type)
            ReleasePipe(&pipe);
    if (type == PIPE_SPRITE || type == PIPE_ALL)
        actor->spriteHead = 0;
    if (type == PIPE_SOUND || type == PIPE_ALL)
        actor->soundHead = 0;
}

// ---- actor lifecycle ---------------------------------------------------------------

void SetActorMedia(GameWorld* world, ScriptActor* actor, int32_t type) {
    actor->mediaSet = static_cast<int16_t>(FindMediaSet(world, type));
}

void ResetActor(GameWorld* world, ScriptActor* actor, int32_t type) {
    SetActorMedia(world, actor, type);
    ReleasePipesOfType(actor, PIPE_ALL);
    for (SoundChannelRec& slot : actor->sounds)
        ResetSoundChannelRec(&slot);
    actor->soundStepValid = 0;
    actor->soundPipesStarted = 0;
}

void StopActor(GameWorld* world, ScriptActor* actor) {
    for (SoundChannelRec& slot : actor->sounds)
        StopSound(world, &slot);
    ClearScriptStack(world, actor);
}

// ---- frame stack ---------------------------------------------------------------------

bool CallScript(GameWorld* world, ScriptActor* actor, int32_t n) {
    CheckScriptNumber(world, actor, n);
    if (StackDepth(actor) >= kMaxScriptDepth) {
        std::printf("Script %d of object %d: calls nest deeper than %d\n", n,
                    world->mediaSets[actor->mediaSet].typeId, kMaxScriptDepth);
        return false;
    }
    auto* frame = static_cast<ScriptFrame*>(ZAlloc(static_cast<int32_t>(sizeof(ScriptFrame))));
    frame->caller = actor->top;
    frame->script = static_cast<int16_t>(n);
    actor->top = frame;
    return true;
}

void GotoScript(GameWorld* world, ScriptActor* actor, int32_t n) {
    CheckScriptNumber(world, actor, n);
    ScriptFrame* top = actor->top;
    if (top == nullptr) {
        CallScript(world, actor, n);
        return;
    }
    // The frames below become unreachable: the goto's script ends the stack.
    for (ScriptFrame* below = top->caller; below != nullptr;) {
        ScriptFrame* next = below->caller;
        std::free(below);
        below = next;
    }
    *top = ScriptFrame{};
    top->script = static_cast<int16_t>(n);
}

void ScriptReturn(GameWorld* /*world*/, ScriptActor* actor) {
    ScriptFrame* top = actor->top;
    if (top == nullptr)
        return;
    actor->top = top->caller;
    std::free(top);
}

void ClearScriptStack(GameWorld* world, ScriptActor* actor) {
    while (actor->top != nullptr)
        ScriptReturn(world, actor);
}

void StartScript(GameWorld* world, ScriptActor* actor, int32_t n) {
    CheckScriptNumber(world, actor, n);
    ClearScriptStack(world, actor);
    CallScript(world, actor, n);
    for (ScriptPipe& pipe : actor->pipes)
        ResetPipe(&pipe);
    actor->spriteHead = 0;
    actor->soundHead = 0;
    actor->dx = 0;
    actor->dy = 0;
    for (SoundChannelRec& slot : actor->sounds)
        if ((slot.flags & ACTOR_SOUND_STOP_ON_START) != 0)
            StopSound(world, &slot);
}

// ---- the interpreter -----------------------------------------------------------------

void RunScript(GameWorld* world, ScriptActor* actor) {
    MediaSet* set = ActorSet(world, actor);
    if (set == nullptr) {
        std::printf("Fantastish nabor Less ZERO \n");
        return;
    }
    ScriptFrame* frame = actor->top;
    if (frame == nullptr)
        return;
    const int32_t sign = (actor->flags & ACTOR_FACING_LEFT) != 0 ? -1 : 1;
    if ((actor->flags & ACTOR_NO_MOTION) != 0) {
        actor->dx = 0;
        actor->dy = 0;
    }
    if (frame->wait > 0)
        --frame->wait;
    ReleasePipesOfType(actor, PIPE_SOUND);
    // Still waiting or halted: the shown sprites and the motion stay.
    if (frame->wait != 0)
        return;
    if (PastEnd(set, frame)) {
        frame->wait = -1;
        return;
    }
    for (ScriptPipe& pipe : actor->pipes)
        ResetPipe(&pipe);
    actor->dx = 0;
    actor->dy = 0;
    actor->spriteHead = 0;
    actor->soundHead = 0;

    for (int32_t steps = 0;;) {
        frame = actor->top;
        if (PastEnd(set, frame)) {
            ScriptReturn(world, actor);
            return;
        }
        if (++steps > kMaxScriptSteps) {
            std::printf("Script %d of object %d: more than %d instructions in one frame\n",
                        frame->script, set->typeId, kMaxScriptSteps);
            return;
        }
        const ScriptInstruction ins = set->scripts[frame->script].instructions[frame->pc];
        ++frame->pc;
        const uint8_t type = gScriptPipeTypes[ins.op & SOP_OPCODE_MASK];
        ScriptPipe* pipe = TakePipe(actor, type);
        frame->wait = ins.wait;
        if (pipe == nullptr) {
            std::printf("Need more script engine pipes.\n");
            return;
        }
        if (type == PIPE_SPRITE) {
            if (RunSpriteInstruction(actor, frame, pipe, ins, sign))
                continue;
        } else if (type == PIPE_SOUND) {
            RunSoundInstruction(actor, frame, pipe, ins);
        } else if (!RunControlInstruction(world, actor, frame, ins)) {
            return;
        }
        if (actor->top->wait != 0)
            return;
    }
}

int32_t IsScriptDone(GameWorld* world, const ScriptActor* actor) {
    const MediaSet* set = ActorSet(world, actor);
    if (set == nullptr || actor->top == nullptr)
        return 1;
    if (actor->top->wait > 0)
        return 0;
    return PastEnd(set, actor->top) ? 1 : 0;
}

// ---- variables -------------------------------------------------------------------------

namespace {

// The variable a reference names, or null (with its diagnostic) when it names
// none; *literal is set for the literal kinds.
int32_t* FindScriptVar(ScriptActor* actor, int32_t ref, bool* literal) {
    *literal = false;
    if (ref < 0) {
        std::printf("bad var number: %d", ref);
        return nullptr;
    }
    const int32_t n = ref & SCRIPT_VAR_INDEX_MASK;
    switch (ref & SCRIPT_VAR_KIND_MASK) {
    case SCRIPT_VAR_INTERNAL:
        if (actor->top == nullptr) {
            std::printf("No script but internal var used for write!");
            return nullptr;
        }
        if (n >= kScriptVarCount) {
            std::printf("Too much internal vars!");
            return nullptr;
        }
        return &actor->top->vars[n];
    case SCRIPT_VAR_EXTERNAL:
        if (n >= kScriptVarCount) {
            std::printf("Too much external vars!");
            return nullptr;
        }
        return &actor->ExternalVars[n];
    case SCRIPT_VAR_GLOBAL:
        // The table's last index is its count itself.
        if (actor->globals == nullptr || n > actor->globals[0]) {
            std::printf("Too much global vars!");
            return nullptr;
        }
        return &actor->globals[1 + n];
    default:
        *literal = true;
        return nullptr;
    }
}

} // namespace

int32_t ReadScriptVar(ScriptActor* actor, int32_t ref) {
    bool literal = false;
    const int32_t* var = FindScriptVar(actor, ref, &literal);
    if (literal)
        return ref & SCRIPT_VAR_INDEX_MASK;
    return var != nullptr ? *var : 0;
}

void WriteScriptVar(ScriptActor* actor, int32_t ref, int32_t value) {
    bool literal = false;
    int32_t* var = FindScriptVar(actor, ref, &literal);
    if (var != nullptr)
        *var = value;
}

// ---- media look-ups ---------------------------------------------------------------------

ScriptInstruction GetScriptInstruction(GameWorld* world, int32_t type, int32_t s, int32_t i) {
    const MediaSet* set = &world->mediaSets[FindMediaSet(world, type)];
    if (i < 0 || i > LastInstruction(set, s))
        return ScriptInstruction{};
    return set->scripts[s].instructions[i];
}

SpriteEntry* GetActorSprite(GameWorld* world, ScriptActor* actor, int32_t n) {
    MediaSet* set = ActorSet(world, actor);
    if (set == nullptr || !SpriteInRange(set, n))
        return nullptr;
    return LoadedSprite(world, set, n, "// obj %d level %d snd %d \n");
}

SoundEntry* GetActorSound(GameWorld* world, ScriptActor* actor, int32_t n) {
    MediaSet* set = ActorSet(world, actor);
    if (set == nullptr || !SoundInRange(set, n))
        return nullptr;
    return LoadedSound(world, set, n);
}

PipeMedia GetPipeMedia(GameWorld* world, ScriptActor* actor, int32_t i) {
    PipeMedia out{};
    MediaSet* set = ActorSet(world, actor);
    if (set == nullptr || i < 0 || i >= kScriptPipeCount)
        return out;
    const ScriptPipe& pipe = actor->pipes[i];
    const int32_t n = static_cast<int16_t>(pipe.media);
    out.flags = pipe.flags;
    if (pipe.type == PIPE_SPRITE) {
        if ((world->dumpFlags & VIEW_HIDE_GRAPHICS) != 0 || n < 0)
            return out;
        if (!SpriteInRange(set, n)) {
            if (FirstReport(PIPE_SPRITE, set->typeId, n))
                std::printf("Object %d shows sprite %d of %d\n", set->typeId, n,
                            set->lastSprite + 1);
            return out;
        }
        out.kind = PIPE_MEDIA_KIND_SPRITE;
        out.sprite = LoadedSprite(world, set, n, "// obj %d level %d sprite %d \n");
    } else if (pipe.type == PIPE_SOUND) {
        out.kind = PIPE_MEDIA_KIND_SOUND;
        if (n < 0)
            return out;
        if (!SoundInRange(set, n)) {
            if (FirstReport(PIPE_SOUND, set->typeId, n))
                std::printf("Object %d plays sound %d of %d\n", set->typeId, n, set->lastSound + 1);
            return out;
        }
        out.sound = LoadedSound(world, set, n);
    }
    return out;
}

// ---- drawing and sounds ------------------------------------------------------------------

void DrawActor(GameWorld* world, int32_t x, int32_t y, ScriptActor* actor) {
    if (ActorSet(world, actor) == nullptr)
        return;
    const int32_t cameraX = EvenPixel(world->camera.positionX);
    const int32_t cameraY = EvenPixel(world->camera.positionY);
    for (int32_t i = 0; i < kScriptPipeCount; ++i) {
        const PipeMedia media = GetPipeMedia(world, actor, i);
        if (media.kind == PIPE_MEDIA_KIND_SOUND) {
            StartPipeSound(world, actor, i, media.sound);
            continue;
        }
        if (media.kind != PIPE_MEDIA_KIND_SPRITE || (media.flags & PIPE_FLAG_HIDDEN) != 0 ||
            media.sprite->image == nullptr)
            continue;
        const SpriteEntry& sprite = *media.sprite;
        const bool mirrored = (media.flags & PIPE_FLAG_MIRRORED) != 0;
        SpriteRecord record{};
        InitSpriteRecord(&record, gScreenTarget);
        record.source = sprite.image;
        record.x = x + (mirrored ? sprite.mirroredX : sprite.x) - cameraX;
        record.y = y + (mirrored ? sprite.mirroredY : sprite.y) - cameraY;
        record.flags = mirrored ? SPRITE_FLAG_MIRROR_X : 0;
        DrawSprite(&record);
    }
    UpdateActorSounds(world, x, y, actor);
}

int32_t StartPipeSound(GameWorld* world, ScriptActor* actor, int32_t i, SoundEntry* sound) {
    if (i < 0 || i >= kScriptPipeCount)
        return -1;
    // A frame drawn again without a step (pause, fade, level end) must not
    // start its sounds again.
    const uint8_t bit = static_cast<uint8_t>(1u << i);
    if (actor->soundStepValid == 0 || actor->soundStep != world->frameCounter) {
        actor->soundStepValid = 1;
        actor->soundStep = world->frameCounter;
        actor->soundPipesStarted = 0;
    } else if ((actor->soundPipesStarted & bit) != 0) {
        return -1;
    }
    actor->soundPipesStarted |= bit;

    const ScriptPipe& pipe = actor->pipes[i];
    const uint32_t flags = pipe.soundFlags;
    const bool fixed = pipe.slot < kActorFixedSoundSlots;
    SoundChannelRec* slot = nullptr;
    if (fixed) {
        slot = &actor->sounds[pipe.slot];
    } else if ((flags & ACTOR_SOUND_POSITIONAL) != 0) {
        for (int32_t k = kActorFixedSoundSlots; k < kActorSoundSlots && slot == nullptr; ++k)
            if (actor->sounds[k].channel == -1)
                slot = &actor->sounds[k];
        if (slot == nullptr)
            return -1;
    }
    const bool keepPlaying = fixed && (flags & ACTOR_SOUND_KEEP) != 0 && slot->channel != -1;
    if (static_cast<int16_t>(pipe.media) < 0) {
        if (fixed && (pipe.media == PIPE_MEDIA_STOP || keepPlaying))
            StopSound(world, slot);
        return -1;
    }
    if (keepPlaying)
        return slot->channel;
    if (fixed)
        StopSound(world, slot);
    return PlaySound(world, pipe.loops, flags, sound != nullptr ? sound->handle : 0, slot);
}

void UpdateActorSounds(GameWorld* world, int32_t x, int32_t y, ScriptActor* actor) {
    const Camera& camera = world->camera;
    const int64_t listenerX = camera.viewOffsetX / kFixedOne + EvenPixel(camera.positionX);
    const int64_t listenerY = camera.viewOffsetY / kFixedOne + EvenPixel(camera.positionY);
    // Bounds that keep the level arithmetic of the volume functions in range.
    const int32_t panX = ClampOffset(x - listenerX, 1 << 20);
    const int32_t panY = ClampOffset(y - listenerY, 1 << 20);
    const int64_t farX = ClampOffset(x - listenerX, 32767);
    const int64_t farY = ClampOffset(y - listenerY, 32767);
    const int32_t distance =
        static_cast<int32_t>(ISqrt(static_cast<uint32_t>(farX * farX + farY * farY)));
    for (SoundChannelRec& slot : actor->sounds) {
        SetSoundPosition(&slot, static_cast<int16_t>(x), static_cast<int16_t>(y));
        if ((slot.flags & ACTOR_SOUND_POSITIONAL) != 0)
            SetChannelPosition(slot.channel, panX, panY);
        if ((slot.flags & ACTOR_SOUND_DISTANCE) != 0)
            SetChannelDistance(slot.channel, distance);
    }
}
