// Renderer dispatch: the rest of the game never names a renderer. With no
// renderer (kind 0) every call does nothing and returns 0. The renderers
// share the geometry of sprite quads and mesh ranges (sprite_geometry.h) so
// that both draw the same picture.
#pragma once

#include <cstdint>

struct Image;
struct SpriteRecord;
struct TextureRecord;

enum RendererKind : int32_t { RENDERER_NONE = 0, RENDERER_D3D9 = 1, RENDERER_OPENGL = 2 };

extern int32_t gRendererKind;
extern int32_t gReduceTextures;

// Size of the ReadScreen buffer: 800 x 600 RGB, bottom row first.
constexpr int32_t READ_SCREEN_WIDTH = 800;
constexpr int32_t READ_SCREEN_HEIGHT = 600;
constexpr int32_t READ_SCREEN_BYTES = READ_SCREEN_WIDTH * READ_SCREEN_HEIGHT * 3;

// 1 when the mode was set. Stores `reduce` in gReduceTextures whatever the
// kind; an unknown kind leaves no renderer and returns 0.
int32_t SetVideoMode(int32_t width, int32_t height, int32_t bitsPerPixel, int32_t fullscreen,
                     int32_t kind, int32_t reduce);
void ShutdownRenderer();
void UploadTexture(Image* image);
void PresentFrame();
void ClearScreen();
void SuspendRenderer();
void ResumeRenderer();
void SetTextureFiltering(int32_t linear);
// Writes READ_SCREEN_BYTES into `buffer`.
void ReadScreen(uint8_t* buffer);
void RendererDrawSprite(SpriteRecord* record);
void RendererFillRect(SpriteRecord* record);

// The triangle mesh of the level objects: textured or coloured triangles.
// Triangle k uses vertices k * stride + 0..2 and triangles[k]; the table
// holds (totalVertices - 3) / stride + 1 entries.
struct MeshTriangle {
    int16_t u[3]; // source pixels; u[0] == -1 marks a coloured triangle
    int16_t v[3];
    Image* image;    // textured triangles
    uint32_t colour; // coloured triangles: ARGB
};

struct TriangleMesh {
    const int16_t* vertices; // x, y pairs
    const MeshTriangle* triangles;
    int16_t offsetX;
    int16_t offsetY;
    int32_t count; // triangles to draw this call, 0 = all that remain; cleared by the call
    int32_t totalVertices;
    int32_t next;   // next triangle to draw, advanced by the call
    int32_t stride; // vertices from one triangle to the next
};

// Returns the index of the last triangle drawn (-1 when none was).
int32_t DrawTriangleMesh(TriangleMesh* mesh);
// Texture records of texture-backed images, made by the active renderer.
void CreateTextureRecord(Image* image);
void FreeTextureRecord(Image* image);

// Test seam: while a sink is installed, every screen sprite, screen fill and
// mesh goes to it instead of the renderer (whatever the renderer kind), so
// tests can check what was drawn without pixels.
class DrawSink {
public:
    virtual ~DrawSink() = default;
    virtual void OnDrawSprite(const SpriteRecord& record) = 0;
    virtual void OnFillRect(const SpriteRecord& record) = 0;
    // Takes the mesh's triangles as a renderer would (TakeMeshTriangles).
    virtual int32_t OnDrawTriangleMesh(TriangleMesh* mesh) = 0;
};

extern DrawSink* gDrawSink;
