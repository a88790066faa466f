// Fuzzes opening media with the decoders: stream headers, the Vorbis setup,
// the OGM video header and the XviD bitstream, then bounded PCM and picture
// reads and a reopen.
#include <cstdint>
#include <vector>

#include "fuzz/ogg_media_samples.h"
#include "media/mmlib.h"

namespace {

constexpr size_t kMaxPcmBytes = 4u << 20;
constexpr int kMaxFrames = 64;
constexpr int32_t kMaxFrameBytes = 1024 * 1024 * 3;

void Drain(MMlib* reader) {
    MediaInfo info;
    reader->GetInfo(&info);
    std::vector<uint8_t> pcm(16384);
    size_t total = 0;
    while (total < kMaxPcmBytes) {
        int32_t got = 0;
        reader->ReadPCM(pcm.data(), static_cast<int32_t>(pcm.size()), &got);
        if (got <= 0)
            break;
        if (got > static_cast<int32_t>(pcm.size()))
            __builtin_trap();
        total += static_cast<size_t>(got);
    }
    if (info.hasVideo == 0 || info.frameBytes <= 0 || info.frameBytes > kMaxFrameBytes)
        return;
    std::vector<uint8_t> frame(static_cast<size_t>(info.frameBytes));
    // The movie screen ends a movie on 1 only: calls after an error must be
    // as safe as the first.
    for (int i = 0; i < kMaxFrames; ++i)
        if (reader->DecodeVideoFrame(frame.data()) == 1)
            break;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> file = OggFuzzInput(data, size);
    if (file.size() > (16u << 20))
        return 0;
    MMlib reader;
    if (reader.OpenMemory(file.data(), static_cast<int32_t>(file.size())) != 0)
        return 0;
    Drain(&reader);
    if (reader.Reopen() == 0)
        Drain(&reader);
    return 0;
}
