// What our software Direct3D 9 offers beyond the Direct3D 9 calls: the
// screen read-back, textures made around a picture's own memory, and
// hooks for tests and benchmarks (the back buffer, simulated device loss,
// a small MaxPrimitiveCount, call counters, padded texture rows, failing
// texture creation). One device exists at a time.
#pragma once

#include <cstdint>

#include "graphics/d3d9/d3d9.h"

// Options read when the next texture is created or caps are queried.
struct SoftD3dOptions {
    DWORD maxPrimitiveCount;  // 0: the default (0xFFFFF)
    bool hardwareTransform;   // report D3DDEVCAPS_HWTRANSFORMANDLIGHT
    UINT extraTexturePitch;   // bytes added to every texture row (multiple of 4)
    bool failTextureCreation; // CreateTexture returns D3DERR_OUTOFVIDEOMEMORY
};

struct SoftD3dCounters {
    uint32_t drawCalls;      // DrawIndexedPrimitive calls that drew
    uint32_t trianglesDrawn; // triangles handed to the rasteriser
    uint32_t setTextureCalls;
    uint32_t presents;     // presents that reached the screen
    uint32_t misuse;       // calls outside what the layer supports, or wrong
    uint32_t liveTextures; // textures not yet released
    uint32_t gammaRamps;   // SetGammaRamp calls
    uint32_t textureCalls; // CreateTexture calls, failed ones too
};

// Device states a test can force, as `TestCooperativeLevel` reports them.
enum SoftD3dDeviceState : int32_t {
    SOFT_D3D_DEVICE_OK = 0,
    SOFT_D3D_DEVICE_LOST = 1,      // Present and TestCooperativeLevel: D3DERR_DEVICELOST
    SOFT_D3D_DEVICE_NOT_RESET = 2, // TestCooperativeLevel: D3DERR_DEVICENOTRESET until Reset
};

SoftD3dOptions& SoftD3dGetOptions();
void SoftD3dResetOptions();
SoftD3dCounters& SoftD3dGetCounters();
void SoftD3dResetCounters();

// The device's state; setting LOST makes the next Present fail with
// D3DERR_DEVICELOST. Calls without a device do nothing.
void SoftD3dSetDeviceState(SoftD3dDeviceState state);
SoftD3dDeviceState SoftD3dGetDeviceState();

// The gamma ramp the device was last given (it has no effect on the
// picture), null without a device or before the first one.
const D3DGAMMARAMP* SoftD3dGammaRamp();

// A managed A8R8G8B8 texture of `width` x `height` made around a picture
// of `pictureWidth` x `pictureHeight` 32-bit ARGB pixels, rows side by
// side, without a copy: the texture takes over `pixels` (from malloc) and
// frees them when released. It draws and locks as a texture from
// CreateTexture with the picture written in. Null, the pixels still the
// caller's, without a device, when textures are to fail or to have padded
// rows, or for sizes CreateTexture would refuse.
IDirect3DTexture9* SoftD3dTextureFromPixels(UINT width, UINT height, uint32_t* pixels,
                                            UINT pictureWidth, UINT pictureHeight);

// The 32-bit ARGB back buffer of the device, null without one.
const uint32_t* SoftD3dBackBuffer(int32_t* width, int32_t* height);

// `width` x `height` RGB bytes, rows from the bottom of the screen up (the
// order of OpenGL's read-back). Pixels beyond the back buffer read black.
// 0 without a device.
int32_t SoftD3dReadBackBuffer(uint8_t* rgb, int32_t width, int32_t height);
