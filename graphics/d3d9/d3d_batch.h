// The quad batch of the Direct3D 9 renderer: sprites, fills and mesh
// triangles are appended as quads during the frame and drawn in runs of
// equal texture at the next present.
#pragma once

#include <cstdint>

#include "graphics/d3d9/d3d9.h"

// One quad: corners in the order top-left, top-right, bottom-left,
// bottom-right. Dropped, with "Need more vertexes !!!", when the batch is
// full; ignored while no vertex buffer is locked.
void D3dAppendQuad(const float* x, const float* y, const float* u, const float* v, uint32_t diffuse,
                   IDirect3DTexture9* texture);

// Draws quads [first, end) of the batch in runs of equal texture; the
// vertex buffer must be unlocked and set as stream 0.
void D3dDrawBatch(int32_t first, int32_t end);

// Draws the quads appended since the last present (or read-back) into the
// back buffer now, and keeps appending after them.
void D3dDrawPendingQuads();
