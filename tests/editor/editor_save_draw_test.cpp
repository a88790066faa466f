// The editor with a catalogue behind it: Ctrl+S saves the playing level to
// the file its catalogue item names, and what the editor draws over the
// level (overlay icons, the cell frame, the brush bar) lands where it
// should.
#include <gtest/gtest.h>

#include <SDL.h>
#include <sys/stat.h>

#include <filesystem>

#include "engine/archive.h"
#include "engine/catalogue.h"
#include "graphics/image.h"
#include "tests/editor/editor_fixture.h"
#include "tests/support/draw_capture.h"
#include "tests/support/ui_archive.h"
#include "tests/world/game_run.h"
#include "ui/picture.h"

namespace {

constexpr uint8_t kRawType = 0;
constexpr uint8_t kPngType = 8;
constexpr uint8_t kIconCode = '#';

// Groups 0 to 7: the pointer and the cell frame in group 5, an icon for
// code '#' only in group 6 (other items are no pictures), and the level
// files of levels 1 to 3 in group 7 (level 2's name in UTF-16).
CatalogueBuilder EditorCatalogue() {
    CatalogueBuilder catalogue;
    for (uint32_t group = 0; group < 8; ++group)
        catalogue.AddItem(catalogue.AddGroup(), PlainEntry(kRawType, {0}));
    catalogue.SetItem(5, 0, PlainEntry(kPngType, SolidPng(8, 8, 0xFFFFFFFF)));
    catalogue.AddItem(5, PlainEntry(kPngType, SolidPng(32, 32, 0xFFFF0000)));
    for (uint32_t item = 1; item <= kIconCode; ++item)
        catalogue.AddItem(6, item == kIconCode ? PlainEntry(kPngType, SolidPng(32, 16, 0xFF00FF00))
                                               : PlainEntry(kRawType, {1, 2, 3}));
    catalogue.SetItem(7, 0, PlainEntry(kRawType, BytesOf("levels\\one.lvl")));
    catalogue.AddItem(7, PlainEntry(kRawType, Utf16BytesOf(u"levels\\two.lvl")));
    catalogue.AddItem(7, PlainEntry(kRawType, BytesOf("three.lvl")));
    return catalogue;
}

class EditorWithCatalogue : public EditorTaskTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(EditorCatalogue().WriteToFile("editor.res"));
        ASSERT_EQ(OpenArchive(&gResourceArchive, "editor.res"), 1);
        BuildResourceCatalogue(&gResourceCatalogue, &gResourceArchive, &gResourceCache, nullptr,
                               CATALOGUE_ROOT_ENTRY);
        EditorTaskTest::SetUp();
    }
    void TearDown() override {
        EditorTaskTest::TearDown();
        UnloadCatalogue(&gResourceCatalogue);
        CacheTableFree(&gResourceCache);
        CloseArchive(&gResourceArchive);
    }
    void ControlS() {
        Hold(SDLK_LCTRL, true);
        Tap(SDLK_s);
        Hold(SDLK_LCTRL, false);
    }
    // The saved file as the loader reads and expands it.
    std::vector<std::vector<std::string>> SavedLayers(const std::string& path) {
        ArchiveBuilder builder;
        builder.AddPlain(3, game_run::ReadFileBytes(path));
        MemoryArchive archive(builder);
        TileRunMap map{};
        EXPECT_EQ(ReadLevel(&map, archive.get(), 0), 1);
        ExpandTileRunLayers(&map);
        std::vector<std::vector<std::string>> layers;
        for (int32_t l = 0; l < 4; ++l)
            layers.push_back(RowsOf(map, l));
        FreeTileRunMap(&map);
        return layers;
    }
    std::vector<std::vector<std::string>> WorldLayers() {
        std::vector<std::vector<std::string>> layers;
        for (int32_t l = 0; l < 4; ++l)
            layers.push_back(RowsOf(world()->map, l));
        return layers;
    }
};

TEST_F(EditorWithCatalogue, ControlSSavesThePaintedLevelToItsFile) {
    EditorState* s = editor();
    Tap(SDLK_F4);
    PaletteCode(&s->config, 3, 0) = 'K';
    PointAt(2 * 32 + 1, 3 * 32 + 1);
    Buttons(2 * 32 + 1, 3 * 32 + 1, kEditorLeftButton);
    Frame();
    Buttons(2 * 32 + 1, 3 * 32 + 1, 0);
    ControlS();
    ASSERT_TRUE(std::filesystem::exists("three.lvl"));
    const auto saved = SavedLayers("three.lvl");
    EXPECT_EQ(saved[3][3], "..K.........");
    EXPECT_EQ(saved, WorldLayers());
}

TEST_F(EditorWithCatalogue, ASaveThatFailsKeepsTheOldFileAndSaysSo) {
    std::ofstream("three.lvl") << "old";
    ASSERT_EQ(chmod("three.lvl", 0444), 0);
    testing::internal::CaptureStdout();
    ControlS();
    const std::string said = testing::internal::GetCapturedStdout();
    EXPECT_NE(said.find("three.lvl not saved"), std::string::npos) << said;
    EXPECT_EQ(game_run::ReadFileBytes("three.lvl"), (std::vector<uint8_t>{'o', 'l', 'd'}));

    world()->currentLevel = 4;
    testing::internal::CaptureStdout();
    ControlS();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Level 4 not saved: the archive names no file for it\n");
}

TEST_F(EditorWithCatalogue, TheOverlayShowsEachIconOfLayerThreeSeeThrough) {
    Tap(SDLK_f);
    Tap(SDLK_f);
    DrawCapture capture;
    Frame();
    Image* icon = GetPictureItem(6, kIconCode);
    ASSERT_NE(icon, nullptr);
    // The bottom row of layer 3 is twelve '#' cells; codes without an icon
    // draw nothing.
    const auto icons = capture.SpritesOf(icon);
    ASSERT_EQ(icons.size(), 12u);
    for (size_t i = 0; i < icons.size(); ++i) {
        EXPECT_EQ(icons[i]->record.x, static_cast<int32_t>(32 * i));
        EXPECT_EQ(icons[i]->record.y, 7 * 32);
        ASSERT_TRUE(icons[i]->hasTransform);
        EXPECT_FLOAT_EQ(icons[i]->transform.alpha, 0.6f);
        EXPECT_FLOAT_EQ(icons[i]->transform.scaleX, 1.0f);
    }
}

TEST_F(EditorWithCatalogue, TheCellFrameAndTheBrushIconMarkTheCellUnderTheMouse) {
    EditorState* s = editor();
    Tap(SDLK_F4);
    PaletteCode(&s->config, 3, 0) = kIconCode;
    PointAt(5 * 32 + 7, 7 * 32 + 7);
    DrawCapture capture;
    Frame();
    const CapturedDraw* frame = capture.FirstSpriteOf(GetPictureItem(5, 1));
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->record.x, 5 * 32);
    EXPECT_EQ(frame->record.y, 7 * 32);
    // The brush slot shows the 32 x 16 icon stretched to its 32 x 32 cell in
    // the bar at (420, 540).
    const auto slot = capture.SpritesOf(GetPictureItem(6, kIconCode));
    ASSERT_EQ(slot.size(), 1u);
    EXPECT_EQ(slot[0]->record.x, 421);
    EXPECT_EQ(slot[0]->record.y, 541);
    EXPECT_FLOAT_EQ(slot[0]->transform.scaleY, 2.0f);
}

} // namespace
