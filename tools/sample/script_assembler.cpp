#include "tools/sample/script_assembler.h"

#include <stdexcept>

#include "engine/bytes.h"

namespace {

constexpr size_t kMaxScripts = 255;
constexpr size_t kMaxInstructions = 255;

uint16_t RefValue(ScriptVarRef ref) {
    if (ref.kind < 0 || ref.kind > SCRIPT_VAR_KIND_MASK || (ref.kind & ~SCRIPT_VAR_KIND_MASK) != 0)
        throw std::invalid_argument("a variable kind is one of 0x0000, 0x2000 .. 0xE000");
    if (ref.n < 0 || ref.n > SCRIPT_VAR_INDEX_MASK)
        throw std::invalid_argument("a variable number is 0..0x1FFF");
    return static_cast<uint16_t>(ref.kind | ref.n);
}

// A SOP_JUMP_IF reference is one byte sign-extended to 16 bits, with bit 8
// and the kind bits ORed in from the dy byte: bits 9-12 can only come from
// the sign, and a byte of 0x80 or more sets all of bits 8-15.
struct PackedRef {
    uint8_t low;
    uint8_t bit8;
    uint8_t kind;
};

PackedRef PackRef(ScriptVarRef ref) {
    const uint16_t v = RefValue(ref);
    if ((v & 0x0080) == 0 && (v & 0x1E00) == 0)
        return {static_cast<uint8_t>(v & 0x7F), static_cast<uint8_t>((v >> 8) & 1),
                static_cast<uint8_t>(v >> 13)};
    if ((v & 0xFF80) == 0xFF80)
        return {static_cast<uint8_t>(v & 0xFF), 0, 0};
    throw std::invalid_argument("SOP_JUMP_IF cannot name this variable");
}

} // namespace

void PackJumpIfLeft(ScriptVarRef ref, uint8_t* b, uint8_t* y) {
    const PackedRef packed = PackRef(ref);
    *b = packed.low;
    *y = static_cast<uint8_t>((*y & 0xF0) | packed.bit8 | packed.kind << 1);
}

void PackJumpIfRight(ScriptVarRef ref, int8_t* dx, uint8_t* y) {
    const PackedRef packed = PackRef(ref);
    *dx = static_cast<int8_t>(packed.low);
    *y = static_cast<uint8_t>((*y & 0x0F) | packed.bit8 << 4 | packed.kind << 5);
}

void EncodeScriptInstruction(const ScriptInstruction& instruction, uint8_t out[7]) {
    out[0] = instruction.op;
    PutU16LE(out + 1, instruction.a);
    out[3] = instruction.b;
    out[4] = static_cast<uint8_t>(instruction.wait);
    out[5] = static_cast<uint8_t>(instruction.dx);
    out[6] = static_cast<uint8_t>(instruction.dy);
}

std::vector<uint8_t>
EncodeMediaScripts(int16_t spawnX, int16_t spawnY,
                   const std::vector<std::vector<ScriptInstruction>>& scripts) {
    if (scripts.size() > kMaxScripts)
        throw std::invalid_argument("a scripts entry holds at most 255 scripts");
    std::vector<uint8_t> out(5);
    PutI16LE(out.data(), spawnX);
    PutI16LE(out.data() + 2, spawnY);
    out[4] = static_cast<uint8_t>(scripts.size());
    for (const std::vector<ScriptInstruction>& script : scripts) {
        if (script.size() > kMaxInstructions)
            throw std::invalid_argument("a script holds at most 255 instructions");
        out.push_back(static_cast<uint8_t>(script.size()));
        for (const ScriptInstruction& instruction : script) {
            uint8_t bytes[7];
            EncodeScriptInstruction(instruction, bytes);
            out.insert(out.end(), bytes, bytes + 7);
        }
    }
    return out;
}

int32_t ScriptAssembler::BeginScript() {
    if (scripts_.size() >= kMaxScripts)
        throw std::invalid_argument("a scripts entry holds at most 255 scripts");
    scripts_.emplace_back();
    return static_cast<int32_t>(scripts_.size() - 1);
}

int32_t ScriptAssembler::Here() const {
    return scripts_.empty() ? 0 : static_cast<int32_t>(scripts_.back().size());
}

ScriptAssembler& ScriptAssembler::Emit(const ScriptInstruction& instruction) {
    if (scripts_.empty())
        throw std::logic_error("BeginScript before the first instruction");
    if (scripts_.back().size() >= kMaxInstructions)
        throw std::invalid_argument("a script holds at most 255 instructions");
    scripts_.back().push_back(instruction);
    return *this;
}

ScriptAssembler& ScriptAssembler::Instruction(uint8_t op, uint16_t a, uint8_t b, int8_t wait,
                                              int8_t dx, int8_t dy, bool mirror) {
    const uint8_t code = static_cast<uint8_t>(op | (mirror ? SOP_MIRROR : 0));
    return Emit(ScriptInstruction{code, a, b, wait, dx, dy});
}

ScriptAssembler& ScriptAssembler::Immediate(uint8_t op, ScriptVarRef var, int32_t value) {
    const uint16_t ref = RefValue(var);
    // The reference is sign-extended: bit 15 would make it invalid.
    if ((ref & 0x8000) != 0)
        throw std::invalid_argument("SOP_SET, SOP_ADD and SOP_SUB name kinds below 0x8000");
    const uint32_t bits = static_cast<uint32_t>(value);
    return Instruction(op, ref, static_cast<uint8_t>(bits), static_cast<int8_t>(bits >> 8),
                       static_cast<int8_t>(bits >> 16), static_cast<int8_t>(bits >> 24));
}

ScriptAssembler& ScriptAssembler::Show(uint16_t sprite, int8_t wait, int8_t dx, int8_t dy,
                                       bool mirror) {
    return Instruction(SOP_SHOW, sprite, 0, wait, dx, dy, mirror);
}

ScriptAssembler& ScriptAssembler::Hide(uint16_t sprite, int8_t wait, int8_t dx, int8_t dy) {
    return Instruction(SOP_HIDE, sprite, 0, wait, dx, dy);
}

ScriptAssembler& ScriptAssembler::ShowRandom(int16_t first, uint8_t last, int8_t wait, int8_t dx,
                                             int8_t dy, bool mirror) {
    return Instruction(SOP_SHOW_RANDOM, static_cast<uint16_t>(first), last, wait, dx, dy, mirror);
}

ScriptAssembler& ScriptAssembler::ShowHalt(uint16_t sprite, int8_t dx, int8_t dy, bool mirror) {
    return Instruction(SOP_SHOW_HALT, sprite, 0, 0, dx, dy, mirror);
}

ScriptAssembler& ScriptAssembler::ShowRandomMirror(int16_t first, uint8_t last, int8_t wait,
                                                   int8_t dx, int8_t dy) {
    return Instruction(SOP_SHOW_RANDOM_MIRROR, static_cast<uint16_t>(first), last, wait, dx, dy);
}

ScriptAssembler& ScriptAssembler::ShowWaitRandom(uint16_t sprite, uint8_t leastWait,
                                                 int8_t mostWait, int8_t dx, int8_t dy,
                                                 bool mirror) {
    return Instruction(SOP_SHOW_WAIT_RANDOM, sprite, leastWait, mostWait, dx, dy, mirror);
}

ScriptAssembler& ScriptAssembler::Pass(int8_t wait, int8_t dx, int8_t dy, bool mirror) {
    return Instruction(SOP_PASS, 0, 0, wait, dx, dy, mirror);
}

ScriptAssembler& ScriptAssembler::SoundPlay(uint16_t sound, int8_t loops, uint8_t slot,
                                            uint8_t flags, int8_t wait) {
    return Instruction(SOP_SOUND_PLAY, sound, static_cast<uint8_t>(loops), wait,
                       static_cast<int8_t>(slot), static_cast<int8_t>(flags));
}

ScriptAssembler& ScriptAssembler::SoundStop(int8_t wait) {
    return Instruction(SOP_SOUND_STOP, 0, 0, wait, 0, 0);
}

ScriptAssembler& ScriptAssembler::SoundChance(uint16_t sound, uint8_t percent, int8_t loops,
                                              uint8_t slot, uint8_t flags) {
    return Instruction(SOP_SOUND_CHANCE, sound, percent, loops, static_cast<int8_t>(slot),
                       static_cast<int8_t>(flags));
}

ScriptAssembler& ScriptAssembler::SoundVary(int16_t first, uint8_t spread, int8_t leastLoops,
                                            int8_t loopSpread) {
    return Instruction(SOP_SOUND_VARY, static_cast<uint16_t>(first), spread, leastLoops, loopSpread,
                       0);
}

ScriptAssembler& ScriptAssembler::SoundAdjust(uint8_t spare0, uint8_t spare1) {
    return Instruction(SOP_SOUND_ADJUST, 0, 0, static_cast<int8_t>(spare1),
                       static_cast<int8_t>(spare0), 0);
}

ScriptAssembler& ScriptAssembler::Wait(int8_t frames) {
    return Instruction(SOP_WAIT, 0, 0, frames, 0, 0);
}

ScriptAssembler& ScriptAssembler::Jump(uint16_t target) {
    return Instruction(SOP_JUMP, target, 0, 0, 0, 0);
}

ScriptAssembler& ScriptAssembler::JumpIf(ScriptVarRef left, uint8_t comparison, ScriptVarRef right,
                                         uint16_t target) {
    if (comparison > 7)
        throw std::invalid_argument("a comparison is 0..7");
    uint8_t b = 0;
    int8_t dx = 0;
    uint8_t y = 0;
    PackJumpIfLeft(left, &b, &y);
    PackJumpIfRight(right, &dx, &y);
    return Instruction(SOP_JUMP_IF, target, b, static_cast<int8_t>(comparison), dx,
                       static_cast<int8_t>(y));
}

ScriptAssembler& ScriptAssembler::Set(ScriptVarRef var, int32_t value) {
    return Immediate(SOP_SET, var, value);
}

ScriptAssembler& ScriptAssembler::Add(ScriptVarRef var, int32_t value) {
    return Immediate(SOP_ADD, var, value);
}

ScriptAssembler& ScriptAssembler::Sub(ScriptVarRef var, int32_t value) {
    return Immediate(SOP_SUB, var, value);
}

ScriptAssembler& ScriptAssembler::Return() {
    return Instruction(SOP_RETURN, 0, 0, 0, 0, 0);
}

ScriptAssembler& ScriptAssembler::Call(int16_t script, int8_t wait) {
    return Instruction(SOP_CALL, static_cast<uint16_t>(script), 0, wait, 0, 0);
}

ScriptAssembler& ScriptAssembler::Goto(int16_t script) {
    return Instruction(SOP_GOTO, static_cast<uint16_t>(script), 0, 0, 0, 0);
}

std::vector<uint8_t> ScriptAssembler::Write() const {
    return EncodeMediaScripts(spawnX_, spawnY_, scripts_);
}
