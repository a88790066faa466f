#include "graphics/colour_reduce.h"

#include <cstring>
#include <vector>

namespace {

// Channel order of the error rows: alpha, red, green, blue.
constexpr int kChannelShift[4] = {24, 16, 8, 0};

inline uint16_t PackArgb4444(const int32_t nibble[4]) {
    return static_cast<uint16_t>(nibble[0] << 12 | nibble[1] << 8 | nibble[2] << 4 | nibble[3]);
}

inline uint32_t PackHighNibbles(const int32_t nibble[4]) {
    return static_cast<uint32_t>(nibble[0]) << 28 | static_cast<uint32_t>(nibble[1]) << 20 |
           static_cast<uint32_t>(nibble[2]) << 12 | static_cast<uint32_t>(nibble[3]) << 4;
}

inline void StoreU16(uint8_t* row, int32_t x, uint16_t value) {
    std::memcpy(row + static_cast<size_t>(x) * 2, &value, sizeof(value));
}

inline uint32_t LoadU32(const uint8_t* row, int32_t x) {
    uint32_t value;
    std::memcpy(&value, row + static_cast<size_t>(x) * 4, sizeof(value));
    return value;
}

inline void StoreU32(uint8_t* row, int32_t x, uint32_t value) {
    std::memcpy(row + static_cast<size_t>(x) * 4, &value, sizeof(value));
}

// One pixel of the error diffusion: the four channels' nibbles from the
// pixel, the carry along the row and the errors of the row above; the
// remainders go to the carry and to the row below (guard entries on both
// sides of `below` take what falls off the row's ends).
inline void DitherPixel(uint32_t pixel, int32_t carry[4], const int16_t* above, int16_t* below,
                        int32_t nibble[4]) {
    for (int ch = 0; ch < 4; ++ch) {
        int32_t c = static_cast<int32_t>((pixel >> kChannelShift[ch]) & 0xFF);
        // Carries and errors are never negative, so the shift truncates as a
        // division would.
        int32_t value = c * 16 + ((carry[ch] + above[ch]) >> 4);
        if (value > 4095)
            value = 4095;
        nibble[ch] = value >> 8;
        int32_t e = value & 0xFF;
        carry[ch] = 7 * e;
        below[ch - 4] = static_cast<int16_t>(below[ch - 4] + 3 * e);
        below[ch] = static_cast<int16_t>(below[ch] + 5 * e);
        below[ch + 4] = static_cast<int16_t>(below[ch + 4] + e);
    }
}

template <int step, typename Load, typename Emit>
void DitherRow(int32_t y, int32_t width, const int16_t* above, int16_t* below, Load& load,
               Emit& emit) {
    int32_t carry[4] = {0, 0, 0, 0};
    int32_t x = step > 0 ? 0 : width - 1;
    for (int32_t i = 0; i < width; ++i, x += step) {
        int32_t nibble[4];
        DitherPixel(load(y, x), carry, above + x * 4, below + x * 4, nibble);
        emit(y, x, nibble);
    }
}

// Error diffusion in 12-bit units (a channel value c counts c * 16), on
// serpentine rows: even rows left to right, odd rows right to left. The
// remainder below each output nibble goes 7/16 to the next pixel in scan
// order and 3/16, 5/16, 1/16 to the row below at columns x - 1, x, x + 1.
// Only the remainder is carried (always 0..255), so 0 stays 0 and 255 stays
// 15. `load(row, x)` gives a source pixel; `emit(row, x, nibbles)` takes
// the four nibbles of each pixel.
template <typename Load, typename Emit>
void DitherRows(int32_t width, int32_t height, Load load, Emit emit) {
    if (width <= 0 || height <= 0)
        return;
    // Each error row has one guard pixel on either side.
    size_t rowEntries = (static_cast<size_t>(width) + 2) * 4;
    std::vector<int16_t> errors(rowEntries * 2, 0);
    int16_t* above = errors.data() + 4;
    int16_t* below = errors.data() + rowEntries + 4;
    for (int32_t y = 0; y < height; ++y) {
        std::memset(below - 4, 0, rowEntries * sizeof(int16_t));
        if ((y & 1) == 0)
            DitherRow<1>(y, width, above, below, load, emit);
        else
            DitherRow<-1>(y, width, above, below, load, emit);
        int16_t* swap = above;
        above = below;
        below = swap;
    }
}

} // namespace

void DitherToArgb4444(const uint32_t* src, void* dst, int32_t width, int32_t height,
                      int32_t dstPitch) {
    if (src == nullptr || dst == nullptr)
        return;
    const uint8_t* srcBytes = reinterpret_cast<const uint8_t*>(src);
    uint8_t* dstBytes = static_cast<uint8_t*>(dst);
    size_t srcPitch = static_cast<size_t>(width) * 4;
    DitherRows(
        width, height,
        [&](int32_t y, int32_t x) {
            return LoadU32(srcBytes + static_cast<size_t>(y) * srcPitch, x);
        },
        [&](int32_t y, int32_t x, const int32_t* nibble) {
            StoreU16(dstBytes + static_cast<size_t>(y) * static_cast<size_t>(dstPitch), x,
                     PackArgb4444(nibble));
        });
}

void TruncToArgb4444(const uint32_t* src, void* dst, int32_t width, int32_t height,
                     int32_t dstPitch) {
    if (src == nullptr || dst == nullptr || width <= 0 || height <= 0)
        return;
    uint8_t* dstBytes = static_cast<uint8_t*>(dst);
    for (int32_t y = 0; y < height; ++y) {
        const uint32_t* srcRow = src + static_cast<size_t>(y) * static_cast<size_t>(width);
        uint8_t* dstRow = dstBytes + static_cast<size_t>(y) * static_cast<size_t>(dstPitch);
        for (int32_t x = 0; x < width; ++x) {
            uint32_t p = srcRow[x];
            uint16_t packed = static_cast<uint16_t>((p >> 28) << 12 | ((p >> 20) & 0xF) << 8 |
                                                    ((p >> 12) & 0xF) << 4 | ((p >> 4) & 0xF));
            StoreU16(dstRow, x, packed);
        }
    }
}

void DitherInPlace4bit(uint32_t* pixels, int32_t width, int32_t height, int32_t pitch) {
    if (pixels == nullptr)
        return;
    uint8_t* bytes = reinterpret_cast<uint8_t*>(pixels);
    auto row = [&](int32_t y) {
        return bytes + static_cast<size_t>(y) * static_cast<size_t>(pitch);
    };
    DitherRows(
        width, height, [&](int32_t y, int32_t x) { return LoadU32(row(y), x); },
        [&](int32_t y, int32_t x, const int32_t* nibble) {
            StoreU32(row(y), x, PackHighNibbles(nibble));
        });
}
