// Triangle rasterisation of the software Direct3D 9 device, following
// Direct3D 9's rules: pixel sample points at integer coordinates, the
// top-left fill rule, affine interpolation, point sampling at
// floor(u * width) or bilinear sampling at (u * width - 0.5), both wrapped,
// texture times diffuse, source-alpha blending.
//
// Two triangles that make up an axis-aligned rectangle whose texture
// coordinates follow the axes (every sprite, tile, glyph and fill) take a
// row-loop path that gives the same pixels as the triangles would.
#pragma once

#include <cstdint>

struct RasterTarget {
    uint32_t* pixels; // 32-bit ARGB
    int32_t width;
    int32_t height;
    int32_t pitch; // in pixels
    // Work rows of at least `width` entries, owned by the caller.
    uint32_t* rowScratch;
    int32_t* columnScratch; // 3 * width entries
    uint32_t* texelScratch; // kMaxRasterTextureSize entries
};

// Textures are at most this many texels wide and high.
constexpr int32_t kMaxRasterTextureSize = 4096;

// 32-bit ARGB texels, `pitch` texels from row to row. A texture made
// around a smaller picture stores only the picture: its last
// `blankColumns` columns and `blankRows` rows are not stored and read as
// transparent black.
struct RasterTexture {
    const uint32_t* texels;
    int32_t width;
    int32_t height;
    int32_t pitch;
    int32_t blankColumns = 0;
    int32_t blankRows = 0;
};

struct RasterVertex {
    float x;
    float y;
    uint32_t diffuse;
    float u;
    float v;
};

struct RasterState {
    const RasterTexture* texture; // null: the output is the diffuse colour
    bool magnifyLinear;
    bool minifyLinear;
    bool blend; // source alpha over the target, else a plain write
    // Alpha from the texture alone rather than texture times diffuse.
    bool textureAlphaOnly;
};

void RasterTriangle(const RasterTarget& target, const RasterState& state, const RasterVertex& a,
                    const RasterVertex& b, const RasterVertex& c);

// Triangles `first` and `second` with their vertex indices (a vertex
// shared by both has the same index in both). When together they form an
// axis-aligned rectangle with texture coordinates that follow the axes and
// one diffuse colour, draws it and returns true; otherwise draws nothing
// and returns false.
bool RasterRectangle(const RasterTarget& target, const RasterState& state,
                     const RasterVertex first[3], const uint32_t firstIndices[3],
                     const RasterVertex second[3], const uint32_t secondIndices[3]);
