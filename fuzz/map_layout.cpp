// The level map's layout is archive data: any bytes give whole records only,
// each read back exactly as stored.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "engine/bytes.h"
#include "menus/mini_map_menu.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A copy of exactly `size` bytes, so that a read past them is caught.
    std::vector<uint8_t> bytes(data, data + size);
    std::vector<MapLayoutRecord> records = ParseMapLayout(bytes.data(), bytes.size());
    if (records.size() != size / MAP_RECORD_BYTES)
        std::abort();
    for (size_t i = 0; i < records.size(); ++i) {
        const uint8_t* at = bytes.data() + i * MAP_RECORD_BYTES;
        if (records[i].x != GetI32LE(at) || records[i].y != GetI32LE(at + 4) ||
            records[i].picture != GetI32LE(at + 8) ||
            records[i].selectedPicture != GetI32LE(at + 12))
            std::abort();
    }
    return 0;
}
