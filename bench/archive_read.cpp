// Archive read throughput: whole-entry reads and stream reads (4096-byte and
// 1-byte requests) of a compressible text, each beside zlib's inflate of
// the same text, and of random bytes. Our dictionary coder stores random
// bytes larger than they are (the "ratio" counter is below 1) where zlib
// falls back to stored blocks, a plain copy; the two do different work, so
// the random runs, named "expanded", stand alone.
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

enum Entry : uint32_t { kTextCompressed, kTextPlain, kRandomExpanded, kRandomPlain };

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
    state.counters["ratio"] = double(out.size()) / double(GetEntryStoredSize(archive, entry));
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

// zlib's inflate of the same text, compressed at its default level.
void ZlibInflate(benchmark::State& state) {
    const std::vector<uint8_t>& data = Shared().text;
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

// zlib's inflate of the same text with 4096-byte and 1-byte outputs.
void ZlibInflateSteps(benchmark::State& state, uInt step) {
    const std::vector<uint8_t>& data = Shared().text;
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
BENCHMARK(ZlibInflate)->Name("ZlibInflate/text_reference")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReadWholeEntry, text_plain, kTextPlain)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReadWholeEntry, random_expanded, kRandomExpanded)->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(ReadStream, text_compressed_4096, kTextCompressed, 4096)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ZlibInflateSteps, text_reference_4096, 4096)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReadStream, text_plain_4096, kTextPlain, 4096)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReadStream, random_expanded_4096, kRandomExpanded, 4096)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReadStream, random_plain_4096, kRandomPlain, 4096)->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(ReadStream, text_compressed_1, kTextCompressed, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ZlibInflateSteps, text_reference_1, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReadStream, random_expanded_1, kRandomExpanded, 1)->Unit(benchmark::kMillisecond);

} // namespace
