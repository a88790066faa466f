// The page parser's delivery rate on a 10 MB interleaved movie held in a
// plain archive entry (both streams read alternately, as a movie plays),
// beside memory; and read-ahead refills per megabyte.
#include <benchmark/benchmark.h>

#include "engine/archive.h"
#include "media/async_ogm.h"
#include "tools/sample/archive_builder.h"
#include "tools/sample/ogg_media_writer.h"
#include "tests/support/temp_dir.h"

namespace {

// Video-sized packets (one page each) interleaved with sound pages, built
// from raw packets: the parser does not decode.
const std::vector<uint8_t>& TenMegabyteMovie() {
    static const std::vector<uint8_t> movie = [] {
        OggStreamData video;
        video.serial = 1;
        video.pagePerPacket = true;
        OgmVideoHeader header;
        header.width = 640;
        header.height = 480;
        video.packets.push_back({MakeOgmVideoHeader(header), 0, 0.0});
        OggStreamData sound;
        sound.serial = 2;
        std::vector<uint8_t> id = {0x01, 'v', 'o', 'r', 'b', 'i', 's', 0, 0};
        id.resize(30, 0);
        sound.packets.push_back({id, 0, 0.0});
        uint8_t fill = 0;
        for (int i = 0; i < 250; ++i) {
            double time = i / 25.0;
            video.packets.push_back({std::vector<uint8_t>(36000, fill++), i, time});
            for (int k = 0; k < 4; ++k)
                sound.packets.push_back({std::vector<uint8_t>(1000, fill++), i, time});
        }
        return MuxOgg({video, sound});
    }();
    return movie;
}

struct MovieArchive {
    ScopedTempDir dir;
    ResourceArchive archive{};
    bool ok = false;
    MovieArchive() {
        ArchiveBuilder builder;
        builder.AddPlain(RES_TYPE_SOUND_STREAMED, TenMegabyteMovie());
        ok = builder.WriteToFile("base.res") && OpenArchive(&archive, "base.res") != 0;
    }
    ~MovieArchive() { CloseArchive(&archive); }
};

size_t ReadBothStreams(OGM* ogm) {
    std::vector<uint8_t> buffer(65536);
    ogm->SetRawMode(1, 1);
    size_t total = 0;
    while (ogm->IsStreamAtEnd(0) == 0 || ogm->IsStreamAtEnd(1) == 0) {
        total += static_cast<size_t>(ogm->ReadStream(0, buffer.data(), 36000));
        total += static_cast<size_t>(ogm->ReadStream(1, buffer.data(), 4096));
    }
    return total;
}

void BM_ReadStreamPlainArchiveEntry(benchmark::State& state) {
    MovieArchive disk;
    if (!disk.ok) {
        state.SkipWithError("archive did not open");
        return;
    }
    size_t total = 0;
    for (auto _ : state) {
        OGM ogm;
        ogm.OpenArchiveEntry(&disk.archive, 0);
        total += ReadBothStreams(&ogm);
    }
    state.SetBytesProcessed(static_cast<int64_t>(total));
}
BENCHMARK(BM_ReadStreamPlainArchiveEntry)->Unit(benchmark::kMillisecond);

void BM_ReadStreamMemory(benchmark::State& state) {
    const auto& movie = TenMegabyteMovie();
    size_t total = 0;
    for (auto _ : state) {
        OGM ogm;
        ogm.OpenMemory(movie.data(), static_cast<int32_t>(movie.size()));
        total += ReadBothStreams(&ogm);
    }
    state.SetBytesProcessed(static_cast<int64_t>(total));
}
BENCHMARK(BM_ReadStreamMemory)->Unit(benchmark::kMillisecond);

// Refills of the sound stream's cache from the archive as the audio thread
// drains it: the main thread's share of streaming.
void BM_CacheRefillPerMegabyte(benchmark::State& state) {
    MovieArchive disk;
    if (!disk.ok) {
        state.SkipWithError("archive did not open");
        return;
    }
    std::vector<uint8_t> buffer(2048);
    size_t refilled = 0;
    for (auto _ : state) {
        state.PauseTiming();
        AsyncOGM ogm;
        ogm.OpenArchiveEntry(&disk.archive, 0);
        ogm.SetRawMode(1, 1);
        ogm.EnableCache(1);
        const AsyncCACHE* cache = ogm.GetCache(1);
        state.ResumeTiming();
        while (cache->IsAtEnd() == 0 || cache->Available() > 0) {
            state.PauseTiming();
            // A frame's worth of draining, in libvorbisfile's read sizes.
            for (int i = 0; i < 40; ++i)
                ogm.Read(1, buffer.data(), 2048);
            int32_t before = cache->Available();
            state.ResumeTiming();
            ogm.RefillAll();
            refilled += static_cast<size_t>(std::max(0, cache->Available() - before));
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(refilled));
}
BENCHMARK(BM_CacheRefillPerMegabyte)->Unit(benchmark::kMillisecond);

} // namespace
