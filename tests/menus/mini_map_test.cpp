// The level-select map: which buttons keys and mouse can reach, what each
// input returns, the markers, and hostile layouts.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/bytes.h"
#include "menus/mini_map_menu.h"
#include "tests/menus/menu_fixture.h"
#include "tests/support/draw_capture.h"
#include "tests/support/scripted_platform.h"
#include "ui/button.h"

namespace {

std::vector<uint8_t> LayoutBytes(const std::vector<MapLayoutRecord>& records) {
    std::vector<uint8_t> bytes(records.size() * MAP_RECORD_BYTES);
    for (size_t i = 0; i < records.size(); ++i) {
        const MapLayoutRecord& r = records[i];
        int32_t fields[4] = {r.x, r.y, r.picture, r.selectedPicture};
        for (int f = 0; f < 4; ++f)
            PutI32LE(bytes.data() + i * MAP_RECORD_BYTES + 4 * f, fields[f]);
    }
    return bytes;
}

// Button i at (60 + 80 i, 200) with pictures i / 9 + i, back at (700, 500);
// the marker of destination i at (60 + 80 i, 150) with picture 18 + i.
std::vector<uint8_t> FullLayout() {
    std::vector<MapLayoutRecord> records;
    for (int32_t i = 0; i < 8; ++i)
        records.push_back({60 + 80 * i, 200, i, 9 + i});
    records.push_back({700, 500, 8, 17});
    for (int32_t i = 0; i < 8; ++i)
        records.push_back({60 + 80 * i, 150, 18 + i, -1});
    return LayoutBytes(records);
}

// Pictures of 40x30 in distinct colours, the marker 20x20.
CatalogueBuilder MapCatalogue(const std::vector<uint8_t>& layout) {
    CatalogueBuilder catalogue = MakeMenuCatalogue();
    PutItem(&catalogue, MAP_GROUP, 0, PlainEntry(0, layout));
    for (uint32_t j = 0; j < MAP_PICTURE_COUNT; ++j)
        PutItem(&catalogue, MAP_GROUP, j + 1,
                PlainEntry(RES_TYPE_PNG, SolidPng(40, 30, 0xFF102030u + j * 0x050709u)));
    PutItem(&catalogue, MAP_MARKER_GROUP, 0,
            PlainEntry(RES_TYPE_PNG, SolidPng(20, 20, 0xFFFFEE00u)));
    return catalogue;
}

// One Update a frame through the scripted platform.
struct MapDriver {
    ScriptedPlatform platform;
    ScopedPlatform scoped{&platform};
    int absX = 0, absY = 0;

    // Key down for a frame, then up; the result of the press frame.
    int32_t Tap(CMiniMapMenu& map, int key) {
        platform.SetKey(key, true);
        int32_t pressed = map.Update();
        platform.SetKey(key, false);
        EXPECT_EQ(map.Update(), CONTROL_RESULT_KEEP);
        return pressed;
    }
    // The pointer to (x, y) by relative motion, for one frame.
    int32_t FrameAt(CMiniMapMenu& map, int32_t x, int32_t y, uint8_t buttons) {
        absX += x - map.mouseX;
        absY += y - map.mouseY;
        platform.SetMouse(absX, absY, buttons);
        return map.Update();
    }
};

int32_t SelectedIndex(const CMiniMapMenu& map) {
    int32_t found = -1;
    for (int32_t i = 0; i < MAP_BUTTON_COUNT; ++i) {
        if (map.buttons[i]->IsSelected() != 0) {
            EXPECT_EQ(found, -1) << "two buttons selected";
            found = i;
        }
    }
    return found;
}

void ExpectPointerOn(const CMiniMapMenu& map, int32_t index) {
    int32_t bx = 0, by = 0, bw = 0, bh = 0;
    map.buttons[index]->GetRect(&bx, &by, &bw, &bh);
    EXPECT_EQ(map.mouseX, bx + bw - 5);
    EXPECT_EQ(map.mouseY, by + bh - 5);
}

TEST(MiniMap, LeftAndRightWalkTheButtonsThatCanBeChosen) {
    struct Row {
        int32_t maximum;
        std::vector<int> keys;
        std::vector<int32_t> expected; // selection after each key
    } rows[] = {
        {0, {KEY_RIGHT, KEY_RIGHT, KEY_LEFT, KEY_LEFT}, {8, 0, 8, 0}},
        {7, {KEY_RIGHT, KEY_RIGHT, KEY_LEFT, KEY_LEFT, KEY_LEFT}, {8, 0, 8, 7, 6}},
        {3,
         {KEY_RIGHT, KEY_LEFT, KEY_LEFT, KEY_LEFT, KEY_LEFT, KEY_LEFT, KEY_RIGHT},
         {8, 3, 2, 1, 0, 8, 0}},
    };
    MenuArchive archive(MapCatalogue(FullLayout()));
    ASSERT_TRUE(archive.ok());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.maximum);
        MapDriver driver;
        CMiniMapMenu map(row.maximum);
        for (int32_t i = 0; i < MAP_BUTTON_COUNT; ++i)
            EXPECT_EQ(map.buttons[i]->IsVisible() != 0, i == MAP_BACK || i <= row.maximum) << i;
        EXPECT_EQ(SelectedIndex(map), row.maximum);
        ExpectPointerOn(map, row.maximum);
        EXPECT_EQ(map.Update(), CONTROL_RESULT_KEEP); // a quiet frame opens the input
        for (size_t k = 0; k < row.keys.size(); ++k) {
            EXPECT_EQ(driver.Tap(map, row.keys[k]), CONTROL_RESULT_KEEP) << k;
            EXPECT_EQ(SelectedIndex(map), row.expected[k]) << k;
            ExpectPointerOn(map, row.expected[k]);
        }
        EXPECT_EQ(driver.Tap(map, KEY_RETURN), row.expected.back());
        EXPECT_EQ(driver.Tap(map, KEY_SPACE), row.expected.back());
        EXPECT_EQ(driver.Tap(map, KEY_ESCAPE), CONTROL_RESULT_CLOSE);
    }
}

TEST(MiniMap, AClickCountsOnReleaseOverAButtonThatCanBeChosen) {
    MenuArchive archive(MapCatalogue(FullLayout()));
    ASSERT_TRUE(archive.ok());
    MapDriver driver;
    CMiniMapMenu map(2);
    EXPECT_EQ(map.Update(), CONTROL_RESULT_KEEP);
    // Hover and press give -1; the release's result.
    auto click = [&](int32_t x, int32_t y) {
        EXPECT_EQ(driver.FrameAt(map, x, y, 0), CONTROL_RESULT_KEEP);
        EXPECT_EQ(driver.FrameAt(map, x, y, 1), CONTROL_RESULT_KEEP);
        return driver.FrameAt(map, x, y, 0);
    };
    EXPECT_EQ(click(60 + 80 * 5 + 10, 210), CONTROL_RESULT_KEEP); // button 5 is hidden
    EXPECT_EQ(SelectedIndex(map), 2);
    EXPECT_EQ(click(60 + 80 + 10, 210), 1);
    EXPECT_EQ(click(400, 400), CONTROL_RESULT_KEEP); // beside every button
    EXPECT_EQ(SelectedIndex(map), 1);
    EXPECT_EQ(click(710, 510), MAP_BACK);
}

size_t ReachedMarkersDrawn(const DrawCapture& capture, const CMiniMapMenu& map) {
    size_t n = 0;
    for (int32_t i = 0; i < 8; ++i) {
        for (const CapturedDraw* draw : capture.SpritesOf(map.pictures[18 + i])) {
            EXPECT_EQ(draw->record.x, 60 + 80 * i);
            EXPECT_EQ(draw->record.y, 150);
            ++n;
        }
    }
    return n;
}

TEST(MiniMap, ReachedMarkersOnlyBelowTheMaximum) {
    MenuArchive archive(MapCatalogue(FullLayout()));
    ASSERT_TRUE(archive.ok());
    for (int32_t maximum : {0, 3, 7}) {
        MapDriver driver;
        CMiniMapMenu map(maximum);
        DrawCapture capture;
        EXPECT_EQ(map.Draw(), 1);
        EXPECT_EQ(ReachedMarkersDrawn(capture, map), static_cast<size_t>(maximum));
    }
}

TEST(MiniMap, TheChoiceMarkerBlinksWithAFortyFramePeriod) {
    MenuArchive archive(MapCatalogue(FullLayout()));
    ASSERT_TRUE(archive.ok());
    MapDriver driver;
    CMiniMapMenu map(4);
    DrawCapture capture;
    auto drawMarker = [&] {
        capture.Clear();
        map.Draw();
        const CapturedDraw* marker = capture.FirstSpriteOf(map.markerPicture);
        EXPECT_TRUE(marker != nullptr && marker->hasTransform);
        return marker != nullptr ? *marker : CapturedDraw{};
    };
    const float expected[] = {0.0f, std::sqrt(0.5f), 1.0f, std::sqrt(0.5f),
                              0.0f, std::sqrt(0.5f), 1.0f};
    for (int frame = 0; frame <= 60; ++frame) {
        CapturedDraw marker = drawMarker();
        EXPECT_EQ(marker.record.x, 60 + 80 * 4 - 14);
        EXPECT_EQ(marker.record.y, 200 - 36);
        if (frame % 10 == 0) {
            EXPECT_NEAR(marker.transform.alpha, expected[frame / 10], 1e-4) << frame;
        }
    }
    map.Update();
    driver.Tap(map, KEY_RIGHT); // it follows the choice
    CapturedDraw marker = drawMarker();
    EXPECT_EQ(marker.record.x, 700 - 14);
    EXPECT_EQ(marker.record.y, 500 - 36);
}

TEST(MiniMap, AShortLayoutAndWildPictureIndicesAreHarmless) {
    // Two whole records (the first with pictures out of range) and half of
    // a third: seven buttons and every marker are absent.
    std::vector<uint8_t> layout = LayoutBytes({{-2, 200, 99, -3}, {140, 200, 1, 10}});
    layout.resize(layout.size() + 8, 0x7F);
    MenuArchive archive(MapCatalogue(layout));
    ASSERT_TRUE(archive.ok());
    MapDriver driver;
    CMiniMapMenu map(7);
    ASSERT_EQ(map.layout.size(), 2u);
    EXPECT_EQ(map.layout[0].x, -2);
    EXPECT_EQ(map.buttons[0]->picture1, nullptr);
    EXPECT_EQ(map.buttons[0]->picture2, nullptr);
    EXPECT_EQ(map.buttons[1]->picture2, map.pictures[10]);
    for (int32_t i = 2; i < MAP_BUTTON_COUNT; ++i)
        EXPECT_EQ(map.buttons[i]->width, 0) << i;
    DrawCapture capture;
    map.Update();
    for (int frame = 0; frame < 12; ++frame) {
        driver.Tap(map, frame % 2 == 0 ? KEY_LEFT : KEY_RIGHT);
        map.Draw();
    }
    EXPECT_EQ(ReachedMarkersDrawn(capture, map), 0u);
    EXPECT_EQ(driver.Tap(map, KEY_ESCAPE), CONTROL_RESULT_CLOSE);
}

TEST(MiniMap, ALayoutItemThatIsAPictureHoldsNoRecords) {
    CatalogueBuilder catalogue = MapCatalogue({});
    PutItem(&catalogue, MAP_GROUP, 0, PlainEntry(RES_TYPE_PNG, SolidPng(4, 4, 0xFF000000u)));
    MenuArchive archive(catalogue);
    ASSERT_TRUE(archive.ok());
    MapDriver driver;
    CMiniMapMenu map(3);
    EXPECT_TRUE(map.layout.empty());
    map.Draw();
    map.Update();
    EXPECT_EQ(driver.Tap(map, KEY_RETURN), 3);
}

} // namespace
