#include "tests/support/sample_archive.h"

#include "tests/support/font_writer.h"
#include "tests/support/ui_archive.h"

namespace {

constexpr uint8_t kRawType = 0;
constexpr uint8_t kPngType = 8;

std::vector<uint8_t> FontPng(const FontDesign& design) {
    FontPicture picture = DrawFontPicture(design);
    return ArgbPng(static_cast<uint32_t>(picture.width), static_cast<uint32_t>(picture.height),
                   picture.pixels);
}

} // namespace

CatalogueBuilder MakeSampleCatalogue() {
    CatalogueBuilder catalogue;
    for (uint32_t g = 0; g < SAMPLE_GROUP_COUNT; ++g)
        catalogue.AddGroup();
    const FontDesign fonts[8] = {MakeTestFontA(), MakeTestFontB(),     MakeTestFontB(),
                                 MakeTestFontA(), MakeTestFontIcons(), MakeTestFontA(),
                                 MakeTestFontA(), MakeTestFontA()};
    for (uint32_t slot = 0; slot < 8; ++slot) {
        uint32_t group = SAMPLE_GROUP_FIRST_FONT + slot;
        catalogue.AddItem(group, PlainEntry(kRawType, WriteFontTable(fonts[slot])));
        catalogue.AddItem(group, PlainEntry(kPngType, FontPng(fonts[slot])));
    }
    // Groups whose content is not generated yet still get an entry of their
    // own, so that no two groups share a first entry.
    for (uint32_t g = 0; g < SAMPLE_GROUP_FIRST_FONT; ++g)
        catalogue.AddItem(g, PlainEntry(kRawType, {static_cast<uint8_t>(g)}));
    return catalogue;
}

bool WriteSampleArchive(const std::string& path) {
    return MakeSampleCatalogue().WriteToFile(path);
}
