// The script engine: every object that shows a sprite or plays a sound does
// it through a ScriptActor, a small bytecode interpreter that runs one script
// of its type's MediaSet once a frame. A script picks the sprites shown, the
// frame's motion (dx, dy), which sounds start or stop, and when to wait,
// jump, call another script or change a variable. Behaviours start scripts,
// run them every tick, read dx and dy back and draw the actor.
#pragma once

#include <cstdint>

#include "world/media_set.h"
#include "world/objects.h"
#include "world/sound_channels.h"

struct GameWorld;

// ---- instruction set -----------------------------------------------------------

constexpr uint8_t SOP_OPCODE_MASK = 0x1F;
constexpr uint8_t SOP_MIRROR = 0x80;

// Sprite instructions.
constexpr uint8_t SOP_SHOW = 0;
constexpr uint8_t SOP_HIDE = 1;
constexpr uint8_t SOP_SHOW_RANDOM = 2;
constexpr uint8_t SOP_SHOW_HALT = 3;
constexpr uint8_t SOP_SHOW_RANDOM_MIRROR = 4;
constexpr uint8_t SOP_SHOW_WAIT_RANDOM = 7;
constexpr uint8_t SOP_PASS = 9;
// Control instructions.
constexpr uint8_t SOP_WAIT = 5; // also 6, 27 and 28: the wait byte alone
constexpr uint8_t SOP_JUMP = 10;
constexpr uint8_t SOP_JUMP_IF = 11;
constexpr uint8_t SOP_SET = 24;
constexpr uint8_t SOP_ADD = 25;
constexpr uint8_t SOP_SUB = 26;
constexpr uint8_t SOP_RETURN = 29;
constexpr uint8_t SOP_CALL = 30;
constexpr uint8_t SOP_GOTO = 31;
// Sound instructions.
constexpr uint8_t SOP_SOUND_PLAY = 16;
constexpr uint8_t SOP_SOUND_STOP = 17;
constexpr uint8_t SOP_SOUND_CHANCE = 18;
constexpr uint8_t SOP_SOUND_VARY = 19;
constexpr uint8_t SOP_SOUND_ADJUST = 20;

// SOP_JUMP_IF comparisons: the low three bits of the wait byte. 5 to 7
// never jump.
constexpr uint8_t SCRIPT_CMP_LESS = 0;
constexpr uint8_t SCRIPT_CMP_LESS_EQUAL = 1;
constexpr uint8_t SCRIPT_CMP_EQUAL = 2;
constexpr uint8_t SCRIPT_CMP_GREATER_EQUAL = 3;
constexpr uint8_t SCRIPT_CMP_GREATER = 4;

// Variable references: bits 13-15 the kind, bits 0-12 n.
constexpr int32_t SCRIPT_VAR_INTERNAL = 0x0000;
constexpr int32_t SCRIPT_VAR_EXTERNAL = 0x2000;
constexpr int32_t SCRIPT_VAR_GLOBAL = 0x4000;
constexpr int32_t SCRIPT_VAR_LITERAL = 0x6000; // and every kind above
constexpr int32_t SCRIPT_VAR_KIND_MASK = 0xE000;
constexpr int32_t SCRIPT_VAR_INDEX_MASK = 0x1FFF;

// ---- pipes -----------------------------------------------------------------------

// Pipe types, also the pipe type of each opcode in gScriptPipeTypes.
constexpr uint8_t PIPE_CONTROL = 0; // a free pipe
constexpr uint8_t PIPE_SPRITE = 1;
constexpr uint8_t PIPE_SOUND = 2;
constexpr uint8_t PIPE_ALL = 255; // ReleasePipesOfType: every pipe

constexpr uint8_t PIPE_FLAG_MIRRORED = 1;
constexpr uint8_t PIPE_FLAG_HIDDEN = 2;

constexpr uint16_t PIPE_MEDIA_STOP = 0xFFFE;
constexpr uint16_t PIPE_MEDIA_NONE = 0xFFFF;

extern const uint8_t gScriptPipeTypes[32];

// ---- actor -----------------------------------------------------------------------

constexpr int32_t kScriptPipeCount = 4;
constexpr int32_t kScriptVarCount = 4;
constexpr int32_t kActorSoundSlots = 8;
constexpr int32_t kActorFixedSoundSlots = 4; // 0..3 by number, 4..7 a pool

// A script that neither waits nor ends, or calls itself without end, must
// not hang the frame.
constexpr int32_t kMaxScriptSteps = 256;
constexpr int32_t kMaxScriptDepth = 32;

// Set by the owning behaviour.
constexpr int16_t ACTOR_FACING_LEFT = 1;
constexpr int16_t ACTOR_NO_MOTION = 0x80;

// One level of an actor's call stack.
struct ScriptFrame {
    ScriptFrame* caller; // null at the bottom
    int32_t vars[kScriptVarCount];
    int16_t script;
    int16_t pc;   // index of the next instruction
    int16_t wait; // frames still to wait; -1 halted
};

// One output of an actor for one frame: a sprite to show or a sound to
// start or stop.
struct ScriptPipe {
    uint8_t type; // PIPE_CONTROL (free), PIPE_SPRITE, PIPE_SOUND
    int8_t link;  // the pipe of the same type taken before it this frame
    uint8_t previousFlags;
    uint8_t flags;      // PIPE_FLAG_*
    int8_t loops;       // sound pipes: the player's play count, -1 for ever
    uint8_t slot;       // sound pipes: 0..3 a fixed slot; 4 and more a pool slot or none
    uint8_t soundFlags; // ACTOR_SOUND_*
    uint16_t previousMedia;
    uint16_t media;   // sprite or sound index; PIPE_MEDIA_STOP, PIPE_MEDIA_NONE
    uint8_t spare[2]; // rewritten by SOP_SOUND_ADJUST; playback ignores them
};

// The draw state of an object. Zero-filled with its object.
struct ScriptActor {
    int16_t mediaSet; // index into world->mediaSets; negative: none
    int32_t ExternalVars[kScriptVarCount];
    ScriptPipe pipes[kScriptPipeCount];
    SoundChannelRec sounds[kActorSoundSlots];
    uint8_t spriteHead; // this frame's pipe lists (0 after a reset)
    uint8_t soundHead;
    int32_t* globals; // count C, then values 0..C; null: none
    ScriptFrame* top; // null: no script
    int16_t flags;    // ACTOR_FACING_LEFT, ACTOR_NO_MOTION
    int16_t dx, dy;   // this frame's motion in pixels
    int8_t lastPipe;  // the pipe taken last; -1 when none was free
    // Pipe sounds start once per simulation step, not once per draw: the
    // step (world frame counter) whose sound pipes were started, and which.
    uint8_t soundStepValid;
    uint8_t soundPipesStarted;
    uint32_t soundStep;
};
static_assert(sizeof(ScriptActor) <= kMaxObjectStateBytes, "an actor fits an object state buffer");

// ---- pipe helpers --------------------------------------------------------------

void ResetPipe(ScriptPipe* pipe);
// The first free pipe (its index kept in lastPipe), or null.
ScriptPipe* FindFreePipe(ScriptActor* actor);
// A free pipe given `type`; a control pipe stays free. Null when all four
// are taken.
ScriptPipe* TakePipe(ScriptActor* actor, uint8_t type);
void ReleasePipe(ScriptPipe* pipe);
void ReleasePipesOfType(ScriptActor* actor, uint8_t type);

// ---- actor lifecycle -------------------------------------------------------------

void SetActorMedia(GameWorld* world, ScriptActor* actor, int32_t type);
void ResetActor(GameWorld* world, ScriptActor* actor, int32_t type);
void StopActor(GameWorld* world, ScriptActor* actor);

// ---- frame stack -------------------------------------------------------------------

// A script number outside the set ends the program. CallScript answers false
// (with a diagnostic) when the stack already holds kMaxScriptDepth frames.
void StartScript(GameWorld* world, ScriptActor* actor, int32_t n);
bool CallScript(GameWorld* world, ScriptActor* actor, int32_t n);
void GotoScript(GameWorld* world, ScriptActor* actor, int32_t n);
void ScriptReturn(GameWorld* world, ScriptActor* actor);
void ClearScriptStack(GameWorld* world, ScriptActor* actor);

// ---- running and drawing -----------------------------------------------------------

void RunScript(GameWorld* world, ScriptActor* actor);
int32_t IsScriptDone(GameWorld* world, const ScriptActor* actor);

int32_t ReadScriptVar(ScriptActor* actor, int32_t ref);
void WriteScriptVar(ScriptActor* actor, int32_t ref, int32_t value);

// What a pipe holds for drawing: PIPE_MEDIA_KIND_NOTHING, or a sprite pipe's
// entry, or a sound pipe (entry null for a stop, a none or a bad index).
constexpr int32_t PIPE_MEDIA_KIND_NOTHING = 0;
constexpr int32_t PIPE_MEDIA_KIND_SPRITE = 1;
constexpr int32_t PIPE_MEDIA_KIND_SOUND = 2;
struct PipeMedia {
    int32_t kind;
    SpriteEntry* sprite;
    SoundEntry* sound;
    uint8_t flags; // the pipe's PIPE_FLAG_*
};
PipeMedia GetPipeMedia(GameWorld* world, ScriptActor* actor, int32_t i);

// (x, y) is the object's position in whole pixels.
void DrawActor(GameWorld* world, int32_t x, int32_t y, ScriptActor* actor);
// The channel playing for pipe i, or -1. Starts nothing for a pipe whose
// sound was already started in this simulation step.
int32_t StartPipeSound(GameWorld* world, ScriptActor* actor, int32_t i, SoundEntry* sound);
void UpdateActorSounds(GameWorld* world, int32_t x, int32_t y, ScriptActor* actor);

// Instruction i of script s of the type's set; all zero when s or i is out
// of range.
ScriptInstruction GetScriptInstruction(GameWorld* world, int32_t type, int32_t s, int32_t i);
// Entry n of the actor's set, loaded on demand; null when n is out of range.
// A sprite whose picture did not decode has a null image.
SpriteEntry* GetActorSprite(GameWorld* world, ScriptActor* actor, int32_t n);
SoundEntry* GetActorSound(GameWorld* world, ScriptActor* actor, int32_t n);
