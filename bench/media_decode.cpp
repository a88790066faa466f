// Decoding speed: Vorbis through our reader (page parser + libvorbisfile)
// beside ov_read called directly on the same file in memory, and one XviD
// picture of a 640x480 movie.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vorbis/vorbisfile.h>

#include "bench/media_bench_data.h"
#include "media/mmlib.h"

namespace {

constexpr int32_t kReadBytes = 16384; // one mixer buffer

struct MemorySource {
    const std::vector<uint8_t>* bytes;
    size_t at;
};

size_t MemoryRead(void* ptr, size_t size, size_t count, void* source) {
    MemorySource* memory = static_cast<MemorySource*>(source);
    size_t n = std::min(size * count, memory->bytes->size() - memory->at);
    std::memcpy(ptr, memory->bytes->data() + memory->at, n);
    memory->at += n;
    return n / size;
}

// The reference: libvorbisfile straight on the file's bytes.
void BM_VorbisDirectOvRead(benchmark::State& state) {
    const auto& music = BenchMusic();
    std::vector<char> buffer(kReadBytes);
    size_t decoded = 0;
    for (auto _ : state) {
        MemorySource source{&music, 0};
        OggVorbis_File file;
        ov_callbacks callbacks{MemoryRead, nullptr, nullptr, nullptr};
        if (ov_open_callbacks(&source, &file, nullptr, 0, callbacks) != 0) {
            state.SkipWithError("ov_open_callbacks failed");
            break;
        }
        int bitstream = 0;
        long r = 0;
        while ((r = ov_read(&file, buffer.data(), kReadBytes, 0, 2, 1, &bitstream)) > 0)
            decoded += static_cast<size_t>(r);
        ov_clear(&file);
    }
    state.SetBytesProcessed(static_cast<int64_t>(decoded));
    state.counters["x_realtime"] = benchmark::Counter(static_cast<double>(decoded) / (44100.0 * 4),
                                                      benchmark::Counter::kIsRate);
}
BENCHMARK(BM_VorbisDirectOvRead)->Unit(benchmark::kMillisecond);

void BM_VorbisThroughMMlib(benchmark::State& state) {
    const auto& music = BenchMusic();
    std::vector<uint8_t> buffer(kReadBytes);
    size_t decoded = 0;
    MMlib reader;
    for (auto _ : state) {
        if (reader.OpenMemory(music.data(), static_cast<int32_t>(music.size())) != 0) {
            state.SkipWithError("open failed");
            break;
        }
        int32_t got = 0;
        while (reader.ReadPCM(buffer.data(), kReadBytes, &got) == 0 && got > 0)
            decoded += static_cast<size_t>(got);
    }
    state.SetBytesProcessed(static_cast<int64_t>(decoded));
    state.counters["x_realtime"] = benchmark::Counter(static_cast<double>(decoded) / (44100.0 * 4),
                                                      benchmark::Counter::kIsRate);
}
BENCHMARK(BM_VorbisThroughMMlib)->Unit(benchmark::kMillisecond);

void BM_XvidDecode640x480(benchmark::State& state) {
    const auto& movie = BenchMovie();
    MMlib reader;
    MediaInfo info{};
    auto open = [&] {
        reader.OpenMemory(movie.data(), static_cast<int32_t>(movie.size()));
        reader.GetInfo(&info);
    };
    open();
    if (info.frameBytes != 640 * 480 * 3) {
        state.SkipWithError("movie did not open");
        return;
    }
    std::vector<uint8_t> frame(static_cast<size_t>(info.frameBytes));
    for (auto _ : state) {
        if (reader.DecodeVideoFrame(frame.data()) != 0) {
            state.PauseTiming();
            open();
            state.ResumeTiming();
            reader.DecodeVideoFrame(frame.data());
        }
        benchmark::DoNotOptimize(frame.data());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_XvidDecode640x480)->Unit(benchmark::kMicrosecond);

} // namespace
