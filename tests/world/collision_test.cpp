// Collision against the quarter shapes: every centre code, "from" code and
// step direction against the collision rules and tables written out a
// second time, apart from the code; the quarter lookups at the map's
// edges; and whole moves.
#include <gtest/gtest.h>

#include <optional>
#include <random>

#include "tests/world/tile_test_util.h"

namespace {

constexpr int32_t Q = 0x80000; // a quarter in 16.16

// ---- the rules, written out a second time ---------------------------------------

uint32_t XFlag(int d) {
    return d % 3 == 0 ? COLLIDE_BLOCK_RIGHT : (d % 3 == 2 ? COLLIDE_BLOCK_LEFT : 0);
}
uint32_t YFlag(int d) {
    return d <= 2 ? COLLIDE_BLOCK_DOWN : (d >= 6 ? COLLIDE_BLOCK_UP : 0);
}

// Snap table: x and y offsets from X0 and Y0, none for "-".
struct SnapRow {
    std::optional<int32_t> x, y;
};
const SnapRow kSnapTable[9] = {
    /* 0 */ {-1, -1},
    /* 1 */ {std::nullopt, -1},
    /* 2 */ {0x80000, -1},
    /* 3 */ {-1, std::nullopt},
    /* 4 */ {std::nullopt, std::nullopt},
    /* 5 */ {0x80000, std::nullopt},
    /* 6 */ {-1, 0x80000},
    /* 7 */ {std::nullopt, 0x80000},
    /* 8 */ {0x80000, 0x80000},
};

// Slope table: from 4..7 by s = 0..3: X0 +, Y0 +, result.
struct SlopeCell {
    int32_t x, y;
    uint32_t result;
};
const SlopeCell kSlopeTable[4][4] = {
    {{-1, -1, 2}, {0x7FFFF, -1, 2}, {-1, 0x7FFFF, 1}, {0x80000, 0x80000, 4}},
    {{0, -1, 2}, {0x80000, -1, 2}, {-1, -1, 1}, {0x80000, -1, 4}},
    {{-1, -1, 2}, {0x80000, -1, 2}, {-1, 0x7FFFF, 1}, {0x80000, 0x80000, 4}},
    {{-1, -1, 2}, {0x80000, -1, 2}, {-1, -1, 1}, {0x80000, -1, 4}},
};

bool Is(uint8_t code, uint8_t a, uint8_t b) {
    return code == a || code == b;
}

uint32_t EdgeBits(int d, const uint8_t c[9]) {
    bool xb = false, yb = false, both = false;
    switch (d) {
    case 0: xb = Is(c[1], 1, 5), yb = Is(c[3], 1, 4), both = c[1] == 0 && c[3] == 0; break;
    case 2: xb = Is(c[1], 1, 4), yb = Is(c[5], 1, 5), both = c[1] == 0 && c[5] == 0; break;
    case 6: xb = Is(c[7], 1, 4), yb = Is(c[3], 1, 4), both = c[3] == 0 && c[7] == 0; break;
    case 8: xb = Is(c[7], 1, 5), yb = Is(c[5], 1, 4), both = c[5] == 0 && c[7] == 0; break;
    default: return 0;
    }
    if (both)
        return 3;
    return (xb ? 2u : 0u) | (yb ? 1u : 0u);
}

struct Outcome {
    uint32_t result;
    int32_t x, y;
};

Outcome Expected(const uint8_t n[9], uint8_t from, int d, int32_t X0, int32_t Y0, int32_t fx,
                 int32_t fy) {
    const uint8_t centre = n[4];
    const int32_t x = X0 + fx, y = Y0 + fy;
    const uint32_t xflag = XFlag(d), yflag = YFlag(d);
    const Outcome same = {0, x, y};
    switch (centre) {
    case 4: return fx > 0x80000 - fy ? Outcome{0x22, x, Y0 - fx + 0x7FFFF} : same;
    case 5: return fx < fy ? Outcome{0x12, x, Y0 + fx} : same;
    case 6: return fx < 0x80000 - fy ? Outcome{0x28, x, Y0 - fx + 0x7FFFF} : same;
    case 7: return fx > fy ? Outcome{0x18, x, Y0 + fx} : same;
    case 8: return from == 0 && d <= 2 ? Outcome{yflag, x, Y0 - 1} : same;
    case 9: return from == 0 && (d == 7 || d == 8) ? Outcome{yflag, x, Y0 + 0x80000} : same;
    case 10: return from == 0 && d % 3 == 0 ? Outcome{xflag, X0 - 1, y} : same;
    case 11: return from == 0 && d % 3 == 2 ? Outcome{xflag, X0 + 0x80000, y} : same;
    case 1:
        break;
    default: // 0, 2, 3, above 11
        return same;
    }
    if (from == 1)
        return same;
    if (from == 2 || from == 3 || from > 11)
        return {COLLIDE_BLOCK_RIGHT, x, y};
    if (from >= 4 && from <= 7) {
        const int s = 2 * (fy / 0x40000) + fx / 0x40000;
        const SlopeCell& cell = kSlopeTable[from - 4][s];
        return {cell.result, X0 + cell.x, Y0 + cell.y};
    }
    uint32_t result;
    if (d == 0 || d == 2 || d == 6 || d == 8) {
        const uint32_t bits = EdgeBits(d, n);
        result = ((bits & 1) ? yflag : 0) | ((bits & 2) ? xflag : 0);
    } else {
        result = xflag | yflag;
    }
    const SnapRow& snap = kSnapTable[d];
    return {result, snap.x ? X0 + *snap.x : x, snap.y ? Y0 + *snap.y : y};
}

// ---- worlds ---------------------------------------------------------------------

using Shapes = std::map<uint8_t, std::array<uint8_t, 16>>;

std::array<uint8_t, 16> Fill(uint8_t code) {
    std::array<uint8_t, 16> s;
    s.fill(code);
    return s;
}

// Code 7 everywhere in a 3 x 3 cell map; the point's quarter is quarter
// (1, 1) of the middle cell, so its neighbours are quarters of the same
// cell and one shape sets them all.
class QuarterSweep : public testing::Test {
protected:
    QuarterSweep() : world_(FilledLayer(3, 3, 7), Shapes{{7, Fill(0)}}) {}
    void SetNeighbourhood(const uint8_t n[9]) {
        TileShape* shape = world_.get()->tileShapes[7];
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                shape->q[4 * r + c] = n[3 * r + c];
    }
    GridWorld world_;
    static constexpr int32_t X0 = 5 * Q, Y0 = 5 * Q;
};

TEST_F(QuarterSweep, EveryCentreFromAndDirectionFollowsTheRules) {
    std::mt19937 rng(99);
    const uint8_t codes[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 200};
    const int32_t offsets[][2] = {{0, 0},       {0x3FFFF, 0x3FFFF}, {0x40000, 0x10000},
                                  {0x10000, 0x40000}, {0x7FFFF, 0x7FFFF}, {0x50000, 0x20000},
                                  {0x20000, 0x50000}};
    const uint8_t kinds[3][4] = {{0, 0, 0, 0}, {0, 1, 4, 5}, {0, 1, 8, 9}};
    int checked = 0;
    for (uint8_t centre : codes)
        for (uint8_t from : codes)
            for (int d = 0; d < 9; ++d) {
                if (d == 4 && from != centre)
                    continue; // a step inside one quarter comes from that quarter
                for (int variant = 0; variant < 4; ++variant)
                    for (const auto& offset : offsets) {
                        uint8_t n[9];
                        for (uint8_t& c : n)
                            c = variant < 3 ? kinds[variant][rng() % 4] : codes[rng() % 14];
                        n[4] = centre;
                        const int oc = d % 3 - 1, orow = d / 3 - 1;
                        n[3 * (orow + 1) + (oc + 1)] = from;
                        SetNeighbourhood(n);

                        const int32_t fx = offset[0], fy = offset[1];
                        int32_t x = X0 + fx, y = Y0 + fy;
                        const int32_t oldX = X0 + oc * Q + static_cast<int32_t>(rng() % Q);
                        const int32_t oldY = Y0 + orow * Q + static_cast<int32_t>(rng() % Q);
                        const uint32_t result =
                            CollideBoxWithMap(world_.get(), &x, &y, x - oldX, y - oldY);
                        const Outcome want = Expected(n, from, d, X0, Y0, fx, fy);
                        ASSERT_EQ(result, want.result)
                            << "centre " << int(centre) << " from " << int(from) << " d " << d
                            << " fx " << fx << " fy " << fy;
                        ASSERT_EQ(x, want.x) << "centre " << int(centre) << " from " << int(from)
                                             << " d " << d;
                        ASSERT_EQ(y, want.y) << "centre " << int(centre) << " from " << int(from)
                                             << " d " << d;
                        ++checked;
                    }
            }
    EXPECT_GT(checked, 40000);
}

TEST(TileEdgeFlags, ReadOffTheTable) {
    struct Case {
        int d;
        uint8_t up, left, right, down;
        uint32_t bits;
    } cases[] = {
        {0, 0, 0, 9, 9, 3}, {0, 5, 2, 0, 0, 2}, {0, 4, 4, 0, 0, 1}, {0, 1, 1, 0, 0, 3},
        {0, 0, 2, 1, 1, 0}, {2, 0, 9, 0, 9, 3}, {2, 4, 0, 2, 0, 2}, {2, 5, 0, 5, 0, 1},
        {6, 9, 0, 9, 0, 3}, {6, 0, 4, 0, 4, 3}, {6, 0, 5, 0, 5, 0}, {6, 0, 0, 0, 4, 2},
        {8, 9, 9, 0, 0, 3}, {8, 0, 0, 4, 5, 3}, {8, 0, 0, 5, 4, 0}, {8, 0, 0, 0, 1, 2},
        {1, 0, 0, 0, 0, 0}, {4, 0, 0, 0, 0, 0}, {7, 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const uint8_t n[9] = {7, c.up, 7, c.left, 1, c.right, 7, c.down, 7};
        EXPECT_EQ(TileEdgeFlags(c.d, n), c.bits) << c.d << " " << int(c.up) << int(c.left)
                                                 << int(c.right) << int(c.down);
        EXPECT_EQ(EdgeBits(c.d, n), c.bits); // the sweep's reading agrees
    }
}

TEST_F(QuarterSweep, DiagonalIntoSolidWithOpenNeighboursReportsBothAndBacksOut) {
    const uint8_t n[9] = {0, 0, 0, 0, 1, 0, 0, 0, 0};
    SetNeighbourhood(n);
    int32_t x = X0 + 0x100, y = Y0 + 0x80;
    EXPECT_EQ(CollideBoxWithMap(world_.get(), &x, &y, 0x200, 0x200), 3u);
    EXPECT_EQ(x, X0 - 1);
    EXPECT_EQ(y, Y0 - 1);
    // From two quarters to the left: blocked on the right as a short step is.
    x = X0 + 0x100, y = Y0 + 0x40000;
    EXPECT_EQ(CollideBoxWithMap(world_.get(), &x, &y, 2 * Q, 0), COLLIDE_BLOCK_RIGHT);
    EXPECT_EQ(x, X0 - 1);
    // From far up and left: d 0 again.
    x = X0 + 0x100, y = Y0 + 0x100;
    EXPECT_EQ(CollideBoxWithMap(world_.get(), &x, &y, 3 * Q, 5 * Q), 3u);
    EXPECT_EQ(x, X0 - 1);
    EXPECT_EQ(y, Y0 - 1);
}

TEST(QuarterCodes, LookupsAcrossCellsAndOutsideTheMap) {
    // Two cells side by side; the quarters of code 1 read 100 + index,
    // those of code 2 read 200 + index.
    LevelLayerGrid layer = FilledLayer(2, 1, 1);
    layer.At(1, 0) = 2;
    std::array<uint8_t, 16> one, two;
    for (int i = 0; i < 16; ++i)
        one[i] = static_cast<uint8_t>(100 + i), two[i] = static_cast<uint8_t>(200 + i);
    GridWorld world(layer, Shapes{{1, one}, {2, two}});
    TileShape* const* shapes = world.get()->tileShapes;
    const TileRunMap* map = &world.get()->map;
    struct Probe {
        int32_t x, y;
        uint8_t code;
    } probes[] = {
        {0, 0, 100},    {Px(7), Px(7), 100}, {Px(8), Px(31), 113}, {Px(31), Px(8), 107},
        {Px(32), 0, 200}, {Px(63), Px(31), 215},
        {Px(64), 0, 1}, {0, Px(32), 1},             // past the last column and row
        {-Px(4), Px(3), 100}, {-0x7FFFF, 0, 100},   // in (-8, 0): cell 0, quarter 0
        {-Px(8), 0, 1}, {0, -Px(8), 1}, {-Px(40), Px(9), 1},
    };
    for (const Probe& p : probes)
        EXPECT_EQ(GetQuarterCodeAt(p.x, p.y, shapes, map), p.code) << p.x << "," << p.y;
    struct Gather {
        int32_t x, y;
        uint8_t codes[9];
    } gathers[] = {
        {Px(28), Px(12), {102, 103, 200, 106, 107, 204, 110, 111, 208}}, // across cells
        {Px(60), Px(3), {1, 1, 1, 202, 203, 1, 206, 207, 1}},          // top right corner
        {-Px(2), Px(2), {1, 1, 1, 1, 100, 101, 1, 104, 105}},          // left of 0
    };
    for (const Gather& g : gathers) {
        uint8_t out[9];
        GatherQuarterCodes(g.x, g.y, shapes, map, out);
        for (int i = 0; i < 9; ++i)
            EXPECT_EQ(out[i], g.codes[i]) << g.x << "," << g.y << " [" << i << "]";
    }
}

// ---- whole moves ----------------------------------------------------------------------

// A 20 x 12 cell room: ground (code 1, solid) on row 10, its top at 320 px;
// cell (5, 9) one-way from above (8); cell (8, 5) one-way from below (9);
// cell (12, 9) a floor slope rising to the right (4); and a wall one
// quarter thick at x = 480..488 px (code 10, the left quarters solid).
class Room : public testing::Test {
protected:
    static LevelLayerGrid Layout() {
        LevelLayerGrid grid = FilledLayer(20, 12, 0);
        for (int x = 0; x < 20; ++x)
            grid.At(x, 10) = 1;
        grid.At(5, 9) = 8;
        grid.At(8, 5) = 9;
        grid.At(12, 9) = 4;
        for (int y = 0; y < 10; ++y)
            grid.At(15, y) = 10;
        return grid;
    }
    static Shapes RoomShapes() {
        std::array<uint8_t, 16> wall{};
        for (int r = 0; r < 4; ++r)
            wall[4 * r] = 1;
        return Shapes{{1, Fill(1)}, {4, Fill(4)}, {8, Fill(8)}, {9, Fill(9)}, {10, wall}};
    }
    Room() : world_(Layout(), RoomShapes()) {}
    GridWorld world_;
};

TEST_F(Room, MovesEndWhereTheRulesPutThem) {
    const int32_t slopeX = Px(384), slopeY = Px(288);
    struct Scenario {
        const char* name;
        int32_t x, y, vx, vy;
        int frames;
        uint32_t flags; // of all frames
        int32_t endX, endY;
    } scenarios[] = {
        {"falls onto the ground", Px(40), Px(290), 0, Px(5), 8, 2, Px(40), Px(320) - 1},
        {"right and down into the wall: the fall goes on", Px(470), Px(100), Px(20), Px(10), 1,
         1, Px(480) - 1, Px(100) + 22 * 29310 + 29310 * 92 / 256},
        {"left into the wall", Px(500), Px(100), -Px(20), 0, 2, 4, Px(488), Px(100)},
        {"lands on the one-way floor", Px(170), Px(270), 0, Px(30), 1, 2, Px(170), Px(288) - 1},
        {"jumps up through the one-way floor", Px(170), Px(318), 0, -Px(40), 1, 0, Px(170), Px(278)},
        {"bumps under the one-way ceiling", Px(270), Px(200), 0, -Px(40), 2, 8, Px(270), Px(192)},
        {"falls through the one-way ceiling", Px(270), Px(150), 0, Px(20), 1, 0, Px(270), Px(170)},
        // At fx = 6 px the slope line is 2 px down; half a pixel above it,
        // one pixel down is below it.
        {"steps down onto the slope", slopeX + Px(6), slopeY + 0x18000, 0, Px(1), 1, 0x22,
         slopeX + Px(6), slopeY - Px(6) + 0x7FFFF},
        {"falls onto the slope", slopeX + Px(6), slopeY + 0x18000, 0, Px(6), 1, 0x22,
         slopeX + Px(6), slopeY - Px(6) + 0x7FFFF},
        {"walks up the slope", slopeX + Px(1), slopeY + Px(7) - 1, Px(4), 0, 1, 0x22,
         slopeX + Px(5), slopeY - Px(5) + 0x7FFFF},
        {"moves inside the ground", Px(40), Px(330), Px(20), 0, 1, 0, Px(60), Px(330)},
        {"no velocity", Px(100), Px(319), 0, 0, 1, 0, Px(100), Px(319)},
        {"less than 1/256 px a unit", Px(100), Px(319), 255, -255, 1, 0, Px(100), Px(319)},
        // L = ISqrt(896^2 + 512^2) = 1032, unit (56899, -32513): four steps
        // of 256 and one of 8.
        {"worked by hand", Px(100), Px(100), Px(3) + 0x8000, -Px(2), 1, 0,
         Px(100) + 4 * 56899 + 1778, Px(100) - 4 * 32513 - 1016},
        // vx * 256 past 32 bits.
        {"300 px a frame", Px(10), Px(50), Px(300), 0, 1, 0, Px(310), Px(50)},
        // The squared length past 2^32: 46592^2 + 46593^2, whose root
        // 65891.75 rounds to L = 65892; unit (46340, 46341).
        {"182 px each way", Px(100), Px(10), Px(182), Px(182) + 256, 1, 0,
         Px(100) + 257 * 46340 + 46340 * 100 / 256, Px(10) + 257 * 46341 + 46341 * 100 / 256},
    };
    for (const Scenario& s : scenarios) {
        int32_t x = s.x, y = s.y;
        uint32_t flags = 0;
        for (int frame = 0; frame < s.frames; ++frame)
            flags |= MoveObject(world_.get(), &x, &y, s.vx, s.vy);
        EXPECT_EQ(flags, s.flags) << s.name;
        EXPECT_EQ(x, s.endX) << s.name;
        EXPECT_EQ(y, s.endY) << s.name;
    }
}

TEST_F(Room, NoTunnellingThroughAOneQuarterWallAt40PixelsAFrame) {
    for (int32_t start = 400; start < 480; start += 3) {
        int32_t x = Px(start), y = Px(200);
        uint32_t flags = 0;
        for (int frame = 0; frame < 3; ++frame)
            flags |= MoveObject(world_.get(), &x, &y, Px(40), 0);
        EXPECT_EQ(flags, COLLIDE_BLOCK_RIGHT) << start;
        EXPECT_EQ(x, Px(480) - 1) << start;
        EXPECT_EQ(y, Px(200));
    }
}

} // namespace
