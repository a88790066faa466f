// Streaming sounds and movies out of compressed archive entries. Side by
// side: a 2 MB Vorbis entry read whole through the page parser (as the
// Vorbis library reads it, whole pages) when stored compressed and when
// plain, and the compressed entry decompressed once on its own; the first
// must cost no more than the other two together. Then the longest the main
// thread holds the audio lock in one frame's refill while the player
// streams that sound, and while it plays an interleaved movie, both
// compressed.
#include <benchmark/benchmark.h>

#include <SDL.h>
#include <SDL_mixer.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/archive.h"
#include "engine/resource_stream.h"
#include "media/audio_lock.h"
#include "media/mmlib.h"
#include "media/mmplay.h"
#include "tools/sample/archive_builder.h"
#include "tools/sample/ogg_media_writer.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr size_t kSoundBytes = 2 << 20;
constexpr int32_t kFramesPerSecond = 60;
constexpr int32_t kMoviePictures = 250; // ten seconds at 25 a second

// Stereo noise with a slow swell: Vorbis spends many bytes on it, and they
// compress as badly as any real sound's.
PcmBuffer NoisySwell(double seconds, uint32_t seed) {
    PcmBuffer pcm;
    pcm.channels = 2;
    pcm.rate = 44100;
    size_t frames = static_cast<size_t>(seconds * 44100);
    pcm.samples.resize(frames * 2);
    uint32_t state = seed;
    for (size_t i = 0; i < frames; ++i) {
        double swell = 0.3 + 0.7 * static_cast<double>((i / 4410) % 10) / 10.0;
        for (int c = 0; c < 2; ++c) {
            state = state * 1664525u + 1013904223u;
            double v = (static_cast<double>(state >> 16) - 32768.0) * swell;
            pcm.samples[i * 2 + static_cast<size_t>(c)] = static_cast<int16_t>(v);
        }
    }
    return pcm;
}

// About 2 MB of Vorbis: as many seconds of noise as that takes.
std::vector<uint8_t> TwoMegabyteSound(double* seconds) {
    std::vector<uint8_t> probe = WriteOggVorbis(NoisySwell(4.0, 7), 0.9f);
    *seconds = 4.0 * static_cast<double>(kSoundBytes) / static_cast<double>(probe.size());
    return WriteOggVorbis(NoisySwell(*seconds, 7), 0.9f);
}

// A 640x480 movie of moving gradients with a little grain, about 5 Mbit/s,
// with a sound long enough to be refilled while it plays.
std::vector<uint8_t> InterleavedMovie() {
    VideoStreamOptions video;
    video.width = 640;
    video.height = 480;
    video.frames = kMoviePictures;
    video.quant = 4;
    video.source = [](int32_t index, uint8_t* bgr) {
        uint32_t state = 99u + static_cast<uint32_t>(index);
        for (int32_t y = 0; y < 480; ++y)
            for (int32_t x = 0; x < 640; ++x) {
                uint8_t* p = bgr + (y * 640 + x) * 3;
                state = state * 1664525u + 1013904223u;
                uint8_t grain = static_cast<uint8_t>(state >> 30);
                p[0] = static_cast<uint8_t>(x + index * 4 + grain);
                p[1] = static_cast<uint8_t>(y * 2 - index * 3 + grain);
                p[2] = static_cast<uint8_t>((x ^ y) + index);
            }
    };
    PcmBuffer sound = NoisySwell(kMoviePictures / 25.0, 11);
    return MuxOgg({EncodeXvidStream(video, 0x2001), EncodeVorbisStream(sound, 0x2002, 0.9f)});
}

enum Entry : uint32_t { kSoundCompressed, kSoundPlain, kMovieCompressed, kMoviePlain };

// One archive for the whole run, in a folder removed at exit.
struct StreamArchive {
    ScopedTempDir dir;
    ResourceArchive archive{};
    double soundSeconds = 0;
    std::vector<uint8_t> sound = TwoMegabyteSound(&soundSeconds);
    std::vector<uint8_t> movie = InterleavedMovie();
    bool ok = false;
    StreamArchive() {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        ArchiveBuilder builder;
        builder.AddCompressed(RES_TYPE_SOUND_STREAMED, sound);
        builder.AddPlain(RES_TYPE_SOUND_STREAMED, sound);
        builder.AddCompressed(RES_TYPE_SOUND_STREAMED, movie);
        builder.AddPlain(RES_TYPE_SOUND_STREAMED, movie);
        ok = builder.WriteToFile("base.res") && OpenArchive(&archive, "base.res") != 0;
        if (!ok)
            std::fprintf(stderr, "cannot write the benchmark archive\n");
    }
    ~StreamArchive() { CloseArchive(&archive); }
};

StreamArchive& Shared() {
    static StreamArchive shared;
    return shared;
}

// ---- reading whole --------------------------------------------------------------

// The sound's pages, read the way libvorbisfile asks for them.
void BM_SoundPages(benchmark::State& state, uint32_t entry) {
    StreamArchive& data = Shared();
    if (!data.ok) {
        state.SkipWithError("no archive");
        return;
    }
    std::vector<uint8_t> buffer(4096);
    uint64_t restarts = ResourceStreamDecoderRestarts();
    size_t total = 0;
    for (auto _ : state) {
        OGM ogm;
        if (ogm.OpenArchiveEntry(&data.archive, static_cast<int32_t>(entry)) != 0) {
            state.SkipWithError("open failed");
            return;
        }
        ogm.SetRawMode(0, 1);
        size_t read = 0;
        for (int32_t got; (got = ogm.ReadStream(0, buffer.data(), 4096)) > 0;)
            read += static_cast<size_t>(got);
        if (read != data.sound.size()) {
            state.SkipWithError("the pages read differ in size from the file");
            return;
        }
        total += read;
    }
    state.SetBytesProcessed(static_cast<int64_t>(total));
    state.counters["restarts"] =
        static_cast<double>(ResourceStreamDecoderRestarts() - restarts) / state.iterations();
}
BENCHMARK_CAPTURE(BM_SoundPages, compressed, kSoundCompressed)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SoundPages, plain, kSoundPlain)->Unit(benchmark::kMillisecond);

// The reference: the compressed entry decompressed once, nothing more.
void BM_SoundDecompressOnce(benchmark::State& state) {
    StreamArchive& data = Shared();
    if (!data.ok) {
        state.SkipWithError("no archive");
        return;
    }
    std::vector<uint8_t> out(GetEntrySize(&data.archive, kSoundCompressed));
    for (auto _ : state) {
        uint32_t got = ReadEntry(&data.archive, out.data(), kSoundCompressed);
        benchmark::DoNotOptimize(got);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(out.size()));
}
BENCHMARK(BM_SoundDecompressOnce)->Unit(benchmark::kMillisecond);

// The whole sound decoded to PCM through the media reader, without the
// read-ahead (as a sound decoded in advance is read).
void BM_SoundPcm(benchmark::State& state, uint32_t entry) {
    StreamArchive& data = Shared();
    if (!data.ok) {
        state.SkipWithError("no archive");
        return;
    }
    std::vector<uint8_t> buffer(16384);
    size_t total = 0;
    for (auto _ : state) {
        MMlib reader;
        reader.SetReadAhead(0);
        if (reader.OpenArchiveEntry(&data.archive, static_cast<int32_t>(entry)) != 0) {
            state.SkipWithError("open failed");
            return;
        }
        int32_t got = 0;
        while (reader.ReadPCM(buffer.data(), 16384, &got) == 0 && got > 0)
            total += static_cast<size_t>(got);
    }
    state.SetBytesProcessed(static_cast<int64_t>(total));
}
BENCHMARK_CAPTURE(BM_SoundPcm, compressed, kSoundCompressed)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SoundPcm, plain, kSoundPlain)->Unit(benchmark::kMillisecond);

// ---- the audio lock per frame ------------------------------------------------------

// A player on the dummy driver with the audio paused: each frame the
// benchmark mixes what the audio thread would have taken meanwhile, then
// runs the main thread's frame and weighs the lock it held.
struct FramePlayer {
    MMplay player;
    bool ok = false;
    explicit FramePlayer(ResourceArchive* archive) {
        ok = player.Open(44100, AUDIO_S16LSB, 2, 4096, 8, archive) == 0;
        if (ok)
            SDL_PauseAudio(1);
    }
    ~FramePlayer() { player.Close(); }
    void Mix(int32_t channel, std::vector<uint8_t>* buffer) {
        AudioLock lock;
        std::fill(buffer->begin(), buffer->end(), 0);
        MMplay::MixEffect(channel, buffer->data(), static_cast<int>(buffer->size()),
                          const_cast<MMchannel*>(player.GetChannel(channel)));
    }
    bool Finished(int32_t channel) {
        AudioLock lock;
        const MMchannel* record = player.GetChannel(channel);
        return record->sound == nullptr || record->finished != 0;
    }
};

// Per frame: the lock held in all, and its longest single hold, which is
// what the audio thread can have to wait for.
struct LockHolds {
    uint64_t worstFrame = 0;
    uint64_t worstHold = 0;
    uint64_t total = 0;
    int64_t frames = 0;
    uint64_t before = 0;
    void Start() {
        AudioLockTakeLongestHold();
        before = AudioLockHeldNanos();
    }
    void Stop() {
        uint64_t held = AudioLockHeldNanos() - before;
        worstFrame = std::max(worstFrame, held);
        worstHold = std::max(worstHold, AudioLockTakeLongestHold());
        total += held;
        ++frames;
    }
    void Report(benchmark::State& state, const char* name) const {
        std::string prefix = name;
        state.counters[prefix + "_worst_frame_ms"] = static_cast<double>(worstFrame) / 1e6;
        state.counters[prefix + "_worst_hold_ms"] = static_cast<double>(worstHold) / 1e6;
        state.counters[prefix + "_mean_us"] =
            static_cast<double>(total) / 1e3 / std::max<int64_t>(frames, 1);
    }
};

// The compressed sound streamed, once (loops 0) or looping (-1) for a
// little longer than one play: per frame the lock taken by Update, which
// refills the read-ahead cache.
void BM_SoundRefillLock(benchmark::State& state) {
    int32_t loops = static_cast<int32_t>(state.range(0));
    StreamArchive& data = Shared();
    FramePlayer frame(&data.archive);
    if (!data.ok || !frame.ok) {
        state.SkipWithError("player did not open");
        return;
    }
    std::vector<uint8_t> buffer(44100 * 4 / kFramesPerSecond);
    LockHolds update;
    for (auto _ : state) {
        int32_t ch = frame.player.Play(0, loops, kSoundCompressed, SOUND_STREAMED, 1);
        if (ch != 0) {
            state.SkipWithError("play failed");
            return;
        }
        const int32_t limit =
            loops == 0 ? 1000000
                       : static_cast<int32_t>((data.soundSeconds + 10) * kFramesPerSecond);
        for (int32_t i = 0; !frame.Finished(ch) && i < limit; ++i) {
            frame.Mix(ch, &buffer);
            update.Start();
            frame.player.Update();
            update.Stop();
        }
        frame.player.Stop(ch);
    }
    state.counters["frames"] = static_cast<double>(update.frames) / state.iterations();
    update.Report(state, "update");
}
// A play is one iteration, repeated: on a busy machine a hold that loses
// the processor stands for the code's worst in one play, so the median and
// the least of the plays' worst are shown beside the greatest.
double Least(const std::vector<double>& values) {
    return *std::min_element(values.begin(), values.end());
}
double Greatest(const std::vector<double>& values) {
    return *std::max_element(values.begin(), values.end());
}
void PlayRepeats(benchmark::internal::Benchmark* bench) {
    bench->Unit(benchmark::kMillisecond)
        ->Iterations(1)
        ->Repetitions(5)
        ->ComputeStatistics("min", Least)
        ->ComputeStatistics("max", Greatest)
        ->ReportAggregatesOnly(true);
}
BENCHMARK(BM_SoundRefillLock)->ArgName("loops")->Arg(0)->Arg(-1)->Apply(PlayRepeats);

// One play of the movie, a picture every 25th of a second at 60 frames a
// second: the lock taken by Update (the sound's refills) and by the
// picture's decode (the video's refills), each per frame.
void BM_MovieRefillLock(benchmark::State& state, uint32_t entry) {
    StreamArchive& data = Shared();
    FramePlayer frame(&data.archive);
    if (!data.ok || !frame.ok) {
        state.SkipWithError("player did not open");
        return;
    }
    std::vector<uint8_t> buffer(44100 * 4 / kFramesPerSecond);
    LockHolds update, video;
    int32_t pictures = 0;
    for (auto _ : state) {
        int32_t ch = frame.player.Play(0, 0, static_cast<int32_t>(entry), SOUND_STREAMED, 1);
        MediaInfo info{};
        frame.player.GetInfo(ch, &info);
        if (ch != 0 || info.hasVideo == 0 || info.hasAudio == 0) {
            state.SkipWithError("the movie did not play");
            return;
        }
        std::vector<uint8_t> picture(static_cast<size_t>(info.frameBytes));
        bool videoLeft = true;
        for (int32_t i = 0; (videoLeft || !frame.Finished(ch)) && i < 1000000; ++i) {
            frame.Mix(ch, &buffer);
            update.Start();
            frame.player.Update();
            update.Stop();
            if (videoLeft && i * 25 / kFramesPerSecond >= pictures) {
                video.Start();
                videoLeft = frame.player.DecodeVideoFrame(ch, picture.data()) == 0;
                video.Stop();
                pictures += videoLeft ? 1 : 0;
            }
        }
        frame.player.Stop(ch);
    }
    state.counters["pictures"] = static_cast<double>(pictures) / state.iterations();
    state.counters["movie_mb"] = static_cast<double>(data.movie.size()) / (1 << 20);
    update.Report(state, "update");
    video.Report(state, "picture");
}
BENCHMARK_CAPTURE(BM_MovieRefillLock, compressed, kMovieCompressed)->Apply(PlayRepeats);
BENCHMARK_CAPTURE(BM_MovieRefillLock, plain, kMoviePlain)->Apply(PlayRepeats);

} // namespace
