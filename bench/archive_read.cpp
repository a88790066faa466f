// Archive read throughput: whole-entry reads and stream reads (4096-byte and
// 1-byte requests) of a compressible text and of random bytes, each beside
// zlib's inflate of the same data.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>
#include <zlib.h>

#include "engine/archive.h"
#include "engine/resource_stream.h"
#include "tools/sample/archive_builder.h"

namespace {

constexpr size_t kEntrySize = 4 << 20;

std::vector<uint8_t> CompressibleText() {
    static const char* const kWords[] = {"the ",  "quill ", "bury ",   "runs ",  "after ",
                                         "a ",    "river ", "jumps ",  "over ",  "stones, ",
                                         "and\n", "keeps ", "ahead. ", "Score ", "points "};
    std::vector<uint8_t> text;
    uint32_t x = 12345;
    while (text.size() < kEntrySize) {
        x = x * 1103515245u + 12345u;
        const char* word = kWords[(x >> 16) % 15];
        while (*word != 0 && text.size() < kEntrySize)
            text.push_back(static_cast<uint8_t>(*word++));
    }
    return text;
}

std::vector<uint8_t> RandomData() {
    std::vector<uint8_t> bytes(kEntrySize);
    uint32_t x = 2463534242u;
    for (uint8_t& b : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<uint8_t>(x >> 11);
    }
    return bytes;
}

enum Entry : uint32_t { kTextCompressed, kTextPlain, kRandomCompressed, kRandomPlain };

// One archive for the whole run, removed at exit.
struct BenchArchive {
    std::string path = "bench_archive_" + std::to_string(getpid()) + ".res";
    ResourceArchive archive{};
    std::vector<uint8_t> text = CompressibleText();
    std::vector<uint8_t> random = RandomData();
    BenchArchive() {
        ArchiveBuilder builder;
        builder.AddCompressed(3, text);
        builder.AddPlain(3, text);
        builder.AddCompressed(3, random);
        builder.AddPlain(3, random);
        if (!builder.WriteToFile(path) || !OpenArchive(&archive, path.c_str()))
            std::fprintf(stderr, "cannot write the benchmark archive\n");
    }
    ~BenchArchive() {
        CloseArchive(&archive);
        std::remove(path.c_str());
    }
    const std::vector<uint8_t>& Data(bool isText) const { return isText ? text : random; }
};

BenchArchive& Shared() {
    static BenchArchive shared;
    return shared;
}

void ReadWholeEntry(benchmark::State& state, uint32_t entry) {
    ResourceArchive* archive = &Shared().archive;
    std::vector<uint8_t> out(GetEntrySize(archive, entry));
    for (auto _ : state) {
        uint32_t got = ReadEntry(archive, out.data(), entry);
        benchmark::DoNotOptimize(got);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(out.size()));
}

void ReadStream(benchmark::State& state, uint32_t entry, int32_t request) {
    ResourceArchive* archive = &Shared().archive;
    std::vector<uint8_t> out(4096);
    uint64_t total = 0;
    for (auto _ : state) {
        ResourceStream stream;
        OpenResourceStream(archive, &stream, entry);
        for (uint32_t got; (got = ReadResourceStream(&stream, out.data(), request)) > 0;)
            total += got;
        benchmark::ClobberMemory();
        CloseResourceStream(&stream);
    }
    state.SetBytesProcessed(int64_t(total));
}

// zlib's inflate of the same bytes, compressed at its default level.
void ZlibInflate(benchmark::State& state, bool isText) {
    const std::vector<uint8_t>& data = Shared().Data(isText);
    std::vector<uint8_t> packed(compressBound(data.size()));
    uLongf packedSize = packed.size();
    compress2(packed.data(), &packedSize, data.data(), data.size(), Z_DEFAULT_COMPRESSION);
    std::vector<uint8_t> out(data.size());
    for (auto _ : state) {
        uLongf outSize = out.size();
        uncompress(out.data(), &outSize, packed.data(), packedSize);
        benchmark::DoNotOptimize(outSize);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
    state.counters["ratio"] = double(data.size()) / double(packedSize);
}

// zlib's inflate of the same bytes with 4096-byte and 1-byte outputs.
void ZlibInflateSteps(benchmark::State& state, bool isText, uInt step) {
    const std::vector<uint8_t>& data = Shared().Data(isText);
    std::vector<uint8_t> packed(compressBound(data.size()));
    uLongf packedSize = packed.size();
    compress2(packed.data(), &packedSize, data.data(), data.size(), Z_DEFAULT_COMPRESSION);
    std::vector<uint8_t> out(4096);
    uint64_t total = 0;
    for (auto _ : state) {
        z_stream z{};
        inflateInit(&z);
        z.next_in = packed.data();
        z.avail_in = static_cast<uInt>(packedSize);
        int status = Z_OK;
        while (status == Z_OK) {
            z.next_out = out.data();
            z.avail_out = step;
            status = inflate(&z, Z_NO_FLUSH);
            total += step - z.avail_out;
        }
        inflateEnd(&z);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(total));
}

BENCHMARK_CAPTURE(ReadWholeEntry, text_compressed, kTextCompressed)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ZlibInflate, text_reference, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReadWholeEntry, random_compressed, kRandomCompressed)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ZlibInflate, random_reference, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReadWholeEntry, text_plain, kTextPlain)->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(ReadStream, text_compressed_4096, kTextCompressed, 4096)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ZlibInflateSteps, text_reference_4096, true, 4096)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReadStream, random_compressed_4096, kRandomCompressed, 4096)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ZlibInflateSteps, random_reference_4096, false, 4096)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReadStream, text_plain_4096, kTextPlain, 4096)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReadStream, random_plain_4096, kRandomPlain, 4096)->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(ReadStream, text_compressed_1, kTextCompressed, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ZlibInflateSteps, text_reference_1, true, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReadStream, random_compressed_1, kRandomCompressed, 1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ZlibInflateSteps, random_reference_1, false, 1)->Unit(benchmark::kMillisecond);

} // namespace
