#include "tools/sample/png_writer.h"

#include <csetjmp>
#include <png.h>
#include <stdexcept>

#include "engine/bytes.h"

namespace {

int ColourType(PngColour colour) {
    switch (colour) {
    case PngColour::Grey:
        return PNG_COLOR_TYPE_GRAY;
    case PngColour::GreyAlpha:
        return PNG_COLOR_TYPE_GRAY_ALPHA;
    case PngColour::Rgb:
        return PNG_COLOR_TYPE_RGB;
    case PngColour::Rgba:
        return PNG_COLOR_TYPE_RGB_ALPHA;
    case PngColour::Palette:
        return PNG_COLOR_TYPE_PALETTE;
    }
    return PNG_COLOR_TYPE_RGB;
}

void AppendBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void NoFlush(png_structp) {}

// One row in the file's layout: samples packed most significant bits first,
// 16-bit samples big-endian.
std::vector<uint8_t> PackRow(const PngPicture& picture, uint32_t y) {
    const size_t perRow = static_cast<size_t>(picture.width) * PngChannelCount(picture.colour);
    const uint16_t* samples = picture.samples.data() + perRow * y;
    std::vector<uint8_t> row((perRow * picture.bitDepth + 7) / 8, 0);
    for (size_t i = 0; i < perRow; ++i) {
        if (picture.bitDepth == 16) {
            row[i * 2] = static_cast<uint8_t>(samples[i] >> 8);
            row[i * 2 + 1] = static_cast<uint8_t>(samples[i]);
        } else {
            size_t bit = i * picture.bitDepth;
            int shift = 8 - picture.bitDepth - static_cast<int>(bit % 8);
            row[bit / 8] |= static_cast<uint8_t>(samples[i] << shift);
        }
    }
    return row;
}

// Plain C frame for setjmp: the vectors live with the caller.
bool EncodeRows(const PngPicture& picture, std::vector<png_bytep>& rows,
                std::vector<uint8_t>* out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, AppendBytes, NoFlush);
    png_set_IHDR(png, info, picture.width, picture.height, picture.bitDepth,
                 ColourType(picture.colour),
                 picture.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (picture.colour == PngColour::Palette) {
        std::vector<png_color> palette(picture.palette.size() / 3);
        for (size_t i = 0; i < palette.size(); ++i)
            palette[i] = png_color{picture.palette[i * 3], picture.palette[i * 3 + 1],
                                   picture.palette[i * 3 + 2]};
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
        if (!picture.trns.empty())
            png_set_tRNS(png, info, picture.trns.data(), static_cast<int>(picture.trns.size()),
                         nullptr);
    }
    png_write_info(png, info);
    if (picture.interlaced)
        png_set_interlace_handling(png);
    png_write_image(png, rows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

size_t FindChunk(const std::vector<uint8_t>& file, const char* name) {
    size_t at = 8;
    while (at + 12 <= file.size()) {
        uint32_t length = (uint32_t(file[at]) << 24) | (uint32_t(file[at + 1]) << 16) |
                          (uint32_t(file[at + 2]) << 8) | file[at + 3];
        if (std::equal(name, name + 4, file.begin() + static_cast<long>(at) + 4))
            return at;
        at += 12 + static_cast<size_t>(length);
    }
    throw std::logic_error("chunk not found");
}

void Damage(std::vector<uint8_t>& file, PngDamage damage) {
    if (damage == PngDamage::None)
        return;
    size_t idat = FindChunk(file, "IDAT");
    uint32_t length = (uint32_t(file[idat]) << 24) | (uint32_t(file[idat + 1]) << 16) |
                      (uint32_t(file[idat + 2]) << 8) | file[idat + 3];
    if (damage == PngDamage::IdatByte)
        file[idat + 8 + length / 2] ^= 0x5A;
    else
        file.resize(idat + 8 + length / 2);
}

uint32_t Mix(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    x ^= x >> 16;
    return x;
}

uint8_t To8Bits(uint16_t sample, int bitDepth) {
    if (bitDepth == 16)
        return static_cast<uint8_t>(sample >> 8);
    return static_cast<uint8_t>(sample * 255 / ((1 << bitDepth) - 1));
}

} // namespace

int PngChannelCount(PngColour colour) {
    switch (colour) {
    case PngColour::Grey:
    case PngColour::Palette:
        return 1;
    case PngColour::GreyAlpha:
        return 2;
    case PngColour::Rgb:
        return 3;
    case PngColour::Rgba:
        return 4;
    }
    return 3;
}

std::vector<uint8_t> WritePng(const PngPicture& picture, PngDamage damage) {
    size_t expected =
        static_cast<size_t>(picture.width) * picture.height * PngChannelCount(picture.colour);
    if (picture.samples.size() != expected)
        throw std::invalid_argument("sample count does not match the picture");
    std::vector<std::vector<uint8_t>> packed(picture.height);
    std::vector<png_bytep> rows(picture.height);
    for (uint32_t y = 0; y < picture.height; ++y) {
        packed[y] = PackRow(picture, y);
        rows[y] = packed[y].data();
    }
    std::vector<uint8_t> file;
    if (!EncodeRows(picture, rows, &file))
        throw std::runtime_error("libpng could not write the picture");
    Damage(file, damage);
    return file;
}

PngPicture MakeTestPicture(PngColour colour, int bitDepth, uint32_t width, uint32_t height,
                           uint32_t seed, bool withTrns) {
    PngPicture picture;
    picture.width = width;
    picture.height = height;
    picture.colour = colour;
    picture.bitDepth = bitDepth;
    const uint32_t levels = 1u << bitDepth;
    size_t count = static_cast<size_t>(width) * height * PngChannelCount(colour);
    picture.samples.resize(count);
    for (size_t i = 0; i < count; ++i)
        picture.samples[i] = static_cast<uint16_t>(Mix(seed * 2654435761u + uint32_t(i)) % levels);
    if (colour == PngColour::Palette) {
        for (uint32_t c = 0; c < levels; ++c)
            for (int k = 0; k < 3; ++k)
                picture.palette.push_back(static_cast<uint8_t>(Mix(seed + c * 3 + k)));
        if (withTrns)
            for (uint32_t c = 0; c < levels; ++c)
                picture.trns.push_back(static_cast<uint8_t>(c * 37 + seed));
    }
    return picture;
}

std::vector<uint32_t> ExpectedArgb(const PngPicture& picture) {
    const size_t pixels = static_cast<size_t>(picture.width) * picture.height;
    const int channels = PngChannelCount(picture.colour);
    std::vector<uint32_t> argb(pixels);
    for (size_t i = 0; i < pixels; ++i) {
        const uint16_t* s = picture.samples.data() + i * channels;
        uint32_t a = 255, r, g, b;
        switch (picture.colour) {
        case PngColour::Palette:
            r = picture.palette[s[0] * 3];
            g = picture.palette[s[0] * 3 + 1];
            b = picture.palette[s[0] * 3 + 2];
            if (s[0] < picture.trns.size())
                a = picture.trns[s[0]];
            break;
        case PngColour::Grey:
        case PngColour::GreyAlpha:
            r = g = b = To8Bits(s[0], picture.bitDepth);
            if (channels == 2)
                a = To8Bits(s[1], picture.bitDepth);
            break;
        default:
            r = To8Bits(s[0], picture.bitDepth);
            g = To8Bits(s[1], picture.bitDepth);
            b = To8Bits(s[2], picture.bitDepth);
            if (channels == 4)
                a = To8Bits(s[3], picture.bitDepth);
            break;
        }
        argb[i] = (a << 24) | (r << 16) | (g << 8) | b;
    }
    return argb;
}

std::vector<uint8_t> ArgbPng(uint32_t width, uint32_t height, const std::vector<uint32_t>& argb) {
    PngPicture picture;
    picture.width = width;
    picture.height = height;
    picture.colour = PngColour::Rgba;
    picture.bitDepth = 8;
    for (uint32_t pixel : argb) {
        picture.samples.push_back(static_cast<uint16_t>((pixel >> 16) & 0xFF));
        picture.samples.push_back(static_cast<uint16_t>((pixel >> 8) & 0xFF));
        picture.samples.push_back(static_cast<uint16_t>(pixel & 0xFF));
        picture.samples.push_back(static_cast<uint16_t>(pixel >> 24));
    }
    return WritePng(picture);
}

std::vector<uint8_t> SolidPng(uint32_t width, uint32_t height, uint32_t argb) {
    return ArgbPng(width, height, std::vector<uint32_t>(size_t{width} * height, argb));
}
