// Writes an object type's scripts entry from named instructions, so that
// sample data and tests never spell the 7-byte packing by hand. Values the
// packing cannot express are refused with std::invalid_argument.
#pragma once

#include <cstdint>
#include <vector>

#include "world/media_set.h"
#include "world/script_engine.h"

// A variable reference as a script names it: a kind (SCRIPT_VAR_INTERNAL,
// SCRIPT_VAR_EXTERNAL, SCRIPT_VAR_GLOBAL, SCRIPT_VAR_LITERAL or a kind above
// it, which reads as a literal too) and n (0..0x1FFF).
struct ScriptVarRef {
    int32_t kind;
    int32_t n;
};

inline ScriptVarRef InternalVar(int32_t n) {
    return {SCRIPT_VAR_INTERNAL, n};
}
inline ScriptVarRef ExternalVar(int32_t n) {
    return {SCRIPT_VAR_EXTERNAL, n};
}
inline ScriptVarRef GlobalVar(int32_t n) {
    return {SCRIPT_VAR_GLOBAL, n};
}
inline ScriptVarRef LiteralVar(int32_t n) {
    return {SCRIPT_VAR_LITERAL, n};
}

// The B and dy bytes (left) or dx and dy bytes (right) of SOP_JUMP_IF that
// name `ref`; throws when no bytes do.
void PackJumpIfLeft(ScriptVarRef ref, uint8_t* b, uint8_t* y);
void PackJumpIfRight(ScriptVarRef ref, int8_t* dx, uint8_t* y);

class ScriptAssembler {
public:
    explicit ScriptAssembler(int16_t spawnX = 0, int16_t spawnY = 0)
        : spawnX_(spawnX), spawnY_(spawnY) {}

    // Starts the next script; instructions go to it until the next call.
    // Returns its number.
    int32_t BeginScript();
    // Index the next instruction of the current script will have.
    int32_t Here() const;

    // Sprite instructions: `wait` frames, the frame's motion, the mirror bit.
    ScriptAssembler& Show(uint16_t sprite, int8_t wait = 0, int8_t dx = 0, int8_t dy = 0,
                          bool mirror = false);
    ScriptAssembler& Hide(uint16_t sprite, int8_t wait = 0, int8_t dx = 0, int8_t dy = 0);
    ScriptAssembler& ShowRandom(int16_t first, uint8_t last, int8_t wait = 0, int8_t dx = 0,
                                int8_t dy = 0, bool mirror = false);
    ScriptAssembler& ShowHalt(uint16_t sprite, int8_t dx = 0, int8_t dy = 0, bool mirror = false);
    ScriptAssembler& ShowRandomMirror(int16_t first, uint8_t last, int8_t wait = 0, int8_t dx = 0,
                                      int8_t dy = 0);
    ScriptAssembler& ShowWaitRandom(uint16_t sprite, uint8_t leastWait, int8_t mostWait,
                                    int8_t dx = 0, int8_t dy = 0, bool mirror = false);
    ScriptAssembler& Pass(int8_t wait, int8_t dx = 0, int8_t dy = 0, bool mirror = false);

    // Sound instructions. `slot` 0..3 is a fixed slot of the actor, 4 or more
    // a pool slot (with ACTOR_SOUND_POSITIONAL) or none; loops -1 plays for
    // ever.
    ScriptAssembler& SoundPlay(uint16_t sound, int8_t loops, uint8_t slot, uint8_t flags,
                               int8_t wait = 0);
    ScriptAssembler& SoundStop(int8_t wait = 0);
    ScriptAssembler& SoundChance(uint16_t sound, uint8_t percent, int8_t loops, uint8_t slot,
                                 uint8_t flags);
    // The previous sound instruction of the frame plays a sound of first ..
    // first + spread, and leastLoops .. leastLoops + loopSpread times.
    ScriptAssembler& SoundVary(int16_t first, uint8_t spread, int8_t leastLoops, int8_t loopSpread);
    ScriptAssembler& SoundAdjust(uint8_t spare0, uint8_t spare1);

    // Control instructions.
    ScriptAssembler& Wait(int8_t frames);
    ScriptAssembler& Jump(uint16_t target);
    // Jumps when `left` compares to `right` (SCRIPT_CMP_*; 5..7 never jump).
    ScriptAssembler& JumpIf(ScriptVarRef left, uint8_t comparison, ScriptVarRef right,
                            uint16_t target);
    ScriptAssembler& Set(ScriptVarRef var, int32_t value);
    ScriptAssembler& Add(ScriptVarRef var, int32_t value);
    ScriptAssembler& Sub(ScriptVarRef var, int32_t value);
    ScriptAssembler& Return();
    ScriptAssembler& Call(int16_t script, int8_t wait = 0);
    ScriptAssembler& Goto(int16_t script);

    // Any instruction as it stands.
    ScriptAssembler& Emit(const ScriptInstruction& instruction);

    const std::vector<std::vector<ScriptInstruction>>& scripts() const { return scripts_; }
    // The scripts entry: i16 spawn x, i16 spawn y, u8 N, then per script u8 M
    // and M 7-byte instructions.
    std::vector<uint8_t> Write() const;

private:
    ScriptAssembler& Instruction(uint8_t op, uint16_t a, uint8_t b, int8_t wait, int8_t dx,
                                 int8_t dy, bool mirror = false);
    ScriptAssembler& Immediate(uint8_t op, ScriptVarRef var, int32_t value);

    int16_t spawnX_;
    int16_t spawnY_;
    std::vector<std::vector<ScriptInstruction>> scripts_;
};

// The 7-byte stored form of one instruction.
void EncodeScriptInstruction(const ScriptInstruction& instruction, uint8_t out[7]);
// A scripts entry: spawn offset, then each script's instruction count and
// instructions (at most 255 scripts of at most 255 instructions).
std::vector<uint8_t> EncodeMediaScripts(int16_t spawnX, int16_t spawnY,
                                        const std::vector<std::vector<ScriptInstruction>>& scripts);
