// Fuzzes the Ogg page parser: discovery, then payload and raw reads of
// every stream, alternately and in uneven chunks, with and without a
// read-ahead cache.
#include <cstdint>
#include <vector>

#include "fuzz/ogg_media_samples.h"
#include "media/async_ogm.h"

namespace {

constexpr int32_t kMaxDelivered = 8 << 20;

void ReadStreams(AsyncOGM* ogm, const uint8_t* plan, size_t planSize) {
    int32_t count = ogm->GetStreamCount();
    std::vector<uint8_t> buffer(70000);
    int32_t delivered = 0;
    for (size_t i = 0; delivered < kMaxDelivered && i < 100000; ++i) {
        uint8_t byte = planSize > 0 ? plan[i % planSize] : static_cast<uint8_t>(i);
        int32_t stream = byte % (count + 1); // one past the end: a bad index
        int32_t chunk = 1 + (byte * 251) % 65536;
        bool anyLeft = false;
        for (int32_t s = 0; s < count; ++s)
            anyLeft = anyLeft || ogm->IsStreamAtEnd(s) == 0;
        if (!anyLeft)
            break;
        int32_t got = ogm->Read(stream, buffer.data(), chunk);
        if (got < 0 || got > chunk)
            __builtin_trap();
        delivered += got;
        if ((byte & 0x40) != 0)
            ogm->RefillAll();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> file = OggFuzzInput(data, size);
    if (file.size() > (16u << 20))
        return 0;
    for (int mode = 0; mode < 3; ++mode) {
        AsyncOGM ogm;
        if (ogm.OpenMemory(file.data(), static_cast<int32_t>(file.size())) != 0)
            return 0;
        for (int32_t s = 0; s < ogm.GetStreamCount(); ++s) {
            ogm.SetRawMode(s, mode == 1 ? 1 : (s & 1));
            if (mode == 2)
                ogm.EnableCache(s);
        }
        ReadStreams(&ogm, data, size);
    }
    return 0;
}
