// Textures and vertex and index buffers of the software Direct3D 9 device:
// plain zero-filled memory blocks behind the Direct3D 9 lock calls.
#pragma once

#include <cstdint>

#include "graphics/d3d9/d3d9.h"
#include "graphics/d3d9/soft_raster.h"

// Reference counting shared by every resource; resources of the default
// pool are counted, since a device reset needs them all released first.
template <typename Interface> class SoftResource : public Interface {
public:
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        ULONG left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }

protected:
    explicit SoftResource(D3DPOOL pool);
    ~SoftResource() override;

private:
    ULONG refs_ = 1;
    D3DPOOL pool_;
};

// Live resources of D3DPOOL_DEFAULT.
int32_t SoftLiveDefaultPoolResources();

class SoftTexture final : public SoftResource<IDirect3DTexture9> {
public:
    // Null on bad arguments or when memory runs out.
    static SoftTexture* Create(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                               UINT extraPitch);
    // An A8R8G8B8 texture whose top-left `pictureWidth` x `pictureHeight`
    // texels are `pixels` (rows side by side, from malloc), which it takes
    // over and frees; the texels around the picture are transparent black.
    // Null on bad arguments, the pixels still the caller's.
    static SoftTexture* Adopt(UINT width, UINT height, D3DPOOL pool, uint32_t* pixels,
                              UINT pictureWidth, UINT pictureHeight);

    HRESULT LockRect(UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect,
                     DWORD flags) override;
    HRESULT UnlockRect(UINT level) override;

    bool IsLocked() const { return locked_; }
    // The texels as the rasteriser reads them (valid while not locked).
    const RasterTexture& Texels() const { return texels_; }

private:
    SoftTexture(D3DPOOL pool) : SoftResource(pool) {}
    ~SoftTexture() override;
    void ExpandNibbles();
    bool StoresOnlyThePicture() const { return texels_.blankColumns || texels_.blankRows; }
    bool StoreWholeTexture();

    UINT width_ = 0;
    UINT height_ = 0;
    D3DFORMAT format_ = D3DFMT_UNKNOWN;
    UINT pitch_ = 0;               // bytes
    uint8_t* storage_ = nullptr;   // what LockRect hands out
    uint32_t* expanded_ = nullptr; // A4R4G4B4 textures: the texels widened to 8 bits
    RasterTexture texels_ = {};
    bool locked_ = false;
};

// The storage of a vertex or an index buffer.
template <typename Interface> class SoftBuffer final : public SoftResource<Interface> {
public:
    static SoftBuffer* Create(UINT length, D3DPOOL pool);

    HRESULT Lock(UINT offsetToLock, UINT sizeToLock, void** data, DWORD flags) override;
    HRESULT Unlock() override;

    bool IsLocked() const { return locked_; }
    const uint8_t* Data() const { return storage_; }
    UINT Length() const { return length_; }

private:
    SoftBuffer(D3DPOOL pool) : SoftResource<Interface>(pool) {}
    ~SoftBuffer() override;

    uint8_t* storage_ = nullptr;
    UINT length_ = 0;
    bool locked_ = false;
};

using SoftVertexBuffer = SoftBuffer<IDirect3DVertexBuffer9>;
using SoftIndexBuffer = SoftBuffer<IDirect3DIndexBuffer9>;

// Counts a call outside what the layer supports.
void SoftNoteMisuse();
