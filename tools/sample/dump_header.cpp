#include "tools/sample/dump_header.h"

#include "engine/bytes.h"
#include "graphics/renderer.h"
#include "world/play_task.h"

std::vector<uint8_t> WriteDumpHeader() {
    constexpr uint32_t kInfoHeaderSize = 40;
    constexpr int32_t kPixelsPerMetre = 2835; // 72 dots per inch
    std::vector<uint8_t> header(kDumpHeaderBytes, 0);
    uint8_t* p = header.data();
    p[0] = 'B';
    p[1] = 'M';
    PutU32LE(p + 2, kDumpHeaderBytes + READ_SCREEN_BYTES);
    PutU32LE(p + 10, kDumpHeaderBytes);
    PutU32LE(p + 14, kInfoHeaderSize);
    PutI32LE(p + 18, READ_SCREEN_WIDTH);
    // Positive: the rows are stored bottom row first.
    PutI32LE(p + 22, READ_SCREEN_HEIGHT);
    PutU16LE(p + 26, 1);  // planes
    PutU16LE(p + 28, 24); // bits per pixel
    PutU32LE(p + 30, 0);  // no compression
    PutU32LE(p + 34, READ_SCREEN_BYTES);
    PutI32LE(p + 38, kPixelsPerMetre);
    PutI32LE(p + 42, kPixelsPerMetre);
    return header;
}

std::vector<uint8_t> WriteDumpEntry() {
    std::vector<uint8_t> entry = WriteDumpHeader();
    entry.resize(kDumpHeaderBytes + READ_SCREEN_BYTES, 0);
    return entry;
}
