// World sound channels over the real player on the dummy audio driver:
// linking, the end of a sound, pausing, running out of records, stopping.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_mixer.h>
#include <atomic>
#include <cstring>
#include <dlfcn.h>

#include "media/audio_lock.h"
#include "media/mmplay.h"
#include "tests/world/media_test_util.h"
#include "world/game_world.h"
#include "world/sound_channels.h"

namespace {
// -1: SDL's own clock.
std::atomic<int64_t> gForcedTicks{-1};
} // namespace

// SDL_mixer stamps a pause with SDL_GetTicks(), and a stamp of 0 reads as
// "not paused". This executable's definition comes before SDL's, so a test
// can set the clock's value for the moment it pauses; everyone else gets
// SDL's own.
extern "C" Uint32 SDL_GetTicks(void) {
    const int64_t forced = gForcedTicks.load();
    if (forced >= 0)
        return static_cast<Uint32>(forced);
    using Clock = Uint32 (*)(void);
    static const Clock sdl = reinterpret_cast<Clock>(dlsym(RTLD_NEXT, "SDL_GetTicks"));
    return sdl != nullptr ? sdl() : 0;
}

namespace {

class ForcedTicks {
public:
    explicit ForcedTicks(Uint32 ticks) { gForcedTicks = ticks; }
    ~ForcedTicks() { gForcedTicks = -1; }
    ForcedTicks(const ForcedTicks&) = delete;
    ForcedTicks& operator=(const ForcedTicks&) = delete;
};

using media_test::GameArchive;
using media_test::MakeWorld;
using media_test::WorldPtr;

SoundChannelRec IdleSlot() {
    SoundChannelRec slot{};
    ResetSoundChannelRec(&slot);
    return slot;
}

void ExpectIdle(const SoundChannelRec& rec, const char* what) {
    EXPECT_EQ(rec.channel, -1) << what;
    EXPECT_EQ(rec.flags, 0u) << what;
    EXPECT_EQ(rec.link, nullptr) << what;
}

class SoundChannelsTest : public testing::Test {
protected:
    void SetUp() override {
        ArchiveBuilder builder;
        builder.AddPlain(0, {}); // entry 0: a sound handle of 0 means none
        short_ = builder.AddPlain(12, media_test::ShortSound());
        long_ = builder.AddPlain(12, media_test::LongSound());
        ASSERT_TRUE(archive_.Open(builder, false, true));
        // Channel 0 carries the music, as in the game.
        ASSERT_EQ(gMMplay.Play(0, -1, int32_t(long_), SOUND_IN_MEMORY, 1), 0);
    }
    void TearDown() override {
        if (world_)
            StopAllSounds(world_.get());
        gMMplay.Stop(-1);
    }

    int32_t BusyRecords() {
        int32_t busy = 0;
        for (const SoundChannelRec& rec : world_->soundChannels)
            busy += (rec.flags & SOUND_REC_BUSY) != 0;
        return busy;
    }
    // Mixer channels 1 and up that hold a sound.
    int32_t BusyMixerChannels() {
        int32_t busy = 0;
        for (int32_t ch = 1; ch < gMMplay.GetMixingChannels(); ++ch)
            busy += gMMplay.GetChannel(ch)->sound != nullptr;
        return busy;
    }

    uint32_t short_ = 0;
    uint32_t long_ = 0;
    GameArchive archive_;
    WorldPtr world_ = MakeWorld();
};

TEST(SoundChannelLinkTest, LoopsDecideTheLoopingBitAndBothSidesAreLinked) {
    struct Case {
        int32_t loops;
        uint32_t flags;
        uint32_t linked;
    } cases[] = {
        {-1, 0, 3},
        {-1, ACTOR_SOUND_POSITIONAL, 3 | ACTOR_SOUND_POSITIONAL},
        {2, 0, 1},
        {2, SOUND_REC_LOOPING | ACTOR_SOUND_KEEP, 1 | ACTOR_SOUND_KEEP},
        {0, ACTOR_SOUND_DISTANCE | SOUND_REC_LOOPING, 1 | ACTOR_SOUND_DISTANCE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.loops);
        SoundChannelRec rec = IdleSlot();
        SoundChannelRec slot = IdleSlot();
        LinkSoundChannel(&rec, c.loops, 7, c.flags, &slot);
        EXPECT_EQ(rec.channel, 7);
        EXPECT_EQ(rec.flags, c.linked);
        EXPECT_EQ(rec.link, &slot);
        EXPECT_EQ(slot.channel, 7);
        EXPECT_EQ(slot.flags, c.linked);
        EXPECT_EQ(slot.link, &rec);

        SoundChannelRec alone = IdleSlot();
        LinkSoundChannel(&alone, c.loops, 9, c.flags, &alone);
        EXPECT_EQ(alone.link, &alone);
        EXPECT_EQ(alone.flags, c.linked);
        LinkSoundChannel(nullptr, c.loops, 9, c.flags, &slot);
        EXPECT_EQ(slot.channel, 7) << "without a record nothing is linked";
    }
}

TEST(SoundChannelLinkTest, ClearingReachesThePartnerOnlyWhileItIsStillLinkedBack) {
    WorldPtr world = MakeWorld();
    SoundChannelRec& a = world->soundChannels[0];
    SoundChannelRec& b = world->soundChannels[1];
    SoundChannelRec slot = IdleSlot();
    LinkSoundChannel(&a, 0, 3, 0, &slot);
    ClearSoundChannel(world.get(), &slot);
    ExpectIdle(a, "world record");
    ExpectIdle(slot, "slot");

    LinkSoundChannel(&a, 0, 3, 0, &slot);
    LinkSoundChannel(&b, 0, 4, 0, &slot);
    ClearSoundChannel(world.get(), &a);
    ExpectIdle(a, "old record");
    EXPECT_EQ(slot.channel, 4);
    EXPECT_EQ(slot.link, &b);

    SetSoundPosition(&slot, 10, -20);
    EXPECT_EQ(b.x, 10);
    EXPECT_EQ(b.y, -20);
    EXPECT_EQ(slot.x, 10);
    ResetSoundSlots(world.get());
    ExpectIdle(b, "reset record");
    EXPECT_EQ(b.x, 10) << "a reset keeps the position";
}

TEST_F(SoundChannelsTest, AnActorSoundLinksSlotAndRecordUntilItEnds) {
    SoundChannelRec slot = IdleSlot();
    const int32_t ch = PlaySound(world_.get(), 0, ACTOR_SOUND_POSITIONAL, long_, &slot);
    ASSERT_GT(ch, 0);
    SoundChannelRec& rec = world_->soundChannels[0];
    EXPECT_EQ(rec.channel, ch);
    EXPECT_EQ(slot.channel, ch);
    EXPECT_EQ(rec.link, &slot);
    EXPECT_EQ(slot.link, &rec);
    EXPECT_EQ(rec.flags, SOUND_REC_BUSY | ACTOR_SOUND_POSITIONAL);
    EXPECT_EQ(slot.flags, rec.flags);

    const MMchannel* channel = gMMplay.GetChannel(ch);
    ASSERT_NE(channel->endCallback, nullptr);
    EXPECT_EQ(channel->endArg1, reinterpret_cast<uintptr_t>(world_.get()));
    EXPECT_EQ(channel->endArg2, reinterpret_cast<uintptr_t>(&slot));
    // What the player calls when the sound ends.
    channel->endCallback(channel->endArg1, channel->endArg2);
    ExpectIdle(rec, "world record");
    ExpectIdle(slot, "slot");
    OnSoundFinished(world_.get(), nullptr);

    // Without a slot the record is its own partner and the callback's.
    const int32_t loop = PlaySound(world_.get(), -1, 0, long_, nullptr);
    ASSERT_GT(loop, 0);
    EXPECT_EQ(rec.link, &rec);
    EXPECT_EQ(rec.flags, SOUND_REC_BUSY | SOUND_REC_LOOPING);
    EXPECT_EQ(gMMplay.GetChannel(loop)->endArg2, reinterpret_cast<uintptr_t>(&rec));
    OnSoundFinished(world_.get(), &rec);
    ExpectIdle(rec, "world-only record");
}

TEST_F(SoundChannelsTest, ARealSoundClearsBothSidesWhenItEnds) {
    SoundChannelRec slot = IdleSlot();
    const int32_t ch = PlaySound(world_.get(), 0, 0, short_, &slot);
    ASSERT_GT(ch, 0);
    ASSERT_EQ(BusyRecords(), 1);
    const uint32_t start = SDL_GetTicks();
    while (slot.channel != -1 && SDL_GetTicks() - start < 5000) {
        gMMplay.Update();
        SDL_Delay(5);
    }
    ExpectIdle(slot, "slot");
    ExpectIdle(world_->soundChannels[0], "world record");
    EXPECT_EQ(BusyRecords(), 0);
    EXPECT_EQ(gMMplay.GetChannel(ch)->sound, nullptr);
}

TEST_F(SoundChannelsTest, ASoundOnTheMusicChannelIsReported) {
    gMMplay.Stop(0);
    testing::internal::CaptureStdout();
    const int32_t ch = PlaySound(world_.get(), 0, 0, long_, nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "WARNING playing in 0 channel \n");
    EXPECT_EQ(ch, 0);
    EXPECT_EQ(world_->soundChannels[0].channel, 0);
    EXPECT_EQ(world_->soundChannels[0].flags, SOUND_REC_BUSY);
}

TEST_F(SoundChannelsTest, APausedWorldStartsNothingEvenAfterItResumes) {
    SoundChannelRec slot = IdleSlot();
    EXPECT_EQ(PlaySound(world_.get(), 0, 0, 0, &slot), -2);
    PauseAllSounds(world_.get());
    EXPECT_EQ(world_->soundFlags & WORLD_SOUNDS_PAUSED, WORLD_SOUNDS_PAUSED);
    EXPECT_EQ(PlaySound(world_.get(), 0, 0, long_, &slot), -2);
    EXPECT_EQ(PlaySound(world_.get(), -1, 0, long_, nullptr), -2);
    ResumeAllSounds(world_.get());
    EXPECT_EQ(world_->soundFlags & WORLD_SOUNDS_PAUSED, 0u);
    EXPECT_EQ(BusyRecords(), 0);
    EXPECT_EQ(BusyMixerChannels(), 0);
    ExpectIdle(slot, "slot");
}

TEST_F(SoundChannelsTest, PausingTwicePausesOnceAndResumingNeedsAPause) {
    const int32_t ch = PlaySound(world_.get(), -1, 0, long_, nullptr);
    ASSERT_GT(ch, 0);
    SoundChannelRec& rec = world_->soundChannels[0];
    PauseAllSounds(world_.get());
    EXPECT_EQ(gMMplay.Paused(ch), 1);
    EXPECT_EQ(gMMplay.Paused(0), 0) << "the music is not a world sound";
    // While the world is paused, single resumes do nothing.
    ResumeSound(world_.get(), &rec);
    EXPECT_EQ(gMMplay.Paused(ch), 1);
    gMMplay.Resume(ch);
    PauseAllSounds(world_.get());
    EXPECT_EQ(gMMplay.Paused(ch), 0) << "a second pause must not pause again";
    ResumeAllSounds(world_.get());
    EXPECT_EQ(world_->soundFlags & WORLD_SOUNDS_PAUSED, 0u);

    PauseSound(world_.get(), &rec);
    EXPECT_EQ(gMMplay.Paused(ch), 1);
    ResumeAllSounds(world_.get());
    EXPECT_EQ(gMMplay.Paused(ch), 1) << "no resume without a world pause";
    ResumeSound(world_.get(), &rec);
    EXPECT_EQ(gMMplay.Paused(ch), 0);
}

// What the mixer's effect writes over one buffer of the channel, as the
// audio thread would call it.
bool EffectWrites(int32_t ch) {
    uint8_t buffer[4096];
    std::memset(buffer, 0x5a, sizeof(buffer));
    AudioLock lock;
    MMplay::MixEffect(ch, buffer, sizeof(buffer),
                      const_cast<MMchannel*>(gMMplay.GetChannel(ch)));
    for (uint8_t byte : buffer)
        if (byte != 0x5a)
            return true;
    return false;
}

TEST_F(SoundChannelsTest, AWorldPausedAtTickZeroStaysSilentUntilItResumes) {
    const int32_t ch = PlaySound(world_.get(), -1, 0, long_, nullptr);
    ASSERT_GT(ch, 0);
    ASSERT_TRUE(EffectWrites(ch));
    {
        ForcedTicks zero(0);
        PauseAllSounds(world_.get());
    }
    ASSERT_EQ(Mix_Paused(ch), 0) << "SDL_mixer keeps a pause stamped 0; nothing to check";
    EXPECT_EQ(gMMplay.Paused(ch), 1);
    EXPECT_EQ(gMMplay.Paused(-1), 1) << "the music plays on";
    EXPECT_FALSE(EffectWrites(ch)) << "the sound must not play on";
    ResumeAllSounds(world_.get());
    EXPECT_EQ(gMMplay.Paused(ch), 0);
    EXPECT_TRUE(EffectWrites(ch));

    // The same for the whole player, as a focus loss pauses it.
    {
        ForcedTicks zero(0);
        gMMplay.Pause(-1);
    }
    EXPECT_EQ(gMMplay.Paused(-1), 2);
    EXPECT_FALSE(EffectWrites(ch));
    gMMplay.Resume(-1);
    EXPECT_TRUE(EffectWrites(ch));
    // A new sound on a paused channel plays, as SDL_mixer has it.
    gMMplay.Pause(ch);
    StopAllSounds(world_.get());
    ASSERT_EQ(PlaySound(world_.get(), -1, 0, long_, nullptr), ch);
    EXPECT_EQ(gMMplay.Paused(ch), 0);
    EXPECT_TRUE(EffectWrites(ch));
}

TEST_F(SoundChannelsTest, WithEveryRecordBusyNothingStarts) {
    for (SoundChannelRec& rec : world_->soundChannels)
        rec.flags = SOUND_REC_BUSY;
    EXPECT_EQ(FindFreeSoundChannel(world_.get()), -1);
    SoundChannelRec slot = IdleSlot();
    EXPECT_EQ(PlaySound(world_.get(), 0, 0, long_, &slot), -1);
    EXPECT_EQ(BusyMixerChannels(), 0);
    ExpectIdle(slot, "slot");
    world_->soundChannels[200].flags = ACTOR_SOUND_KEEP;
    EXPECT_EQ(FindFreeSoundChannel(world_.get()), 200);
    for (SoundChannelRec& rec : world_->soundChannels)
        ResetSoundChannelRec(&rec);
    EXPECT_EQ(FindFreeSoundChannel(world_.get()), 0);
}

TEST_F(SoundChannelsTest, StoppingReachesSlotsRecordsAndTheMixer) {
    SoundChannelRec slots[3] = {IdleSlot(), IdleSlot(), IdleSlot()};
    int32_t channels[4];
    for (int i = 0; i < 3; ++i)
        channels[i] = PlaySound(world_.get(), -1, 0, long_, &slots[i]);
    channels[3] = PlaySound(world_.get(), 2, 0, long_, nullptr);
    for (int32_t ch : channels)
        ASSERT_GT(ch, 0);
    ASSERT_EQ(BusyRecords(), 4);
    ASSERT_EQ(BusyMixerChannels(), 4);

    // One through its slot: the world record goes with it.
    StopSound(world_.get(), &slots[1]);
    ExpectIdle(slots[1], "stopped slot");
    ExpectIdle(world_->soundChannels[1], "its record");
    EXPECT_EQ(gMMplay.GetChannel(channels[1])->sound, nullptr);

    StopAllSounds(world_.get());
    for (int i = 0; i < 3; ++i)
        ExpectIdle(slots[i], "slot");
    EXPECT_EQ(BusyRecords(), 0);
    EXPECT_EQ(BusyMixerChannels(), 0);
    EXPECT_NE(gMMplay.GetChannel(0)->sound, nullptr) << "the music plays on";
}

TEST_F(SoundChannelsTest, ASlotStillSoundingIsStoppedBeforeItsNextSound) {
    SoundChannelRec slot = IdleSlot();
    const int32_t first = PlaySound(world_.get(), -1, 0, long_, &slot);
    ASSERT_GT(first, 0);
    const int32_t second = PlaySound(world_.get(), 0, 0, long_, &slot);
    ASSERT_GT(second, 0);
    EXPECT_EQ(BusyRecords(), 1);
    EXPECT_EQ(BusyMixerChannels(), 1);
    EXPECT_EQ(slot.channel, second);
    EXPECT_EQ(slot.link->link, &slot);
    EXPECT_EQ(slot.link->channel, second);
}

} // namespace
