#include "tools/sample/sample_archive.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <map>
#include <utility>
#include <vector>

#include "engine/archive.h"
#include "engine/bytes.h"
#include "tools/sample/font_writer.h"
#include "tools/sample/dump_header.h"
#include "tools/sample/level_writer.h"
#include "tools/sample/menu_archive.h"
#include "tools/sample/png_writer.h"
#include "tools/sample/sample_font.h"
#include "tools/sample/sample_media.h"
#include "world/game_world.h"
#include "world/play_task.h"

namespace {

constexpr uint8_t kRawType = 0;
constexpr uint8_t kPngType = static_cast<uint8_t>(RES_TYPE_PNG);
constexpr uint8_t kPredecodedType = static_cast<uint8_t>(RES_TYPE_SOUND_PREDECODED);
constexpr uint8_t kInMemoryType = static_cast<uint8_t>(RES_TYPE_SOUND_IN_MEMORY);

constexpr int32_t kCell = 32;
constexpr uint32_t kScreenWidth = 800;
constexpr uint32_t kScreenHeight = 600;

using sample::Canvas;
using sample::Gradient;
using sample::Mix;
using sample::NotesOgg;
using sample::Opaque;

// ---- sounds --------------------------------------------------------------------

std::vector<uint8_t> LevelStartSound() {
    return NotesOgg({{523.25, 0.08}, {659.25, 0.08}, {783.99, 0.16}}, 7000.0);
}

// Two seconds of arpeggio that loops without a seam.
std::vector<uint8_t> LevelMusic() {
    return NotesOgg({{261.63, 0.25},
                     {329.63, 0.25},
                     {392.0, 0.25},
                     {523.25, 0.25},
                     {392.0, 0.25},
                     {329.63, 0.25},
                     {293.66, 0.25},
                     {246.94, 0.25}},
                    4000.0, 0.1f);
}

// ---- tiles -----------------------------------------------------------------------

// Drawn codes of layers 0 to 2, each the index of its image in the tile set.
enum TileCode : uint8_t {
    kTileNone = 0,
    kTileGrass,
    kTileEarth,
    kTileSlopeUp,
    kTileSlopeDown,
    kTilePlank,
    kTileHill,
    kTileHillTop,
    kTileDoorLow,
    kTileDoorHigh,
    kTileStone,
    kTileGoalLow,
    kTileGoalHigh,
    kTileBush,
    kTileHillUp,
    kTileHillDown,
    // Falls to the right: no picture of its own, the tile set's substitute
    // table draws the rising slope's mirrored in its place.
    kTileSlopeDownTwin,
    kTileCount
};
static_assert(kTileSlopeUp == SAMPLE_TILE_SLOPE_UP &&
                  kTileSlopeDownTwin == SAMPLE_TILE_SLOPE_DOWN_TWIN,
              "the tile codes the tests look for");

constexpr uint32_t kEarth = 0xFF7A4A22u;
constexpr uint32_t kEarthDark = 0xFF5E3818u;
constexpr uint32_t kGrass = 0xFF3FA34Du;
constexpr uint32_t kGrassDark = 0xFF2B7A36u;
constexpr uint32_t kFarHill = 0xC0304C70u;
constexpr uint32_t kFarHillTop = 0xC0486890u;

void Speckle(Canvas* c, uint32_t colour) {
    for (int32_t k = 0; k < 9; ++k)
        c->Fill((k * 11 + 3) % 29, (k * 7 + 5) % 29, 2, 2, colour);
}

std::vector<uint8_t> TilePicture(TileCode code) {
    Canvas c(kCell, kCell);
    switch (code) {
    case kTileGrass:
        c.Fill(0, 0, kCell, kCell, kEarth);
        Speckle(&c, kEarthDark);
        c.Fill(0, 0, kCell, 7, kGrass);
        c.Fill(0, 7, kCell, 2, kGrassDark);
        break;
    case kTileEarth:
        c.Fill(0, 0, kCell, kCell, kEarth);
        Speckle(&c, kEarthDark);
        break;
    case kTileSlopeUp:
    case kTileSlopeDown:
        // The surface runs corner to corner, as the shape's quarters do.
        for (int32_t y = 0; y < kCell; ++y)
            for (int32_t x = 0; x < kCell; ++x) {
                const int32_t depth = code == kTileSlopeUp ? x + y - (kCell - 1) : y - x;
                if (depth >= 0)
                    c.Put(x, y, depth < 6 ? kGrass : depth < 8 ? kGrassDark : kEarth);
            }
        break;
    case kTilePlank:
        c.Fill(0, 0, kCell, 8, Opaque(0xC08040));
        c.Fill(0, 7, kCell, 1, Opaque(0x7A4A1E));
        c.Fill(3, 8, 3, 6, Opaque(0x7A4A1E));
        c.Fill(26, 8, 3, 6, Opaque(0x7A4A1E));
        break;
    case kTileHill:
        c.Fill(0, 0, kCell, kCell, kFarHill);
        break;
    case kTileHillTop:
        c.Fill(0, 0, kCell, kCell, kFarHill);
        c.Fill(0, 0, kCell, 3, kFarHillTop);
        break;
    case kTileHillUp:
    case kTileHillDown:
        for (int32_t y = 0; y < kCell; ++y)
            for (int32_t x = 0; x < kCell; ++x) {
                const int32_t depth = code == kTileHillUp ? x + y - (kCell - 1) : y - x;
                if (depth >= 0)
                    c.Put(x, y, depth < 3 ? kFarHillTop : kFarHill);
            }
        break;
    case kTileDoorLow:
    case kTileGoalLow: {
        const uint32_t wood = code == kTileDoorLow ? Opaque(0x6B3F1D) : Opaque(0xD8B020);
        c.Fill(4, 0, 24, kCell, wood);
        c.Fill(4, 0, 2, kCell, Opaque(0x2A1A0A));
        c.Fill(26, 0, 2, kCell, Opaque(0x2A1A0A));
        c.Fill(20, 12, 3, 3, Opaque(0xF0E0A0));
        break;
    }
    case kTileDoorHigh:
    case kTileGoalHigh: {
        const uint32_t wood = code == kTileDoorHigh ? Opaque(0x6B3F1D) : Opaque(0xD8B020);
        c.Ellipse(16, 32, 12, 24, Opaque(0x2A1A0A));
        c.Ellipse(16, 32, 10, 22, wood);
        break;
    }
    case kTileStone:
        c.Fill(0, 0, kCell, kCell, Opaque(0x8A8A8A));
        c.Fill(0, 15, kCell, 2, Opaque(0x5A5A5A));
        c.Fill(15, 0, 2, 15, Opaque(0x5A5A5A));
        c.Fill(7, 17, 2, 15, Opaque(0x5A5A5A));
        break;
    case kTileBush:
        c.Ellipse(16, 30, 15, 12, 0xB0286E2Eu);
        break;
    default:
        return {};
    }
    return c.Png();
}

WorldTileSetSpec MakeTileSet() {
    WorldTileSetSpec set;
    // The twin keeps an image entry (a stub) all the same: the level loader
    // looks at no code past the tile set's last entry.
    for (int32_t code = 0; code < kTileCount; ++code)
        set.images.push_back(TilePicture(static_cast<TileCode>(code)));
    set.substitutes[kTileSlopeDownTwin] = kTileSlopeUp;
    return set;
}

// Quarter codes of the layer-3 shapes, 4 by 4 a cell, row by row.
std::map<uint8_t, std::array<uint8_t, 16>> MakeShapes() {
    std::array<uint8_t, 16> solid{};
    std::array<uint8_t, 16> up{};
    std::array<uint8_t, 16> down{};
    std::array<uint8_t, 16> oneWay{};
    for (int32_t qy = 0; qy < 4; ++qy)
        for (int32_t qx = 0; qx < 4; ++qx) {
            const size_t q = static_cast<size_t>(4 * qy + qx);
            solid[q] = 1;
            up[q] = qx + qy == 3 ? 4 : qx + qy > 3 ? 1 : 0;
            down[q] = qx == qy ? 5 : qy > qx ? 1 : 0;
            oneWay[q] = qy == 0 ? 8 : 0;
        }
    return {{SAMPLE_CODE_SOLID, solid},
            {SAMPLE_CODE_SLOPE_UP, up},
            {SAMPLE_CODE_SLOPE_DOWN, down},
            {SAMPLE_CODE_ONE_WAY, oneWay}};
}

// ---- levels ----------------------------------------------------------------------

constexpr int32_t kRows = 22;
constexpr int32_t kGroundTop = 18;
constexpr int32_t kStanding = kGroundTop - 1; // the row of a cell standing on the ground

// A level drawn cell by cell: layer 0 the far hills (half speed), layer 1
// everything the player stands in front of, layer 2 the foreground, layer
// 3 the collision and object codes.
class LevelCanvas {
public:
    explicit LevelCanvas(int32_t width)
        : layers_{FilledLayer(width, kRows, 0), FilledLayer(width, kRows, 0),
                  FilledLayer(width, kRows, 0), FilledLayer(width, kRows, 0)} {}

    int32_t width() const { return layers_[3].width; }

    // Solid from row `top` down, grass on top.
    void Ground(int32_t x0, int32_t x1, int32_t top) {
        for (int32_t x = x0; x <= x1; ++x)
            for (int32_t y = top; y < kRows; ++y)
                Set(x, y, y == top ? kTileGrass : kTileEarth, SAMPLE_CODE_SOLID);
    }
    // Stone columns at both ends keep the player inside.
    void Walls() {
        for (int32_t y = 0; y < kRows; ++y) {
            Set(0, y, kTileStone, SAMPLE_CODE_SOLID);
            Set(width() - 1, y, kTileStone, SAMPLE_CODE_SOLID);
        }
    }
    void SlopeUp(int32_t x, int32_t y) { Slope(x, y, kTileSlopeUp, SAMPLE_CODE_SLOPE_UP); }
    // `twin`: drawn as the rising slope mirrored, through the substitutes.
    void SlopeDown(int32_t x, int32_t y, bool twin = false) {
        Slope(x, y, twin ? kTileSlopeDownTwin : kTileSlopeDown, SAMPLE_CODE_SLOPE_DOWN);
    }
    void Plank(int32_t x0, int32_t x1, int32_t y) {
        for (int32_t x = x0; x <= x1; ++x)
            Set(x, y, kTilePlank, SAMPLE_CODE_ONE_WAY);
    }
    // A door two cells high whose lower cell holds `code`; a code of 0
    // draws the door alone.
    void Door(int32_t x, uint8_t code, bool goal) {
        layers_[1].At(x, kStanding) = goal ? kTileGoalLow : kTileDoorLow;
        layers_[1].At(x, kStanding - 1) = goal ? kTileGoalHigh : kTileDoorHigh;
        layers_[3].At(x, kStanding) = code;
    }
    void Object(int32_t x, int32_t y, uint8_t code) { layers_[3].At(x, y) = code; }
    // The entry-0 marker on the ground at column x, the player's cell
    // above it.
    void Start(int32_t x) {
        Object(x, kStanding, SAMPLE_CODE_ENTRY);
        Object(x, kStanding - 1, SAMPLE_CODE_PLAYER);
    }
    void Objects(int32_t x0, int32_t x1, int32_t y, uint8_t code) {
        for (int32_t x = x0; x <= x1; ++x)
            Object(x, y, code);
    }
    // A far hill in the half-speed layer: sides at 45 degrees up to a
    // plateau at most `height` cells above the ground, and down to the
    // bottom row, since that layer moves against the ground.
    void Hill(int32_t x0, int32_t x1, int32_t height) {
        const int32_t n = x1 - x0 + 1;
        for (int32_t i = 0; i < n; ++i) {
            const int32_t rising = i + 1, falling = n - i;
            const int32_t h = std::min({height, rising, falling});
            const int32_t top = kGroundTop - h;
            uint8_t tile = kTileHillTop;
            if (h == rising && rising < falling)
                tile = kTileHillUp;
            else if (h == falling && falling < rising)
                tile = kTileHillDown;
            layers_[0].At(x0 + i, top) = tile;
            for (int32_t y = top + 1; y < kRows; ++y)
                layers_[0].At(x0 + i, y) = kTileHill;
        }
    }
    void Bush(int32_t x) { layers_[2].At(x, kStanding) = kTileBush; }
    // Takes `depth` rows off the ground from column x0 to x1, grass on the
    // new floor.
    void Pit(int32_t x0, int32_t x1, int32_t depth) {
        for (int32_t x = x0; x <= x1; ++x) {
            for (int32_t y = kGroundTop; y < kGroundTop + depth; ++y)
                Set(x, y, kTileNone, 0);
            Set(x, kGroundTop + depth, kTileGrass, SAMPLE_CODE_SOLID);
        }
    }
    // A pipe chain whose head is at (x, y): `straight` straight segments to
    // the right, a bend down and a drop below it.
    void PipeChain(int32_t x, int32_t y, int32_t straight) {
        Object(x, y, SAMPLE_CODE_PIPE);
        for (int32_t k = 1; k <= straight; ++k)
            Object(x + k, y, SAMPLE_CODE_PIPE_STRAIGHT);
        Object(x + straight + 1, y, SAMPLE_CODE_PIPE_BEND_DOWN);
        Object(x + straight + 1, y + 1, SAMPLE_CODE_PIPE_DROP);
    }

    const std::array<LevelLayerGrid, 4>& layers() const { return layers_; }

private:
    void Set(int32_t x, int32_t y, uint8_t tile, uint8_t code) {
        layers_[1].At(x, y) = tile;
        layers_[3].At(x, y) = code;
    }
    // The cell under a slope shows earth, not a second grass edge.
    void Slope(int32_t x, int32_t y, uint8_t tile, uint8_t code) {
        Set(x, y, tile, code);
        if (y + 1 < kRows)
            Set(x, y + 1, kTileEarth, SAMPLE_CODE_SOLID);
    }

    std::array<LevelLayerGrid, 4> layers_;
};

// Where the menus' level map sends the player (destination r of the level
// being played): the r-th score level, the first playable level for a new
// game. The map also opens over a paused game, so the playable levels keep
// the first two of these before their exits' destinations.
constexpr std::array<int32_t, 2> kNewGame = {2, 0};
constexpr std::array<int32_t, 2> kSecondLevel = {3, 0};

// Taken bits of kinds 0 and 1 start per level where no other level's do;
// kind 2 numbers the entry records, and the player's must be the same
// record on every level.
std::array<int32_t, 3> TakenBitBases(int32_t level) {
    return {1000 * level, 1000 * level + 500, 0};
}

WorldLevelSpec LevelFrom(const LevelCanvas& canvas, int32_t level) {
    WorldLevelSpec spec;
    spec.layers = canvas.layers();
    spec.tileSet = 1;
    spec.mediaPart = 1;
    spec.takenBitBases = TakenBitBases(level);
    return spec;
}

uint32_t SkyTop(int32_t level) {
    static const uint32_t kTops[] = {0xFF3A2A5Eu, 0xFF4A90D9u, 0xFFE07A3Au, 0xFF101838u};
    return kTops[(level - 1) % 4];
}

uint32_t SkyBottom(int32_t level) {
    static const uint32_t kBottoms[] = {0xFFB07AA0u, 0xFFC8E8F8u, 0xFFF8D890u, 0xFF40305Au};
    return kBottoms[(level - 1) % 4];
}

std::vector<uint8_t> Background(int32_t level) {
    return Gradient(kScreenWidth, kScreenHeight, SkyTop(level), SkyBottom(level)).Png();
}

// The front end: the scene behind the menus. Its player cannot move and is
// not drawn, but the menus' level map needs one to send on its way.
WorldLevelSpec FrontEndLevel() {
    LevelCanvas c(40);
    c.Walls();
    c.Ground(1, 38, kGroundTop);
    c.SlopeUp(10, kStanding);
    c.Ground(11, 16, kStanding);
    c.SlopeDown(17, kStanding);
    c.Plank(24, 28, 15);
    c.Start(20);
    c.Hill(3, 9, 5);
    c.Hill(14, 22, 8);
    c.Hill(27, 33, 6);
    WorldLevelSpec level = LevelFrom(c, 1);
    level.background = Background(1);
    for (int32_t r = 0; r < 8; ++r)
        level.destinations.push_back(r == 0 ? kNewGame : kSecondLevel);
    return level;
}

// Ground, a hill with a slope each side, a one-way plank, a two-step hill
// and the door to level 3.
WorldLevelSpec FirstPlayableLevel() {
    LevelCanvas c(72);
    c.Walls();
    c.Ground(1, 70, kGroundTop);
    c.Start(4);
    for (int32_t x : {8, 10, 12})
        c.Object(x, kStanding, SAMPLE_CODE_PICKUP);
    c.SlopeUp(16, kStanding);
    c.Ground(17, 22, kStanding);
    c.SlopeDown(23, kStanding, true);
    c.Objects(19, 20, kStanding - 1, SAMPLE_CODE_PICKUP);
    c.Plank(28, 33, 15);
    c.Objects(29, 32, 14, SAMPLE_CODE_PICKUP);
    c.SlopeUp(38, kStanding);
    c.SlopeUp(39, kStanding - 1);
    c.Ground(40, 45, kStanding - 1);
    c.SlopeDown(46, kStanding - 1);
    c.SlopeDown(47, kStanding);
    c.Objects(42, 43, kStanding - 2, SAMPLE_CODE_PICKUP);
    c.Objects(56, 60, kStanding, SAMPLE_CODE_PICKUP);
    c.Door(68, SAMPLE_CODE_EXIT_BACK, false);
    c.Bush(6);
    c.Bush(26);
    c.Bush(52);
    c.Hill(2, 7, 5);
    c.Hill(12, 19, 7);
    c.Hill(25, 30, 4);
    c.Hill(36, 44, 8);
    c.Hill(50, 56, 6);
    WorldLevelSpec level = LevelFrom(c, 2);
    level.background = Background(2);
    level.destinations = {kNewGame, kSecondLevel, {3, SAMPLE_CODE_EXIT_BACK - 1}};
    return level;
}

// The chase, left to right: a pipe chain behind the door back to level 2
// whose stream ends in a basin, the restart point, two enemies to knock
// down with thrown objects, a plank to climb, a lever that shuts the way
// back, spikes in a pit under a plank bridge, the gem that lets the chased
// character out behind the player and the one that sends it running ahead,
// a moving plate in a trench, and the door to the last level. The stream's
// finale ends the level through destination 1, and a player starts it by
// passing under any segment, so the whole chain lies left of both places
// the level is entered: only a player who turns back reaches it.
WorldLevelSpec ChaseLevel() {
    LevelCanvas c(120);
    c.Walls();
    c.Ground(1, 118, kGroundTop);
    c.PipeChain(1, 12, 3);
    c.Object(5, kStanding, SAMPLE_CODE_BASIN);
    c.Door(SAMPLE_CHASE_DOOR_BACK_COLUMN, SAMPLE_CODE_EXIT_BACK, false);
    c.Object(SAMPLE_CHASE_RESTART_COLUMN, kStanding, SAMPLE_CODE_RESTART_POINT);
    c.Start(12);
    for (int32_t x : {14, 16})
        c.Object(x, kStanding, SAMPLE_CODE_PICKUP);
    c.Object(20, kStanding, SAMPLE_CODE_TARGET_A);
    c.Object(28, kStanding, SAMPLE_CODE_TARGET_B);
    c.Plank(32, 36, 15);
    c.Objects(33, 35, 14, SAMPLE_CODE_PICKUP);
    c.Object(38, kStanding, SAMPLE_CODE_LEVER);
    c.Pit(44, 46, 2);
    c.Plank(44, 46, kGroundTop);
    c.Object(45, kGroundTop + 1, SAMPLE_CODE_HAZARD);
    c.Objects(50, 51, kStanding, SAMPLE_CODE_PICKUP);
    c.Object(56, kStanding, SAMPLE_CODE_CHASE_START);
    c.Object(60, kStanding, SAMPLE_CODE_CHASE_STOP);
    for (int32_t x = 68; x <= 88; x += 4)
        c.Object(x, kStanding, SAMPLE_CODE_PICKUP);
    c.Pit(96, 101, 1);
    c.Object(97, kGroundTop, SAMPLE_CODE_PLATFORM);
    c.Door(108, SAMPLE_CODE_EXIT_FINISH, true);
    for (int32_t x : {18, 42, 64, 92, 112})
        c.Bush(x);
    for (int32_t x0 : {2, 14, 30, 47, 62, 79, 94, 106})
        c.Hill(x0, x0 + 7 + x0 % 3, 4 + x0 % 5);
    WorldLevelSpec level = LevelFrom(c, SAMPLE_CHASE_LEVEL);
    level.background = Background(SAMPLE_CHASE_LEVEL);
    level.destinations = {
        kNewGame, kSecondLevel, {2, SAMPLE_CODE_EXIT_BACK - 1}, {SAMPLE_LAST_LEVEL, 0}};
    return level;
}

// The last level: coins along the road and over a hill, and the golden
// door whose way through destination 3 completes the game.
WorldLevelSpec LastLevel() {
    LevelCanvas c(44);
    c.Walls();
    c.Ground(1, 42, kGroundTop);
    c.Start(4);
    c.Objects(8, 12, kStanding, SAMPLE_CODE_PICKUP);
    c.SlopeUp(16, kStanding);
    c.Ground(17, 21, kStanding);
    c.SlopeDown(22, kStanding, true);
    c.Objects(18, 20, kStanding - 1, SAMPLE_CODE_PICKUP);
    c.Objects(26, 30, kStanding, SAMPLE_CODE_PICKUP);
    c.Door(36, SAMPLE_CODE_EXIT_FINISH, true);
    c.Bush(7);
    c.Bush(25);
    c.Hill(3, 12, 7);
    c.Hill(15, 23, 5);
    c.Hill(29, 35, 6);
    WorldLevelSpec level = LevelFrom(c, SAMPLE_LAST_LEVEL);
    level.background = Background(SAMPLE_LAST_LEVEL);
    level.destinations = {kNewGame, kSecondLevel, kSecondLevel, {SAMPLE_ENDING_LEVEL, 0}};
    return level;
}

// The stage behind the ending: reaching it completes the game, the
// ending's movie covers it, and it shows only while the main menu fades
// in after the movie; the menus then send the player on through
// destination 0, back to the front end.
WorldLevelSpec EndingLevel() {
    LevelCanvas c(30);
    c.Walls();
    c.Ground(1, 28, kGroundTop);
    c.Start(8);
    c.Door(15, 0, true);
    c.Hill(4, 12, 7);
    c.Hill(16, 22, 5);
    WorldLevelSpec level = LevelFrom(c, SAMPLE_ENDING_LEVEL);
    level.background = Background(SAMPLE_ENDING_LEVEL);
    level.destinations = {{1, 0}};
    return level;
}

// ---- level data ---------------------------------------------------------------------

// Level-table words: the play task's, the behaviours' speeds, and every
// word a behaviour divides by (at least 2). Words nobody in the sample
// world reads stay 0.
std::vector<int32_t> MakeLevelTable() {
    std::vector<int32_t> words(256, 0);
    const std::pair<int32_t, int32_t> kWords[] = {
        {0, 8},                    // air speed: 5 pixels a frame
        {1, -24},                  // the lift of a bump, a hurt and a fall (upwards)
        {2, 30},                   // camera shake: length (divisor)
        {3, 8},                    //   amplitude
        {4, 10},                   //   period (divisor)
        {5, 30},                   // score pop-up: frames it lives
        {6, -20},                  //   rise
        {7, 100},                  //   alpha
        {8, -3000},                //   alpha change a frame
        {9, 100},                  //   scale
        {11, SAMPLE_ENDING_LEVEL}, // reaching it completes the game
        {12, 1},                   // no overlay and no keys: the front end
        {22, 20},                  // fading picture: frames of a fade (divisor)
        {23, 80},                  //   frames it holds
        {24, 100 | (100 << 16)},   //   its screen point: x low, y high
        // A chased character stands until the player is this far past it,
        // then keeps that far behind.
        {25, 320},
        // Where the chase's gem lets the chased character out: behind the
        // player, a little above the gem. A new character stands for the
        // rest of the step it is made in, and standing it hurts a player
        // anywhere to its left.
        {35 + 2 * SAMPLE_CHASE_LEVEL, -224},
        {36 + 2 * SAMPLE_CHASE_LEVEL, -16},
        {104, 10}, // the chased character's lean steps (divisor)
        {128, 16}, // homing flight: divisors and jitters
        {129, 16},
        {130, 4},
        {131, 4},
        {137, 16}, // chasing flight: divisors and jitters
        {138, 16},
        {139, 4},
        {140, 4},
        {148, 30}, // flying sprite: steps (divisor)
        {149, 20}, //   the step that hits
        {162, 60}, // falling platform: frames before it drops (divisor)
    };
    for (const auto& [word, value] : kWords)
        words[static_cast<size_t>(word)] = value;
    SetMenuLevelTableWords(&words);
    return words;
}

// Values 0 and 1 the camera zone's reach, 2 and 3 its reference heights,
// 4 to 7 not used; then per level L (values 8L + 8 on) two sets of four
// dead-zone factors in 1/1024 of the view. The play task reads the first
// set at 16 x game level bytes, the level loader at 16 x level + 16: level
// 0's record serves the former.
std::vector<int16_t> MakeCameraRecords() {
    static constexpr int16_t kFactors[8] = {400, 400, 224, 224, 400, 300, 224, 300};
    std::vector<int16_t> values = {64, 96, 600, 600, 0, 0, 0, 0};
    for (int32_t level = 0; level <= SAMPLE_LEVEL_COUNT; ++level)
        values.insert(values.end(), std::begin(kFactors), std::end(kFactors));
    return values;
}

// ---- catalogue groups ------------------------------------------------------------------

std::vector<uint8_t> FontPng(const FontPicture& picture) {
    return ArgbPng(static_cast<uint32_t>(picture.width), static_cast<uint32_t>(picture.height),
                   picture.pixels);
}

// Item L - 1 is shown while level L loads (the front end, level 1, loads
// behind a black screen: its item is the opening picture instead). One bar
// per level number tells them apart.
std::vector<uint8_t> LoadingPicture(int32_t level) {
    Canvas c =
        Gradient(kScreenWidth, kScreenHeight, Mix(SkyTop(level), 0xFF000000u, 0.5), 0xFF000000u);
    c.Fill(0, 200, kScreenWidth, 120, Mix(SkyBottom(level), 0xFF000000u, 0.3));
    const int32_t barWidth = 24;
    const int32_t x0 = (static_cast<int32_t>(kScreenWidth) - level * 2 * barWidth) / 2;
    for (int32_t k = 0; k < level; ++k)
        c.Fill(x0 + k * 2 * barWidth + barWidth / 2, 230, barWidth, 60, Opaque(0xF0F0F0));
    return c.Png();
}

// Frame k of the loading animation: a row of dots, dot k lit.
std::vector<uint8_t> AnimationFrame(int32_t k, int32_t frames) {
    Canvas c(16 * frames, 16);
    for (int32_t i = 0; i < frames; ++i)
        c.Ellipse(16 * i + 8, 8, 5, 5, i == k ? Opaque(0xFFFFFF) : 0x80808080u);
    return c.Png();
}

std::vector<uint8_t> WordsBytes(const std::vector<int32_t>& words) {
    std::vector<uint8_t> out(4 * words.size());
    for (size_t i = 0; i < words.size(); ++i)
        PutI32LE(out.data() + 4 * i, words[i]);
    return out;
}

} // namespace

WorldArchiveSpec MakeSampleWorld() {
    WorldArchiveSpec spec;
    spec.codeTypes[SAMPLE_CODE_ENTRY] = OBJT_INERT;
    spec.codeTypes[SAMPLE_CODE_PLAYER] = OBJT_PLAYER;
    spec.codeTypes[SAMPLE_CODE_EXIT_BACK] = SAMPLE_TYPE_EXIT;
    spec.codeTypes[SAMPLE_CODE_EXIT_FINISH] = SAMPLE_TYPE_EXIT;
    spec.codeTypes[SAMPLE_CODE_PICKUP] = OBJT_PICKUP;
    const std::pair<uint8_t, int32_t> objects[] = {
        {SAMPLE_CODE_RESTART_POINT, SAMPLE_TYPE_RESTART_POINT},
        {SAMPLE_CODE_TARGET_A, SAMPLE_TYPE_TARGET_A},
        {SAMPLE_CODE_TARGET_B, SAMPLE_TYPE_TARGET_B},
        {SAMPLE_CODE_LEVER, SAMPLE_TYPE_LEVER},
        {SAMPLE_CODE_PLATFORM, SAMPLE_TYPE_PLATFORM},
        {SAMPLE_CODE_HAZARD, SAMPLE_TYPE_HAZARD},
        {SAMPLE_CODE_PIPE, SAMPLE_TYPE_PIPE},
        {SAMPLE_CODE_BASIN, SAMPLE_TYPE_BASIN},
        {SAMPLE_CODE_CHASE_START, SAMPLE_TYPE_CHASE_START},
        {SAMPLE_CODE_CHASE_STOP, SAMPLE_TYPE_CHASE_STOP},
    };
    for (const auto& [code, type] : objects)
        spec.codeTypes[code] = static_cast<uint8_t>(type);
    // Types the behaviours make without a map cell: their media must be
    // there before the first one appears.
    const uint8_t listed[] = {OBJT_ATTACHED_EFFECT, OBJT_EFFECT,       OBJT_SCORE_POPUP,
                              OBJT_PROJECTILE_A,    OBJT_PROJECTILE_B, OBJT_CHASED};
    std::copy(std::begin(listed), std::end(listed), spec.typeList.begin());
    spec.shapes = MakeShapes();
    spec.levels = {FrontEndLevel(), FirstPlayableLevel(), ChaseLevel(), LastLevel(), EndingLevel()};
    spec.tileSets = {MakeTileSet()};
    sample::AddSampleMedia(&spec);
    spec.levelTable = MakeLevelTable();
    spec.cameraRecords = MakeCameraRecords();
    return spec;
}

CatalogueBuilder MakeSampleCatalogue(const WorldArchiveSpec& world) {
    CatalogueBuilder catalogue = MakeWorldCatalogue(world, SAMPLE_GROUP_COUNT);

    for (int32_t slot = 0; slot < sample::kSampleFontSlots; ++slot) {
        const sample::SampleFont font = sample::MakeSlotFont(slot);
        const uint32_t group = SAMPLE_GROUP_FIRST_FONT + static_cast<uint32_t>(slot);
        catalogue.SetItem(group, 0, PlainEntry(kRawType, WriteFontTable(font.design)));
        catalogue.AddItem(group, PlainEntry(kPngType, FontPng(font.picture)));
    }

    // Every level plays the one piece of music.
    std::vector<int32_t> music;
    for (int32_t level = 1; level <= SAMPLE_LEVEL_COUNT; ++level) {
        music.push_back(level);
        music.push_back(0);
    }
    catalogue.SetItem(SAMPLE_GROUP_MUSIC_TABLE, 0, PlainEntry(kRawType, WordsBytes(music)));
    catalogue.SetItem(SAMPLE_GROUP_MUSIC, 0, PlainEntry(kInMemoryType, LevelMusic()));
    catalogue.SetItem(SAMPLE_GROUP_LEVEL_START_SOUND, 0,
                      PlainEntry(kPredecodedType, LevelStartSound()));

    catalogue.SetItem(SAMPLE_GROUP_SHADOW_LEVELS, 0, PlainEntry(kRawType, WordsBytes({2, 3})));

    // The world plays a random item of these groups; a placeholder there
    // would be handed to the sound player as a sound.
    for (uint32_t group = sample::kFirstWorldSoundGroup; group <= sample::kLastWorldSoundGroup;
         ++group)
        catalogue.SetItem(group, 0, PlainEntry(kPredecodedType, sample::WorldGroupSound(group)));

    for (int32_t level = 1; level <= SAMPLE_LEVEL_COUNT; ++level) {
        ArchiveEntrySpec picture = PlainEntry(kPngType, LoadingPicture(level));
        if (level == 1)
            catalogue.SetItem(SAMPLE_GROUP_LOADING_PICTURES, 0, picture);
        else
            catalogue.AddItem(SAMPLE_GROUP_LOADING_PICTURES, picture);
    }
    constexpr int32_t kAnimationFrames = 8;
    for (int32_t k = 0; k < kAnimationFrames; ++k) {
        ArchiveEntrySpec frame = PlainEntry(kPngType, AnimationFrame(k, kAnimationFrames));
        if (k == 0)
            catalogue.SetItem(SAMPLE_GROUP_LOADING_ANIMATION, 0, frame);
        else
            catalogue.AddItem(SAMPLE_GROUP_LOADING_ANIMATION, frame);
    }

    // The overlay's lines: the three flags (none drawn), the score, and a
    // count that only one level shows.
    catalogue.SetItem(SAMPLE_GROUP_STATUS_TEXTS, 0, PlainEntry(kRawType, Utf16BytesOf(u"")));
    catalogue.AddItem(SAMPLE_GROUP_STATUS_TEXTS, PlainEntry(kRawType, Utf16BytesOf(u"%d")));
    catalogue.AddItem(SAMPLE_GROUP_STATUS_TEXTS, PlainEntry(kRawType, Utf16BytesOf(u"%d")));

    // 1.44 MB of zeros behind the header: the dictionary coder keeps them
    // in a few kilobytes.
    catalogue.SetFixed(kDumpHeaderEntry, CompressedEntry(kRawType, WriteDumpEntry()));

    AddMenuGroups(&catalogue, world);
    return catalogue;
}

CatalogueBuilder MakeSampleCatalogue() {
    return MakeSampleCatalogue(MakeSampleWorld());
}

ArchiveBuilder BuildSampleArchive(WorldArchiveLayout* layout) {
    WorldArchiveSpec world = MakeSampleWorld();
    // Each level file lies outside, at the path the editor saves it to.
    for (size_t v = 0; v < world.levels.size(); ++v)
        world.levels[v].file = SampleLevelFilePath(static_cast<int32_t>(v + 1));
    ArchiveBuilder archive = MakeSampleCatalogue(world).ToArchive();
    const WorldArchiveLayout placed = AppendWorldEntries(&archive, world);
    if (layout != nullptr)
        *layout = placed;
    return archive;
}

bool WriteSampleArchive(const std::string& path, const OutsideFileOptions& levelFiles) {
    // Levels 2, 3 and 4 as the archive wrote them before the chase level's
    // pipe chain moved behind its door, the last level became one to play
    // and the slope's twin came, then the chase level before its restart
    // point: unedited, they give way to the new ones.
    static const FileDigest kEarlierLevelFiles[] = {{1804, 0xC5486C860078C54Fu},
                                                    {2288, 0x6FA8004FF1168ECCu},
                                                    {1328, 0x98019E7E970D446Bu},
                                                    {2288, 0xCD509662F5502052u}};
    OutsideFileOptions options = levelFiles;
    options.superseded.insert(options.superseded.end(), std::begin(kEarlierLevelFiles),
                              std::end(kEarlierLevelFiles));
    return WriteArchiveFiles(BuildSampleArchive(), path, options);
}
