#include "graphics/d3d9/d3d_batch.h"

#include <algorithm>
#include <cstdio>

#include "engine/helpers.h"
#include "graphics/d3d9/d3d_state.h"

void D3dAppendQuad(const float* x, const float* y, const float* u, const float* v, uint32_t diffuse,
                   IDirect3DTexture9* texture) {
    if (gD3dBatch.writePointer == nullptr)
        return;
    if (gD3dBatch.quadCount >= gD3dQuadCapacity) {
        std::printf("Need more vertexes !!!\n");
        return;
    }
    D3dVertex* out = gD3dBatch.writePointer + 4 * gD3dBatch.quadCount;
    for (int i = 0; i < 4; ++i)
        out[i] = {x[i], y[i], 0.0f, 1.0f, diffuse, u[i], v[i]};
    gD3dBatch.textures[gD3dBatch.quadCount] = texture;
    ++gD3dBatch.quadCount;
}

namespace {

// One run of quads sharing a texture, split so that no call passes the
// device's primitive limit. Calls keep both triangles of a quad together
// whenever the limit allows.
void DrawRun(int32_t first, int32_t count) {
    UINT total = static_cast<UINT>(count) * 2;
    UINT limit = std::max<UINT>(gD3dCaps.MaxPrimitiveCount, 1);
    UINT perCall = limit >= 2 ? limit & ~1u : 1;
    for (UINT done = 0; done < total; done += perCall) {
        UINT primitives = std::min(perCall, total - done);
        gD3dDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 4 * first, 0,
                                         static_cast<UINT>(count) * 4, 3 * done, primitives);
    }
}

} // namespace

void D3dDrawBatch(int32_t first, int32_t end) {
    if (gD3dBatch.textures == nullptr)
        return;
    int32_t runStart = first;
    for (int32_t k = first; k < end; ++k) {
        bool lastOfRun = k + 1 == end || gD3dBatch.textures[k + 1] != gD3dBatch.textures[k];
        if (!lastOfRun)
            continue;
        IDirect3DTexture9* texture = gD3dBatch.textures[runStart];
        if (texture != kD3dFreedTexture) {
            gD3dDevice->SetTexture(0, texture);
            DrawRun(runStart, k + 1 - runStart);
        }
        runStart = k + 1;
    }
}

void D3dDrawPendingQuads() {
    if (gD3dDeviceLost || !gD3dBatch.sceneOpen || gD3dBatch.writePointer == nullptr ||
        gD3dBatch.drawnQuads >= gD3dBatch.quadCount)
        return;
    IDirect3DVertexBuffer9* vertices = gD3dBatch.vertexBuffers[gD3dBatch.current];
    vertices->Unlock();
    gD3dBatch.writePointer = nullptr;
    gD3dDevice->SetStreamSource(0, vertices, 0, sizeof(D3dVertex));
    D3dDrawBatch(gD3dBatch.drawnQuads, gD3dBatch.quadCount);
    gD3dBatch.drawnQuads = gD3dBatch.quadCount;
    // Without D3DLOCK_DISCARD the quads already written stay.
    void* memory = nullptr;
    if (FAILED(vertices->Lock(0, 0, &memory, 0)))
        FatalMessage("CANT LOCK !\n");
    gD3dBatch.writePointer = static_cast<D3dVertex*>(memory);
}
