// The resource catalogue: group layout, cached typed loading, unloading,
// texts, and the fatal reports of a bad layout.
#include <gtest/gtest.h>

#include <SDL_mixer.h>
#include <algorithm>

#include "engine/bytes.h"
#include "engine/catalogue.h"
#include "graphics/image.h"
#include "media/mmplay.h"
#include "tests/engine/archive_test_util.h"
#include "tools/sample/archive_builder.h"
#include "tools/sample/png_writer.h"

namespace {

std::vector<uint8_t> Numbered(const std::string& prefix, uint32_t k) {
    return BytesOf(prefix + std::to_string(k));
}

class CatalogueTest : public testing::Test {
protected:
    // Groups of 3, 1, 5 and 2 items, stored in the order 2, 0, 3, 1.
    void SetUp() override {
        sizes_ = {3, 1, 5, 2};
        for (uint32_t g = 0; g < sizes_.size(); ++g) {
            layout_.AddGroup();
            for (uint32_t i = 0; i < sizes_[g]; ++i)
                layout_.AddItem(g, PlainEntry(3, Numbered("g" + std::to_string(g) + "i", i)));
        }
        layout_.SetStorageOrder({2, 0, 3, 1});
    }
    void TearDown() override {
        UnloadCatalogue(&catalogue_);
        CacheTableFree(&cache_);
    }

    void Open(const ArchiveBuilder& flat) {
        archive_ = std::make_unique<OpenedArchive>(flat.Build());
        ASSERT_TRUE(archive_->opened());
        ASSERT_EQ(BuildResourceCatalogue(&catalogue_, archive_->get(), &cache_, &frames_,
                                         CATALOGUE_ROOT_ENTRY),
                  1);
    }
    void Open() { Open(layout_.ToArchive()); }

    std::string Text(ResourceHandle handle, uint32_t size) {
        const char* bytes = HandleAs<const char>(handle);
        return bytes != nullptr ? std::string(bytes, size) : std::string();
    }

    CatalogueBuilder layout_;
    std::vector<uint32_t> sizes_;
    std::unique_ptr<OpenedArchive> archive_;
    ResourceCatalogue catalogue_{};
    CacheTable cache_{};
    uint32_t frames_ = 0;
};

TEST_F(CatalogueTest, GroupsStoredOutOfOrderGetTheirSizes) {
    Open();
    EXPECT_EQ(catalogue_.groupBase, 32u);
    EXPECT_EQ(catalogue_.groupLimit, 38u);
    EXPECT_EQ(catalogue_.entryLimit, 38u + 11u);
    EXPECT_EQ(catalogue_.frameCounter, &frames_);
    for (uint32_t g = 0; g < sizes_.size(); ++g) {
        EXPECT_EQ(GetGroupSize(&catalogue_, g), sizes_[g]) << g;
        EXPECT_EQ(GetResourceIndex(&catalogue_, g, 0), layout_.FirstEntry(g));
    }
    EXPECT_EQ(cache_.rowCount, 4u);
    EXPECT_EQ(cache_.itemCount, 11u);
    EXPECT_EQ(Text(GetResource(&catalogue_, 2, 4), 4), "g2i4");
    EXPECT_EQ(GetResourceSize(&catalogue_, 2, 4), 4u);
}

// A second catalogue after the first one's items, reached from a fixed
// entry above the usual 32 (the help pages use entry 56).
TEST_F(CatalogueTest, ANestedCatalogueIsBuiltFromItsOwnRoot) {
    CatalogueBuilder nested;
    for (uint32_t g = 0; g < 3; ++g)
        nested.AddItem(nested.AddGroup(), PlainEntry(3, Numbered("n", g)));
    nested.AddItem(1, PlainEntry(3, BytesOf("n1b")));
    layout_.SetGroupBase(64);
    layout_.SetNestedCatalogue(56, nested);
    Open();
    EXPECT_EQ(catalogue_.groupBase, 64u);
    EXPECT_EQ(Text(GetResource(&catalogue_, 2, 4), 4), "g2i4");

    ResourceCatalogue inner{};
    CacheTable innerCache{};
    ASSERT_EQ(BuildResourceCatalogue(&inner, archive_->get(), &innerCache, nullptr, 56), 1);
    EXPECT_EQ(GetGroupSize(&inner, 0), 1u);
    EXPECT_EQ(GetGroupSize(&inner, 1), 2u);
    EXPECT_EQ(Text(GetResource(&inner, 1, 1), 3), "n1b");
    EXPECT_EQ(Text(GetResource(&inner, 2, 0), 2), "n2");
    UnloadCatalogue(&inner);
    CacheTableFree(&innerCache);
}

TEST_F(CatalogueTest, GroupEndsFollowTheNearestFirstEntryAboveForAnyOrder) {
    // Distinct first entries anywhere in [A, B], the last one possibly at
    // B itself, against the rule written out directly: the nearest other
    // first entry at or above, or B.
    const uint32_t groupLimit = layout_.GroupLimit(), entryLimit = layout_.EntryLimit();
    for (uint32_t seed = 1; seed <= 60; ++seed) {
        std::vector<uint8_t> noise = RandomBytes(16, seed);
        std::vector<uint32_t> firsts;
        for (uint32_t k = 0; firsts.size() < sizes_.size(); ++k) {
            uint32_t first = groupLimit + noise[k % noise.size()] % (entryLimit - groupLimit + 1);
            if (k >= noise.size())
                first = groupLimit + k % (entryLimit - groupLimit + 1);
            if (std::find(firsts.begin(), firsts.end(), first) == firsts.end())
                firsts.push_back(first);
        }
        ArchiveBuilder flat = layout_.ToArchive();
        for (uint32_t k = 0; k < firsts.size(); ++k)
            flat.Set(CatalogueBuilder::kGroupBase + 2 + k, LinkEntry(firsts[k]));
        OpenedArchive archive(flat.Build(), ".s" + std::to_string(seed));
        ASSERT_TRUE(archive.opened());
        ResourceCatalogue catalogue{};
        CacheTable cache{};
        ASSERT_EQ(BuildResourceCatalogue(&catalogue, archive.get(), &cache, &frames_,
                                         CATALOGUE_ROOT_ENTRY),
                  1);
        uint32_t items = 0;
        for (uint32_t k = 0; k < firsts.size(); ++k) {
            uint32_t end = entryLimit;
            for (uint32_t j = 0; j < firsts.size(); ++j)
                if (j != k && firsts[j] >= firsts[k] && firsts[j] < end)
                    end = firsts[j];
            EXPECT_EQ(GetGroupSize(&catalogue, k), end - firsts[k]) << seed << " group " << k;
            EXPECT_EQ(GetResourceIndex(&catalogue, k, 0), firsts[k]);
            EXPECT_EQ(cache.rowStarts[k], items) << seed << " group " << k;
            items += end - firsts[k];
        }
        EXPECT_EQ(cache.itemCount, items) << seed;
        EXPECT_LE(cache.itemCount, cache.itemCapacity) << seed;
        UnloadCatalogue(&catalogue);
        CacheTableFree(&cache);
    }
}

TEST_F(CatalogueTest, NegativeItemsCountFromTheEnd) {
    Open();
    EXPECT_EQ(Text(GetResource(&catalogue_, 0, -1), 4), "g0i2");
    EXPECT_EQ(Text(GetResource(&catalogue_, 2, -5), 4), "g2i0");
    ResourceHandle handle = 1;
    EXPECT_EQ(GetResourceCached(&catalogue_, 2, -6, &handle), -1);
    EXPECT_EQ(handle, 0u);
}

TEST_F(CatalogueTest, OutOfRangeGroupsAndItemsGiveNoHandle) {
    Open();
    ResourceHandle handle = 1;
    EXPECT_EQ(GetResourceCached(&catalogue_, 4, 0, &handle), -1);
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(GetResourceCached(&catalogue_, 1, 1, &handle), -1);
    EXPECT_EQ(GetResource(&catalogue_, 0xFFFFFFFF, 0), 0u);
    EXPECT_EQ(GetGroupSize(&catalogue_, 9), 0u);
    EXPECT_EQ(GetResourceIndex(&catalogue_, 9, 0), GetEntryCount(archive_->get()));
    UnloadResource(&catalogue_, 9, 0);
    UnloadResource(&catalogue_, 0, 7);
    EXPECT_EQ(UnloadGroup(&catalogue_, 9), 1);
}

TEST_F(CatalogueTest, ASecondLookupUsesTheCacheNotTheArchive) {
    const std::string path = TestFilePath(".ext");
    layout_.SetItem(1, 0, ExternalEntry(3, path, BytesOf("first load")));
    ArchiveBuilder flat = layout_.ToArchive();
    ASSERT_TRUE(flat.WriteExternalFiles());
    Open(flat);
    ResourceHandle first = GetResource(&catalogue_, 1, -1);
    ASSERT_EQ(Text(first, 10), "first load");
    std::remove(path.c_str());
    ResourceHandle handle = 0;
    EXPECT_EQ(GetResourceCached(&catalogue_, 1, 0, &handle), 0);
    EXPECT_EQ(handle, first);
}

TEST_F(CatalogueTest, UnloadingAGroupMakesTheNextLookupLoadAgain) {
    const std::string path = TestFilePath(".ext");
    layout_.SetItem(3, 1, ExternalEntry(3, path, BytesOf("version 1")));
    ArchiveBuilder flat = layout_.ToArchive();
    ASSERT_TRUE(flat.WriteExternalFiles());
    Open(flat);
    EXPECT_EQ(Text(GetResource(&catalogue_, 3, 1), 9), "version 1");
    GetResource(&catalogue_, 3, 0);
    ASSERT_TRUE(WriteBytesToFile(path, BytesOf("version 2")));
    EXPECT_EQ(Text(GetResource(&catalogue_, 3, 1), 9), "version 1");
    EXPECT_EQ(UnloadGroup(&catalogue_, 3), 1);
    EXPECT_EQ(CacheTableGet(&cache_, 3, 0), 0u);
    EXPECT_EQ(CacheTableGet(&cache_, 3, 1), 0u);
    EXPECT_EQ(Text(GetResource(&catalogue_, 3, 1), 9), "version 2");
    std::remove(path.c_str());
}

TEST_F(CatalogueTest, LoadsEachItemByItsType) {
    PngPicture picture = MakeTestPicture(PngColour::Rgb, 8, 5, 4, 1);
    layout_.SetItem(2, 0, PlainEntry(static_cast<uint8_t>(RES_TYPE_PNG), WritePng(picture)));
    layout_.SetItem(2, 1, PlainEntry(static_cast<uint8_t>(RES_TYPE_IMAGE_STUB), {1, 2}));
    layout_.SetItem(2, 2, PlainEntry(static_cast<uint8_t>(RES_TYPE_SOUND_STREAMED), {1, 2}));
    layout_.SetItem(2, 3, LinkEntry(7));
    layout_.SetItem(2, 4, PlainEntry(static_cast<uint8_t>(RES_TYPE_PNG), BytesOf("no png")));
    layout_.SetItem(0, 0, PlainEntry(3, {}));
    Open();

    Image* image = GetResourceImage(&catalogue_, 2, 0);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(std::vector<uint32_t>(image->pixels, image->pixels + 20), ExpectedArgb(picture));
    EXPECT_EQ(GetResourceImage(&catalogue_, 2, 0), image);

    ResourceHandle handle = 1;
    for (int k = 0; k < 2; ++k) {
        EXPECT_EQ(GetResourceCached(&catalogue_, 2, 1, &handle), 0);
        EXPECT_EQ(handle, 0u);
        EXPECT_EQ(CacheTableGet(&cache_, 2, 1), 0u);
    }
    EXPECT_EQ(GetResource(&catalogue_, 2, 2), GetResourceIndex(&catalogue_, 2, 2));
    const uint8_t* link = GetResourceBytes(&catalogue_, 2, 3);
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(GetU32LE(link), 7u);
    EXPECT_EQ(GetResourceCached(&catalogue_, 2, 4, &handle), -1);
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(CacheTableGet(&cache_, 2, 4), 0u);
    EXPECT_EQ(GetResourceCached(&catalogue_, 0, 0, &handle), 0);
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(UnloadGroup(&catalogue_, 2), 1);
    EXPECT_EQ(CacheTableGet(&cache_, 2, 0), 0u);
}

TEST_F(CatalogueTest, SoundsAreRegisteredWithThePlayerAndUnloadedThroughIt) {
    const uint8_t types[] = {static_cast<uint8_t>(RES_TYPE_SOUND_PREDECODED),
                             static_cast<uint8_t>(RES_TYPE_SOUND_STREAMED),
                             static_cast<uint8_t>(RES_TYPE_SOUND_IN_MEMORY)};
    const int32_t kinds[] = {SOUND_PREDECODED, SOUND_STREAMED, SOUND_IN_MEMORY};
    for (uint32_t i = 0; i < 3; ++i)
        layout_.SetItem(2, i, PlainEntry(types[i], {1, 2, 3, 4}));
    Open();
    // The player must be closed whatever the test's outcome: it is global.
    struct PlayerGuard {
        ~PlayerGuard() { gMMplay.Close(); }
    } guard;
    ASSERT_EQ(gMMplay.Open(44100, AUDIO_S16LSB, 2, 4096, 4, archive_->get()), 0);
    SDL_PauseAudio(1);
    for (uint32_t i = 0; i < 3; ++i) {
        const uint32_t entry = GetResourceIndex(&catalogue_, 2, int32_t(i));
        ResourceHandle handle = 7;
        EXPECT_EQ(GetResourceCached(&catalogue_, 2, int32_t(i), &handle), 0) << i;
        EXPECT_EQ(handle, entry) << i;
        const MMsound* sound = gMMplay.GetSound(int32_t(entry));
        ASSERT_NE(sound, nullptr) << i;
        EXPECT_EQ(sound->kind, kinds[i]) << i;
    }
    // Registering prepares a sound; it starts nothing.
    for (int32_t ch = 0; ch < gMMplay.GetMixingChannels(); ++ch)
        EXPECT_EQ(gMMplay.GetChannel(ch)->sound, nullptr) << ch;
    EXPECT_EQ(UnloadGroup(&catalogue_, 2), 1);
    for (uint32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(gMMplay.GetSound(int32_t(GetResourceIndex(&catalogue_, 2, int32_t(i)))), nullptr)
            << i;
        EXPECT_EQ(CacheTableGet(&cache_, 2, i), 0u) << i;
    }
}

TEST_F(CatalogueTest, TextsEndAfterTheirLastWholeCodeUnit) {
    std::vector<uint8_t> odd = Utf16BytesOf(u"Hi\u00e9!");
    odd.push_back(0x41);
    layout_.SetItem(0, 1, PlainEntry(3, odd));
    layout_.SetItem(0, 2, CompressedEntry(3, Utf16BytesOf(u"compressed text")));
    Open();
    char16_t* text = LoadResourceText(&catalogue_, RESOURCE_NUMBER_BASE + 0, 1);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::u16string(text), u"Hi\u00e9!");
    std::free(text);
    text = LoadResourceText(&catalogue_, RESOURCE_NUMBER_BASE + 0, 2);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::u16string(text), u"compressed text");
    std::free(text);
    EXPECT_EQ(LoadResourceText(&catalogue_, 21, 0), nullptr);
    EXPECT_EQ(LoadResourceText(&catalogue_, RESOURCE_NUMBER_BASE + 4, 0), nullptr);
}

// An item whose size its stored bytes cannot hold gets no buffer of that
// size: the raw load gives nothing and the text is empty.
TEST_F(CatalogueTest, AnItemClaimingMoreThanItsBytesHoldLoadsNothing) {
    ArchiveEntrySpec raw = CompressedEntry(3, BytesOf("raw bytes"));
    ArchiveEntrySpec text = CompressedEntry(3, Utf16BytesOf(u"text"));
    raw.sizeField = text.sizeField = 256u << 20;
    layout_.SetItem(0, 1, raw);
    layout_.SetItem(0, 2, text);
    Open();
    testing::internal::CaptureStdout();
    uint8_t* buffer = nullptr;
    EXPECT_EQ(LoadRawResource(archive_->get(), layout_.EntryIndex(0, 1), &buffer), 0);
    EXPECT_EQ(buffer, nullptr);
    EXPECT_EQ(GetResource(&catalogue_, 0, 1), 0u);
    char16_t* units = LoadResourceText(&catalogue_, RESOURCE_NUMBER_BASE + 0, 2);
    ASSERT_NE(units, nullptr);
    EXPECT_EQ(std::u16string(units), u"");
    std::free(units);
    const std::string said = testing::internal::GetCapturedStdout();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 2) << said;
}

TEST_F(CatalogueTest, CheckedLoadsFollowLinksToTheRightClass) {
    layout_.SetItem(3, 0, PlainEntry(static_cast<uint8_t>(RES_TYPE_SOUND_IN_MEMORY), {9}));
    ArchiveBuilder flat = layout_.ToArchive();
    uint32_t sound = layout_.EntryIndex(3, 0);
    uint32_t link1 = flat.AddLink(sound);
    uint32_t link2 = flat.AddLink(link1);
    Open(flat);
    uint32_t entry = link2;
    ResourceHandle handle = 0;
    EXPECT_EQ(LoadResourceChecked(archive_->get(), &entry, &handle, RES_CLASS_SOUND), 0);
    EXPECT_EQ(entry, sound);
    EXPECT_EQ(handle, sound);
    EXPECT_EQ(ResolveResourceLink(archive_->get(), link2), sound);
}

TEST_F(CatalogueTest, AWrongClassIsFatal) {
    ArchiveBuilder flat = layout_.ToArchive();
    uint32_t link = flat.AddLink(layout_.EntryIndex(0, 0));
    Open(flat);
    uint32_t entry = link;
    ResourceHandle handle = 0;
    const std::string expected = "Desired resource " + std::to_string(link) +
                                 " type 2 not present at " +
                                 std::to_string(layout_.EntryIndex(0, 0)) + " type 3.";
    EXPECT_FATAL_OUTPUT(LoadResourceChecked(archive_->get(), &entry, &handle, RES_CLASS_SOUND),
                        expected);
}

TEST_F(CatalogueTest, ALinkCycleEndsInsteadOfLoopingForEver) {
    ArchiveBuilder flat = layout_.ToArchive();
    uint32_t a = flat.Count();
    flat.AddLink(a + 1);
    flat.AddLink(a);
    Open(flat);
    EXPECT_EQ(ResolveResourceLink(archive_->get(), a), GetEntryCount(archive_->get()));
    uint32_t entry = a;
    ResourceHandle handle = 0;
    const std::string expected = "Desired resource " + std::to_string(a) +
                                 " type 16 not present at " +
                                 std::to_string(GetEntryCount(archive_->get())) + " type 0.";
    EXPECT_FATAL_OUTPUT(LoadResourceChecked(archive_->get(), &entry, &handle, RES_CLASS_LINK),
                        expected);
}

TEST(ResourceClasses, TypesBelongToTheirClassesOnly) {
    for (uint32_t type : {4u, 5u, 6u, 8u})
        EXPECT_TRUE(ResourceTypeInClass(type, RES_CLASS_IMAGE)) << type;
    for (uint32_t type : {9u, 11u, 12u})
        EXPECT_TRUE(ResourceTypeInClass(type, RES_CLASS_SOUND)) << type;
    EXPECT_TRUE(ResourceTypeInClass(3, RES_CLASS_CLASS8));
    EXPECT_TRUE(ResourceTypeInClass(10, RES_CLASS_LINK));
    EXPECT_FALSE(ResourceTypeInClass(8, RES_CLASS_SOUND));
    EXPECT_FALSE(ResourceTypeInClass(7, RES_CLASS_IMAGE));
    EXPECT_FALSE(ResourceTypeInClass(8, RES_CLASS_IMAGE | RES_CLASS_SOUND));
}

TEST(CacheTables, RowsAreJaggedAndAppendsStopAtCapacity) {
    CacheTable cache{};
    CacheTableInit(&cache, 3, 4);
    CacheTableEndRow(&cache);
    EXPECT_EQ(CacheTableAppend(&cache, 0), 1);
    CacheTableEndRow(&cache);
    EXPECT_EQ(CacheTableAppend(&cache, 0), 1);
    EXPECT_EQ(CacheTableAppend(&cache, 0), 1);
    EXPECT_EQ(CacheTableAppend(&cache, 0), 1);
    EXPECT_EQ(CacheTableAppend(&cache, 0), 0);
    CacheTableSet(&cache, 1, 2, 77);
    EXPECT_EQ(CacheTableGet(&cache, 1, 2), 77u);
    EXPECT_EQ(cache.items[3], 77u);
    EXPECT_EQ(CacheTableGet(&cache, 1, 3), 0u);
    EXPECT_EQ(CacheTableGet(&cache, 2, 0), 0u);
    EXPECT_EQ(CacheTableFree(&cache), 1);
    EXPECT_EQ(cache.items, nullptr);
    EXPECT_EQ(UnloadCatalogue(nullptr), 1);
}

// ---- bad layouts ---------------------------------------------------------------------

class CatalogueLayoutTest : public CatalogueTest {
protected:
    void ExpectFatal(const ArchiveBuilder& flat, const std::string& expected) {
        archive_ = std::make_unique<OpenedArchive>(flat.Build());
        ASSERT_TRUE(archive_->opened());
        ResourceArchive* archive = archive_->get();
        EXPECT_FATAL_OUTPUT(
            BuildResourceCatalogue(&catalogue_, archive, &cache_, &frames_, CATALOGUE_ROOT_ENTRY),
            expected);
    }
};

TEST_F(CatalogueLayoutTest, AGroupLinkThatIsNotALinkIsReported) {
    ArchiveBuilder flat = layout_.ToArchive();
    flat.Set(32 + 2 + 2, NumberEntry(40));
    ExpectFatal(flat, "Found non Var pointer in 34.\n");
}

TEST_F(CatalogueLayoutTest, AGroupStartingAtEntryZeroIsReported) {
    ArchiveBuilder flat = layout_.ToArchive();
    flat.Set(32 + 2 + 1, LinkEntry(0));
    ExpectFatal(flat, "Found zero pointer in 1.\n");
}

TEST_F(CatalogueLayoutTest, BoundsOutsideTheArchiveAreReported) {
    ArchiveBuilder flat = layout_.ToArchive();
    flat.Set(33, NumberEntry(5000));
    ExpectFatal(flat, "Bad resource catalogue at 32.\n");
    flat = layout_.ToArchive();
    flat.Set(32, NumberEntry(33));
    ExpectFatal(flat, "Bad resource catalogue at 32.\n");
    flat = layout_.ToArchive();
    flat.Set(32, PlainEntry(0, {1, 2, 3, 4, 5, 6, 7, 8}));
    ExpectFatal(flat, "Bad resource catalogue at 32.\n");
    flat = layout_.ToArchive();
    flat.Set(3, LinkEntry(0xFFFF));
    ExpectFatal(flat, "Bad resource catalogue at 3.\n");
}

TEST_F(CatalogueLayoutTest, AGroupOutsideTheItemRangeIsReported) {
    ArchiveBuilder flat = layout_.ToArchive();
    flat.Set(32 + 2 + 3, LinkEntry(20));
    ExpectFatal(flat, "Bad resource catalogue at 37.\n");
}

} // namespace
