// Renderer dispatch: the rest of the game never names a renderer. With no
// renderer (kind 0) every call does nothing and returns 0.
#pragma once

#include <cstdint>

struct Image;
struct SpriteRecord;
struct TextureRecord;

enum RendererKind : int32_t { RENDERER_NONE = 0, RENDERER_D3D9 = 1, RENDERER_OPENGL = 2 };

extern int32_t gRendererKind;
extern int32_t gReduceTextures;

int32_t SetVideoMode(int32_t width, int32_t height, int32_t bitsPerPixel, int32_t fullscreen,
                     int32_t kind, int32_t reduce);
void ShutdownRenderer();
void UploadTexture(Image* image);
void PresentFrame();
void ClearScreen();
void SuspendRenderer();
void ResumeRenderer();
void SetTextureFiltering(int32_t linear);
void ReadScreen(uint8_t* buffer);
void RendererDrawSprite(SpriteRecord* record);
void RendererFillRect(SpriteRecord* record);
// The triangle mesh of the level objects: textured or coloured triangles
// drawn as quads whose fourth vertex repeats the third.
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

int32_t DrawTriangleMesh(TriangleMesh* mesh);
// Texture records of texture-backed images, made by the active renderer.
void CreateTextureRecord(Image* image);
void FreeTextureRecord(Image* image);
