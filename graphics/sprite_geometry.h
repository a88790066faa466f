// Geometry that both renderers share, so that a scene drawn through either
// one lands on the same pixels: the corners, texture coordinates and colour
// of a sprite quad, the screen culling test, the diffuse packing and the
// triangle range of a mesh call.
#pragma once

#include <cstdint>

struct Image;
struct SpriteRecord;
struct TriangleMesh;

// Corner order: top-left, top-right, bottom-left, bottom-right (the order of
// a triangle strip and of the quad's vertices).
enum { QUAD_TL = 0, QUAD_TR = 1, QUAD_BL = 2, QUAD_BR = 3 };

struct SpriteQuad {
    float x[4];
    float y[4];
    float u[4];
    float v[4];
    // Colour factors, clamped to 0..1.
    float red;
    float green;
    float blue;
    float alpha;
};

// Builds the quad of a sprite whose source is texture-backed (reads the
// source's texture record). 0 when the source has no usable record or no
// size, and nothing is to be drawn.
int32_t BuildSpriteQuad(const SpriteRecord* record, SpriteQuad* quad);

// True when the quad's bounding box overlaps the screen of the given size.
bool QuadOverlapsScreen(const SpriteQuad* quad, int32_t screenWidth, int32_t screenHeight);

// Colour factors as an ARGB word: each clamped to 0..1, times 255, rounded.
uint32_t PackDiffuse(float red, float green, float blue, float alpha);

inline float ClampUnit(float value) {
    // Written so that NaN ends up 0.
    return value > 0.0f ? (value < 1.0f ? value : 1.0f) : 0.0f;
}

// A texture-backed image with a usable texture record.
bool HasUsableTexture(const Image* image);

// The triangles one DrawTriangleMesh call draws: triangle k uses vertices
// k * stride + 0..2 and entry k of the triangle table. Stores the first and
// one past the last triangle in *first and *end, clears the mesh's count and
// moves its next triangle past the last one drawn. Returns the index of the
// last triangle drawn, or -1 when none is.
int32_t TakeMeshTriangles(TriangleMesh* mesh, int32_t* first, int32_t* end);

// Screen position of vertex `index` of a mesh, the mesh's offset added.
void MeshVertex(const TriangleMesh* mesh, int32_t index, int32_t* x, int32_t* y);
