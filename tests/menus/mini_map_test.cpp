// The level-select map: which buttons keys and mouse can reach, what each
// input returns, the markers, and hostile layouts.
#include <gtest/gtest.h>

#include <vector>

#include "engine/bytes.h"
#include "menus/mini_map_menu.h"
#include "tests/menus/menu_fixture.h"
#include "tests/support/draw_capture.h"

namespace {

// Records as the layout item stores them, four little-endian words each.
std::vector<uint8_t> LayoutBytes(const std::vector<MapLayoutRecord>& records) {
    std::vector<uint8_t> bytes;
    for (const MapLayoutRecord& r : records)
        for (int32_t word : {r.x, r.y, r.picture, r.selectedPicture}) {
            bytes.resize(bytes.size() + 4);
            PutI32LE(bytes.data() + bytes.size() - 4, word);
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

int32_t SelectedIndex(const CMiniMapMenu& map) {
    int32_t found = -1;
    for (int32_t i = 0; i < MAP_BUTTON_COUNT; ++i)
        if (map.buttons[i]->IsSelected() != 0)
            found = found == -1 ? i : -2; // -2: two selected
    return found;
}

// Marker sprites of reached destinations, each checked at its place.
size_t ReachedMarkersDrawn(const DrawCapture& capture, const CMiniMapMenu& map) {
    size_t n = 0;
    for (int32_t i = 0; i < 8; ++i)
        for (const CapturedDraw* draw : capture.SpritesOf(map.pictures[18 + i])) {
            EXPECT_EQ(draw->record.x, 60 + 80 * i);
            EXPECT_EQ(draw->record.y, 150);
            ++n;
        }
    return n;
}

class MiniMap : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(archive_.ok()); }
    MenuArchive archive_{MapCatalogue(FullLayout())};
    MenuDriver driver_;
};

TEST_F(MiniMap, LeftAndRightWalkTheButtonsThatCanBeChosen) {
    const struct {
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
    for (const auto& row : rows) {
        SCOPED_TRACE(row.maximum);
        CMiniMapMenu map(row.maximum);
        driver_.Use(&map);
        for (int32_t i = 0; i < MAP_BUTTON_COUNT; ++i)
            EXPECT_EQ(map.buttons[i]->IsVisible() != 0, i == MAP_BACK || i <= row.maximum) << i;
        EXPECT_EQ(SelectedIndex(map), row.maximum);
        EXPECT_EQ(driver_.Frame(), CONTROL_RESULT_KEEP); // a quiet frame opens the input
        for (size_t k = 0; k < row.keys.size(); ++k) {
            EXPECT_EQ(driver_.Tap(row.keys[k]), CONTROL_RESULT_KEEP) << k;
            EXPECT_EQ(SelectedIndex(map), row.expected[k]) << k;
            const CControl& chosen = *map.buttons[row.expected[k]];
            EXPECT_EQ(map.mouseX, chosen.x + chosen.width - 5); // the pointer follows
            EXPECT_EQ(map.mouseY, chosen.y + chosen.height - 5);
        }
        EXPECT_EQ(driver_.Tap(KEY_RETURN), row.expected.back());
        EXPECT_EQ(driver_.Tap(KEY_SPACE), row.expected.back());
        EXPECT_EQ(driver_.Tap(KEY_ESCAPE), CONTROL_RESULT_CLOSE);
    }
}

TEST_F(MiniMap, AClickCountsOnReleaseOverAButtonThatCanBeChosen) {
    CMiniMapMenu map(2);
    driver_.Use(&map);
    driver_.Frame();
    auto click = [&](int32_t x, int32_t y) { // hover and press: -1; the release's result
        driver_.Point(x, y);
        EXPECT_EQ(driver_.Frame(), CONTROL_RESULT_KEEP);
        driver_.SetButtons(1);
        EXPECT_EQ(driver_.Frame(), CONTROL_RESULT_KEEP);
        driver_.SetButtons(0);
        return driver_.Frame();
    };
    EXPECT_EQ(click(60 + 80 * 5 + 10, 210), CONTROL_RESULT_KEEP); // button 5 is hidden
    EXPECT_EQ(SelectedIndex(map), 2);
    EXPECT_EQ(click(60 + 80 + 10, 210), 1);
    EXPECT_EQ(click(400, 400), CONTROL_RESULT_KEEP); // beside every button
    EXPECT_EQ(SelectedIndex(map), 1);
    EXPECT_EQ(click(710, 510), MAP_BACK);
}

TEST_F(MiniMap, MarkersOnlyForReachedPlaces) {
    for (int32_t maximum : {0, 3, 7}) {
        CMiniMapMenu map(maximum);
        DrawCapture capture;
        map.Draw();
        EXPECT_EQ(ReachedMarkersDrawn(capture, map), static_cast<size_t>(maximum));
    }
}

TEST(MiniMapLayout, AShortLayoutWildPicturesOrAPictureForALayoutAreHarmless) {
    // Two whole records (the first with pictures out of range) and half of
    // a third: seven buttons and every marker are absent.
    std::vector<uint8_t> layout = LayoutBytes({{-2, 200, 99, -3}, {140, 200, 1, 10}});
    layout.resize(layout.size() + 8, 0x7F);
    CatalogueBuilder picture = MapCatalogue({});
    PutItem(&picture, MAP_GROUP, 0, PlainEntry(RES_TYPE_PNG, SolidPng(4, 4, 0xFF000000u)));
    const CatalogueBuilder catalogues[] = {MapCatalogue(layout), picture};
    for (const CatalogueBuilder& catalogue : catalogues) {
        MenuArchive archive(catalogue);
        ASSERT_TRUE(archive.ok());
        MenuDriver driver;
        CMiniMapMenu map(3);
        driver.Use(&map);
        const size_t records = map.layout.size();
        EXPECT_EQ(records, &catalogue == &catalogues[0] ? 2u : 0u);
        if (records == 2) {
            EXPECT_EQ(map.buttons[0]->picture1, nullptr);
            EXPECT_EQ(map.buttons[0]->picture2, nullptr);
            EXPECT_EQ(map.buttons[1]->picture2, map.pictures[10]);
        }
        for (int32_t i = static_cast<int32_t>(records); i < MAP_BUTTON_COUNT; ++i)
            EXPECT_EQ(map.buttons[i]->width, 0) << i;
        DrawCapture capture;
        driver.Frame();
        for (int frame = 0; frame < 12; ++frame) {
            driver.Tap(frame % 2 == 0 ? KEY_LEFT : KEY_RIGHT);
            map.Draw();
        }
        EXPECT_EQ(ReachedMarkersDrawn(capture, map), 0u);
        EXPECT_EQ(driver.Tap(KEY_ESCAPE), CONTROL_RESULT_CLOSE);
    }
}

} // namespace
