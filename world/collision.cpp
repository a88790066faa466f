// Movement through the map: a velocity walked one pixel at a time, each
// step checked against the 8 x 8 pixel quarters of the layer-3 shapes.
#include <cstdint>

#include "engine/helpers.h"
#include "world/game_world.h"
#include "world/tile_map.h"

namespace {

constexpr int32_t kQuarterMask = kQuarterUnits - 1;
constexpr int32_t kHalfQuarter = kQuarterUnits / 2;

// Quarter codes.
constexpr uint8_t QUARTER_EMPTY = 0;
constexpr uint8_t QUARTER_SOLID = 1;
constexpr uint8_t QUARTER_FLOOR_RISING = 4;
constexpr uint8_t QUARTER_CEILING_FALLING = 7;
constexpr uint8_t QUARTER_ONE_WAY_DOWN = 8;
constexpr uint8_t QUARTER_ONE_WAY_LEFT = 11;

// ---- tables -------------------------------------------------------------------
// d = 3 x (old quarter row - new) + (old quarter column - new) + 4:
//   0 right+down  1 down  2 left+down
//   3 right       4 none  5 left
//   6 right+up    7 up    8 left+up

struct StepFlags {
    uint32_t x;
    uint32_t y;
};
constexpr StepFlags kStepFlags[9] = {
    {COLLIDE_BLOCK_RIGHT, COLLIDE_BLOCK_DOWN}, {0, COLLIDE_BLOCK_DOWN},
    {COLLIDE_BLOCK_LEFT, COLLIDE_BLOCK_DOWN},  {COLLIDE_BLOCK_RIGHT, 0},
    {0, 0},                                    {COLLIDE_BLOCK_LEFT, 0},
    {COLLIDE_BLOCK_RIGHT, COLLIDE_BLOCK_UP},   {0, COLLIDE_BLOCK_UP},
    {COLLIDE_BLOCK_LEFT, COLLIDE_BLOCK_UP},
};

// Where a point that stepped into a solid quarter from open space goes:
// back across the edge it came through, one unit outside the quarter.
enum Snap : uint8_t { KEEP, BEFORE, AFTER }; // X0 - 1, X0 + quarter
struct SnapRule {
    Snap x;
    Snap y;
};
constexpr SnapRule kSnap[9] = {
    {BEFORE, BEFORE}, {KEEP, BEFORE},  {AFTER, BEFORE},
    {BEFORE, KEEP},   {KEEP, KEEP},    {AFTER, KEEP},
    {BEFORE, AFTER},  {KEEP, AFTER},   {AFTER, AFTER},
};

// From a slope quarter into a solid one, by the 4-pixel square s of the
// new point inside its quarter: offsets from (X0, Y0) and the result.
struct SlopeExit {
    int32_t x;
    int32_t y;
    uint32_t result;
};
constexpr SlopeExit kSlopeExit[4][4] = {
    // from 4
    {{-1, -1, 2}, {0x7FFFF, -1, 2}, {-1, 0x7FFFF, 1}, {0x80000, 0x80000, 4}},
    // from 5
    {{0, -1, 2}, {0x80000, -1, 2}, {-1, -1, 1}, {0x80000, -1, 4}},
    // from 6
    {{-1, -1, 2}, {0x80000, -1, 2}, {-1, 0x7FFFF, 1}, {0x80000, 0x80000, 4}},
    // from 7
    {{-1, -1, 2}, {0x80000, -1, 2}, {-1, -1, 1}, {0x80000, -1, 4}},
};

// Inside a slope quarter the point is put back on the slope line when it
// is on the solid side. Rising lines run from the bottom left to the top
// right (y = quarter - fx), falling ones from the top left (y = fx).
struct SlopeQuarter {
    bool rising;
    bool solidRightOfLine; // solid where fx is above the line's x at fy
    uint32_t result;
};
constexpr SlopeQuarter kSlopeQuarter[4] = {
    {true, true, COLLIDE_SLOPE_RISING | COLLIDE_BLOCK_DOWN},   // 4 floor
    {false, false, COLLIDE_SLOPE_FALLING | COLLIDE_BLOCK_DOWN}, // 5 floor
    {true, false, COLLIDE_SLOPE_RISING | COLLIDE_BLOCK_UP},     // 6 ceiling
    {false, true, COLLIDE_SLOPE_FALLING | COLLIDE_BLOCK_UP},    // 7 ceiling
};

// One-way quarters block only steps from an empty quarter through one side.
struct OneWay {
    uint16_t dMask;  // bit d set: a step of direction d is blocked
    bool horizontal; // the x coordinate is put back, else the y
    Snap snap;
};
constexpr uint16_t DirBits(int a, int b, int c) {
    return static_cast<uint16_t>((1u << a) | (1u << b) | (1u << c));
}
constexpr OneWay kOneWay[4] = {
    {DirBits(0, 1, 2), false, BEFORE},                       // 8: entered from above
    {static_cast<uint16_t>((1u << 7) | (1u << 8)), false, AFTER}, // 9: from below
    {DirBits(0, 3, 6), true, BEFORE},                        // 10: from the left
    {DirBits(2, 5, 8), true, AFTER},                         // 11: from the right
};

// Diagonal steps: which neighbour of the new quarter decides each flag.
struct EdgeRule {
    int8_t d;
    int8_t xAt; // neighbour whose codes give the x flag
    uint8_t xCodes[2];
    int8_t yAt;
    uint8_t yCodes[2];
};
constexpr EdgeRule kEdgeRules[4] = {
    {0, 1, {1, 5}, 3, {1, 4}},
    {2, 1, {1, 4}, 5, {1, 5}},
    {6, 7, {1, 4}, 3, {1, 4}},
    {8, 7, {1, 5}, 5, {1, 4}},
};

// ---- helpers --------------------------------------------------------------------

// Coordinates near the ends of the i32 range wrap as 32-bit sums would.
inline int32_t Wrap(int64_t v) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v)));
}

inline int32_t SnapTo(int32_t edge, Snap snap, int32_t keep) {
    switch (snap) {
    case BEFORE: return Wrap(static_cast<int64_t>(edge) - 1);
    case AFTER: return Wrap(static_cast<int64_t>(edge) + kQuarterUnits);
    case KEEP: break;
    }
    return keep;
}

// The code of the quarter with global quarter indices (qx, qy).
inline uint8_t QuarterCode(int32_t qx, int32_t qy, TileShape* const shapes[],
                           const TileRunMap* map) {
    if (qx < 0 || qy < 0)
        return QUARTER_SOLID;
    int32_t code = TileCodeAt(map, 3, qx / 4, qy / 4);
    if (code < 0)
        return QUARTER_SOLID;
    const TileShape* shape = shapes[code];
    return shape != nullptr ? shape->q[4 * (qy % 4) + qx % 4] : QUARTER_EMPTY;
}

// Empty and passable quarters never stop anything.
inline bool LetsEverythingThrough(uint8_t code) {
    return code == QUARTER_EMPTY || code == 2 || code == 3 || code > QUARTER_ONE_WAY_LEFT;
}

inline int32_t Clamp1(int32_t v) {
    return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

// 64-bit square root rounded to the nearest integer, for sums that do not
// fit the 32-bit ISqrt.
uint64_t ISqrt64(uint64_t n) {
    uint64_t r = 0;
    for (uint64_t bit = uint64_t{1} << 62; bit != 0; bit >>= 2) {
        if (n >= r + bit) {
            n -= r + bit;
            r = (r >> 1) + bit;
        } else {
            r >>= 1;
        }
    }
    // n is now the remainder after r * r; round up past r + 1/2.
    return n > r ? r + 1 : r;
}

} // namespace

uint8_t GetQuarterCodeAt(int32_t x, int32_t y, TileShape* const shapes[kTileCodeCount],
                         const TileRunMap* map) {
    return QuarterCode(x / kQuarterUnits, y / kQuarterUnits, shapes, map);
}

void GatherQuarterCodes(int32_t x, int32_t y, TileShape* const shapes[kTileCodeCount],
                        const TileRunMap* map, uint8_t out[9]) {
    const int32_t qx = x / kQuarterUnits;
    const int32_t qy = y / kQuarterUnits;
    for (int32_t r = 0; r < 3; ++r)
        for (int32_t c = 0; c < 3; ++c)
            out[3 * r + c] = QuarterCode(qx + c - 1, qy + r - 1, shapes, map);
}

uint32_t TileEdgeFlags(int32_t d, const uint8_t codes[9]) {
    for (const EdgeRule& rule : kEdgeRules) {
        if (rule.d != d)
            continue;
        const uint8_t xs = codes[rule.xAt];
        const uint8_t ys = codes[rule.yAt];
        if (xs == QUARTER_EMPTY && ys == QUARTER_EMPTY)
            return 3;
        uint32_t bits = 0;
        if (xs == rule.xCodes[0] || xs == rule.xCodes[1])
            bits |= 2;
        if (ys == rule.yCodes[0] || ys == rule.yCodes[1])
            bits |= 1;
        return bits;
    }
    return 0;
}

uint32_t CollideBoxWithMap(GameWorld* world, int32_t* px, int32_t* py, int32_t dx, int32_t dy) {
    const int32_t x = *px;
    const int32_t y = *py;
    const int32_t oldX = Wrap(static_cast<int64_t>(x) - dx);
    const int32_t oldY = Wrap(static_cast<int64_t>(y) - dy);
    const int32_t qx = x / kQuarterUnits;
    const int32_t qy = y / kQuarterUnits;
    // A step of more than one quarter still counts as one quarter in its
    // direction, so d always names a row of the tables.
    const int32_t d = 3 * Clamp1(oldY / kQuarterUnits - qy) + Clamp1(oldX / kQuarterUnits - qx) + 4;
    const uint32_t xflag = kStepFlags[d].x;
    const uint32_t yflag = kStepFlags[d].y;

    TileShape* const* shapes = world->tileShapes;
    const TileRunMap* map = &world->map;
    const uint8_t centre = QuarterCode(qx, qy, shapes, map);
    if (LetsEverythingThrough(centre))
        return 0;

    const uint8_t from = GetQuarterCodeAt(oldX, oldY, shapes, map);
    const int32_t x0 = Wrap(static_cast<int64_t>(qx) * kQuarterUnits);
    const int32_t y0 = Wrap(static_cast<int64_t>(qy) * kQuarterUnits);
    const int32_t fx = x & kQuarterMask;
    const int32_t fy = y & kQuarterMask;

    if (centre >= QUARTER_FLOOR_RISING && centre <= QUARTER_CEILING_FALLING) {
        const SlopeQuarter& slope = kSlopeQuarter[centre - QUARTER_FLOOR_RISING];
        const int32_t lineX = slope.rising ? kQuarterUnits - fy : fy;
        const bool solid = slope.solidRightOfLine ? fx > lineX : fx < lineX;
        if (!solid)
            return 0;
        *py = Wrap(slope.rising ? static_cast<int64_t>(y0) - fx + kQuarterMask
                                : static_cast<int64_t>(y0) + fx);
        return slope.result;
    }

    if (centre >= QUARTER_ONE_WAY_DOWN) {
        const OneWay& rule = kOneWay[centre - QUARTER_ONE_WAY_DOWN];
        if (from != QUARTER_EMPTY || (rule.dMask & (1u << d)) == 0)
            return 0;
        if (rule.horizontal) {
            *px = SnapTo(x0, rule.snap, x);
            return xflag;
        }
        *py = SnapTo(y0, rule.snap, y);
        return yflag;
    }

    // A solid quarter, by where the step came from.
    if (from == QUARTER_SOLID)
        return 0; // moving inside solid ground is never stopped
    if (from == 2 || from == 3 || from > QUARTER_ONE_WAY_LEFT)
        return COLLIDE_BLOCK_RIGHT;
    if (from >= QUARTER_FLOOR_RISING && from <= QUARTER_CEILING_FALLING) {
        const int32_t s = 2 * (fy / kHalfQuarter) + fx / kHalfQuarter;
        const SlopeExit& exit = kSlopeExit[from - QUARTER_FLOOR_RISING][s];
        *px = Wrap(static_cast<int64_t>(x0) + exit.x);
        *py = Wrap(static_cast<int64_t>(y0) + exit.y);
        return exit.result;
    }
    // From open space (empty or one-way).
    uint32_t result;
    if (d == 0 || d == 2 || d == 6 || d == 8) {
        uint8_t codes[9];
        GatherQuarterCodes(x, y, shapes, map, codes);
        const uint32_t bits = TileEdgeFlags(d, codes);
        result = ((bits & 1) ? yflag : 0) | ((bits & 2) ? xflag : 0);
    } else {
        result = xflag | yflag;
    }
    *px = SnapTo(x0, kSnap[d].x, x);
    *py = SnapTo(y0, kSnap[d].y, y);
    return result;
}

uint32_t MoveObject(GameWorld* world, int32_t* x, int32_t* y, int32_t vx, int32_t vy) {
    const int64_t ax = vx / 256;
    const int64_t ay = vy / 256;
    const uint64_t lengthSquared = static_cast<uint64_t>(ax * ax) + static_cast<uint64_t>(ay * ay);
    int64_t length = lengthSquared <= UINT32_MAX
                         ? ISqrt(static_cast<uint32_t>(lengthSquared))
                         : static_cast<int64_t>(ISqrt64(lengthSquared));
    if (length == 0)
        return 0;
    // The direction as a 16.16 unit vector, walked 1/256 pixel per unit of length.
    int64_t ux = static_cast<int64_t>(vx) * 256 / length;
    int64_t uy = static_cast<int64_t>(vy) * 256 / length;

    uint32_t flags = 0;
    int32_t px = *x;
    int32_t py = *y;
    // A step that ends in a quarter that lets everything through is never
    // stopped or moved, whatever its direction: the last such quarter is
    // kept, so that the many short steps through one open quarter skip the
    // map. The map does not change during a move.
    bool openKnown = false;
    int32_t openQx = 0, openQy = 0;
    TileShape* const* shapes = world->tileShapes;
    do {
        const int64_t s = length < 257 ? length : 256;
        const int32_t dx = static_cast<int32_t>(ux * s / 256);
        const int32_t dy = static_cast<int32_t>(uy * s / 256);
        px = Wrap(static_cast<int64_t>(px) + dx);
        py = Wrap(static_cast<int64_t>(py) + dy);
        const int32_t beforeX = px;
        const int32_t beforeY = py;
        const int32_t qx = px / kQuarterUnits;
        const int32_t qy = py / kQuarterUnits;
        uint32_t r = 0;
        if (!openKnown || qx != openQx || qy != openQy) {
            if (LetsEverythingThrough(QuarterCode(qx, qy, shapes, &world->map))) {
                openKnown = true;
                openQx = qx;
                openQy = qy;
            } else {
                r = CollideBoxWithMap(world, &px, &py, dx, dy);
            }
        }
        if (r & (COLLIDE_BLOCK_DOWN | COLLIDE_BLOCK_UP)) {
            uy = 0;
            flags |= r & 0x3A;
        }
        if (r & (COLLIDE_BLOCK_RIGHT | COLLIDE_BLOCK_LEFT)) {
            ux = 0;
            flags |= r & 0x35;
        }
        length -= s;
        // Stopped both ways, and a standing step left the point where it
        // was: every later step repeats this one exactly and changes nothing.
        if (ux == 0 && uy == 0 && dx == 0 && dy == 0 && px == beforeX && py == beforeY)
            break;
    } while (length >= 1);
    *x = px;
    *y = py;
    return flags;
}
