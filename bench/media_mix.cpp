// One full mix pass (each playing channel's effect fills one 4096-sample
// buffer, which lasts 93 ms) for 1, 8 and 64 channels of each sound kind and
// for all three kinds together; and how long the main thread holds the
// audio lock per frame (Update with its cache refills, and a 640x480 movie
// picture).
#include <benchmark/benchmark.h>

#include <SDL.h>
#include <SDL_mixer.h>
#include <cstdlib>
#include <memory>

#include "bench/media_bench_data.h"
#include "engine/archive.h"
#include "media/audio_lock.h"
#include "media/mmplay.h"
#include "tools/sample/archive_builder.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr int32_t kBufferBytes = 4096 * 4;
constexpr int32_t kMixed = 3; // one kind per channel in turn

// The music three times, so that each kind has its own sound record.
enum BenchEntry : int32_t { kMusic, kMusicInMemory, kMusicPredecoded, kMovie };

// An open player over a fresh archive, audio paused: the benchmark is the
// audio thread.
struct BenchPlayer {
    ScopedTempDir dir;
    ResourceArchive archive{};
    MMplay player;
    bool ok = false;

    BenchPlayer() {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        ArchiveBuilder builder;
        builder.AddPlain(RES_TYPE_SOUND_STREAMED, BenchMusic());
        builder.AddPlain(RES_TYPE_SOUND_IN_MEMORY, BenchMusic());
        builder.AddPlain(RES_TYPE_SOUND_PREDECODED, BenchMusic());
        builder.AddPlain(RES_TYPE_SOUND_STREAMED, BenchMovie());
        ok = builder.WriteToFile("base.res") && OpenArchive(&archive, "base.res") != 0 &&
             player.Open(44100, AUDIO_S16LSB, 2, 4096, 64, &archive) == 0;
        if (ok)
            SDL_PauseAudio(1);
    }
    ~BenchPlayer() {
        player.Close();
        CloseArchive(&archive);
    }
    void MixPass(int32_t channels, std::vector<uint8_t>* buffer) {
        AudioLock lock;
        for (int32_t ch = 0; ch < channels; ++ch) {
            std::fill(buffer->begin(), buffer->end(), 0);
            MMplay::MixEffect(ch, buffer->data(), kBufferBytes,
                              const_cast<MMchannel*>(player.GetChannel(ch)));
        }
    }
};

void BM_MixPass(benchmark::State& state) {
    int32_t kind = static_cast<int32_t>(state.range(0));
    int32_t channels = static_cast<int32_t>(state.range(1));
    BenchPlayer bench;
    if (!bench.ok) {
        state.SkipWithError("player did not open");
        return;
    }
    for (int32_t ch = 0; ch < channels; ++ch) {
        int32_t playKind = kind == kMixed ? ch % 3 : kind;
        if (bench.player.Play(ch, -1, kMusic + playKind, playKind, 1) != ch) {
            state.SkipWithError("play failed");
            return;
        }
    }
    std::vector<uint8_t> buffer(kBufferBytes);
    for (auto _ : state) {
        bench.MixPass(channels, &buffer);
        state.PauseTiming();
        bench.player.Update();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_MixPass)
    ->ArgNames({"kind", "channels"})
    ->ArgsProduct({{SOUND_STREAMED, SOUND_IN_MEMORY, SOUND_PREDECODED}, {1, 8, 64}})
    ->Args({kMixed, 64})
    ->Unit(benchmark::kMillisecond);

// The main thread's frame with 63 streamed sounds and a movie playing: the
// time it holds the audio lock, against the whole frame's media work.
void BM_MainThreadLockPerFrame(benchmark::State& state) {
    BenchPlayer bench;
    if (!bench.ok) {
        state.SkipWithError("player did not open");
        return;
    }
    int32_t movie = bench.player.Play(0, 0, kMovie, SOUND_STREAMED, 1);
    for (int32_t ch = 1; ch < 64; ++ch)
        bench.player.Play(ch, -1, kMusic, SOUND_STREAMED, 1);
    MediaInfo info;
    bench.player.GetInfo(movie, &info);
    std::vector<uint8_t> frame(static_cast<size_t>(info.frameBytes));
    std::vector<uint8_t> buffer(kBufferBytes);
    uint64_t held = 0;
    int64_t frames = 0;
    for (auto _ : state) {
        // The audio thread drains about two frames' worth a frame at 40
        // frames a second; mix a whole buffer every other frame.
        state.PauseTiming();
        if (frames % 2 == 0)
            bench.MixPass(64, &buffer);
        uint64_t before = AudioLockHeldNanos();
        state.ResumeTiming();
        bench.player.Update();
        if (bench.player.DecodeVideoFrame(movie, frame.data()) != 0) {
            state.PauseTiming();
            bench.player.Stop(movie);
            movie = bench.player.Play(0, 0, kMovie, SOUND_STREAMED, 1);
            state.ResumeTiming();
        }
        state.PauseTiming();
        held += AudioLockHeldNanos() - before;
        ++frames;
        state.ResumeTiming();
    }
    state.counters["lock_held_us"] = static_cast<double>(held) / 1e3 / std::max<int64_t>(frames, 1);
}
BENCHMARK(BM_MainThreadLockPerFrame)->Unit(benchmark::kMicrosecond);

} // namespace
