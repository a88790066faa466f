#include <gtest/gtest.h>

#include <SDL.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "engine/bytes.h"
#include "engine/catalogue.h"
#include "engine/config.h"
#include "graphics/renderer.h"
#include "menus/save_file.h"
#include "tests/graphics/d3d9_screen.h"
#include "tests/support/draw_capture.h"
#include "tools/sample/font_writer.h"
#include "tests/world/tile_test_util.h"
#include "ui/font.h"
#include "ui/text.h"
#include "world/scene.h"
#include "world/status_overlay.h"

namespace {

constexpr uint8_t kPlain = 9, kPickup = 4, kBand = 24;

std::vector<int32_t> gDrawnSlots;
std::map<int32_t, Image*> gMarkers; // slot -> the sprite its draw shows
std::vector<int32_t> gCodesSeen;    // layer-1 codes of cells 1 and 2 while drawing

void RecordingDraw(GameWorld* world, ObjectSlot* object) {
    gDrawnSlots.push_back(object->index);
    if (gMarkers.count(object->index) != 0) {
        SpriteRecord record;
        InitSpriteRecord(&record, gScreenTarget);
        record.source = gMarkers[object->index];
        record.transform = nullptr;
        DrawSprite(&record);
    }
    gCodesSeen.push_back(TileCodeAt(&world->map, 1, 1, 0));
    gCodesSeen.push_back(TileCodeAt(&world->map, 1, 2, 0));
}

void InstallSceneTypes(GameWorld* world) {
    for (int32_t type : {1, 4, 9, 24, 123, 126})
        RegisterObjectType(world, type, EmptyHandler, RecordingDraw, OBJ_KIND_ORDINARY, 0, 0);
}

LevelLayerGrid Grid(int32_t width, const std::vector<std::vector<uint8_t>>& rows) {
    LevelLayerGrid grid{width, static_cast<int32_t>(rows.size()), {}, {}};
    for (const auto& row : rows)
        grid.codes.insert(grid.codes.end(), row.begin(), row.end());
    return grid;
}

// Level-file bytes of four layers; `layer1` replaces layer 1 when given.
void LoadMap(GameWorld* world, const std::array<LevelLayerGrid, 4>& layers, bool expand,
             const std::vector<uint8_t>& layer1 = {}) {
    std::vector<uint8_t> file;
    for (int32_t i = 0; i < 4; ++i) {
        std::vector<uint8_t> bytes = i == 1 && !layer1.empty() ? layer1 : WriteLevelLayer(layers[i]);
        file.insert(file.end(), bytes.begin(), bytes.end());
    }
    FreeTileRunMap(&world->map);
    ArchiveBuilder builder;
    builder.AddPlain(3, file);
    MemoryArchive archive(builder);
    ASSERT_EQ(ReadLevel(&world->map, archive.get(), 0), 1);
    if (expand)
        ExpandTileRunLayers(&world->map);
}

const LevelLayerGrid kNone = FilledLayer(1, 1, 0);

// The overlay's world outside: group 18 of gResourceArchive holds the
// formats (group 19 a text that a format read past its group would pick
// up); font slot 3 has letters and digits, slot 4 digits only.
class Overlay {
public:
    explicit Overlay(const std::vector<std::u16string>& formats) {
        CatalogueBuilder catalogue;
        for (uint32_t g = 0; g < 18; ++g)
            catalogue.AddItem(catalogue.AddGroup(), PlainEntry(0, {1}));
        catalogue.AddGroup();
        for (const std::u16string& format : formats)
            catalogue.AddItem(18, PlainEntry(0, Utf16BytesOf(format)));
        catalogue.AddItem(catalogue.AddGroup(), PlainEntry(0, Utf16BytesOf(u"X")));
        std::vector<uint8_t> bytes = catalogue.Build();
        fd_ = memfd_create("overlay", 0);
        EXPECT_EQ(write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        EXPECT_EQ(OpenArchive(&gResourceArchive, ("/proc/self/fd/" + std::to_string(fd_)).c_str()), 1);
        BuildResourceCatalogue(&gResourceCatalogue, &gResourceArchive, &gResourceCache, nullptr,
                               CATALOGUE_ROOT_ENTRY);
        FontDesign digits{24, 20, 0, 0, 0, {}};
        for (char16_t c = u'0'; c <= u'9'; ++c)
            digits.glyphs.push_back({c, 24});
        Install(MakeTestFontA(), kStatusScoreFont);
        Install(digits, kStatusFlagFont);
    }
    ~Overlay() {
        gUI.UnloadFonts();
        for (Image* image : images_)
            FreeImage(&image);
        UnloadCatalogue(&gResourceCatalogue);
        CacheTableFree(&gResourceCache);
        CloseArchive(&gResourceArchive);
        close(fd_);
    }
    Image* Font(int32_t slot) const { return gUI.GetFontImage(slot); }

private:
    void Install(const FontDesign& design, int32_t slot) {
        FontPicture picture = DrawFontPicture(design);
        Image* image = CreateImage(picture.width, picture.height, IMAGE_FMT_32);
        std::memcpy(image->pixels, picture.pixels.data(), picture.pixels.size() * 4);
        images_.push_back(image);
        std::vector<uint8_t> table = WriteFontTable(design);
        CFont* font = new CFont();
        font->LoadTableFromMemory(table.data(), static_cast<uint32_t>(table.size()));
        font->SetImage(image);
        font->SetLoaded(1);
        gUI.AdoptFont(font, 58 + slot, slot);
    }
    int fd_ = -1;
    std::vector<Image*> images_;
};

const std::vector<std::u16string> kFormats = {u"%d%d%d", u"S%u", u"C%u"};

class Scene : public ::testing::Test {
protected:
    void SetUp() override {
        SetObjectTypeInstaller(InstallSceneTypes);
        InstallObjectTypes(world);
        gDrawnSlots.clear();
        gMarkers.clear();
        gCodesSeen.clear();
        savedConfig = gConfig;
        gConfig.screenWidth = 800;
        std::memset(&gSaveBlock, 0, sizeof(gSaveBlock));
        world->gameLevel = world->currentLevel = 3;
    }
    void TearDown() override {
        DeleteObjectsExceptType(world, -1);
        SetObjectTypeInstaller(nullptr);
        FreeTileRunMapBuffers(world);
        FreeTileRunMap(&world->map);
        DeleteGameWorld(world);
        for (Image* image : images)
            FreeImage(&image);
        gMarkers.clear();
        gConfig = savedConfig;
    }
    Image* NewImage() {
        images.push_back(CreateImage(32, 32, IMAGE_FMT_32));
        return images.back();
    }
    ObjectSlot* Make(uint8_t type, int16_t x, int16_t y, int16_t depth = 0) {
        ObjectSlot* object = CreateObject(world, x, y, type, 0, 0);
        object->depth = depth;
        return object;
    }
    void SetPlacements(const std::vector<PlacementRecord>& records) {
        FreeTileRunMapBuffers(world);
        world->placements = static_cast<PlacementRecord*>(
            std::calloc(records.size(), sizeof(PlacementRecord)));
        std::copy(records.begin(), records.end(), world->placements);
        world->placementCount = static_cast<int32_t>(records.size()) - 1;
    }

    GameWorld* world = NewGameWorld();
    std::vector<Image*> images;
    DrawCapture capture;
    GameConfig savedConfig{};
};

// One letter per drawn thing, repeats merged.
std::string FrameOf(const DrawCapture& capture, std::map<const Image*, char>& labels) {
    std::string frame;
    for (const CapturedDraw& draw : capture.draws())
        if (frame.empty() || frame.back() != labels[draw.record.source])
            frame += labels[draw.record.source];
    return frame;
}

TEST_F(Scene, ObjectsInterleaveWithLayersByDepthInSlotOrderAndTheDeepestNeverDraw) {
    Overlay overlay(kFormats);
    LoadMap(world, {FilledLayer(2, 2, 1), FilledLayer(2, 2, 2), FilledLayer(2, 2, 3), kNone}, true);
    world->camera.viewWidth = world->camera.viewHeight = Px(64);
    // B background, 0-2 the layers, S the overlay, 'a' + k object k.
    std::map<const Image*, char> labels;
    labels[world->background = NewImage()] = 'B';
    for (uint8_t code = 1; code <= 3; ++code)
        labels[world->tileImages[code] = NewImage()] = static_cast<char>('0' + code - 1);
    labels[overlay.Font(kStatusScoreFont)] = labels[overlay.Font(kStatusFlagFont)] = 'S';
    const int16_t depths[] = {0, 64, 63, -65, 64, -33, -32, 32, 31, 0, -64};
    for (int32_t k = 0; k < 11; ++k) {
        Make(kPlain, 0, 0, depths[k]);
        labels[gMarkers[k] = NewImage()] = static_cast<char>('a' + k);
    }
    for (auto [flags, frame] : {std::make_pair(0, "Bbe0ch1iaj2gSfk"),
                                std::make_pair(int(VIEW_HIDE_GRAPHICS), "BbechiajgSfk")}) {
        capture.Clear();
        gDrawnSlots.clear();
        world->dumpFlags = static_cast<uint8_t>(flags);
        world->drawStage = 0;
        EXPECT_EQ(DrawWorld(world), 1);
        EXPECT_EQ(world->drawStage, DRAW_STAGE_DONE);
        EXPECT_EQ(FrameOf(capture, labels), frame);
        EXPECT_EQ(gDrawnSlots, (std::vector<int32_t>{1, 4, 2, 7, 8, 0, 9, 6, 5, 10}));
    }
    capture.Clear();
    EXPECT_EQ(DrawWorld(world), 0); // a finished frame waits for the next step
    EXPECT_EQ(capture.size(), 0u);
}

TEST_F(Scene, TheLayersStartEighteenCellsBeforeTheEvenCameraAndLayerZeroAtHalfSpeed) {
    LoadMap(world, {FilledLayer(60, 30, 1), FilledLayer(60, 30, 2), kNone, kNone}, false);
    Image* half = world->tileImages[1] = NewImage();
    Image* full = world->tileImages[2] = NewImage();
    world->camera.viewWidth = Px(640);
    world->camera.viewHeight = Px(480);
    struct Case {
        int32_t x, y; // 16.16
        DrawScratch s;
    } const cases[] = {
        {Px(1001) + 0x8000, Px(701), {0, 13, 3, 51, 36, -584, -604, 6, 1, -308, -318}},
        {Px(100), Px(40), {0, 0, 0, 23, 16, -100, -40, 0, 0, -50, -20}},
    };
    for (const Case& c : cases) {
        capture.Clear();
        world->camera.positionX = c.x;
        world->camera.positionY = c.y;
        world->drawStage = 0;
        DrawWorld(world);
        const DrawScratch& s = world->drawScratch;
        EXPECT_EQ(std::tie(s.firstColumn, s.firstRow, s.lastColumn, s.lastRow, s.screenX, s.screenY),
                  std::tie(c.s.firstColumn, c.s.firstRow, c.s.lastColumn, c.s.lastRow, c.s.screenX,
                           c.s.screenY));
        EXPECT_EQ(std::tie(s.halfFirstColumn, s.halfFirstRow, s.halfScreenX, s.halfScreenY),
                  std::tie(c.s.halfFirstColumn, c.s.halfFirstRow, c.s.halfScreenX, c.s.halfScreenY));
        ASSERT_NE(capture.FirstSpriteOf(half), nullptr);
        EXPECT_EQ(capture.FirstSpriteOf(half)->record.x, c.s.halfScreenX);
        EXPECT_EQ(capture.FirstSpriteOf(half)->record.y, c.s.halfScreenY);
        EXPECT_EQ(capture.FirstSpriteOf(full)->record.x, c.s.screenX);
        // Each row's one run goes past the last column (one cell more);
        // rows below the map are skipped.
        const size_t rows = std::min(c.s.lastRow, 29) - c.s.firstRow + 1;
        EXPECT_EQ(capture.SpritesOf(full).size(), rows * (c.s.lastColumn + 2 - c.s.firstColumn));
    }
}

TEST_F(Scene, ATileLayerIsDrawnRunByRunAndARunPastTheLastColumnShowsOneCellMore) {
    using Sprite = std::tuple<int32_t, int32_t, int32_t, uint16_t>; // code, x, y, flags
    const uint16_t mirrored = SPRITE_FLAG_MIRROR_X | SPRITE_FLAG_ALPHA;
    std::map<const Image*, int32_t> codeOf;
    for (int32_t code : {5, 6, 7, 10, 13})
        codeOf[world->tileImages[code] = NewImage()] = code;
    // 8 has no image; 9 shows 10's mirrored; 11's substitute has none.
    world->codeSubstitutes[9] = 10;
    world->codeSubstitutes[11] = 12;
    const LevelLayerGrid grid =
        Grid(8, {{5, 5, 5, 5, 5, 5, 5, 5}, {0, 0, 6, 7, 7, 7, 8, 8}, {9, 9, 11, 11, 13, 13, 13, 13}});
    // A malformed row with a gap at columns 2 and 3 between its two runs.
    std::vector<uint8_t> gapped = {6, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                   0, 0, 0, 0, 8, 0, 0, 0, 0, 0, 1, 5, 4, 0, 1, 6};
    struct Case {
        bool expanded;
        std::vector<uint8_t> layer1;
        int32_t columns[4]; // map column, first, last, screen x
        std::vector<Sprite> sprites;
    } const cases[] = {
        // Map columns 1..4 (only the count comes from first and last); row 3
        // lies below the map.
        {false, {}, {1, 21, 24, -10},
         {{5, -10, 5, 0}, {5, 22, 5, 0}, {5, 54, 5, 0}, {5, 86, 5, 0}, {5, 118, 5, 0},
          {6, 22, 37, 0}, {7, 54, 37, 0}, {7, 86, 37, 0}, {7, 118, 37, 0},
          {10, -10, 69, mirrored}, {13, 86, 69, 0}, {13, 118, 69, 0}}},
        // One run per cell: no run reaches past the last column.
        {true, {}, {1, 21, 24, -10},
         {{5, -10, 5, 0}, {5, 22, 5, 0}, {5, 54, 5, 0}, {5, 86, 5, 0}, {6, 22, 37, 0},
          {7, 54, 37, 0}, {7, 86, 37, 0}, {10, -10, 69, mirrored}, {13, 86, 69, 0}}},
        {false, gapped, {0, 0, 5, 0}, {{5, 0, 5, 0}, {5, 32, 5, 0}, {6, 128, 5, 0}, {6, 160, 5, 0}}},
    };
    for (const Case& c : cases) {
        LoadMap(world, {kNone, grid, kNone, kNone}, c.expanded, c.layer1);
        capture.Clear();
        DrawTileLayer(world, 1, c.columns[0], 0, c.columns[1], 40, c.columns[2], 43, c.columns[3], 5);
        std::vector<Sprite> drawn;
        for (const CapturedDraw& d : capture.draws())
            drawn.emplace_back(codeOf[d.record.source], d.record.x, d.record.y, d.record.flags);
        EXPECT_EQ(drawn, c.sprites) << c.expanded << c.layer1.size();
    }
    capture.Clear();
    DrawTileLayer(world, 4, 1, 0, 0, 0, 3, 3, 0, 0);
    DrawTileLayer(world, 1, 1, 0, 3, 0, 2, 3, 0, 0);
    EXPECT_EQ(capture.size(), 0u);
}

// The Direct3D 9 renderer on the software layer, read back from the screen.
class ScenePixels : public D3dScreenTest {
protected:
    void TearDown() override {
        FreeTileRunMap(&world->map);
        DeleteGameWorld(world);
        D3dScreenTest::TearDown();
    }

    GameWorld* world = NewGameWorld();
};

TEST_F(ScenePixels, ACodeDrawnThroughItsSubstituteShowsItsImageMirroredAndOpaque) {
    // Left half red, right half green.
    Image* image = CreateImage(32, 32, IMAGE_FMT_32);
    for (int32_t k = 0; k < 32 * 32; ++k)
        image->pixels[k] = k % 32 < 16 ? 0xFFFF0000u : 0xFF00FF00u;
    world->tileImages[10] = Uploaded(image);
    world->codeSubstitutes[9] = 10;
    LoadMap(world, {kNone, Grid(2, {{10, 9}}), kNone, kNone}, false);
    DrawTileLayer(world, 1, 0, 0, 0, 0, 1, 0, 100, 50);
    Frame();
    const uint32_t background = Pixel(799, 599) & 0xFFFFFFu;
    const auto expected = [background](int32_t x, int32_t) -> uint32_t {
        if (x < 116 || (x >= 148 && x < 164))
            return 0xFF0000u; // code 9 shows 10's image mirrored
        return x < 164 ? 0x00FF00u : background;
    };
    ExpectArea(100, 50, 80, 32, expected);
    ExpectArea(100, 82, 80, 1, [background](int32_t, int32_t) { return background; });
}

TEST_F(Scene, TheChangeListShowsItsCodesDuringTheFrameAndTheMapGetsItsOwnBack) {
    LoadMap(world, {kNone, FilledLayer(4, 1, 2), kNone, kNone}, true);
    world->camera.viewWidth = world->camera.viewHeight = Px(32);
    for (int32_t code : {2, 5, 7})
        world->tileImages[code] = NewImage();
    Make(kPlain, 0, 0, 16); // drawn after layer 1
    // Cell (1, 0) twice; (9, 0) is past the map; layer 7 does not exist.
    std::vector<uint8_t> list = {4, 0, 0, 0, 1, 0, 0, 0, 1, 5, 9, 0, 0, 0, 1, 6,
                                 1, 0, 0, 0, 1, 7, 2, 0, 0, 0, 7, 8};
    const std::vector<uint8_t> original = list;
    world->tileChanges = list.data();
    DrawWorld(world);
    EXPECT_EQ(gCodesSeen, (std::vector<int32_t>{7, 2}));
    ASSERT_EQ(capture.SpritesOf(world->tileImages[7]).size(), 1u);
    EXPECT_EQ(capture.SpritesOf(world->tileImages[7])[0]->record.x, 32);
    EXPECT_EQ(capture.SpritesOf(world->tileImages[5]).size(), 0u);
    for (int32_t column = 0; column < 4; ++column)
        EXPECT_EQ(TileCodeAt(&world->map, 1, column, 0), 2) << column;
    EXPECT_EQ(list, original);
    PutI32LE(list.data(), -3);
    ToggleTileChanges(world);
    EXPECT_EQ(TileCodeAt(&world->map, 1, 1, 0), 2);
}

TEST_F(Scene, PlacementsAreMadeByTypeAndTakenBitWithinReachOfThePoint) {
    LoadMap(world, {kNone, kNone, kNone, FilledLayer(10, 40, 0)}, false); // 1280 pixels high
    const uint8_t types[] = {kPlain, kPickup, kBand, OBJT_PLAYER, 34, 123};
    for (uint8_t k = 0; k < 6; ++k)
        world->codeTypes[50 + k] = types[k];
    SetWorldBit(world, 7, 1);
    SetWorldBit(world, 40000, 1);
    struct Case {
        int16_t px, py, x, y;
        uint16_t code;
        int16_t item;
        int32_t kind;
        bool made;
    } const cases[] = {
        {300, 200, 0, 200, 50, 0, SPAWN_NEAR, true}, // p.x - 800 is negative
        {300, 200, 1100, 200, 50, 0, SPAWN_NEAR, true},
        {300, 200, 1101, 200, 50, 0, SPAWN_NEAR, false},
        {900, 200, 99, 200, 50, 0, SPAWN_NEAR, false},
        {300, 200, 300, 820, 50, 0, SPAWN_NEAR, true},
        {300, 200, 300, 821, 50, 0, SPAWN_NEAR, false},
        {300, 1000, 300, 379, 50, 0, SPAWN_NEAR, false},
        {300, 1000, 300, 1248, 50, 0, SPAWN_NEAR, true}, // reach ends a cell above the bottom
        {300, 1000, 300, 1249, 50, 0, SPAWN_NEAR, false},
        {300, 200, 300, 200, 51, 6, SPAWN_NEAR, true},
        {300, 200, 300, 200, 51, 7, SPAWN_NEVER, false}, // taken
        {300, 200, 20000, 20000, 52, 7, SPAWN_ALWAYS, true},
        {300, 200, 300, 200, 53, 0, SPAWN_NEVER, false},
        {300, 200, 300, 200, 54, 0, SPAWN_NEVER, false},
        {300, 200, 300, 200, 55, static_cast<int16_t>(40000), SPAWN_NEVER, false},
        {300, 200, 300, 200, 55, -1, SPAWN_NEAR, true}, // bit 65535
        {300, 200, 300, 200, 256, 0, SPAWN_NEVER, false}, // past the type table
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        SetPlacements({{c.x, c.y, -1, c.item, c.code}});
        EXPECT_EQ(ClassifySpawn(world, &world->placements[0]), c.kind);
        SpawnNearbyObjects(world, c.px, c.py);
        const int32_t slot = world->placements[0].liveSlot;
        ASSERT_EQ(slot >= 0, c.made);
        if (c.made) {
            EXPECT_EQ(std::tie(world->slots[slot].x, world->slots[slot].y), std::tie(c.x, c.y));
        }
        DeleteObjectsExceptType(world, -1);
    }
}

TEST_F(Scene, FarObjectsGoExceptTypes24And126AndTheirPlacementsComeBackUnlessTaken) {
    // Around (2000, 1000): 1500 pixels across, 660 down.
    const std::tuple<uint8_t, int16_t, int16_t, bool> objects[] = {
        {kPlain, 500, 1000, true},  {kPlain, 499, 1000, false}, {kPlain, 3500, 1000, true},
        {kPlain, 3501, 1000, false}, {kPlain, 2000, 340, true},  {kPlain, 2000, 339, false},
        {kPlain, 2000, 1660, true}, {kPlain, 2000, 1661, false}, {kBand, -30000, -30000, true},
        {126, 30000, 30000, true},  {kPickup, 30000, 1000, false}};
    for (const auto& object : objects)
        Make(std::get<0>(object), std::get<1>(object), std::get<2>(object));
    DespawnFarObjects(world, 2000, 1000);
    for (size_t k = 0; k < std::size(objects); ++k)
        EXPECT_EQ(world->slots[k].typeId != 0, std::get<3>(objects[k])) << k;
    DeleteObjectsExceptType(world, -1);

    LoadMap(world, {kNone, kNone, kNone, FilledLayer(200, 40, 0)}, false);
    world->codeTypes[51] = kPickup;
    SetPlacements({{320, 320, -1, 12, 51}, {480, 320, -1, 13, 51}});
    SpawnNearbyObjects(world, 400, 300);
    EXPECT_EQ(world->liveObjects, 2);
    DespawnFarObjects(world, 5000, 300);
    EXPECT_EQ(world->liveObjects, 0);
    EXPECT_EQ(world->placements[0].liveSlot, -1);
    SetWorldBit(world, 13, 1);
    SpawnNearbyObjects(world, 400, 300);
    EXPECT_GE(world->placements[0].liveSlot, 0);
    EXPECT_EQ(world->placements[1].liveSlot, -1);
}

TEST_F(Scene, TheOverlayShowsTheCountersOfTheWorldOnTheLevelsThatHaveIt) {
    std::vector<uint8_t> levelTable(4 * 13, 0);
    PutI32LE(levelTable.data() + 44, 30);
    PutI32LE(levelTable.data() + 48, 31);
    world->levelTable = levelTable.data();
    world->levelTableSize = static_cast<uint32_t>(levelTable.size());
    gSaveBlock.currentUser = 1;
    struct Case {
        std::vector<std::u16string> formats;
        int16_t gameLevel, level;
        int32_t counter, score, hud, a, b;
        std::u16string line1, line2, line3, icons; // empty: not shown
    } const cases[] = {
        {kFormats, 1, 3, 3, 999, 1, 1, 1, u"", u"", u"", u""}, // nothing at all
        {kFormats, 4, 30, 3, 999, 1, 1, 1, u"", u"", u"", u""},
        {kFormats, 4, 31, 3, 999, 1, 1, 1, u"", u"", u"", u""},
        {kFormats, 5, 5, 2, 1234, 7, 0, 0, u"110", u"S1234", u"C7", u""},
        {kFormats, 28, 28, 0, 0, 0, 1, 0, u"000", u"S0", u"", u"356"},
        {kFormats, 28, 28, 5, 42, 0, 2, 3, u"111", u"S42", u"", u"334"},
        // The formats are read from the archive on every frame; a group of
        // two leaves line 3 blank rather than reading the next group.
        {{u"%d%d%d", u"P%u", u"N%u"}, 5, 5, 1, 5, 9, 0, 0, u"100", u"P5", u"N9", u""},
        {{u"%d%d%d", u"P%u"}, 5, 5, 1, 5, 9, 0, 0, u"100", u"P5", u"", u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        Overlay overlay(c.formats);
        world->gameLevel = c.gameLevel;
        world->currentLevel = c.level;
        world->levelStatus.counter = c.counter;
        gSaveBlock.users[1].runningScore = c.score;
        world->player.hudCount = c.hud;
        world->player.hudIcon1 = c.a;
        world->player.hudIcon2 = c.b;
        capture.Clear();
        DrawGameStatus(world, c.level == 5, c.level == 28);
        const auto flags = capture.SpritesOf(overlay.Font(kStatusFlagFont));
        const auto score = capture.SpritesOf(overlay.Font(kStatusScoreFont));
        // Every glyph shown is drawn once in its line's font; the icons sit
        // 95 pixels down.
        EXPECT_EQ(capture.size(), flags.size() + score.size());
        EXPECT_EQ(flags.size(), c.line1.size() + c.icons.size());
        EXPECT_EQ(score.size(), c.line2.size() + c.line3.size());
        for (size_t k = 0; k < flags.size(); ++k)
            EXPECT_EQ(flags[k]->record.y >= 95, k >= 3) << k;
        if (c.line1.empty())
            continue;
        const CGameStatus& status = gGameStatus;
        auto text = [](const CText* t) { return std::u16string(t->GetText() ? t->GetText() : u""); };
        EXPECT_EQ(text(status.line1), c.line1);
        EXPECT_EQ(text(status.line2), c.line2);
        EXPECT_EQ(status.line3->IsVisible(), c.level == 5);
        if (c.level == 5) {
            EXPECT_EQ(text(status.line3), c.line3);
        }
        EXPECT_EQ(status.icons->IsVisible(), c.level == 28);
        if (!c.icons.empty()) {
            EXPECT_EQ(text(status.icons), c.icons);
        }
    }
    world->levelTable = nullptr;
}

} // namespace
