// The level-select map: which buttons keys and mouse can reach, what each
// input returns, the markers, and hostile layouts.
#include <gtest/gtest.h>

#include <array>
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

// Inputs: a key tapped, a click on the place of button i (kClick + i), or
// a click beside every button.
constexpr int kClick = 1000, kBeside = 2000, K = CONTROL_RESULT_KEEP;
constexpr int L = KEY_LEFT, R = KEY_RIGHT;

TEST_F(MiniMap, KeysAndClicksReachOnlyTheButtonsThatCanBeChosen) {
    const struct {
        int32_t maximum;
        std::vector<std::array<int, 3>> steps; // input, result, selection after it
    } rows[] = {
        // clang-format off
        {0, {{R, K, 8}, {R, K, 0}, {L, K, 8}, {L, K, 0}, {KEY_RETURN, 0, 0}}},
        {7, {{R, K, 8}, {R, K, 0}, {L, K, 8}, {L, K, 7}, {L, K, 6}, {KEY_SPACE, 6, 6}}},
        {3, {{R, K, 8}, {L, K, 3}, {L, K, 2}, {L, K, 1}, {L, K, 0}, {L, K, 8}, {R, K, 0},
             {kClick + 5, K, 0} /* hidden */, {kClick + 1, 1, 1}, {kBeside, K, 1},
             {kClick + MAP_BACK, MAP_BACK, MAP_BACK}, {KEY_ESCAPE, CONTROL_RESULT_CLOSE, 8}}},
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.maximum);
        CMiniMapMenu map(row.maximum);
        driver_.Use(&map);
        for (int32_t i = 0; i < MAP_BUTTON_COUNT; ++i)
            EXPECT_EQ(map.buttons[i]->IsVisible() != 0, i == MAP_BACK || i <= row.maximum) << i;
        EXPECT_EQ(SelectedIndex(map), row.maximum);
        EXPECT_EQ(driver_.Frame(), K); // a quiet frame opens the input
        for (const auto& [input, result, selected] : row.steps) {
            SCOPED_TRACE(input);
            if (input < kClick) {
                EXPECT_EQ(driver_.Tap(input), result);
            } else {
                // Hover and press: nothing yet; the release gives the result.
                const int b = input - kClick; // inside its place in FullLayout()
                if (input == kBeside)
                    driver_.Point(400, 400);
                else
                    driver_.Point(b == MAP_BACK ? 710 : 70 + 80 * b, b == MAP_BACK ? 510 : 210);
                EXPECT_EQ(driver_.Frame(), K);
                driver_.SetButtons(1);
                EXPECT_EQ(driver_.Frame(), K);
                driver_.SetButtons(0);
                EXPECT_EQ(driver_.Frame(), result);
            }
            EXPECT_EQ(SelectedIndex(map), selected);
            const CControl& chosen = *map.buttons[selected];
            if (input == L || input == R) { // the pointer follows
                EXPECT_EQ(map.mouseX, chosen.x + chosen.width - 5);
                EXPECT_EQ(map.mouseY, chosen.y + chosen.height - 5);
            }
        }
        DrawCapture capture;
        map.Draw();
        EXPECT_EQ(ReachedMarkersDrawn(capture, map), static_cast<size_t>(row.maximum));
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
