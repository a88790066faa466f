// The script engine over media sets built in memory: timing, facing,
// calls and their limits, pipes, variables, drawing and actor sounds (the
// sounds over the real player on the dummy audio driver).
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "engine/helpers.h"
#include "graphics/image.h"
#include "media/audio_lock.h"
#include "media/mmplay.h"
#include "tests/engine/archive_test_util.h"
#include "tests/support/draw_capture.h"
#include "tests/world/media_test_util.h"
#include "tools/sample/script_assembler.h"
#include "world/game_world.h"
#include "world/script_engine.h"

namespace {

constexpr uint8_t kType = 5;

class ScriptEngineTest : public testing::Test {
protected:
    void TearDown() override {
        StopActor(world_, &actor_);
        world_->mediaSets[0] = MediaSet{}; // the storage is the fixture's
        DeleteGameWorld(world_);
    }

    // The assembled scripts as the set of kType. Sprite i is a 4x4 picture
    // drawn at (10 + i, 20 + i) from the object, or (-30 - i, 40 + i)
    // mirrored.
    void Install(const ScriptAssembler& scripts, int32_t sprites = 4,
                 const std::vector<uintptr_t>& soundHandles = {}) {
        code_ = scripts.scripts();
        table_.clear();
        sounds_.clear();
        for (std::vector<ScriptInstruction>& script : code_)
            table_.push_back({script.empty() ? nullptr : script.data(),
                              static_cast<int16_t>(script.size() - 1)});
        images_.assign(sprites, Image{4, 4, 0, nullptr, nullptr, nullptr});
        sprites_.assign(sprites, SpriteEntry{});
        for (int32_t i = 0; i < sprites; ++i) {
            SpriteEntry& s = sprites_[i];
            s.image = &images_[i];
            s.x = static_cast<int16_t>(10 + i);
            s.y = static_cast<int16_t>(20 + i);
            s.mirroredX = static_cast<int16_t>(-30 - i);
            s.mirroredY = static_cast<int16_t>(40 + i);
            s.lastKey = -1;
        }
        for (uintptr_t handle : soundHandles)
            sounds_.push_back(SoundEntry{handle, 12});
        MediaSet& set = world_->mediaSets[0];
        set = MediaSet{};
        set.typeId = kType;
        set.scripts = table_.data();
        set.lastScript = static_cast<int16_t>(table_.size() - 1);
        set.sprites = sprites_.empty() ? nullptr : sprites_.data();
        set.lastSprite = sprites - 1;
        set.sounds = sounds_.empty() ? nullptr : sounds_.data();
        set.lastSound = static_cast<int32_t>(sounds_.size()) - 1;
        world_->mediaSetsUsed = 0;
        ResetActor(world_, &actor_, kType);
    }

    // One simulation step as the play task makes it: the counter moves, the
    // owner runs its script, the world is drawn.
    void Step() {
        ++world_->frameCounter;
        RunScript(world_, &actor_);
        DrawActor(world_, 300, 200, &actor_);
    }

    // The sprite index a visible sprite pipe shows, else -1.
    int32_t Shown(int32_t pipe = 0) const {
        const ScriptPipe& p = actor_.pipes[pipe];
        return p.type == PIPE_SPRITE && (p.flags & PIPE_FLAG_HIDDEN) == 0 ? p.media : -1;
    }

    int32_t Depth() const {
        int32_t depth = 0;
        for (const ScriptFrame* f = actor_.top; f != nullptr; f = f->caller)
            ++depth;
        return depth;
    }

    GameWorld* world_ = NewGameWorld();
    ScriptActor actor_{};
    std::vector<std::vector<ScriptInstruction>> code_;
    std::vector<ScriptTableEntry> table_;
    std::vector<Image> images_;
    std::vector<SpriteEntry> sprites_;
    std::vector<SoundEntry> sounds_;
    DrawCapture capture_;
};

TEST_F(ScriptEngineTest, AWaitKeepsTheSpriteAndMotionThenHaltsInsideTheScript) {
    ScriptAssembler a;
    a.BeginScript();
    a.Show(1, 3, 2, -1).Show(2, 1, 5, 6).ShowHalt(3).Show(0);
    Install(a);
    StartScript(world_, &actor_, 0);
    struct Row {
        int32_t sprite, dx, dy, done;
    } rows[] = {{1, 2, -1, 0}, {1, 2, -1, 0}, {1, 2, -1, 0},
                {2, 5, 6, 0},  {3, 0, 0, 0},  {3, 0, 0, 0}};
    for (size_t frame = 0; frame < std::size(rows); ++frame) {
        capture_.Clear();
        Step();
        const Row& row = rows[frame];
        EXPECT_EQ(Shown(), row.sprite) << "frame " << frame;
        EXPECT_EQ(actor_.dx, row.dx) << "frame " << frame;
        EXPECT_EQ(actor_.dy, row.dy) << "frame " << frame;
        EXPECT_EQ(IsScriptDone(world_, &actor_), row.done) << "frame " << frame;
        ASSERT_EQ(capture_.size(), 1u) << "frame " << frame;
        EXPECT_EQ(capture_[0].record.source, &images_[row.sprite]) << "frame " << frame;
    }
    EXPECT_EQ(actor_.top->wait, -1);
}

TEST_F(ScriptEngineTest, TheEndHaltsAfterAWaitAndPopsWithoutOne) {
    ScriptAssembler a;
    a.BeginScript();
    a.Show(1, 2);
    a.BeginScript();
    a.Show(2, 0);
    a.BeginScript(); // SOP_PASS: the next instruction's wait counts, in the same frame
    a.Pass(7, 3).Show(2, 2, 4).ShowHalt(3);
    Install(a);

    StartScript(world_, &actor_, 0);
    Step();
    Step();
    EXPECT_EQ(IsScriptDone(world_, &actor_), 0) << "waiting";
    Step();
    EXPECT_EQ(IsScriptDone(world_, &actor_), 1);
    ASSERT_NE(actor_.top, nullptr) << "halted, not popped";
    EXPECT_EQ(actor_.top->wait, -1);
    EXPECT_EQ(Shown(), 1) << "the last sprite stays";

    StartScript(world_, &actor_, 1);
    Step();
    EXPECT_EQ(actor_.top, nullptr) << "ran off the end in the frame it ran";
    EXPECT_EQ(IsScriptDone(world_, &actor_), 1);
    EXPECT_EQ(Shown(), 2);
    Step();
    EXPECT_EQ(Shown(), 2) << "no script: nothing changes";

    StartScript(world_, &actor_, 2);
    Step();
    EXPECT_EQ(Shown(0), 0) << "the passing pipe shows sprite 0";
    EXPECT_EQ(Shown(1), 2);
    EXPECT_EQ(actor_.dx, 4);
    EXPECT_EQ(actor_.top->wait, 2) << "the pass's own wait is replaced";
    Step();
    Step();
    EXPECT_EQ(Shown(), 3) << "halts two frames later, not seven";
}

TEST_F(ScriptEngineTest, FacingLeftNegatesDxAndMirrorsUnlessTheMirrorBitUndoesIt) {
    struct Row {
        int16_t facing;
        bool mirrorBit;
        int16_t dx;
        bool mirrored;
    } rows[] = {
        {0, false, 5, false}, {0, true, 5, true}, {1, false, -5, true}, {1, true, -5, false}};
    ScriptAssembler a;
    a.BeginScript();
    a.Show(1, 2, 5, 3);
    a.BeginScript();
    a.Show(1, 2, 5, 3, true);
    Install(a);
    for (const Row& row : rows) {
        actor_.flags = row.facing;
        StartScript(world_, &actor_, row.mirrorBit ? 1 : 0);
        capture_.Clear();
        Step();
        EXPECT_EQ(actor_.dx, row.dx);
        EXPECT_EQ(actor_.dy, 3);
        EXPECT_EQ((actor_.pipes[0].flags & PIPE_FLAG_MIRRORED) != 0, row.mirrored);
        ASSERT_EQ(capture_.size(), 1u);
        const SpriteRecord& drawn = capture_[0].record;
        EXPECT_EQ(drawn.flags, row.mirrored ? SPRITE_FLAG_MIRROR_X : 0);
        EXPECT_EQ(drawn.x, 300 + (row.mirrored ? -31 : 11));
        EXPECT_EQ(drawn.y, 200 + (row.mirrored ? 41 : 21));
        // No motion while it waits, when the owner says so.
        actor_.flags |= ACTOR_NO_MOTION;
        Step();
        EXPECT_EQ(actor_.dx, 0);
        EXPECT_EQ(actor_.dy, 0);
    }
}

TEST_F(ScriptEngineTest, CallsReturnsAndGotos) {
    ScriptAssembler a;
    a.BeginScript(); // 0
    a.Call(1, 5).ShowHalt(2);
    a.BeginScript(); // 1
    a.Show(1).Return();
    a.BeginScript(); // 2: the call is the caller's last instruction
    a.Call(4);
    a.BeginScript(); // 3: a goto inside a called script ends the stack
    a.Call(5).ShowHalt(0);
    a.BeginScript(); // 4: runs off its end
    a.Show(3);
    a.BeginScript(); // 5
    a.Goto(4);
    Install(a);

    StartScript(world_, &actor_, 0);
    const int32_t shown[] = {1, 1, 1, 1, 1, 2};
    for (int32_t frame = 0; frame < 6; ++frame) {
        Step();
        EXPECT_EQ(Shown(), shown[frame]) << "frame " << frame;
        EXPECT_EQ(Depth(), 1) << "frame " << frame;
    }

    StartScript(world_, &actor_, 2);
    Step();
    EXPECT_EQ(Shown(), 3);
    EXPECT_EQ(Depth(), 1) << "the callee popped";
    Step();
    EXPECT_EQ(actor_.top->wait, -1) << "the caller halts past its end";
    EXPECT_EQ(IsScriptDone(world_, &actor_), 1);

    StartScript(world_, &actor_, 3);
    Step();
    EXPECT_EQ(Shown(), 3);
    EXPECT_EQ(actor_.top, nullptr) << "the goto freed the caller's frame";
}

TEST_F(ScriptEngineTest, LoopsWithoutAWaitAndEndlessCallsStopEachFrame) {
    ScriptAssembler a;
    a.BeginScript();
    a.Add(ExternalVar(0), 1).Jump(0);
    a.BeginScript();
    a.Add(ExternalVar(1), 1).Call(1);
    Install(a);

    StartScript(world_, &actor_, 0);
    testing::internal::CaptureStdout();
    Step();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Script 0 of object 5: more than 256 instructions in one frame\n");
    EXPECT_EQ(actor_.ExternalVars[0], 128);
    testing::internal::CaptureStdout();
    Step();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(actor_.ExternalVars[0], 256) << "the next frame goes on";

    StartScript(world_, &actor_, 1);
    testing::internal::CaptureStdout();
    Step();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Script 1 of object 5: calls nest deeper than 32\n");
    EXPECT_EQ(Depth(), kMaxScriptDepth);
    EXPECT_EQ(actor_.ExternalVars[1], kMaxScriptDepth);
}

TEST_F(ScriptEngineTest, AFifthPipeInOneFrameIsRefusedAndItsInstructionLost) {
    ScriptVarRef counter = ExternalVar(0);
    for (int32_t fifth = 0; fifth < 3; ++fifth) {
        ScriptAssembler a;
        a.BeginScript();
        a.SoundPlay(0, 0, 4, 0).Show(0).Show(1).Show(2);
        if (fifth == 0)
            a.Show(3, 4);
        else if (fifth == 1)
            a.SoundStop(4);
        else
            a.Set(counter, 9).Wait(4);
        a.ShowHalt(3);
        Install(a);
        StartScript(world_, &actor_, 0);
        testing::internal::CaptureStdout();
        RunScript(world_, &actor_);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "Need more script engine pipes.\n");
        EXPECT_EQ(actor_.pipes[0].type, PIPE_SOUND);
        EXPECT_EQ(Shown(3), 2) << "pipe 3 holds the third sprite";
        EXPECT_EQ(actor_.lastPipe, -1);
        EXPECT_EQ(actor_.ExternalVars[0], 0);
        EXPECT_EQ(actor_.top->pc, 5) << "the refused instruction is consumed";
        EXPECT_EQ(actor_.top->wait, fifth == 2 ? 0 : 4);
    }
}

TEST_F(ScriptEngineTest, SoundChanceAndVaryShapeTheSoundPipes) {
    for (uint8_t percent : {0, 100}) {
        ScriptAssembler a;
        a.BeginScript();
        a.SoundChance(7, percent, 3, 1, ACTOR_SOUND_KEEP).ShowHalt(0);
        Install(a);
        for (uint32_t seed = 1; seed <= 100; ++seed) {
            SetRandomState(seed * 7919u);
            StartScript(world_, &actor_, 0);
            RunScript(world_, &actor_);
            const ScriptPipe& pipe = actor_.pipes[0];
            ASSERT_EQ(pipe.media, percent == 0 ? PIPE_MEDIA_NONE : 7) << int(percent);
            EXPECT_EQ(pipe.loops, 3);
            EXPECT_EQ(pipe.slot, 1);
            EXPECT_EQ(pipe.soundFlags, ACTOR_SOUND_KEEP);
            EXPECT_EQ(actor_.top->wait, -1) << "a chance never waits";
        }
    }

    ScriptAssembler a;
    a.BeginScript();
    a.SoundPlay(2, 1, 0, 0).SoundVary(9, 0, 6, 0).SoundAdjust(17, 33).ShowHalt(0);
    Install(a);
    StartScript(world_, &actor_, 0);
    RunScript(world_, &actor_);
    const ScriptPipe& pipe = actor_.pipes[0];
    EXPECT_EQ(pipe.media, 9);
    EXPECT_EQ(pipe.loops, 6);
    EXPECT_EQ(pipe.spare[0], 17);
    EXPECT_EQ(pipe.spare[1], 33);
    EXPECT_EQ(actor_.pipes[1].type, PIPE_SPRITE) << "vary and adjust gave their pipes back";
    EXPECT_EQ(actor_.soundHead, 0);
}

// Each row jumps over ShowHalt(1) to ShowHalt(2) when its comparison holds.
TEST_F(ScriptEngineTest, JumpIfReadsEveryKindOfVariable) {
    struct Row {
        ScriptVarRef left;
        uint8_t comparison;
        ScriptVarRef right;
        bool globals;
        bool jumps;
        const char* output;
    } rows[] = {
        {LiteralVar(5), SCRIPT_CMP_EQUAL, ExternalVar(0), true, true, ""},
        {ExternalVar(1), SCRIPT_CMP_LESS, LiteralVar(0), true, true, ""},
        {LiteralVar(0x17F), SCRIPT_CMP_GREATER, GlobalVar(2), true, true, ""},
        {GlobalVar(1), SCRIPT_CMP_GREATER_EQUAL, ExternalVar(1), true, false, ""},
        {InternalVar(2), SCRIPT_CMP_EQUAL, LiteralVar(42), true, true, ""},
        {InternalVar(2), SCRIPT_CMP_LESS_EQUAL, LiteralVar(41), true, false, ""},
        {LiteralVar(1), 5, LiteralVar(1), true, false, ""},
        {LiteralVar(1), 6, LiteralVar(1), true, false, ""},
        {LiteralVar(1), 7, LiteralVar(1), true, false, ""},
        {GlobalVar(3), SCRIPT_CMP_EQUAL, LiteralVar(0), true, true, "Too much global vars!"},
        {GlobalVar(0), SCRIPT_CMP_EQUAL, LiteralVar(0), false, true, "Too much global vars!"},
        {ScriptVarRef{0xE000, 0x1FFF}, SCRIPT_CMP_GREATER, LiteralVar(0x17F), true, true, ""},
        {ScriptVarRef{0x8000, 5}, SCRIPT_CMP_EQUAL, LiteralVar(5), true, true, ""},
        {InternalVar(4), SCRIPT_CMP_EQUAL, ExternalVar(4), true, true,
         "Too much internal vars!Too much external vars!"},
    };
    int32_t globals[] = {2, 11, -20, 300};
    for (const Row& row : rows) {
        ScriptAssembler a;
        a.BeginScript();
        a.Set(InternalVar(2), 42).JumpIf(row.left, row.comparison, row.right, 3);
        a.ShowHalt(1).ShowHalt(2);
        Install(a);
        actor_.ExternalVars[0] = 5;
        actor_.ExternalVars[1] = -3;
        actor_.globals = row.globals ? globals : nullptr;
        StartScript(world_, &actor_, 0);
        testing::internal::CaptureStdout();
        RunScript(world_, &actor_);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), row.output);
        EXPECT_EQ(Shown(), row.jumps ? 2 : 1)
            << std::hex << row.left.kind << ":" << row.left.n << " cmp " << int(row.comparison)
            << " " << row.right.kind << ":" << row.right.n;
    }
}

TEST_F(ScriptEngineTest, ImmediatesWrapAndBadReferencesAreReported) {
    ScriptAssembler a;
    a.BeginScript();
    a.Set(ExternalVar(0), INT32_MAX).Add(ExternalVar(0), 1).Sub(ExternalVar(1), 5);
    a.Set(GlobalVar(1), -7).Set(LiteralVar(3), 9);
    a.Emit(ScriptInstruction{SOP_SET, 0x8001, 1, 0, 0, 0}).ShowHalt(0);
    Install(a);
    int32_t globals[] = {1, 0, 0};
    actor_.globals = globals;
    StartScript(world_, &actor_, 0);
    testing::internal::CaptureStdout();
    RunScript(world_, &actor_);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "bad var number: -32767");
    EXPECT_EQ(actor_.ExternalVars[0], INT32_MIN);
    EXPECT_EQ(actor_.ExternalVars[1], -5);
    EXPECT_EQ(globals[2], -7);
}

// The assembler either refuses a reference or packs it so that the bytes
// give it back, decoded as the engine reads them.
TEST(ScriptAssemblerTest, JumpIfPacksEveryExpressibleReferenceAndRefusesTheRest) {
    int32_t packed = 0;
    for (int32_t kind = 0; kind <= 0xE000; kind += 0x2000) {
        for (int32_t n = 0; n <= 0x1FFF; ++n) {
            const int32_t want = kind | n;
            uint8_t b = 0, y = 0xFF;
            int8_t dx = 0;
            try {
                PackJumpIfLeft({kind, n}, &b, &y);
                PackJumpIfRight({kind, n}, &dx, &y);
            } catch (const std::invalid_argument&) {
                continue;
            }
            ++packed;
            const uint32_t left =
                ((y & 1u) << 8 | uint16_t(int16_t(int8_t(b))) | (y & 0x0Eu) << 12) & 0xFFFF;
            const uint32_t right =
                ((y & 0x10u) << 4 | uint16_t(int16_t(dx)) | (y & 0xE0u) << 8) & 0xFFFF;
            ASSERT_EQ(left, uint32_t(want)) << std::hex << want;
            ASSERT_EQ(right, uint32_t(want)) << std::hex << want;
        }
    }
    // Bits 0-6 and 8 with any kind, plus 0xFF80..0xFFFF from the sign.
    EXPECT_EQ(packed, 8 * 256 + 128);
    ScriptAssembler a;
    a.BeginScript();
    EXPECT_THROW(a.JumpIf(InternalVar(0x80), 0, LiteralVar(0), 0), std::invalid_argument);
    EXPECT_THROW(a.JumpIf(LiteralVar(0), 0, LiteralVar(0x200), 0), std::invalid_argument);
    EXPECT_THROW(a.JumpIf(LiteralVar(0x2000), 0, LiteralVar(0), 0), std::invalid_argument);
    EXPECT_THROW(a.JumpIf(LiteralVar(0), 8, LiteralVar(0), 0), std::invalid_argument);
    EXPECT_THROW(a.Set(ScriptVarRef{0x8000, 1}, 0), std::invalid_argument);
    EXPECT_EQ(a.Here(), 0);
}

TEST_F(ScriptEngineTest, DrawPlacesSpritesByTheEvenCameraAndSkipsWhatItCannotShow) {
    ScriptAssembler a;
    a.BeginScript();
    a.Show(0).Show(1, 0, 0, 0, true).Hide(2).ShowHalt(3);
    a.BeginScript();
    a.Show(9).ShowHalt(1);
    Install(a);
    world_->camera.positionX = 101 * 65536 + 32768;  // 101.5: drawn from 100
    world_->camera.positionY = -(3 * 65536 + 16384); // -3.25: drawn from -4
    StartScript(world_, &actor_, 0);
    Step();
    ASSERT_EQ(capture_.size(), 3u) << "the hidden pipe is skipped";
    const struct {
        int32_t sprite, x, y;
        uint16_t flags;
    } drawn[] = {{0, 300 + 10 - 100, 200 + 20 + 4, 0},
                 {1, 300 - 31 - 100, 200 + 41 + 4, SPRITE_FLAG_MIRROR_X},
                 {3, 300 + 13 - 100, 200 + 23 + 4, 0}};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(capture_[i].record.source, &images_[drawn[i].sprite]);
        EXPECT_EQ(capture_[i].record.x, drawn[i].x);
        EXPECT_EQ(capture_[i].record.y, drawn[i].y);
        EXPECT_EQ(capture_[i].record.flags, drawn[i].flags);
        EXPECT_TRUE(IsScreenTarget(capture_[i].record.target));
    }

    world_->dumpFlags |= VIEW_HIDE_GRAPHICS;
    capture_.Clear();
    DrawActor(world_, 300, 200, &actor_);
    EXPECT_EQ(capture_.size(), 0u);
    world_->dumpFlags = 0;

    // A sprite past the set, and one whose picture did not decode.
    sprites_[1].image = nullptr;
    sprites_[1].loadFailed = 1;
    StartScript(world_, &actor_, 1);
    capture_.Clear();
    testing::internal::CaptureStdout();
    Step();
    DrawActor(world_, 300, 200, &actor_);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Object 5 shows sprite 9 of 4\n");
    EXPECT_EQ(capture_.size(), 0u);
    EXPECT_EQ(GetActorSprite(world_, &actor_, 4), nullptr);
    EXPECT_EQ(GetActorSprite(world_, &actor_, 3), &sprites_[3]);
}

TEST_F(ScriptEngineTest, WithoutAMediaSetNothingRunsOrDraws) {
    ScriptAssembler a;
    a.BeginScript();
    a.Show(1, 1).Show(2);
    Install(a);
    StartScript(world_, &actor_, 0);
    actor_.mediaSet = -1;
    testing::internal::CaptureStdout();
    Step();
    Step();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Fantastish nabor Less ZERO \nFantastish nabor Less ZERO \n");
    EXPECT_EQ(capture_.size(), 0u);
    EXPECT_EQ(IsScriptDone(world_, &actor_), 1);
    actor_.mediaSet = 0;
}

TEST_F(ScriptEngineTest, InstructionsOutsideTheTableReadAsZeroAndBadScriptsAreFatal) {
    ScriptAssembler a;
    a.BeginScript();
    a.Show(3, 4, 5, 6).Call(-1);
    a.BeginScript();
    Install(a);
    const ScriptInstruction first = GetScriptInstruction(world_, kType, 0, 0);
    EXPECT_EQ(first.a, 3);
    EXPECT_EQ(first.dy, 6);
    for (auto [s, i] : {std::pair{0, 2}, {0, -1}, {1, 0}, {2, 0}, {-1, 0}}) {
        const ScriptInstruction none = GetScriptInstruction(world_, kType, s, i);
        EXPECT_EQ(none.op | none.a | none.b | none.wait | none.dx | none.dy, 0) << s << "," << i;
    }
    EXPECT_FATAL_OUTPUT(StartScript(world_, &actor_, 2), "Для объекта 5, не найден скрипт 2");
    StartScript(world_, &actor_, 0);
    RunScript(world_, &actor_);
    for (int32_t frame = 0; frame < 3; ++frame)
        RunScript(world_, &actor_);
    EXPECT_FATAL_OUTPUT(RunScript(world_, &actor_), "Для объекта 5, не найден скрипт -1");
}

TEST_F(ScriptEngineTest, AssembledScriptsLoadAsTheLoaderReadsThem) {
    ScriptAssembler a(-12, 34);
    a.BeginScript();
    a.Show(1, 2, -3, 4, true).JumpIf(ExternalVar(2), SCRIPT_CMP_LESS, GlobalVar(0x17F), 0);
    a.BeginScript();
    a.BeginScript();
    a.Set(InternalVar(1), -123456789).SoundChance(2, 50, -1, 5, ACTOR_SOUND_POSITIONAL);
    media_test::GameArchive archive;
    ArchiveBuilder builder;
    const uint32_t entry = builder.AddPlain(0, a.Write());
    ASSERT_TRUE(archive.Open(builder, false, false));
    MediaSet set{};
    set.lastScript = -1;
    ASSERT_EQ(LoadScripts(world_, &set, entry), 0);
    EXPECT_EQ(set.spawnX, -12);
    EXPECT_EQ(set.spawnY, 34);
    ASSERT_EQ(set.lastScript, 2);
    for (int32_t s = 0; s < 3; ++s) {
        const std::vector<ScriptInstruction>& want = a.scripts()[s];
        ASSERT_EQ(set.scripts[s].last, int32_t(want.size()) - 1);
        for (size_t i = 0; i < want.size(); ++i) {
            const ScriptInstruction& got = set.scripts[s].instructions[i];
            EXPECT_EQ(got.op, want[i].op);
            EXPECT_EQ(got.a, want[i].a);
            EXPECT_EQ(got.Immediate(), want[i].Immediate());
        }
    }
    EXPECT_EQ(set.scripts[2].instructions[0].Immediate(), -123456789);
    set.typeId = kType;
    FreeMediaSet(&set);
}

// ---- sounds over the real player -------------------------------------------------

class ScriptSoundTest : public ScriptEngineTest {
protected:
    void SetUp() override {
        ArchiveBuilder builder;
        builder.AddPlain(0, {}); // a handle of 0 means none
        first_ = builder.AddPlain(12, media_test::LongSound());
        second_ = builder.AddPlain(12, media_test::LongSound());
        ASSERT_TRUE(archive_.Open(builder, false, true));
        // Channel 0 carries the music, as in the game.
        ASSERT_EQ(gMMplay.Play(0, -1, int32_t(second_), SOUND_IN_MEMORY, 1), 0);
    }
    void TearDown() override {
        ScriptEngineTest::TearDown();
        gMMplay.Stop(-1);
    }

    const MMsound* PlayingOn(int32_t channel) {
        AudioLock lock;
        return channel > 0 ? gMMplay.GetChannel(channel)->sound : nullptr;
    }

    uint32_t first_ = 0;
    uint32_t second_ = 0;
    media_test::GameArchive archive_;
};

TEST_F(ScriptSoundTest, APipeSoundStartsOncePerStepNotOncePerDraw) {
    ScriptAssembler a;
    a.BeginScript();
    a.SoundPlay(0, 0, 4, ACTOR_SOUND_POSITIONAL, 1).Jump(0);
    Install(a, 1, {first_});
    StartScript(world_, &actor_, 0);
    Step();
    EXPECT_GT(actor_.sounds[4].channel, 0);
    DrawActor(world_, 300, 200, &actor_); // paused, fading: drawn again, no step
    DrawActor(world_, 300, 200, &actor_);
    EXPECT_EQ(actor_.sounds[5].channel, -1);
    Step();
    EXPECT_GT(actor_.sounds[5].channel, 0) << "the next step's instruction starts it again";
    EXPECT_EQ(actor_.sounds[4].x, 300) << "every slot follows the object";
    EXPECT_EQ(actor_.sounds[4].link->y, 200);
}

TEST_F(ScriptSoundTest, KeepLeavesAPlayingSoundAndAnEmptyPipeStopsIt) {
    for (bool keep : {true, false}) {
        const uint8_t flags = keep ? ACTOR_SOUND_KEEP : 0;
        ScriptAssembler a;
        a.BeginScript();
        a.SoundPlay(0, -1, 2, flags, 1).SoundPlay(1, -1, 2, flags, 1);
        a.SoundChance(1, 0, -1, 2, flags).ShowHalt(0);
        Install(a, 1, {first_, second_});
        StartScript(world_, &actor_, 0);
        Step();
        const int32_t channel = actor_.sounds[2].channel;
        EXPECT_EQ(PlayingOn(channel), gMMplay.GetSound(int32_t(first_)));
        Step();
        EXPECT_EQ(PlayingOn(actor_.sounds[2].channel),
                  gMMplay.GetSound(int32_t(keep ? first_ : second_)))
            << "keep " << keep;
        if (keep) {
            EXPECT_EQ(actor_.sounds[2].channel, channel);
        }
        Step();
        EXPECT_EQ(actor_.sounds[2].channel == -1, keep) << "keep " << keep;
        StopActor(world_, &actor_);
    }
}

TEST_F(ScriptSoundTest, StartingAScriptStopsTheSlotsMarkedForIt) {
    ScriptAssembler a;
    a.BeginScript();
    a.SoundPlay(0, -1, 1, 0).SoundPlay(1, -1, 0, ACTOR_SOUND_STOP_ON_START).ShowHalt(0);
    a.BeginScript();
    a.SoundStop().ShowHalt(0);
    Install(a, 1, {first_, second_});
    StartScript(world_, &actor_, 0);
    Step();
    ASSERT_GT(actor_.sounds[0].channel, 0);
    ASSERT_GT(actor_.sounds[1].channel, 0);
    StartScript(world_, &actor_, 0);
    EXPECT_EQ(actor_.sounds[0].channel, -1);
    EXPECT_GT(actor_.sounds[1].channel, 0);
    // SOP_SOUND_STOP keeps the slot its pipe held last: pipe 0 held slot 1.
    StartScript(world_, &actor_, 1);
    Step();
    EXPECT_EQ(actor_.sounds[1].channel, -1);
}

} // namespace
