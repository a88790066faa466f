#include "tools/sample/sample_archive.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <map>
#include <utility>
#include <vector>

#include "engine/archive.h"
#include "engine/bytes.h"
#include "tests/support/font_writer.h"
#include "tests/support/ogg_media_writer.h"
#include "tests/support/ui_archive.h"
#include "tools/sample/dump_header.h"
#include "tools/sample/level_writer.h"
#include "tools/sample/script_assembler.h"
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

// ---- pictures ------------------------------------------------------------------

constexpr uint32_t kClear = 0x00000000u;

uint32_t Opaque(uint32_t rgb) {
    return 0xFF000000u | rgb;
}

// Channel-wise blend of two colours, t from 0 (a) to 1 (b).
uint32_t Mix(uint32_t a, uint32_t b, double t) {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const double ca = (a >> shift) & 0xFF;
        const double cb = (b >> shift) & 0xFF;
        out |= static_cast<uint32_t>(std::lround(ca + (cb - ca) * t)) << shift;
    }
    return out;
}

class Canvas {
public:
    Canvas(int32_t width, int32_t height, uint32_t fill = kClear)
        : width_(width), height_(height),
          pixels_(static_cast<size_t>(width) * static_cast<size_t>(height), fill) {}

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }

    void Put(int32_t x, int32_t y, uint32_t argb) {
        if (x >= 0 && y >= 0 && x < width_ && y < height_)
            pixels_[static_cast<size_t>(y) * static_cast<size_t>(width_) + x] = argb;
    }
    void Fill(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t argb) {
        for (int32_t j = y; j < y + h; ++j)
            for (int32_t i = x; i < x + w; ++i)
                Put(i, j, argb);
    }
    void Frame(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t argb) {
        Fill(x, y, w, 1, argb);
        Fill(x, y + h - 1, w, 1, argb);
        Fill(x, y, 1, h, argb);
        Fill(x + w - 1, y, 1, h, argb);
    }
    void Ellipse(double cx, double cy, double rx, double ry, uint32_t argb) {
        for (int32_t j = 0; j < height_; ++j)
            for (int32_t i = 0; i < width_; ++i) {
                const double dx = (i + 0.5 - cx) / rx;
                const double dy = (j + 0.5 - cy) / ry;
                if (dx * dx + dy * dy <= 1.0)
                    Put(i, j, argb);
            }
    }
    std::vector<uint8_t> Png() const {
        return ArgbPng(static_cast<uint32_t>(width_), static_cast<uint32_t>(height_), pixels_);
    }

private:
    int32_t width_;
    int32_t height_;
    std::vector<uint32_t> pixels_;
};

// Top colour to bottom colour, one colour a row: PNG keeps such a picture
// in a few kilobytes.
Canvas Gradient(int32_t width, int32_t height, uint32_t top, uint32_t bottom) {
    Canvas c(width, height);
    for (int32_t y = 0; y < height; ++y)
        c.Fill(0, y, width, 1, Mix(top, bottom, static_cast<double>(y) / (height - 1)));
    return c;
}

// ---- sounds --------------------------------------------------------------------

struct Note {
    double frequency; // Hz
    double seconds;
};

// Notes one after the other, each with a short rise and fall so that no
// step of the wave clicks.
PcmBuffer Notes(const std::vector<Note>& notes, double amplitude) {
    constexpr int32_t kRate = 44100;
    constexpr double kEdge = 0.005;
    constexpr double kTwoPi = 6.283185307179586;
    PcmBuffer pcm;
    pcm.channels = 2;
    pcm.rate = kRate;
    for (const Note& note : notes) {
        const size_t frames = static_cast<size_t>(note.seconds * kRate);
        for (size_t i = 0; i < frames; ++i) {
            const double t = static_cast<double>(i) / kRate;
            const double envelope = std::min({1.0, t / kEdge, (note.seconds - t) / kEdge});
            const double v = amplitude * envelope * std::sin(kTwoPi * note.frequency * t);
            const int16_t sample = static_cast<int16_t>(std::lround(v));
            pcm.samples.push_back(sample);
            pcm.samples.push_back(sample);
        }
    }
    return pcm;
}

std::vector<uint8_t> LevelStartSound() {
    return WriteOggVorbis(Notes({{523.25, 0.08}, {659.25, 0.08}, {783.99, 0.16}}, 7000.0));
}

std::vector<uint8_t> PickupSound() {
    return WriteOggVorbis(Notes({{1046.5, 0.06}, {1318.5, 0.12}}, 6000.0));
}

// Two seconds of arpeggio that loops without a seam.
std::vector<uint8_t> LevelMusic() {
    return WriteOggVorbis(Notes({{261.63, 0.25},
                                 {329.63, 0.25},
                                 {392.0, 0.25},
                                 {523.25, 0.25},
                                 {392.0, 0.25},
                                 {329.63, 0.25},
                                 {293.66, 0.25},
                                 {246.94, 0.25}},
                                4000.0),
                          0.1f);
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
    kTileCount
};

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
    for (int32_t code = 0; code < kTileCount; ++code)
        set.images.push_back(TilePicture(static_cast<TileCode>(code)));
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
    void SlopeDown(int32_t x, int32_t y) { Slope(x, y, kTileSlopeDown, SAMPLE_CODE_SLOPE_DOWN); }
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
    c.SlopeDown(23, kStanding);
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

// The door back to level 2, two planks to climb, a valley between slopes,
// a hill and the door to the last level.
WorldLevelSpec SecondPlayableLevel() {
    LevelCanvas c(64);
    c.Walls();
    c.Ground(1, 62, kGroundTop + 1);
    c.Ground(1, 31, kGroundTop);
    c.Ground(40, 62, kGroundTop);
    c.SlopeDown(32, kGroundTop);
    c.SlopeUp(39, kGroundTop);
    c.Door(3, SAMPLE_CODE_EXIT_BACK, false);
    c.Start(6);
    for (int32_t x : {9, 11})
        c.Object(x, kStanding, SAMPLE_CODE_PICKUP);
    c.Plank(14, 18, 15);
    c.Object(16, 14, SAMPLE_CODE_PICKUP);
    c.Plank(21, 25, 12);
    c.Objects(22, 24, 11, SAMPLE_CODE_PICKUP);
    c.Objects(35, 36, kGroundTop, SAMPLE_CODE_PICKUP);
    c.SlopeUp(46, kStanding);
    c.Ground(47, 50, kStanding);
    c.SlopeDown(51, kStanding);
    c.Objects(48, 49, kStanding - 1, SAMPLE_CODE_PICKUP);
    c.Door(60, SAMPLE_CODE_EXIT_FINISH, true);
    c.Bush(13);
    c.Bush(43);
    c.Hill(3, 10, 6);
    c.Hill(16, 21, 8);
    c.Hill(28, 36, 5);
    c.Hill(42, 48, 7);
    WorldLevelSpec level = LevelFrom(c, 3);
    level.background = Background(3);
    level.destinations = {
        kNewGame, kSecondLevel, {2, SAMPLE_CODE_EXIT_BACK - 1}, {SAMPLE_LAST_LEVEL, 0}};
    return level;
}

// The last level: reaching it completes the game; after the ending the
// menus send the player on through destination 0, back to the front end.
WorldLevelSpec LastLevel() {
    LevelCanvas c(30);
    c.Walls();
    c.Ground(1, 28, kGroundTop);
    c.Start(8);
    c.Door(15, 0, true);
    c.Hill(4, 12, 7);
    c.Hill(16, 22, 5);
    WorldLevelSpec level = LevelFrom(c, SAMPLE_LAST_LEVEL);
    level.background = Background(SAMPLE_LAST_LEVEL);
    level.destinations = {{1, 0}};
    return level;
}

// ---- media -------------------------------------------------------------------------

SpriteKeyRecord Key(uint16_t key, int16_t x, int16_t y, int16_t w, int16_t h, int16_t vx = 0,
                    int16_t vy = 0) {
    return SpriteKeyRecord{key, 0, x, y, w, h, vx, vy};
}

constexpr uint16_t kHurtBoxKey = 1;
constexpr uint16_t kActionPointKey = 4;
constexpr uint16_t kStandBoxKey = 256;

// A picture drawn with its hot spot at (-x, -y), the same mirrored, with
// the given key records.
MediaSpriteSpec Sprite(const Canvas& picture, int16_t x, int16_t y,
                       std::vector<SpriteKeyRecord> keys) {
    MediaSpriteSpec sprite;
    sprite.picture = picture.Png();
    sprite.pictureType = kPngType;
    SpriteDescriptorSpec& d = sprite.descriptor;
    d.x = d.mirroredX = x;
    d.y = d.mirroredY = y;
    const int16_t w = static_cast<int16_t>(picture.width());
    const int16_t h = static_cast<int16_t>(picture.height());
    d.b[1] = y;
    d.b[3] = static_cast<int16_t>(y + h);
    d.b[4] = x;
    d.b[6] = static_cast<int16_t>(x + w);
    d.keys = std::move(keys);
    return sprite;
}

// ---- the player (type 1)

enum PlayerSprite : uint16_t {
    kStand,
    kWalkA,
    kWalkB,
    kJump,
    kHurt,
    kWindUp,
    kThrow,
    kFollowThrough,
    kPlayerSpriteCount
};

enum class Legs { Together, Apart, Crossed, Tucked };

// 32 by 48, the feet at the bottom middle, facing right (the eye is on the
// right): mirroring shows the facing.
Canvas PlayerFigure(uint32_t body, Legs legs, bool armUp, bool armOut) {
    Canvas c(32, 48);
    const uint32_t trousers = Opaque(0x303050);
    switch (legs) {
    case Legs::Together:
        c.Fill(10, 34, 5, 14, trousers);
        c.Fill(17, 34, 5, 14, trousers);
        break;
    case Legs::Apart:
        c.Fill(7, 34, 5, 14, trousers);
        c.Fill(20, 34, 5, 14, trousers);
        break;
    case Legs::Crossed:
        c.Fill(12, 34, 8, 14, trousers);
        break;
    case Legs::Tucked:
        c.Fill(9, 34, 6, 8, trousers);
        c.Fill(17, 34, 6, 8, trousers);
        break;
    }
    c.Fill(9, 17, 14, 18, body);
    c.Frame(9, 17, 14, 18, Mix(body, 0xFF000000u, 0.4));
    if (armUp)
        c.Fill(22, 4, 4, 14, body);
    if (armOut)
        c.Fill(23, 20, 9, 4, body);
    c.Ellipse(16, 9, 7, 8, Opaque(0xF0C8A0));
    c.Fill(19, 7, 2, 2, Opaque(0x101010));
    return c;
}

// What a script of the player does: walk 4 pixels a frame, stand, take
// off (the first instruction holds the jump's velocity), play a hurt that
// ends, or throw.
enum class Role { Walk, Stand, Jump, Hurt, Action };

// A state s runs script s / 2 + 30 x costume; both costumes share the
// roles. Scripts 60 on are the ride (64, 65) and the special stand (66, 67).
constexpr Role kCostumeScriptRoles[30] = {
    Role::Walk,   // 0: walking (states 0/1)
    Role::Stand,  // 1: standing (2/3)
    Role::Jump,   // 2: jumping or falling (4/5)
    Role::Hurt,   // 3: hurt (6/7)
    Role::Action, // 4: action from standing (8/9)
    Role::Action, // 5: action while walking (10/11)
    Role::Stand,  // 6: cell-centred x (12)
    Role::Stand,  // 7: cell-centred y (14/15)
    Role::Stand,  // 8: cell-centred x (16)
    Role::Hurt,   // 9: stunned (18/19)
    Role::Walk,   // 10: second set, walking (20/21)
    Role::Stand,  // 11: second set, standing (22/23)
    Role::Jump,   // 12: second set, jumping (24/25)
    Role::Stand,  // 13
    Role::Stand,  // 14
    Role::Stand,  // 15
    Role::Stand,  // 16: sequence end (32)
    Role::Stand,  // 17: sequence end (34)
    Role::Jump,   // 18: jumping on level 17 (36/37)
    Role::Hurt,   // 19: knocked down (38/39)
    Role::Stand,  // 20: level 20, standing (40/41)
    Role::Walk,   // 21: level 20, walking (42/43)
    Role::Jump,   // 22: level 20, jumping (44/45)
    Role::Action, // 23: level 20, action from standing (46/47)
    Role::Action, // 24: level 20, action while walking (48/49)
    Role::Walk,   // 25: level 21, walking (50/51)
    Role::Stand,  // 26: level 21, rising (52/53)
    Role::Stand,  // 27: level 21, at a wall (54/55)
    Role::Hurt,   // 28: level 20, hurt (56/57)
    Role::Hurt,   // 29: level 20, knocked down (58/59)
};

Role PlayerScriptRole(int32_t script) {
    if (script >= 60)
        return script >= 66 ? Role::Walk : Role::Stand;
    return kCostumeScriptRoles[script % 30];
}

MediaBlockSpec PlayerMedia() {
    // The position is the feet, and the pictures stand on it. The spawn
    // offset stays 0: the entry record keeps the position the offset was
    // added to, and any other offset would move the player at every load.
    constexpr int16_t kX = -16, kY = -48;
    const std::vector<SpriteKeyRecord> body = {Key(kHurtBoxKey, -12, -46, 24, 46),
                                               Key(kStandBoxKey, -12, -48, 24, 4)};
    std::vector<SpriteKeyRecord> throwing = body;
    // One frame of the throw shows the action point; the player launches
    // one projectile for every frame that shows it.
    throwing.push_back(Key(kActionPointKey, 20, -28, 8, 8, 12, -2));

    MediaBlockSpec block;
    block.sprites = {
        Sprite(PlayerFigure(Opaque(0x3050D0), Legs::Together, false, false), kX, kY, body),
        Sprite(PlayerFigure(Opaque(0x20A0D0), Legs::Apart, false, false), kX, kY, body),
        Sprite(PlayerFigure(Opaque(0x10A088), Legs::Crossed, false, false), kX, kY, body),
        Sprite(PlayerFigure(Opaque(0xE0C020), Legs::Tucked, true, false), kX, kY, body),
        Sprite(PlayerFigure(Opaque(0xD03030), Legs::Apart, true, false), kX, kY, body),
        Sprite(PlayerFigure(Opaque(0xE08020), Legs::Together, true, false), kX, kY, body),
        Sprite(PlayerFigure(Opaque(0xD040C0), Legs::Apart, false, true), kX, kY, throwing),
        Sprite(PlayerFigure(Opaque(0x8040D0), Legs::Together, false, true), kX, kY, body),
    };

    ScriptAssembler a;
    for (int32_t s = 0; s < SAMPLE_PLAYER_SCRIPTS; ++s) {
        a.BeginScript();
        switch (PlayerScriptRole(s)) {
        case Role::Walk:
            a.Show(kWalkA, 4, 4).Show(kWalkB, 4, 4).Jump(0);
            break;
        case Role::Stand:
            a.ShowHalt(kStand);
            break;
        case Role::Jump:
            a.ShowHalt(kJump, 0, -21);
            break;
        case Role::Hurt:
            a.Show(kHurt, 24);
            break;
        case Role::Action:
            a.Show(kWindUp, 4).Show(kThrow, 1).Show(kFollowThrough, 6);
            break;
        }
    }
    block.scripts = a.Write();
    return block;
}

// ---- the pickup (type 4)

MediaBlockSpec PickupMedia() {
    Canvas coin(20, 20);
    coin.Ellipse(10, 10, 9, 9, Opaque(0xC89B00));
    coin.Ellipse(10, 10, 7, 7, Opaque(0xFFD700));
    coin.Fill(9, 5, 2, 10, Opaque(0xFFF4A0));
    Canvas edge(20, 20);
    edge.Ellipse(10, 10, 3, 9, Opaque(0xC89B00));
    edge.Ellipse(10, 10, 2, 8, Opaque(0xFFE860));
    Canvas sparkle(20, 20);
    sparkle.Fill(9, 2, 2, 16, Opaque(0xFFFFF0));
    sparkle.Fill(2, 9, 16, 2, Opaque(0xFFFFF0));
    sparkle.Ellipse(10, 10, 3, 3, Opaque(0xFFF080));
    const std::vector<SpriteKeyRecord> box = {Key(kHurtBoxKey, -10, -10, 20, 20)};

    MediaBlockSpec block;
    block.sprites = {Sprite(coin, -10, -10, box), Sprite(edge, -10, -10, box),
                     Sprite(sparkle, -10, -10, box)};
    block.sounds = {MediaSoundSpec{PickupSound(), kPredecodedType}};
    // Script 0 waits to be taken, script 1 is the taken pickup: it plays
    // the sound, rises, and ends hidden so that nothing stays on screen.
    ScriptAssembler a(kCell / 2, kCell / 2);
    a.BeginScript();
    a.Show(0, 8).Show(1, 4).Jump(0);
    a.BeginScript();
    a.SoundPlay(0, 0, 0, 0).Show(2, 3, 0, -3).Show(2, 3, 0, -3).Show(1, 3, 0, -3).Hide(2, 1);
    block.scripts = a.Write();
    return block;
}

// ---- the types the world makes by itself

// Effects start the script of their kind (0 to 28), pop-ups that of their
// value, projectiles a few from their base: 32 scripts cover them all.
constexpr int32_t kSmallTypeScripts = 32;

// Type 110: a score pop-up shows script (its value's index), 0 to 6.
MediaBlockSpec PopupMedia() {
    static const uint32_t kColours[] = {0x50C050, 0x50A0E0, 0xE0A030, 0xE05050,
                                        0xC050E0, 0x30C0C0, 0xF0F050};
    MediaBlockSpec block;
    for (uint32_t colour : kColours) {
        Canvas badge(24, 12);
        badge.Fill(0, 0, 24, 12, Opaque(colour));
        badge.Frame(0, 0, 24, 12, Opaque(0xFFFFFF));
        block.sprites.push_back(Sprite(badge, -12, -6, {Key(kHurtBoxKey, -12, -6, 24, 12)}));
    }
    ScriptAssembler a;
    for (int32_t s = 0; s < kSmallTypeScripts; ++s) {
        a.BeginScript();
        a.ShowHalt(static_cast<uint16_t>(s % 7));
    }
    block.scripts = a.Write();
    return block;
}

// Types 119 and 120: the thrown projectiles.
MediaBlockSpec ProjectileMedia() {
    Canvas ball(12, 12);
    ball.Ellipse(6, 6, 6, 6, Opaque(0x404040));
    ball.Ellipse(5, 5, 3, 3, Opaque(0xC0C0C0));
    MediaBlockSpec block;
    block.sprites = {Sprite(ball, -6, -6, {Key(kHurtBoxKey, -6, -6, 12, 12)})};
    ScriptAssembler a;
    for (int32_t s = 0; s < kSmallTypeScripts; ++s) {
        a.BeginScript();
        a.ShowHalt(0);
    }
    block.scripts = a.Write();
    return block;
}

// Type 126: the shadows under the player and the pickups.
MediaBlockSpec ShadowMedia() {
    Canvas shadow(28, 8);
    shadow.Ellipse(14, 4, 14, 4, 0x60000000u);
    MediaBlockSpec block;
    block.sprites = {Sprite(shadow, -14, -4, {Key(kHurtBoxKey, -14, -4, 28, 8)})};
    ScriptAssembler a;
    for (int32_t s = 0; s < kSmallTypeScripts; ++s) {
        a.BeginScript();
        a.ShowHalt(0);
    }
    block.scripts = a.Write();
    return block;
}

// Type 127: the effects. A kind's particles take their pictures from the
// script of its number; every script plays three frames and ends hidden.
MediaBlockSpec EffectMedia() {
    static const uint32_t kColours[] = {0xFFFFF0, 0xFFE040, 0xB0A090, 0x60A0FF};
    MediaBlockSpec block;
    for (uint32_t colour : kColours) {
        Canvas bit(8, 8);
        bit.Ellipse(4, 4, 4, 4, Opaque(colour));
        block.sprites.push_back(Sprite(bit, -4, -4, {Key(kHurtBoxKey, -4, -4, 8, 8)}));
    }
    ScriptAssembler a;
    for (int32_t s = 0; s < kSmallTypeScripts; ++s) {
        a.BeginScript();
        const uint16_t first = static_cast<uint16_t>(s % 4);
        a.Show(first, 3)
            .Show(static_cast<uint16_t>((s + 1) % 4), 3)
            .Show(static_cast<uint16_t>((s + 2) % 4), 3)
            .Hide(first, 1);
    }
    block.scripts = a.Write();
    return block;
}

// ---- level data ---------------------------------------------------------------------

// Level-table words: the play task's, the behaviours' speeds, and every
// word a behaviour divides by (at least 2). Words nobody in the sample
// world reads stay 0.
std::vector<int32_t> MakeLevelTable() {
    std::vector<int32_t> words(256, 0);
    const std::pair<int32_t, int32_t> kWords[] = {
        {0, 8},                  // air speed: 5 pixels a frame
        {1, -24},                // the lift of a bump, a hurt and a fall (upwards)
        {2, 30},                 // camera shake: length (divisor)
        {3, 8},                  //   amplitude
        {4, 10},                 //   period (divisor)
        {5, 30},                 // score pop-up: frames it lives
        {6, -20},                //   rise
        {7, 100},                //   alpha
        {8, -3000},              //   alpha change a frame
        {9, 100},                //   scale
        {11, SAMPLE_LAST_LEVEL}, // reaching it completes the game
        {12, 1},                 // no overlay and no keys: the front end
        {13, 2},                 // score levels: the two playable levels; the other
        {14, 3},                 //   six name no level of the sample world
        {22, 20},                // fading picture: frames of a fade (divisor)
        {23, 80},                //   frames it holds
        {24, 100 | (100 << 16)}, //   its screen point: x low, y high
        {104, 10},               // the chased character's lean steps (divisor)
        {128, 16},               // homing flight: divisors and jitters
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

std::vector<uint8_t> FontPng(const FontDesign& design) {
    FontPicture picture = DrawFontPicture(design);
    return ArgbPng(static_cast<uint32_t>(picture.width), static_cast<uint32_t>(picture.height),
                   picture.pixels);
}

// Item L - 1 is shown while level L loads; item 0 is also the opening
// picture. One bar per level number tells them apart.
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
    // Types the behaviours make without a map cell: their media must be
    // there before the first one appears.
    const uint8_t listed[] = {OBJT_ATTACHED_EFFECT, OBJT_EFFECT, OBJT_SCORE_POPUP,
                              OBJT_PROJECTILE_A, OBJT_PROJECTILE_B};
    std::copy(std::begin(listed), std::end(listed), spec.typeList.begin());
    spec.shapes = MakeShapes();
    spec.levels = {FrontEndLevel(), FirstPlayableLevel(), SecondPlayableLevel(), LastLevel()};
    spec.tileSets = {MakeTileSet()};
    spec.mediaBlocks = {PlayerMedia(),     PickupMedia(), PopupMedia(),
                        ProjectileMedia(), ShadowMedia(), EffectMedia()};
    spec.mediaParts = {{{OBJT_PLAYER, 0},
                        {OBJT_PICKUP, 1},
                        {OBJT_SCORE_POPUP, 2},
                        {OBJT_PROJECTILE_A, 3},
                        {OBJT_PROJECTILE_B, 3},
                        {OBJT_ATTACHED_EFFECT, 4},
                        {OBJT_EFFECT, 5}}};
    spec.levelTable = MakeLevelTable();
    spec.cameraRecords = MakeCameraRecords();
    return spec;
}

CatalogueBuilder MakeSampleCatalogue(const WorldArchiveSpec& world) {
    CatalogueBuilder catalogue = MakeWorldCatalogue(world, SAMPLE_GROUP_COUNT);

    const FontDesign fonts[8] = {MakeTestFontA(), MakeTestFontB(),     MakeTestFontB(),
                                 MakeTestFontA(), MakeTestFontIcons(), MakeTestFontA(),
                                 MakeTestFontA(), MakeTestFontA()};
    for (uint32_t slot = 0; slot < 8; ++slot) {
        const uint32_t group = SAMPLE_GROUP_FIRST_FONT + slot;
        catalogue.SetItem(group, 0, PlainEntry(kRawType, WriteFontTable(fonts[slot])));
        catalogue.AddItem(group, PlainEntry(kPngType, FontPng(fonts[slot])));
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
    return catalogue;
}

CatalogueBuilder MakeSampleCatalogue() {
    return MakeSampleCatalogue(MakeSampleWorld());
}

ArchiveBuilder BuildSampleArchive(WorldArchiveLayout* layout) {
    const WorldArchiveSpec world = MakeSampleWorld();
    ArchiveBuilder archive = MakeSampleCatalogue(world).ToArchive();
    const WorldArchiveLayout placed = AppendWorldEntries(&archive, world);
    if (layout != nullptr)
        *layout = placed;
    return archive;
}

bool WriteSampleArchive(const std::string& path) {
    return BuildSampleArchive().WriteToFile(path);
}
