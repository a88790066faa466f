// PNG entries decoded into 32-bit ARGB images: every colour type the game
// may meet, the three storages, and damaged or hostile files.
#include <gtest/gtest.h>

#include <cstring>
#include <zlib.h>

#include "engine/bytes.h"
#include "engine/resource_stream.h"
#include "graphics/image.h"
#include "tests/engine/archive_test_util.h"
#include "tools/sample/archive_builder.h"
#include "tools/sample/png_writer.h"

namespace {

struct Loaded {
    int32_t ok = 0;
    Image* image = nullptr;
    ~Loaded() { FreeImage(&image); }
    std::vector<uint32_t> Pixels() const {
        if (image == nullptr || image->pixels == nullptr)
            return {};
        return std::vector<uint32_t>(image->pixels,
                                     image->pixels + size_t(image->width) * image->height);
    }
};

// Loads `png` stored as `storage` in a fresh archive.
void LoadStored(const std::vector<uint8_t>& png, EntryStorage storage, Loaded* loaded) {
    ArchiveBuilder builder;
    ArchiveEntrySpec spec = PlainEntry(static_cast<uint8_t>(RES_TYPE_PNG), png);
    spec.storage = storage;
    if (storage == EntryStorage::External)
        spec.path = TestFilePath(".png");
    builder.Add(spec);
    ASSERT_TRUE(builder.WriteExternalFiles());
    OpenedArchive archive(builder.Build());
    ASSERT_TRUE(archive.opened());
    loaded->ok = LoadPngResource(&loaded->image, archive.get(), 0);
    if (storage == EntryStorage::External)
        std::remove(spec.path.c_str());
}

void ExpectDecodesTo(const PngPicture& picture, EntryStorage storage = EntryStorage::Plain) {
    Loaded loaded;
    LoadStored(WritePng(picture), storage, &loaded);
    ASSERT_EQ(loaded.ok, 1);
    ASSERT_NE(loaded.image, nullptr);
    EXPECT_EQ(loaded.image->width, picture.width);
    EXPECT_EQ(loaded.image->height, picture.height);
    EXPECT_EQ(loaded.image->flags & IMAGE_FMT_MASK, IMAGE_FMT_32);
    EXPECT_EQ(loaded.Pixels(), ExpectedArgb(picture));
}

void ExpectRefused(const std::vector<uint8_t>& png) {
    Loaded loaded;
    loaded.image = reinterpret_cast<Image*>(&loaded); // must come back null
    LoadStored(png, EntryStorage::Plain, &loaded);
    EXPECT_EQ(loaded.ok, 0);
    EXPECT_EQ(loaded.image, nullptr);
}

TEST(PngColours, RgbGetsOpaqueAlphaAndBgraByteOrder) {
    PngPicture picture = MakeTestPicture(PngColour::Rgb, 8, 1, 1, 0);
    picture.samples = {0x11, 0x22, 0x33};
    Loaded loaded;
    LoadStored(WritePng(picture), EntryStorage::Plain, &loaded);
    ASSERT_EQ(loaded.ok, 1);
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(loaded.image->pixels);
    EXPECT_EQ(bytes[0], 0x33);
    EXPECT_EQ(bytes[1], 0x22);
    EXPECT_EQ(bytes[2], 0x11);
    EXPECT_EQ(bytes[3], 0xFF);
    ExpectDecodesTo(MakeTestPicture(PngColour::Rgb, 8, 37, 23, 1));
}

TEST(PngColours, RgbaKeepsItsAlpha) {
    ExpectDecodesTo(MakeTestPicture(PngColour::Rgba, 8, 31, 17, 2));
}

TEST(PngColours, PaletteWithTransparencyKeepsItsAlpha) {
    ExpectDecodesTo(MakeTestPicture(PngColour::Palette, 8, 40, 20, 3, true));
}

TEST(PngColours, SmallPalettesDecode) {
    ExpectDecodesTo(MakeTestPicture(PngColour::Palette, 4, 33, 9, 4));
    ExpectDecodesTo(MakeTestPicture(PngColour::Palette, 2, 17, 5, 5, true));
    ExpectDecodesTo(MakeTestPicture(PngColour::Palette, 1, 9, 3, 6));
}

TEST(PngColours, GreyBecomesThreeEqualChannels) {
    ExpectDecodesTo(MakeTestPicture(PngColour::Grey, 8, 21, 13, 7));
    ExpectDecodesTo(MakeTestPicture(PngColour::GreyAlpha, 8, 21, 13, 8));
    ExpectDecodesTo(MakeTestPicture(PngColour::Grey, 4, 21, 13, 9));
}

TEST(PngColours, SixteenBitChannelsKeepTheirHighByte) {
    ExpectDecodesTo(MakeTestPicture(PngColour::Rgba, 16, 29, 11, 10));
    ExpectDecodesTo(MakeTestPicture(PngColour::Rgb, 16, 29, 11, 11));
    ExpectDecodesTo(MakeTestPicture(PngColour::Grey, 16, 29, 11, 12));
}

TEST(PngColours, InterlacedEqualsPlain) {
    for (PngColour colour : {PngColour::Rgb, PngColour::Rgba, PngColour::Palette}) {
        PngPicture picture = MakeTestPicture(colour, 8, 45, 31, 13, true);
        picture.interlaced = true;
        ExpectDecodesTo(picture);
    }
}

TEST(PngStorage, CompressedAndExternalEntriesGiveTheSamePixels) {
    PngPicture picture = MakeTestPicture(PngColour::Rgba, 8, 64, 48, 14);
    ExpectDecodesTo(picture, EntryStorage::Compressed);
    ExpectDecodesTo(picture, EntryStorage::CompressedLiteral);
    ExpectDecodesTo(picture, EntryStorage::External);
}

TEST(PngDamaged, NonPngBytesAreRefused) {
    ExpectRefused(BytesOf("definitely not a picture"));
    ExpectRefused(BytesOf("\x89PNG"));
    ExpectRefused({});
}

TEST(PngDamaged, CorruptOrTruncatedImageDataFailsCleanly) {
    PngPicture picture = MakeTestPicture(PngColour::Rgb, 8, 64, 64, 15);
    ExpectRefused(WritePng(picture, PngDamage::IdatByte));
    ExpectRefused(WritePng(picture, PngDamage::Truncated));
    std::vector<uint8_t> good = WritePng(picture);
    for (size_t cut = 9; cut < good.size(); cut += 97)
        ExpectRefused(std::vector<uint8_t>(good.begin(), good.begin() + long(cut)));
}

// Rewrites the IHDR size of a valid file and fixes its CRC.
std::vector<uint8_t> WithHeaderSize(std::vector<uint8_t> png, uint32_t width, uint32_t height) {
    auto putBig = [&](size_t at, uint32_t v) {
        png[at] = uint8_t(v >> 24);
        png[at + 1] = uint8_t(v >> 16);
        png[at + 2] = uint8_t(v >> 8);
        png[at + 3] = uint8_t(v);
    };
    putBig(16, width);
    putBig(20, height);
    putBig(29, static_cast<uint32_t>(crc32(0, png.data() + 12, 17)));
    return png;
}

TEST(PngDamaged, SidesAbove65535AreRefused) {
    ExpectRefused(WritePng(MakeTestPicture(PngColour::Grey, 1, 70000, 1, 16)));
    ExpectRefused(WritePng(MakeTestPicture(PngColour::Grey, 1, 1, 65536, 17)));
}

TEST(PngDamaged, AHeaderPromisingMorePixelsThanItsDataIsRefused) {
    std::vector<uint8_t> small = WritePng(MakeTestPicture(PngColour::Rgba, 8, 4, 4, 18));
    ExpectRefused(WithHeaderSize(small, 60000, 60000));
    ExpectRefused(WithHeaderSize(small, 4, 5));
}

// A valid 1-bit grey PNG, every pixel black, deflated as tightly as zlib
// can: about a byte of file for a kilobyte of packed rows.
std::vector<uint8_t> BlankOneBitPng(uint32_t width, uint32_t height) {
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    auto putBig = [](std::vector<uint8_t>* out, uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8)
            out->push_back(uint8_t(v >> shift));
    };
    auto chunk = [&](const char* type, const std::vector<uint8_t>& data) {
        putBig(&png, uint32_t(data.size()));
        std::vector<uint8_t> body(type, type + 4);
        body.insert(body.end(), data.begin(), data.end());
        png.insert(png.end(), body.begin(), body.end());
        putBig(&png, uint32_t(crc32(0, body.data(), uInt(body.size()))));
    };
    std::vector<uint8_t> header;
    putBig(&header, width);
    putBig(&header, height);
    header.insert(header.end(), {1, 0, 0, 0, 0}); // depth 1, grey, no interlace
    std::vector<uint8_t> row(1 + (width + 7) / 8, 0), data;
    z_stream z = {};
    EXPECT_EQ(deflateInit(&z, 9), Z_OK);
    uint8_t out[65536];
    for (uint32_t y = 0; y < height; ++y) {
        z.next_in = row.data();
        z.avail_in = uInt(row.size());
        do {
            z.next_out = out;
            z.avail_out = sizeof(out);
            deflate(&z, y + 1 == height ? Z_FINISH : Z_NO_FLUSH);
            data.insert(data.end(), out, out + (sizeof(out) - z.avail_out));
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    chunk("IHDR", header);
    chunk("IDAT", data);
    chunk("IEND", {});
    return png;
}

TEST(PngDamaged, ATinyLowDepthFileCannotBuyAHugeImage) {
    // Packed, its rows fit the data's inflate ratio; at the four bytes a
    // pixel the loader allocates they would take 2.3 GB.
    std::vector<uint8_t> png = BlankOneBitPng(24000, 24000);
    ASSERT_LT(png.size(), 100000u);
    ExpectRefused(png);
    // The same kind of file at a size it can honestly hold still loads.
    Loaded small;
    LoadStored(BlankOneBitPng(300, 200), EntryStorage::Plain, &small);
    ASSERT_EQ(small.ok, 1);
    EXPECT_EQ(small.Pixels(), std::vector<uint32_t>(300 * 200, 0xFF000000u));
}

TEST(PngDamaged, ANonPngEntryTypeIsFatal) {
    ArchiveBuilder builder;
    builder.AddPlain(5, WritePng(MakeTestPicture(PngColour::Rgb, 8, 2, 2, 19)));
    OpenedArchive archive(builder.Build());
    ASSERT_TRUE(archive.opened());
    Image* image = nullptr;
    EXPECT_FATAL_OUTPUT(LoadPngResource(&image, archive.get(), 0),
                        "Try load resource unsupported type as PNG");
}

// ---- cross-check with ImageMagick -------------------------------------------------

bool HaveConvert() {
    return std::system("convert -version > /dev/null 2>&1") == 0;
}

TEST(PngCrossCheck, ImageMagickReadsOurFilesAsWeMeantThem) {
    if (!HaveConvert())
        GTEST_SKIP() << "ImageMagick's convert is not installed";
    PngPicture picture = MakeTestPicture(PngColour::Palette, 4, 19, 7, 20, true);
    const std::string png = TestFilePath(".png"), raw = TestFilePath(".rgba");
    ASSERT_TRUE(WriteBytesToFile(png, WritePng(picture)));
    ASSERT_EQ(std::system(("convert " + png + " -depth 8 rgba:" + raw).c_str()), 0);
    std::string bytes = ReadTextFile(raw);
    std::vector<uint32_t> expected = ExpectedArgb(picture);
    ASSERT_EQ(bytes.size(), expected.size() * 4);
    for (size_t i = 0; i < expected.size(); ++i) {
        const uint8_t* p = reinterpret_cast<const uint8_t*>(bytes.data()) + i * 4;
        uint32_t argb =
            (uint32_t(p[3]) << 24) | (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
        ASSERT_EQ(argb, expected[i]) << i;
    }
    std::remove(png.c_str());
    std::remove(raw.c_str());
}

TEST(PngCrossCheck, WeReadImageMagickFilesAsItMeantThem) {
    if (!HaveConvert())
        GTEST_SKIP() << "ImageMagick's convert is not installed";
    const uint32_t width = 23, height = 11;
    std::vector<uint8_t> rgba = RandomBytes(size_t(width) * height * 4, 21);
    const std::string raw = TestFilePath(".rgba"), png = TestFilePath(".png");
    ASSERT_TRUE(WriteBytesToFile(raw, rgba));
    for (const char* options : {"", "-interlace PNG", "-type TrueColor -alpha off"}) {
        std::string command = "convert -size " + std::to_string(width) + "x" +
                              std::to_string(height) + " -depth 8 rgba:" + raw + " " + options +
                              " PNG32:" + png;
        if (std::strstr(options, "alpha off") != nullptr)
            command = "convert -size " + std::to_string(width) + "x" + std::to_string(height) +
                      " -depth 8 rgba:" + raw + " -alpha off PNG24:" + png;
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        std::string file = ReadTextFile(png);
        Loaded loaded;
        LoadStored(std::vector<uint8_t>(file.begin(), file.end()), EntryStorage::Plain, &loaded);
        ASSERT_EQ(loaded.ok, 1) << options;
        std::vector<uint32_t> pixels = loaded.Pixels();
        ASSERT_EQ(pixels.size(), size_t(width) * height);
        bool opaque = std::strstr(options, "alpha off") != nullptr;
        for (size_t i = 0; i < pixels.size(); ++i) {
            const uint8_t* p = rgba.data() + i * 4;
            uint32_t a = opaque ? 255 : p[3];
            uint32_t argb = (a << 24) | (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
            ASSERT_EQ(pixels[i], argb) << options << " pixel " << i;
        }
    }
    std::remove(png.c_str());
    std::remove(raw.c_str());
}

} // namespace
