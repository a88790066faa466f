// The sound player's semantics, with the mixer effect called directly while
// the audio device is paused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "tests/media/player_fixture.h"

namespace {

std::vector<int16_t> Repeat(const std::vector<int16_t>& pcm, int times) {
    std::vector<int16_t> out;
    for (int i = 0; i < times; ++i)
        out.insert(out.end(), pcm.begin(), pcm.end());
    return out;
}

// `mixed` is `expected` followed by silence only.
::testing::AssertionResult PlaysExactly(const std::vector<int16_t>& mixed,
                                        const std::vector<int16_t>& expected) {
    if (mixed.size() < expected.size())
        return ::testing::AssertionFailure()
               << "only " << mixed.size() << " of " << expected.size() << " samples";
    for (size_t i = 0; i < expected.size(); ++i)
        if (mixed[i] != expected[i])
            return ::testing::AssertionFailure() << "sample " << i << " differs";
    for (size_t i = expected.size(); i < mixed.size(); ++i)
        if (mixed[i] != 0)
            return ::testing::AssertionFailure() << "sound after the end at " << i;
    return ::testing::AssertionSuccess();
}

struct CallbackLog {
    int calls = 0;
    uintptr_t arg1 = 0;
    uintptr_t arg2 = 0;
};
CallbackLog gLog;
void RecordEnd(uintptr_t arg1, uintptr_t arg2) {
    ++gLog.calls;
    gLog.arg1 = arg1;
    gLog.arg2 = arg2;
}

} // namespace

// ---- playing and preloading --------------------------------------------------------

TEST_F(PlayerTest, StartZeroPreloadsAndALaterPlayUsesTheStoredKind) {
    EXPECT_EQ(player_.Play(-1, 0, kStereoPredecoded, SOUND_PREDECODED, 0), MMPLAY_PRELOADED);
    const MMsound* sound = player_.GetSound(kStereoPredecoded);
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(sound->kind, SOUND_PREDECODED);
    ASSERT_NE(sound->blocks, nullptr);
    for (int32_t ch = 0; ch < mixingChannels_; ++ch)
        EXPECT_FALSE(Busy(ch));
    int32_t ch = player_.Play(-1, 0, kStereoPredecoded, SOUND_STREAMED, 1);
    ASSERT_GE(ch, 0);
    EXPECT_EQ(player_.GetSound(kStereoPredecoded), sound);
    EXPECT_EQ(player_.GetChannel(ch)->block, sound->blocks->head);
    EXPECT_TRUE(PlaysExactly(MixUntilFinished(ch, 16384, 1 << 22),
                             PlayerSamples().decoded[kStereoPredecoded]));
}

class PlayerKinds : public PlayerTest, public ::testing::WithParamInterface<int32_t> {
protected:
    int32_t Sound() const {
        const int32_t sounds[] = {kStereoStreamed, kMonoInMemory, kStereoPredecoded};
        return sounds[GetParam()];
    }
};

TEST_P(PlayerKinds, LoopsTwoPlaysThreeTimesThenCallsBackOnce) {
    gLog = {};
    // Pointers above 4 GiB must survive as callback arguments.
    uintptr_t big1 = static_cast<uintptr_t>(0x123456789ABCull);
    uintptr_t big2 = reinterpret_cast<uintptr_t>(&gLog);
    int32_t ch = player_.PlayWithCallback(-1, 2, Sound(), GetParam(), 1, RecordEnd, big1, big2);
    ASSERT_GE(ch, 0);
    // 4092 bytes: buffers that end inside stereo frames of odd block sizes.
    auto mixed = MixUntilFinished(ch, 4092, 1 << 23);
    EXPECT_TRUE(PlaysExactly(mixed, Repeat(PlayerSamples().decoded[Sound()], 3)));
    EXPECT_TRUE(Finished(ch));
    EXPECT_EQ(gLog.calls, 0) << "callbacks run on the main thread only";
    player_.Update();
    EXPECT_EQ(gLog.calls, 1);
    EXPECT_EQ(gLog.arg1, big1);
    EXPECT_EQ(gLog.arg2, big2);
    EXPECT_FALSE(Busy(ch));
    EXPECT_EQ(player_.GetSound(Sound())->playing[ch], 0);
    player_.Update();
    EXPECT_EQ(gLog.calls, 1);
}

TEST_P(PlayerKinds, LoopsForeverNeverFinishes) {
    int32_t ch = player_.Play(-1, -1, Sound(), GetParam(), 1);
    ASSERT_GE(ch, 0);
    size_t length = PlayerSamples().decoded[Sound()].size() * 2;
    auto mixed = MixUntilFinished(ch, 16384, length * 5);
    EXPECT_FALSE(Finished(ch));
    auto expected = Repeat(PlayerSamples().decoded[Sound()], 5);
    mixed.resize(expected.size());
    EXPECT_EQ(mixed, expected);
    player_.Update();
    EXPECT_TRUE(Busy(ch));
}

INSTANTIATE_TEST_SUITE_P(AllKinds, PlayerKinds,
                         ::testing::Values(SOUND_STREAMED, SOUND_IN_MEMORY, SOUND_PREDECODED));

TEST_F(PlayerTest, StreamedSoundLongerThanTheCachePlaysWholeWithUpdates) {
    int32_t ch = player_.Play(-1, 0, kLongSound, SOUND_STREAMED, 1);
    ASSERT_GE(ch, 0);
    ASSERT_GT(PlayerSamples().entries[kLongSound].size(), 262144u);
    auto mixed = MixUntilFinished(ch, 16384, 1 << 24, true);
    EXPECT_TRUE(PlaysExactly(mixed, PlayerSamples().decoded[kLongSound]));
}

TEST_F(PlayerTest, PredecodedSoundLongerThanTheCacheIsComplete) {
    ASSERT_EQ(player_.Play(-1, 0, kLongSound, SOUND_PREDECODED, 0), MMPLAY_PRELOADED);
    const MMsound* sound = player_.GetSound(kLongSound);
    ASSERT_NE(sound->blocks, nullptr);
    std::vector<int16_t> joined;
    const DataListNode* node = sound->blocks->head;
    for (uint32_t i = 0; i < sound->blocks->count; ++i, node = node->next) {
        EXPECT_LE(node->size, static_cast<uint32_t>(MMPLAY_DECODE_BLOCK));
        const int16_t* samples = static_cast<const int16_t*>(node->data);
        joined.insert(joined.end(), samples, samples + node->size / 2);
    }
    EXPECT_EQ(sound->blocks->tail->size, 0u) << "the final empty read is kept";
    EXPECT_EQ(joined, PlayerSamples().decoded[kLongSound]);
}

// ---- stopping and unloading ----------------------------------------------------------

TEST_F(PlayerTest, UnloadStopsEveryChannelOfTheSoundAndPlayReloads) {
    int32_t a = player_.Play(-1, -1, kMonoInMemory, SOUND_IN_MEMORY, 1);
    int32_t b = player_.Play(-1, -1, kMonoInMemory, SOUND_IN_MEMORY, 1);
    int32_t other = player_.Play(-1, -1, kStereoStreamed, SOUND_STREAMED, 1);
    ASSERT_GE(a, 0);
    ASSERT_GE(b, 0);
    ASSERT_NE(a, b);
    Mix(a, 4096);
    EXPECT_EQ(player_.Unload(kMonoInMemory), 0);
    EXPECT_FALSE(Busy(a));
    EXPECT_FALSE(Busy(b));
    EXPECT_TRUE(Busy(other));
    EXPECT_EQ(player_.GetSound(kMonoInMemory), nullptr);
    EXPECT_EQ(player_.Unload(kMonoInMemory), 0) << "an empty slot stays empty";
    int32_t again = player_.Play(-1, 0, kMonoInMemory, SOUND_IN_MEMORY, 1);
    ASSERT_GE(again, 0);
    ASSERT_NE(player_.GetSound(kMonoInMemory), nullptr);
    EXPECT_TRUE(PlaysExactly(MixUntilFinished(again, 16384, 1 << 22),
                             PlayerSamples().decoded[kMonoInMemory]));
}

TEST_F(PlayerTest, ReassigningAChannelLetsTheOldSoundGo) {
    ASSERT_EQ(player_.Play(0, -1, kStereoStreamed, SOUND_STREAMED, 1), 0);
    ASSERT_EQ(player_.Play(0, -1, kMonoInMemory, SOUND_IN_MEMORY, 1), 0);
    EXPECT_EQ(player_.GetSound(kStereoStreamed)->playing[0], 0);
    player_.Unload(kStereoStreamed);
    EXPECT_TRUE(Busy(0)) << "unloading the old sound must not halt the new one";
    EXPECT_EQ(player_.GetChannel(0)->sound, player_.GetSound(kMonoInMemory));
}

TEST_F(PlayerTest, StopAllAndBounds) {
    for (int i = 0; i < 5; ++i)
        ASSERT_GE(player_.Play(-1, -1, kStereoPredecoded, SOUND_PREDECODED, 1), 0);
    EXPECT_EQ(player_.Stop(-1), 0);
    for (int32_t ch = 0; ch < mixingChannels_; ++ch)
        EXPECT_FALSE(Busy(ch));
    EXPECT_EQ(player_.Stop(64), -1);
    EXPECT_EQ(player_.Stop(-2), -1);
    EXPECT_EQ(player_.StopChannel(-1), -1);
    EXPECT_EQ(player_.Play(64, 0, kStereoStreamed, SOUND_STREAMED, 1), -1);
    EXPECT_EQ(player_.Play(-2, 0, kStereoStreamed, SOUND_STREAMED, 1), -1);
    EXPECT_EQ(player_.Play(-1, 0, kTestSoundCount, SOUND_STREAMED, 1), -1);
    EXPECT_EQ(player_.Play(-1, 0, -1, SOUND_STREAMED, 1), -1);
    EXPECT_EQ(player_.Play(-1, 0, kStereoStreamed, 7, 1), -1) << "no such kind";
    EXPECT_EQ(player_.Unload(-1), -1);
    EXPECT_EQ(player_.Unload(kTestSoundCount), -1);
    EXPECT_EQ(player_.Pause(-2), -1);
    EXPECT_EQ(player_.Resume(64), -1);
    EXPECT_EQ(player_.Pause(-1), 0);
    EXPECT_EQ(player_.Resume(-1), 0);
    EXPECT_EQ(player_.SetPanning(-1, 255, 255), -1);
    EXPECT_EQ(player_.SetPanning(64, 255, 255), -1);
    EXPECT_EQ(player_.SetVolume(-1, 64), -1);
    EXPECT_EQ(player_.SetVolume(64, 64), -1);
    MediaInfo info;
    std::memset(&info, 0x7F, sizeof(info));
    EXPECT_EQ(player_.GetInfo(-1, &info), -1);
    EXPECT_EQ(info.videoWidth, 0);
    EXPECT_EQ(info.hasAudio, 0);
    EXPECT_EQ(player_.GetInfo(3, &info), -1) << "an idle channel";
    uint8_t frame[16];
    EXPECT_EQ(player_.DecodeVideoFrame(-1, frame), -1);
    EXPECT_EQ(player_.DecodeVideoFrame(64, frame), -1);
    EXPECT_EQ(player_.DecodeVideoFrame(3, frame), -1);
}

TEST_F(PlayerTest, FinishedMovieChannelIsLeftForTheMovieScreen) {
    int32_t ch = player_.Play(-1, 0, kMovie, SOUND_STREAMED, 1);
    ASSERT_GE(ch, 0);
    MediaInfo info;
    ASSERT_EQ(player_.GetInfo(ch, &info), 0);
    EXPECT_EQ(info.hasVideo, 1);
    EXPECT_EQ(player_.GetSound(kMovie)->hasVideo, 1);
    std::vector<uint8_t> frame(static_cast<size_t>(info.frameBytes));
    int frames = 0;
    while (player_.DecodeVideoFrame(ch, frame.data()) == 0)
        ++frames;
    EXPECT_EQ(frames, 4);
    MixUntilFinished(ch, 16384, 1 << 22);
    EXPECT_TRUE(Finished(ch));
    player_.Update();
    EXPECT_TRUE(Busy(ch));
    EXPECT_EQ(player_.Stop(ch), 0);
    EXPECT_FALSE(Busy(ch));
}

// ---- what must not start or hang ---------------------------------------------------------

TEST_F(PlayerTest, PredecodedSoundWithoutAudioDoesNotStart) {
    EXPECT_EQ(player_.Play(-1, 0, kSilentMovie, SOUND_PREDECODED, 1), -1);
    ASSERT_NE(player_.GetSound(kSilentMovie), nullptr);
    EXPECT_EQ(player_.GetSound(kSilentMovie)->blocks, nullptr);
    for (int32_t ch = 0; ch < mixingChannels_; ++ch)
        EXPECT_FALSE(Busy(ch));
}

TEST_F(PlayerTest, LoopingSoundsThatYieldNothingFinishInsteadOfSpinning) {
    Watchdog watchdog("mixing sounds without data", 20);
    struct Case {
        int32_t sound, kind;
    } cases[] = {{kJunk, SOUND_STREAMED},         {kJunk, SOUND_IN_MEMORY},
                 {kEmptySound, SOUND_STREAMED},   {kEmptySound, SOUND_IN_MEMORY},
                 {kEmptySound, SOUND_PREDECODED}, {kSilentMovie, SOUND_STREAMED}};
    for (const Case& c : cases) {
        player_.Unload(c.sound);
        int32_t ch = player_.Play(-1, -1, c.sound, c.kind, 1);
        ASSERT_GE(ch, 0) << c.sound << "/" << c.kind;
        auto mixed = Mix(ch, 16384);
        EXPECT_TRUE(Finished(ch)) << c.sound << "/" << c.kind;
        EXPECT_TRUE(std::all_of(mixed.begin(), mixed.end(), [](int16_t v) { return v == 0; }));
        player_.Stop(ch);
    }
}

TEST_F(PlayerTest, NoFreeChannelTouchesNoRecord) {
    player_.Close();
    ASSERT_EQ(player_.Open(44100, AUDIO_S16LSB, 2, 4096, 2, disk_->archive()), 0);
    SDL_PauseAudio(1);
    ASSERT_EQ(player_.Play(-1, -1, kStereoStreamed, SOUND_STREAMED, 1), 0);
    ASSERT_EQ(player_.Play(-1, -1, kStereoStreamed, SOUND_STREAMED, 1), 1);
    EXPECT_EQ(player_.Play(-1, -1, kMonoInMemory, SOUND_IN_MEMORY, 1), -1);
    EXPECT_EQ(player_.GetSound(kMonoInMemory)->playing[0], 0);
    EXPECT_EQ(player_.GetSound(kMonoInMemory)->playing[1], 0);
    EXPECT_EQ(player_.GetChannel(0)->sound, player_.GetSound(kStereoStreamed));
}

TEST_F(PlayerTest, ClosedPlayerDoesNothing) {
    player_.Close();
    EXPECT_EQ(player_.IsOpen(), 0);
    EXPECT_EQ(player_.Play(-1, 0, kStereoStreamed, SOUND_STREAMED, 1), -1);
    EXPECT_EQ(player_.Stop(-1), 0);
    EXPECT_EQ(player_.Stop(99), 0);
    EXPECT_EQ(player_.Update(), 0);
    EXPECT_EQ(player_.Unload(0), 0);
    EXPECT_EQ(player_.SetVolume(0, 10), 0);
    EXPECT_EQ(player_.Close(), 0);
    EXPECT_EQ(player_.GetSound(0), nullptr);
    EXPECT_EQ(player_.GetChannel(0), nullptr);
}

TEST_F(PlayerTest, FailedOpenDoesNotLeaveTheChannelOnAnUnloadedSound) {
    Watchdog watchdog("looping a sound that did not open", 20);
    ASSERT_EQ(player_.Play(0, 0, kMonoInMemory, SOUND_IN_MEMORY, 1), 0);
    Mix(0, 4096);
    player_.Stop(0);
    player_.Unload(kMonoInMemory); // frees the bytes the reader last opened
    ASSERT_EQ(player_.Play(0, -1, kJunk, SOUND_STREAMED, 1), 0);
    auto mixed = Mix(0, 16384);
    EXPECT_TRUE(Finished(0)) << "nothing to loop: the old sound must not come back";
    EXPECT_TRUE(std::all_of(mixed.begin(), mixed.end(), [](int16_t v) { return v == 0; }));
}

namespace {
void PlayAgainOnTheSameChannel(uintptr_t channel, uintptr_t player) {
    reinterpret_cast<MMplay*>(player)->Play(static_cast<int32_t>(channel), -1, kStereoPredecoded,
                                            SOUND_PREDECODED, 1);
}
} // namespace

TEST_F(PlayerTest, EndCallbackMayStartASoundOnItsOwnChannel) {
    int32_t ch = player_.Play(-1, 0, kMonoInMemory, SOUND_IN_MEMORY, 1);
    ASSERT_GE(ch, 0);
    {
        AudioLock lock;
        const_cast<MMchannel*>(player_.GetChannel(ch))->endCallback = PlayAgainOnTheSameChannel;
        const_cast<MMchannel*>(player_.GetChannel(ch))->endArg1 = static_cast<uintptr_t>(ch);
        const_cast<MMchannel*>(player_.GetChannel(ch))->endArg2 =
            reinterpret_cast<uintptr_t>(&player_);
    }
    MixUntilFinished(ch, 16384, 1 << 22);
    player_.Update();
    EXPECT_TRUE(Busy(ch)) << "the stop comes before the callback, not after it";
    EXPECT_EQ(player_.GetChannel(ch)->sound, player_.GetSound(kStereoPredecoded));
    EXPECT_FALSE(Finished(ch));
}

TEST_F(PlayerTest, PredecodedSoundLeavesNothingOfTheChannelsLastSound) {
    ASSERT_EQ(player_.Play(0, 0, kMovie, SOUND_IN_MEMORY, 1), 0);
    MediaInfo info;
    ASSERT_EQ(player_.GetInfo(0, &info), 0);
    std::vector<uint8_t> frame(static_cast<size_t>(info.frameBytes));
    player_.Stop(0);
    player_.Unload(kMovie); // frees the bytes the channel's reader was on
    ASSERT_EQ(player_.Play(0, 0, kStereoPredecoded, SOUND_PREDECODED, 1), 0);
    ASSERT_EQ(player_.GetInfo(0, &info), 0);
    EXPECT_EQ(info.hasVideo, 0);
    EXPECT_EQ(info.frameBytes, 0);
    EXPECT_EQ(player_.DecodeVideoFrame(0, frame.data()), -1) << "the old movie's pictures";
}
