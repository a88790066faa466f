// "dump/keys.bin" comes from outside: replayed word by word, any bytes must
// give game keys only; a whole word is the recorded word, and a short last
// word keeps the live word's high bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "engine/bytes.h"
#include "engine/game_keys.h"
#include "world/play_task.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint32_t live = 0xFFFFFFFFu;
    for (size_t at = 0; at < size; at += 4) {
        const size_t count = std::min<size_t>(4, size - at);
        const uint32_t word = ReplayedKeys(data + at, count, live);
        if ((word & ~GAME_KEY_MASK) != 0)
            __builtin_trap();
        uint8_t bytes[4];
        PutU32LE(bytes, live);
        std::copy(data + at, data + at + count, bytes);
        if (word != (GetU32LE(bytes) & GAME_KEY_MASK))
            __builtin_trap();
        live = ~live ^ word;
    }
    return 0;
}
