#include "graphics/d3d9/soft_resources.h"

#include <cstdlib>
#include <cstring>

#include "graphics/d3d9/soft_d3d9.h"

namespace {

int32_t gLiveDefaultPool = 0;

// Large enough for any picture of the game, small enough that a wild size
// cannot ask for gigabytes.
constexpr UINT kMaxTextureSize = kMaxRasterTextureSize;
constexpr UINT kMaxBufferLength = 64u << 20;

uint32_t Nibble17(uint32_t packed, int shift) {
    return ((packed >> shift) & 0xF) * 17;
}

} // namespace

void SoftNoteMisuse() {
    ++SoftD3dGetCounters().misuse;
}

int32_t SoftLiveDefaultPoolResources() {
    return gLiveDefaultPool;
}

template <typename Interface> SoftResource<Interface>::SoftResource(D3DPOOL pool) : pool_(pool) {
    if (pool_ == D3DPOOL_DEFAULT)
        ++gLiveDefaultPool;
}

template <typename Interface> SoftResource<Interface>::~SoftResource() {
    if (pool_ == D3DPOOL_DEFAULT)
        --gLiveDefaultPool;
}

template class SoftResource<IDirect3DTexture9>;
template class SoftResource<IDirect3DVertexBuffer9>;
template class SoftResource<IDirect3DIndexBuffer9>;

// ---- textures ------------------------------------------------------------------

SoftTexture* SoftTexture::Create(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                 UINT extraPitch) {
    if (width == 0 || height == 0 || width > kMaxTextureSize || height > kMaxTextureSize)
        return nullptr;
    if (format != D3DFMT_A8R8G8B8 && format != D3DFMT_A4R4G4B4)
        return nullptr;
    if (extraPitch % 4 != 0 || extraPitch > 4096)
        return nullptr;
    UINT texelBytes = format == D3DFMT_A8R8G8B8 ? 4 : 2;
    UINT pitch = width * texelBytes + extraPitch;
    // Zero-filled, so that texels outside the picture are transparent black
    // on every run.
    auto* storage = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(pitch) * height, 1));
    uint32_t* expanded = nullptr;
    if (format == D3DFMT_A4R4G4B4)
        expanded = static_cast<uint32_t*>(std::calloc(static_cast<size_t>(width) * height, 4));
    if (storage == nullptr || (format == D3DFMT_A4R4G4B4 && expanded == nullptr)) {
        std::free(storage);
        std::free(expanded);
        return nullptr;
    }
    SoftTexture* texture = new SoftTexture(pool);
    texture->width_ = width;
    texture->height_ = height;
    texture->format_ = format;
    texture->pitch_ = pitch;
    texture->storage_ = storage;
    texture->expanded_ = expanded;
    texture->texels_.width = static_cast<int32_t>(width);
    texture->texels_.height = static_cast<int32_t>(height);
    if (expanded != nullptr) {
        texture->texels_.texels = expanded;
        texture->texels_.pitch = static_cast<int32_t>(width);
    } else {
        texture->texels_.texels = reinterpret_cast<const uint32_t*>(storage);
        texture->texels_.pitch = static_cast<int32_t>(pitch / 4);
    }
    ++SoftD3dGetCounters().liveTextures;
    return texture;
}

SoftTexture* SoftTexture::Adopt(UINT width, UINT height, D3DPOOL pool, uint32_t* pixels,
                                UINT pictureWidth, UINT pictureHeight) {
    if (pixels == nullptr || width > kMaxTextureSize || height > kMaxTextureSize ||
        pictureWidth == 0 || pictureHeight == 0 || pictureWidth > width || pictureHeight > height)
        return nullptr;
    SoftTexture* texture = new SoftTexture(pool);
    texture->width_ = width;
    texture->height_ = height;
    texture->format_ = D3DFMT_A8R8G8B8;
    texture->pitch_ = pictureWidth * 4;
    texture->storage_ = reinterpret_cast<uint8_t*>(pixels);
    texture->texels_.texels = pixels;
    texture->texels_.width = static_cast<int32_t>(width);
    texture->texels_.height = static_cast<int32_t>(height);
    texture->texels_.pitch = static_cast<int32_t>(pictureWidth);
    texture->texels_.blankColumns = static_cast<int32_t>(width - pictureWidth);
    texture->texels_.blankRows = static_cast<int32_t>(height - pictureHeight);
    ++SoftD3dGetCounters().liveTextures;
    return texture;
}

// A lock hands out the whole texture, so one that holds only its picture
// gets its full storage first. False when memory runs out.
bool SoftTexture::StoreWholeTexture() {
    size_t pitch = static_cast<size_t>(width_) * 4;
    auto* storage = static_cast<uint8_t*>(std::calloc(pitch * height_, 1));
    if (storage == nullptr)
        return false;
    size_t rows = static_cast<size_t>(height_ - texels_.blankRows);
    for (size_t y = 0; y < rows; ++y)
        std::memcpy(storage + y * pitch, storage_ + y * pitch_, pitch_);
    std::free(storage_);
    storage_ = storage;
    pitch_ = static_cast<UINT>(pitch);
    texels_.texels = reinterpret_cast<const uint32_t*>(storage);
    texels_.pitch = static_cast<int32_t>(width_);
    texels_.blankColumns = 0;
    texels_.blankRows = 0;
    return true;
}

SoftTexture::~SoftTexture() {
    std::free(storage_);
    std::free(expanded_);
    --SoftD3dGetCounters().liveTextures;
}

HRESULT SoftTexture::LockRect(UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD) {
    if (level != 0 || lockedRect == nullptr || rect != nullptr || locked_) {
        SoftNoteMisuse();
        return D3DERR_INVALIDCALL;
    }
    if (StoresOnlyThePicture() && !StoreWholeTexture())
        return D3DERR_OUTOFVIDEOMEMORY;
    lockedRect->pBits = storage_;
    lockedRect->Pitch = static_cast<INT>(pitch_);
    locked_ = true;
    return D3D_OK;
}

HRESULT SoftTexture::UnlockRect(UINT level) {
    if (level != 0 || !locked_) {
        SoftNoteMisuse();
        return D3DERR_INVALIDCALL;
    }
    locked_ = false;
    if (format_ == D3DFMT_A4R4G4B4)
        ExpandNibbles();
    return D3D_OK;
}

// Each 4-bit channel n becomes n * 17, so 15 is full intensity.
void SoftTexture::ExpandNibbles() {
    for (UINT y = 0; y < height_; ++y) {
        const uint8_t* row = storage_ + static_cast<size_t>(y) * pitch_;
        uint32_t* out = expanded_ + static_cast<size_t>(y) * width_;
        for (UINT x = 0; x < width_; ++x) {
            uint32_t packed =
                static_cast<uint32_t>(row[x * 2]) | static_cast<uint32_t>(row[x * 2 + 1]) << 8;
            out[x] = Nibble17(packed, 12) << 24 | Nibble17(packed, 8) << 16 |
                     Nibble17(packed, 4) << 8 | Nibble17(packed, 0);
        }
    }
}

// ---- vertex and index buffers ----------------------------------------------------

template <typename Interface>
SoftBuffer<Interface>* SoftBuffer<Interface>::Create(UINT length, D3DPOOL pool) {
    if (length == 0 || length > kMaxBufferLength)
        return nullptr;
    auto* storage = static_cast<uint8_t*>(std::calloc(length, 1));
    if (storage == nullptr)
        return nullptr;
    auto* buffer = new SoftBuffer(pool);
    buffer->storage_ = storage;
    buffer->length_ = length;
    return buffer;
}

template <typename Interface> SoftBuffer<Interface>::~SoftBuffer() {
    std::free(storage_);
}

// The memory stays the same from lock to lock, so a lock without
// D3DLOCK_DISCARD finds what was written before.
template <typename Interface>
HRESULT SoftBuffer<Interface>::Lock(UINT offsetToLock, UINT sizeToLock, void** data, DWORD) {
    if (data == nullptr || locked_ || offsetToLock > length_ ||
        sizeToLock > length_ - offsetToLock) {
        SoftNoteMisuse();
        return D3DERR_INVALIDCALL;
    }
    *data = storage_ + offsetToLock;
    locked_ = true;
    return D3D_OK;
}

template <typename Interface> HRESULT SoftBuffer<Interface>::Unlock() {
    if (!locked_) {
        SoftNoteMisuse();
        return D3DERR_INVALIDCALL;
    }
    locked_ = false;
    return D3D_OK;
}

template class SoftBuffer<IDirect3DVertexBuffer9>;
template class SoftBuffer<IDirect3DIndexBuffer9>;
