// The Direct3D 9 renderer: window and device, the batch buffers, the
// once-a-frame present with its device-loss handling.
#include "graphics/d3d9/d3d_renderer.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>

#include "engine/helpers.h"
#include "graphics/d3d9/d3d9.h"
#include "graphics/d3d9/d3d_batch.h"
#include "graphics/d3d9/d3d_state.h"
#include "graphics/d3d9/soft_d3d9.h"
#include "graphics/renderer.h"

IDirect3DTexture9* const kD3dFreedTexture =
    reinterpret_cast<IDirect3DTexture9*>(~static_cast<uintptr_t>(0));

IDirect3D9* gD3d = nullptr;
IDirect3DDevice9* gD3dDevice = nullptr;
D3DCAPS9 gD3dCaps = {};
D3DPRESENT_PARAMETERS gD3dPresentParams = {};
uint8_t gD3dDeviceLost = 1;
D3dQuadBatch gD3dBatch = {};
int32_t gD3dPeakVertices = 0;

namespace {

// The mode as set, for rebuilding the present parameters at a reset.
int32_t gModeWidth = 0;
int32_t gModeHeight = 0;
int32_t gModeFullscreen = 0;
int32_t gModeBits = 0;

D3DPRESENT_PARAMETERS BuildPresentParams() {
    D3DPRESENT_PARAMETERS pp;
    std::memset(&pp, 0, sizeof(pp));
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = gModeFullscreen ? 0 : 1;
    pp.BackBufferFormat =
        gModeBits == 16 ? D3DFMT_R5G6B5 : (gModeBits == 32 ? D3DFMT_A8R8G8B8 : D3DFMT_UNKNOWN);
    if (gModeFullscreen) {
        pp.BackBufferWidth = static_cast<UINT>(gModeWidth);
        pp.BackBufferHeight = static_cast<UINT>(gModeHeight);
        pp.BackBufferCount = 2;
        pp.FullScreen_RefreshRateInHz = 85;
    }
    return pp;
}

void WriteQuadIndices(uint16_t* indices) {
    for (int32_t k = 0; k < gD3dQuadCapacity; ++k) {
        auto n = static_cast<uint16_t>(4 * k);
        uint16_t* q = indices + 6 * k;
        q[0] = static_cast<uint16_t>(n + 2);
        q[1] = static_cast<uint16_t>(n + 1);
        q[2] = n;
        q[3] = static_cast<uint16_t>(n + 3);
        q[4] = static_cast<uint16_t>(n + 2);
        q[5] = static_cast<uint16_t>(n + 1);
    }
}

void CreateBufferPair(int32_t i) {
    if (FAILED(gD3dDevice->CreateVertexBuffer(
            D3D_VERTEX_BUFFER_BYTES, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, D3D_BATCH_FVF,
            D3DPOOL_DEFAULT, &gD3dBatch.vertexBuffers[i], nullptr)))
        FatalMessage("Create Vertex Buffer Fail\n");
    if (FAILED(gD3dDevice->CreateIndexBuffer(D3D_INDEX_BUFFER_BYTES, 0, D3DFMT_INDEX16,
                                             D3DPOOL_DEFAULT, &gD3dBatch.indexBuffers[i], nullptr)))
        FatalMessage("Create Index Buffer Fail\n");
    void* indices = nullptr;
    if (FAILED(gD3dBatch.indexBuffers[i]->Lock(0, 0, &indices, 0)))
        FatalMessage("Create Index Buffer Fail\n");
    WriteQuadIndices(static_cast<uint16_t*>(indices));
    gD3dBatch.indexBuffers[i]->Unlock();
    gD3dDevice->SetFVF(D3D_BATCH_FVF);
}

// States, buffers and batch after the device is made and after a reset.
void D3dCreateDeviceResources() {
    gD3dDevice->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    gD3dDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    gD3dDevice->SetRenderState(D3DRS_LIGHTING, 0);
    gD3dDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    gD3dDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    gD3dDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    gD3dDevice->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    gD3dDevice->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    gD3dDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    for (int32_t i = 0; i < 2; ++i)
        CreateBufferPair(i);
    D3DGAMMARAMP ramp;
    for (int i = 0; i < 256; ++i)
        ramp.red[i] = ramp.green[i] = ramp.blue[i] = static_cast<WORD>(i * 255);
    gD3dDevice->SetGammaRamp(0, D3DSGR_NO_CALIBRATION, &ramp);
    gD3dDevice->SetIndices(gD3dBatch.indexBuffers[0]);
    gD3dBatch.current = 0;
    std::free(gD3dBatch.textures);
    gD3dBatch.textures = static_cast<IDirect3DTexture9**>(
        ZAlloc(static_cast<int32_t>(sizeof(IDirect3DTexture9*)) * gD3dQuadCapacity));
    gD3dBatch.quadCount = 0;
    gD3dBatch.drawnQuads = 0;
    gD3dBatch.sceneOpen = 0;
    gD3dBatch.writePointer = nullptr;
    gD3dDeviceLost = 0;
}

template <typename T> void ReleaseAndNull(T** object) {
    if (*object != nullptr) {
        (*object)->Release();
        *object = nullptr;
    }
}

void ReleaseBatchBuffers() {
    for (int32_t i = 0; i < 2; ++i) {
        ReleaseAndNull(&gD3dBatch.vertexBuffers[i]);
        ReleaseAndNull(&gD3dBatch.indexBuffers[i]);
    }
    FreeAndNull(&gD3dBatch.textures);
    gD3dBatch.writePointer = nullptr;
    gD3dBatch.quadCount = 0;
    gD3dBatch.drawnQuads = 0;
    gD3dBatch.sceneOpen = 0;
}

// Step 4 of a present: a new scene and a freshly locked vertex buffer.
void OpenScene() {
    gD3dDevice->BeginScene();
    void* vertices = nullptr;
    if (FAILED(gD3dBatch.vertexBuffers[gD3dBatch.current]->Lock(0, 0, &vertices, D3DLOCK_DISCARD)))
        FatalMessage("CANT LOCK !\n");
    gD3dBatch.writePointer = static_cast<D3dVertex*>(vertices);
}

// The default-pool buffers go, the device is reset from the stored mode,
// and the resources are made again. False when the reset failed.
bool ResetDevice() {
    ReleaseBatchBuffers();
    gD3dPresentParams = BuildPresentParams();
    if (FAILED(gD3dDevice->Reset(&gD3dPresentParams)))
        return false;
    D3dCreateDeviceResources();
    return true;
}

// Back from a lost device: drawing resumes with an empty batch in a newly
// opened scene, whichever way the device came back.
void Recover() {
    if (gD3dBatch.vertexBuffers[0] == nullptr)
        D3dCreateDeviceResources();
    // A loss seen by a suspend leaves the frame's buffer locked.
    if (gD3dBatch.writePointer != nullptr) {
        gD3dBatch.vertexBuffers[gD3dBatch.current]->Unlock();
        gD3dBatch.writePointer = nullptr;
    }
    gD3dDeviceLost = 0;
    gD3dBatch.quadCount = 0;
    gD3dBatch.drawnQuads = 0;
    OpenScene();
    gD3dBatch.sceneOpen = 1;
}

bool IsLossCode(HRESULT r) {
    return r == D3DERR_DEVICELOST || r == D3DERR_DEVICENOTRESET;
}

} // namespace

int32_t D3dSetVideoMode(int32_t width, int32_t height, int32_t bits, int32_t fullscreen) {
    if (gD3dDevice != nullptr || gD3d != nullptr)
        D3dShutdown();
    gD3dBatch = D3dQuadBatch{};
    gD3dDeviceLost = 1;
    if (SDL_GetVideoInfo() == nullptr) {
        std::fprintf(stderr, "Video query failed: %s\n", SDL_GetError());
        return 0;
    }
    if (SDL_SetVideoMode(width, height, bits, 0) == nullptr) {
        std::fprintf(stderr, "Video mode set failed: %s\n", SDL_GetError());
        return 0;
    }
    gD3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (gD3d == nullptr) {
        std::fprintf(stderr, "Video mode set failed: Direct3D 9 is not available\n");
        return 0;
    }
    gModeWidth = width;
    gModeHeight = height;
    gModeFullscreen = fullscreen;
    gModeBits = bits;
    gD3dPresentParams = BuildPresentParams();
    std::memset(&gD3dCaps, 0, sizeof(gD3dCaps));
    gD3d->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &gD3dCaps);
    DWORD processing = (gD3dCaps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT)
                           ? D3DCREATE_HARDWARE_VERTEXPROCESSING
                           : D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    if (FAILED(gD3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, GetWindowHandle(), processing,
                                  &gD3dPresentParams, &gD3dDevice))) {
        std::fprintf(stderr, "Video mode set failed: no Direct3D 9 device for %dx%d at %d bits\n",
                     static_cast<int>(width), static_cast<int>(height), static_cast<int>(bits));
        gD3dDevice = nullptr;
        return 0;
    }
    D3dCreateDeviceResources();
    return 1;
}

void D3dShutdown() {
    if (gD3dBatch.writePointer != nullptr)
        gD3dBatch.vertexBuffers[gD3dBatch.current]->Unlock();
    ReleaseBatchBuffers();
    ReleaseAndNull(&gD3dDevice);
    ReleaseAndNull(&gD3d);
    gD3dDeviceLost = 1;
}

void D3dPresentFrame() {
    if (gD3dDevice == nullptr)
        return;
    if (gD3dDeviceLost) {
        HRESULT r = gD3dDevice->TestCooperativeLevel();
        if (r == D3DERR_DEVICENOTRESET) {
            if (!ResetDevice())
                return;
        } else if (FAILED(r)) {
            return;
        }
        Recover();
        return;
    }
    IDirect3DVertexBuffer9* vertices = gD3dBatch.vertexBuffers[gD3dBatch.current];
    gD3dDevice->SetStreamSource(0, vertices, 0, sizeof(D3dVertex));
    if (gD3dBatch.sceneOpen) {
        vertices->Unlock();
        gD3dBatch.writePointer = nullptr;
        gD3dDevice->BeginScene();
        D3dDrawBatch(gD3dBatch.drawnQuads, gD3dBatch.quadCount);
        if (gD3dBatch.quadCount * 4 > gD3dPeakVertices)
            gD3dPeakVertices = gD3dBatch.quadCount * 4;
        gD3dBatch.quadCount = 0;
        gD3dBatch.drawnQuads = 0;
        gD3dDevice->EndScene();
    }
    HRESULT r = gD3dDevice->Present(nullptr, nullptr, nullptr, nullptr);
    if (IsLossCode(r)) {
        gD3dDeviceLost = 1;
        gD3dBatch.sceneOpen = 0;
        return;
    }
    gD3dBatch.current ^= 1;
    gD3dBatch.sceneOpen = 1;
    OpenScene();
}

void D3dClear() {
    if (gD3dDevice != nullptr)
        gD3dDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FFu, 1.0f, 0);
}

void D3dSuspend() {
    if (gD3dDevice == nullptr)
        return;
    if (IsLossCode(gD3dDevice->Present(nullptr, nullptr, nullptr, nullptr)))
        gD3dDeviceLost = 1;
}

int32_t D3dCheckCooperativeLevel() {
    if (gD3dDeviceLost || gD3dDevice == nullptr)
        return 1;
    if (FAILED(gD3dDevice->TestCooperativeLevel())) {
        gD3dDeviceLost = 1;
        return 1;
    }
    return 0;
}

void D3dSetFiltering(int32_t linear) {
    if (gD3dDevice == nullptr)
        return;
    DWORD filter = linear ? D3DTEXF_LINEAR : D3DTEXF_NONE;
    gD3dDevice->SetSamplerState(0, D3DSAMP_MAGFILTER, filter);
    gD3dDevice->SetSamplerState(0, D3DSAMP_MINFILTER, filter);
}

// Quads are drawn a frame late, at the present; a read-back first draws
// what is pending so that it sees the frame as drawn so far, as under
// OpenGL.
void D3dReadScreen(uint8_t* buffer) {
    if (buffer == nullptr)
        return;
    if (gD3dDevice == nullptr) {
        std::memset(buffer, 0, READ_SCREEN_BYTES);
        return;
    }
    D3dDrawPendingQuads();
    if (!SoftD3dReadBackBuffer(buffer, READ_SCREEN_WIDTH, READ_SCREEN_HEIGHT))
        std::memset(buffer, 0, READ_SCREEN_BYTES);
}
