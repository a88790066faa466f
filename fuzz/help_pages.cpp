// The help catalogue as an archive may hold it: a nested catalogue of any
// shape that the catalogue accepts (groups in any order, sharing entries,
// empty, reaching past its end), items stored every way an entry can be, a
// level and a page from anywhere, through the real help page: its choice of
// page, the page text laid out and drawn, and a few frames of input.
// Input: bytes 0-1 the level, 2-5 the page, 6 the group count, 7 the item
// count, 8 how far B falls short of the last item, then one byte per group
// (its first entry), then per item a kind byte, an extra byte and a piece
// of at most 1023 bytes (its length first); the rest is one key per frame.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "fuzz/quiet_stdout.h"
#include "engine/archive.h"
#include "engine/catalogue.h"
#include "fuzz/memory_archive.h"
#include "menus/help_page.h"
#include "tests/menus/menu_fixture.h"
#include "tests/support/draw_capture.h"
#include "tools/sample/archive_builder.h"
#include "ui/text.h"

namespace {

class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    uint32_t Word() {
        uint32_t word = 0;
        for (int shift = 0; shift < 32; shift += 8)
            word |= uint32_t(Byte()) << shift;
        return word;
    }
    std::vector<uint8_t> Piece() {
        const size_t low = Byte();
        size_t length = (low | Byte() << 8) & 0x3FF;
        if (length > size_ - at_)
            length = size_ - at_;
        std::vector<uint8_t> piece(data_ + at_, data_ + at_ + length);
        at_ += length;
        return piece;
    }
    bool Empty() const { return at_ >= size_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

// The menus' archive with fixed entries up to 63, so that the help root
// (entry 56) is one of them; the nested catalogue goes after it.
const ArchiveBuilder& MenuEntries() {
    static const ArchiveBuilder entries = [] {
        CatalogueBuilder catalogue = MakeMenuCatalogue(1);
        // Small frames keep a run fast; their size is not what is tested.
        PutItem(&catalogue, 13, 0, PlainEntry(RES_TYPE_PNG, SolidPng(500, 8, 0xFF203040)));
        PutItem(&catalogue, 13, 1, PlainEntry(RES_TYPE_PNG, SolidPng(500, 4, 0xFF405060)));
        catalogue.SetGroupBase(64);
        return catalogue.ToArchive();
    }();
    return entries;
}

ArchiveEntrySpec ItemEntry(uint8_t kind, uint8_t extra, std::vector<uint8_t> bytes,
                           uint32_t firstItem, uint32_t items) {
    switch (kind % 8) {
    case 1:
        return CompressedEntry(0, std::move(bytes));
    case 2:
        return LiteralCompressedEntry(0, std::move(bytes));
    case 3: // a link to an item, or just past them
        return LinkEntry(firstItem + extra % (items + 1));
    case 4:
        return NumberEntry(extra * 0x01010101u);
    case 5: { // the directory's size says more, or less
        ArchiveEntrySpec spec = PlainEntry(0, std::move(bytes));
        spec.sizeField = static_cast<uint32_t>(spec.data.size()) + extra - 128;
        return spec;
    }
    case 6: {
        ArchiveEntrySpec spec = PlainEntry(extra & 0x3F, std::move(bytes));
        spec.extraFlags = extra & 0xC0;
        return spec;
    }
    case 7:
        return PlainEntry(0, {});
    default:
        return PlainEntry(0, std::move(bytes));
    }
}

// The flat archive with the help catalogue after the menus' entries. Every
// group's first entry lies in [A, B], as the catalogue demands of a layout
// it does not reject outright.
ArchiveBuilder HelpArchive(Input* in) {
    ArchiveBuilder archive = MenuEntries();
    const uint32_t groups = in->Byte() & 15;
    const uint32_t items = in->Byte() & 63;
    const uint32_t shortfall = in->Byte() % (items + 1);
    const uint32_t base = archive.Count();
    const uint32_t groupLimit = base + 2 + groups;
    const uint32_t entryLimit = groupLimit + items - shortfall;
    archive.Set(HELP_CATALOGUE_ROOT_ENTRY, LinkEntry(base));
    archive.Add(NumberEntry(groupLimit));
    archive.Add(NumberEntry(entryLimit));
    for (uint32_t g = 0; g < groups; ++g)
        archive.Add(LinkEntry(groupLimit + in->Byte() % (entryLimit - groupLimit + 1)));
    for (uint32_t i = 0; i < items; ++i) {
        const uint8_t kind = in->Byte();
        const uint8_t extra = in->Byte();
        archive.Add(ItemEntry(kind, extra, in->Piece(), groupLimit, items));
    }
    return archive;
}

std::u16string TextOf(const char16_t* units) {
    return units != nullptr ? std::u16string(units) : std::u16string();
}

// The choice stays inside the catalogue, and the page shows the chosen item.
void CheckChoice(const CGameStaticHelp& page, int32_t level, int32_t pageNumber) {
    ResourceCatalogue help{};
    CacheTable cache{};
    BuildResourceCatalogue(&help, &gResourceArchive, &cache, nullptr, HELP_CATALOGUE_ROOT_ENTRY);
    const HelpPageChoice choice = ChooseHelpPage(&help, level, pageNumber);
    std::u16string expected;
    if (choice.item >= 0) {
        if (choice.group < 0 || static_cast<uint32_t>(choice.group) >= help.groupCount ||
            static_cast<uint32_t>(choice.item) >= GetGroupSize(&help, choice.group))
            std::abort();
        char16_t* units = LoadResourceText(&help, choice.group + RESOURCE_NUMBER_BASE,
                                           static_cast<uint32_t>(choice.item));
        expected = TextOf(units);
        std::free(units);
    } else if (choice.group != 0 || GetGroupSize(&help, 0) != 0) {
        std::abort();
    }
    const int64_t group = static_cast<int64_t>(level) - 2;
    if (group >= 0 && group < help.groupCount && pageNumber >= 0 &&
        static_cast<uint32_t>(pageNumber) < GetGroupSize(&help, static_cast<uint32_t>(group)) &&
        (choice.group != group || choice.item != pageNumber))
        std::abort();
    if (TextOf(page.body->GetText()) != expected)
        std::abort();
    UnloadCatalogue(&help);
    CacheTableFree(&cache);
}

void RunFrames(CGameStaticHelp* page, Input* in) {
    static const int32_t kKeys[] = {0, KEY_SPACE, KEY_DOWN, KEY_UP, KEY_RETURN, KEY_ESCAPE, 'a'};
    uint8_t keys[kSdlKeyCount] = {};
    int32_t frame = 0;
    for (; frame < 64 && !in->Empty(); ++frame) {
        const uint8_t step = in->Byte();
        const int32_t key = kKeys[step % 7];
        keys[key] = key != 0 && (step & 0x80) != 0;
        page->HandleInput(page->x + (step & 0x70) * 4, page->y + page->height - (step & 0x0F) * 4,
                          (step >> 3) & 1, keys, kSdlKeyCount);
        // The cursor's sparks make a drawing slow: one in eight is drawn.
        if (frame % 8 == 0) {
            DrawCapture capture;
            page->Draw();
        }
    }
    DrawCapture capture;
    page->Draw();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SilenceDiagnostics();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static MemoryFonts* fonts = new MemoryFonts();
    static FakePlay* play = new FakePlay();
    (void)fonts;
    if (size > (1u << 16))
        return 0;
    Input in(data, size);
    const uint8_t low = in.Byte();
    const int16_t level = static_cast<int16_t>(low | in.Byte() << 8);
    const int32_t pageNumber = static_cast<int32_t>(in.Word());
    const ArchiveBuilder archive = HelpArchive(&in);
    const int fd = OpenMemoryArchive(archive.Build(), "fuzz_help", &gResourceArchive);
    if (fd < 0)
        return 0;
    SetDefaultConfig(&gConfig);
    BuildResourceCatalogue(&gResourceCatalogue, &gResourceArchive, &gResourceCache, nullptr,
                           CATALOGUE_ROOT_ENTRY);
    play->world->currentLevel = level;
    {
        CGameStaticHelp page(pageNumber);
        CheckChoice(page, level, pageNumber);
        RunFrames(&page, &in);
    }
    UnloadCatalogue(&gResourceCatalogue);
    CacheTableFree(&gResourceCache);
    CloseArchive(&gResourceArchive);
    close(fd);
    return 0;
}
