#include "graphics/d3d9/soft_raster.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "graphics/d3d9/soft_filter.h"
#include "graphics/d3d9/soft_pixels.h"

namespace {

// Vertex positions are snapped to 1/256 pixel, like the hardware's
// sub-pixel grid; edge functions are then exact 64-bit integers.
constexpr int64_t kSubPixel = 256;
// Farther than this, a vertex is taken as broken and its triangle dropped:
// keeps every edge product inside 64 bits.
constexpr float kCoordLimit = 1048576.0f;
constexpr float kTexCoordLimit = 1.0e6f;
// A texel coordinate that is exactly on a texel's left edge must not come
// out a hair below it through rounding, or it would pick the neighbour (or
// wrap to the far side of the texture).
constexpr double kPointBias = 1.0e-6;
// Bilinear sampling reads around (s - 0.5); the same bias keeps the texel
// pair and its weights steady when s sits exactly on a boundary.
constexpr double kLinearOffset = -0.5 + kPointBias;

struct FixedPoint {
    int64_t x;
    int64_t y;
};

bool Usable(float value, float limit) {
    return std::isfinite(value) && std::fabs(value) <= limit;
}

bool SnapVertex(const RasterVertex& v, bool textured, FixedPoint* out) {
    if (!Usable(v.x, kCoordLimit) || !Usable(v.y, kCoordLimit))
        return false;
    if (textured && (!Usable(v.u, kTexCoordLimit) || !Usable(v.v, kTexCoordLimit)))
        return false;
    out->x = std::llrint(static_cast<double>(v.x) * kSubPixel);
    out->y = std::llrint(static_cast<double>(v.y) * kSubPixel);
    return true;
}

int64_t FloorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}

int64_t CeilDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    return (a % b != 0 && a > 0) ? q + 1 : q;
}

int64_t FastFloor(double value) {
    int64_t t = static_cast<int64_t>(value);
    return t > value ? t - 1 : t;
}

int32_t ClampToRange(int64_t value, int32_t low, int32_t high) {
    return static_cast<int32_t>(std::min<int64_t>(std::max<int64_t>(value, low), high));
}

uint32_t EffectiveDiffuse(const RasterState& state, uint32_t diffuse) {
    return state.textureAlphaOnly ? diffuse | 0xFF000000u : diffuse;
}

// ---- sampling --------------------------------------------------------------

// Rows past the stored ones of a texture: every texel transparent black.
const uint32_t kBlankRow[kMaxRasterTextureSize] = {};

class Sampler {
public:
    explicit Sampler(const RasterTexture& texture)
        : tex_(texture), maskX_(PowerOfTwoMask(texture.width)),
          maskY_(PowerOfTwoMask(texture.height)),
          storedWidth_(texture.width - texture.blankColumns),
          storedHeight_(texture.height - texture.blankRows) {}

    int32_t WrapX(int64_t i) const { return Wrap(i, tex_.width, maskX_); }
    int32_t Width() const { return tex_.width; }
    int32_t StoredWidth() const { return storedWidth_; }
    int32_t WrapY(int64_t j) const { return Wrap(j, tex_.height, maskY_); }
    const uint32_t* Row(int32_t y) const {
        if (y >= storedHeight_)
            return kBlankRow;
        return tex_.texels + static_cast<size_t>(y) * static_cast<size_t>(tex_.pitch);
    }
    // Texel x of a row from Row().
    uint32_t Texel(const uint32_t* row, int32_t x) const { return x < storedWidth_ ? row[x] : 0; }
    uint32_t Point(double s, double t) const {
        return Texel(Row(WrapY(FastFloor(t + kPointBias))), WrapX(FastFloor(s + kPointBias)));
    }
    uint32_t Bilinear(double s, double t) const {
        s += kLinearOffset;
        t += kLinearOffset;
        int64_t i = FastFloor(s);
        int64_t j = FastFloor(t);
        uint32_t wx = Weight(s - static_cast<double>(i));
        uint32_t wy = Weight(t - static_cast<double>(j));
        const uint32_t* top = Row(WrapY(j));
        const uint32_t* bottom = Row(WrapY(j + 1));
        int32_t x0 = WrapX(i);
        int32_t x1 = WrapX(i + 1);
        return Lerp4(Texel(top, x0), Texel(top, x1), Texel(bottom, x0), Texel(bottom, x1), wx, wy);
    }

    // Fraction 0..1 as a weight 0..255 of the second texel.
    static uint32_t Weight(double fraction) {
        int64_t w = static_cast<int64_t>(fraction * 256.0);
        return static_cast<uint32_t>(std::min<int64_t>(std::max<int64_t>(w, 0), 255));
    }

    // Down the columns first, then across.
    static uint32_t Lerp4(uint32_t c00, uint32_t c10, uint32_t c01, uint32_t c11, uint32_t wx,
                          uint32_t wy) {
        return LerpTexel(LerpTexel(c00, c01, wy), LerpTexel(c10, c11, wy), wx);
    }

private:
    static int32_t PowerOfTwoMask(int32_t size) {
        return (size > 0 && (size & (size - 1)) == 0) ? size - 1 : -1;
    }
    static int32_t Wrap(int64_t i, int32_t size, int32_t mask) {
        if (mask >= 0)
            return static_cast<int32_t>(i & mask);
        int64_t r = i % size;
        return static_cast<int32_t>(r < 0 ? r + size : r);
    }

    const RasterTexture& tex_;
    int32_t maskX_;
    int32_t maskY_;
    int32_t storedWidth_;
    int32_t storedHeight_;
};

uint32_t* TargetRow(const RasterTarget& target, int32_t y) {
    return target.pixels + static_cast<size_t>(y) * static_cast<size_t>(target.pitch);
}

bool PickLinear(const RasterState& state, double texelsPerPixel) {
    return texelsPerPixel > 1.0 ? state.minifyLinear : state.magnifyLinear;
}

// ---- axis-aligned rectangles -------------------------------------------------

struct Rect {
    int64_t left, top, right, bottom; // sub-pixel units
    float uLeft, uRight, vTop, vBottom;
    uint32_t diffuse;
};

// Texel coordinate (u * size) at pixel `p` of an axis running from `low` to
// `high` (sub-pixel units) with coordinates cLow to cHigh.
struct AxisMap {
    double start;
    double perPixel;
    AxisMap(int64_t low, int64_t high, float cLow, float cHigh, int32_t size) {
        double length = static_cast<double>(high - low) / kSubPixel;
        double sLow = static_cast<double>(cLow) * size;
        double sHigh = static_cast<double>(cHigh) * size;
        perPixel = (sHigh - sLow) / length;
        start = sLow - static_cast<double>(low) / kSubPixel * perPixel;
    }
    double At(int32_t p) const { return start + static_cast<double>(p) * perPixel; }
};

void DrawRectSolid(const RasterTarget& target, const RasterState& state, int32_t x0, int32_t x1,
                   int32_t y0, int32_t y1, uint32_t diffuse) {
    for (int32_t y = y0; y < y1; ++y)
        ShadeRowSolid(TargetRow(target, y) + x0, x1 - x0, diffuse, state.blend);
}

void DrawRectPoint(const RasterTarget& target, const RasterState& state, const Sampler& sampler,
                   const AxisMap& across, const AxisMap& down, int32_t x0, int32_t x1, int32_t y0,
                   int32_t y1, uint32_t diffuse) {
    int32_t count = x1 - x0;
    int32_t* columns = target.columnScratch;
    // Unscaled and unmirrored (nearly every sprite): texels side by side.
    int64_t first = FastFloor(across.At(x0) + kPointBias);
    bool contiguous =
        across.perPixel == 1.0 && first >= 0 && first + count <= sampler.StoredWidth();
    bool readsBlank = false;
    if (contiguous) {
        columns[0] = static_cast<int32_t>(first);
    } else {
        for (int32_t i = 0; i < count; ++i) {
            columns[i] = sampler.WrapX(FastFloor(across.At(x0 + i) + kPointBias));
            readsBlank = readsBlank || columns[i] >= sampler.StoredWidth();
        }
    }
    for (int32_t y = y0; y < y1; ++y) {
        const uint32_t* texRow = sampler.Row(sampler.WrapY(FastFloor(down.At(y) + kPointBias)));
        uint32_t* dst = TargetRow(target, y) + x0;
        if (contiguous) {
            ShadeRow(dst, texRow + columns[0], count, diffuse, state.blend);
            continue;
        }
        uint32_t* row = target.rowScratch;
        if (readsBlank) {
            for (int32_t i = 0; i < count; ++i)
                row[i] = sampler.Texel(texRow, columns[i]);
        } else {
            for (int32_t i = 0; i < count; ++i)
                row[i] = texRow[columns[i]];
        }
        ShadeRow(dst, row, count, diffuse, state.blend);
    }
}

void DrawRectLinear(const RasterTarget& target, const RasterState& state, const Sampler& sampler,
                    const AxisMap& across, const AxisMap& down, int32_t x0, int32_t x1, int32_t y0,
                    int32_t y1, uint32_t diffuse) {
    int32_t count = x1 - x0;
    int32_t* first = target.columnScratch;
    int32_t* second = first + count;
    auto* weights = reinterpret_cast<uint32_t*>(second + count);
    for (int32_t i = 0; i < count; ++i) {
        double s = across.At(x0 + i) + kLinearOffset;
        int64_t c = FastFloor(s);
        first[i] = sampler.WrapX(c);
        second[i] = sampler.WrapX(c + 1);
        weights[i] = PackLerpWeight(Sampler::Weight(s - static_cast<double>(c)));
    }
    // Each output row blends its two texel rows once over the columns it
    // reads, then each pixel blends two of those.
    int32_t low = sampler.Width(), high = -1;
    for (int32_t i = 0; i < count; ++i) {
        low = std::min({low, first[i], second[i]});
        high = std::max({high, first[i], second[i]});
    }
    // Columns past the stored ones blend two blank texels: blank.
    int32_t storedHigh = std::min(high, sampler.StoredWidth() - 1);
    uint32_t* blended = target.texelScratch;
    for (int32_t c = std::max(low, storedHigh + 1); c <= high; ++c)
        blended[c] = 0;
    uint32_t* row = target.rowScratch;
    for (int32_t y = y0; y < y1; ++y) {
        double t = down.At(y) + kLinearOffset;
        int64_t r = FastFloor(t);
        uint32_t wy = Sampler::Weight(t - static_cast<double>(r));
        const uint32_t* top = sampler.Row(sampler.WrapY(r));
        const uint32_t* bottom = sampler.Row(sampler.WrapY(r + 1));
        LerpTexelRows(blended + low, top + low, bottom + low, storedHigh - low + 1, wy);
        LerpTexelColumns(row, blended, first, second, weights, count);
        ShadeRow(TargetRow(target, y) + x0, row, count, diffuse, state.blend);
    }
}

void DrawRect(const RasterTarget& target, const RasterState& state, const Rect& rect) {
    int32_t x0 = ClampToRange(CeilDiv(rect.left, kSubPixel), 0, target.width);
    int32_t x1 = ClampToRange(CeilDiv(rect.right, kSubPixel), 0, target.width);
    int32_t y0 = ClampToRange(CeilDiv(rect.top, kSubPixel), 0, target.height);
    int32_t y1 = ClampToRange(CeilDiv(rect.bottom, kSubPixel), 0, target.height);
    if (x0 >= x1 || y0 >= y1)
        return;
    uint32_t diffuse = EffectiveDiffuse(state, rect.diffuse);
    if (state.texture == nullptr) {
        DrawRectSolid(target, state, x0, x1, y0, y1, diffuse);
        return;
    }
    const RasterTexture& tex = *state.texture;
    Sampler sampler(tex);
    AxisMap across(rect.left, rect.right, rect.uLeft, rect.uRight, tex.width);
    AxisMap down(rect.top, rect.bottom, rect.vTop, rect.vBottom, tex.height);
    double texelsPerPixel = std::max(std::fabs(across.perPixel), std::fabs(down.perPixel));
    if (PickLinear(state, texelsPerPixel))
        DrawRectLinear(target, state, sampler, across, down, x0, x1, y0, y1, diffuse);
    else
        DrawRectPoint(target, state, sampler, across, down, x0, x1, y0, y1, diffuse);
}

// The two vertices of one coordinate along an axis agree.
bool SameCoordinate(const FixedPoint* p, const RasterVertex* const* v, int64_t FixedPoint::*axis,
                    int64_t where, float RasterVertex::*coord, float* out) {
    bool found = false;
    for (int i = 0; i < 4; ++i) {
        if (p[i].*axis != where)
            continue;
        if (found && !(v[i]->*coord == *out))
            return false;
        *out = v[i]->*coord;
        found = true;
    }
    return found;
}

// ---- general triangles -----------------------------------------------------

struct Edge {
    int64_t dx, dy, ax, ay;
    bool top; // horizontal edge on the top of the triangle
};

// Columns [*lo, *hi) of row `sy` (sub-pixel units) inside the edge.
// False when no column is.
bool ClipSpanToEdge(const Edge& e, int64_t sy, int64_t* lo, int64_t* hi) {
    int64_t c = e.dx * (sy - e.ay) + e.dy * e.ax;
    if (e.dy == 0)
        return c > 0 || (c == 0 && e.top);
    if (e.dy < 0) {
        // A left edge: a sample on it is inside.
        *lo = std::max(*lo, CeilDiv(-c, -e.dy * kSubPixel));
    } else {
        // A right edge: a sample on it is outside.
        *hi = std::min(*hi, CeilDiv(c, e.dy * kSubPixel));
    }
    return true;
}

// An attribute's value and slopes over the triangle, in pixel units.
struct Plane {
    double base, perX, perY;
    double At(double x, double y) const { return base + perX * x + perY * y; }
};

Plane MakePlane(const double* x, const double* y, const double* value) {
    double x1 = x[1] - x[0], y1 = y[1] - y[0];
    double x2 = x[2] - x[0], y2 = y[2] - y[0];
    double det = x1 * y2 - x2 * y1;
    double d1 = value[1] - value[0], d2 = value[2] - value[0];
    Plane p;
    p.perX = (d1 * y2 - d2 * y1) / det;
    p.perY = (d2 * x1 - d1 * x2) / det;
    p.base = value[0] - p.perX * x[0] - p.perY * y[0];
    return p;
}

struct TriangleSetup {
    Plane s, t;       // texel coordinates
    Plane channel[4]; // diffuse B, G, R, A when it varies
    bool constantDiffuse;
    uint32_t diffuse;
    bool linear;
};

uint32_t DiffuseAt(const TriangleSetup& setup, double x, double y) {
    uint32_t out = 0;
    for (int c = 0; c < 4; ++c) {
        double value = std::nearbyint(setup.channel[c].At(x, y));
        uint32_t byte = static_cast<uint32_t>(std::min(std::max(value, 0.0), 255.0));
        out |= byte << (c * 8);
    }
    return out;
}

void ShadeSpan(const RasterTarget& target, const RasterState& state, const TriangleSetup& setup,
               int32_t y, int32_t x0, int32_t x1) {
    int32_t count = x1 - x0;
    uint32_t* dst = TargetRow(target, y) + x0;
    if (state.texture == nullptr && setup.constantDiffuse) {
        ShadeRowSolid(dst, count, setup.diffuse, state.blend);
        return;
    }
    uint32_t* row = target.rowScratch;
    double fy = static_cast<double>(y);
    if (state.texture != nullptr) {
        Sampler sampler(*state.texture);
        double s = setup.s.At(x0, fy);
        double t = setup.t.At(x0, fy);
        for (int32_t i = 0; i < count; ++i) {
            double si = s + setup.s.perX * i;
            double ti = t + setup.t.perX * i;
            row[i] = setup.linear ? sampler.Bilinear(si, ti) : sampler.Point(si, ti);
        }
    } else {
        for (int32_t i = 0; i < count; ++i)
            row[i] = kOpaqueWhite;
    }
    if (setup.constantDiffuse) {
        ShadeRow(dst, row, count, setup.diffuse, state.blend);
        return;
    }
    for (int32_t i = 0; i < count; ++i) {
        uint32_t d = EffectiveDiffuse(state, DiffuseAt(setup, x0 + i, fy));
        row[i] = ModulatePixel(row[i], d);
    }
    ShadeRow(dst, row, count, kOpaqueWhite, state.blend);
}

void SetUpAttributes(const RasterState& state, const FixedPoint* p, const RasterVertex* const* v,
                     TriangleSetup* setup) {
    double x[3], y[3];
    for (int i = 0; i < 3; ++i) {
        x[i] = static_cast<double>(p[i].x) / kSubPixel;
        y[i] = static_cast<double>(p[i].y) / kSubPixel;
    }
    setup->constantDiffuse = v[0]->diffuse == v[1]->diffuse && v[0]->diffuse == v[2]->diffuse;
    setup->diffuse = EffectiveDiffuse(state, v[0]->diffuse);
    if (!setup->constantDiffuse) {
        for (int c = 0; c < 4; ++c) {
            double value[3];
            for (int i = 0; i < 3; ++i)
                value[i] = static_cast<double>((v[i]->diffuse >> (c * 8)) & 0xFF);
            setup->channel[c] = MakePlane(x, y, value);
        }
    }
    setup->linear = false;
    if (state.texture == nullptr)
        return;
    double s[3], t[3];
    for (int i = 0; i < 3; ++i) {
        s[i] = static_cast<double>(v[i]->u) * state.texture->width;
        t[i] = static_cast<double>(v[i]->v) * state.texture->height;
    }
    setup->s = MakePlane(x, y, s);
    setup->t = MakePlane(x, y, t);
    double acrossX = std::hypot(setup->s.perX, setup->t.perX);
    double acrossY = std::hypot(setup->s.perY, setup->t.perY);
    setup->linear = PickLinear(state, std::max(acrossX, acrossY));
}

} // namespace

void RasterTriangle(const RasterTarget& target, const RasterState& state, const RasterVertex& a,
                    const RasterVertex& b, const RasterVertex& c) {
    bool textured = state.texture != nullptr;
    FixedPoint p[3];
    const RasterVertex* v[3] = {&a, &b, &c};
    for (int i = 0; i < 3; ++i)
        if (!SnapVertex(*v[i], textured, &p[i]))
            return;
    int64_t area = (p[1].x - p[0].x) * (p[2].y - p[0].y) - (p[1].y - p[0].y) * (p[2].x - p[0].x);
    if (area == 0)
        return;
    if (area < 0) {
        std::swap(p[1], p[2]);
        std::swap(v[1], v[2]);
    }
    Edge edges[3];
    for (int i = 0; i < 3; ++i) {
        const FixedPoint& from = p[i];
        const FixedPoint& to = p[(i + 1) % 3];
        edges[i] = {to.x - from.x, to.y - from.y, from.x, from.y, false};
        edges[i].top = edges[i].dy == 0 && edges[i].dx > 0;
    }
    int64_t minY = std::min({p[0].y, p[1].y, p[2].y});
    int64_t maxY = std::max({p[0].y, p[1].y, p[2].y});
    int32_t y0 = ClampToRange(CeilDiv(minY, kSubPixel), 0, target.height);
    int32_t y1 = ClampToRange(FloorDiv(maxY, kSubPixel) + 1, 0, target.height);
    if (y0 >= y1)
        return;
    TriangleSetup setup = {};
    SetUpAttributes(state, p, v, &setup);
    for (int32_t y = y0; y < y1; ++y) {
        int64_t sy = static_cast<int64_t>(y) * kSubPixel;
        int64_t lo = 0;
        int64_t hi = target.width;
        bool inside = true;
        for (int i = 0; i < 3 && inside; ++i)
            inside = ClipSpanToEdge(edges[i], sy, &lo, &hi);
        if (inside && lo < hi)
            ShadeSpan(target, state, setup, y, static_cast<int32_t>(lo), static_cast<int32_t>(hi));
    }
}

bool RasterRectangle(const RasterTarget& target, const RasterState& state,
                     const RasterVertex first[3], const uint32_t firstIndices[3],
                     const RasterVertex second[3], const uint32_t secondIndices[3]) {
    int sharedInFirst[2];
    int sharedCount = 0;
    bool sharedInSecond[3] = {false, false, false};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            if (firstIndices[i] != secondIndices[j])
                continue;
            if (sharedCount < 2)
                sharedInFirst[sharedCount] = i;
            ++sharedCount;
            sharedInSecond[j] = true;
        }
    }
    if (sharedCount != 2)
        return false;
    int uniqueFirst = 3 - sharedInFirst[0] - sharedInFirst[1];
    int uniqueSecond = sharedInSecond[0] ? (sharedInSecond[1] ? 2 : 1) : 0;
    const RasterVertex* v[4] = {&first[sharedInFirst[0]], &first[sharedInFirst[1]],
                                &first[uniqueFirst], &second[uniqueSecond]};
    bool textured = state.texture != nullptr;
    FixedPoint p[4];
    for (int i = 0; i < 4; ++i)
        if (!SnapVertex(*v[i], textured, &p[i]))
            return false;
    // The shared pair is a diagonal; the other two are the other corners.
    if (p[0].x == p[1].x || p[0].y == p[1].y)
        return false;
    bool corners = (p[2].x == p[0].x && p[2].y == p[1].y && p[3].x == p[1].x && p[3].y == p[0].y) ||
                   (p[2].x == p[1].x && p[2].y == p[0].y && p[3].x == p[0].x && p[3].y == p[1].y);
    if (!corners)
        return false;
    for (int i = 1; i < 4; ++i)
        if (v[i]->diffuse != v[0]->diffuse)
            return false;
    Rect rect;
    rect.left = std::min(p[0].x, p[1].x);
    rect.right = std::max(p[0].x, p[1].x);
    rect.top = std::min(p[0].y, p[1].y);
    rect.bottom = std::max(p[0].y, p[1].y);
    rect.diffuse = v[0]->diffuse;
    rect.uLeft = rect.uRight = rect.vTop = rect.vBottom = 0.0f;
    if (textured) {
        bool follows =
            SameCoordinate(p, v, &FixedPoint::x, rect.left, &RasterVertex::u, &rect.uLeft) &&
            SameCoordinate(p, v, &FixedPoint::x, rect.right, &RasterVertex::u, &rect.uRight) &&
            SameCoordinate(p, v, &FixedPoint::y, rect.top, &RasterVertex::v, &rect.vTop) &&
            SameCoordinate(p, v, &FixedPoint::y, rect.bottom, &RasterVertex::v, &rect.vBottom);
        if (!follows)
            return false;
    }
    DrawRect(target, state, rect);
    return true;
}
