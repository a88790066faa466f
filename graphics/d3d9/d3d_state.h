// State of the Direct3D 9 renderer, shared by its files (and read by its
// tests). Everything here is owned by graphics/d3d9/.
#pragma once

#include <cstdint>

#include "graphics/d3d9/d3d9.h"

// One vertex of the batch: pre-transformed position, diffuse colour, one
// texture coordinate pair (D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1).
struct D3dVertex {
    float x;
    float y;
    float z;
    float rhw;
    uint32_t diffuse;
    float u;
    float v;
};
static_assert(sizeof(D3dVertex) == 28, "the vertex layout of FVF 0x144");

constexpr DWORD D3D_BATCH_FVF = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
constexpr int32_t gD3dQuadCapacity = 10500;
constexpr int32_t D3D_BATCH_VERTICES = gD3dQuadCapacity * 4;
constexpr int32_t D3D_BATCH_INDICES = gD3dQuadCapacity * 6;
constexpr UINT D3D_VERTEX_BUFFER_BYTES = D3D_BATCH_VERTICES * sizeof(D3dVertex);
constexpr UINT D3D_INDEX_BUFFER_BYTES = D3D_BATCH_INDICES * sizeof(uint16_t);
static_assert(D3D_VERTEX_BUFFER_BYTES == 1176000 && D3D_INDEX_BUFFER_BYTES == 126000,
              "batch buffers of 10,500 quads");

// Per-quad texture entry of a quad whose texture was freed before the
// frame was drawn: the quad is skipped.
extern IDirect3DTexture9* const kD3dFreedTexture;

struct D3dQuadBatch {
    IDirect3DVertexBuffer9* vertexBuffers[2];
    IDirect3DIndexBuffer9* indexBuffers[2]; // only the first is ever set
    int32_t current;                        // vertex buffer being filled
    D3dVertex* writePointer;                // locked vertices, null while none are
    int32_t quadCount;
    // Quads already drawn into the back buffer by a read-back this frame.
    int32_t drawnQuads;
    uint8_t sceneOpen;
    IDirect3DTexture9** textures; // per quad: the texture, null, or kD3dFreedTexture
};

extern IDirect3D9* gD3d;
extern IDirect3DDevice9* gD3dDevice;
extern D3DCAPS9 gD3dCaps;
extern D3DPRESENT_PARAMETERS gD3dPresentParams;
extern uint8_t gD3dDeviceLost;
extern D3dQuadBatch gD3dBatch;
extern int32_t gD3dPeakVertices;

// The SDL window's handle, null when the video driver has none.
HWND GetWindowHandle();
