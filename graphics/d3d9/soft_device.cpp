// The software Direct3D 9 device: fixed-function state, indexed triangle
// lists drawn by the rasteriser into a 32-bit back buffer, and Present into
// the SDL video surface.
#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "graphics/d3d9/d3d9.h"
#include "graphics/d3d9/soft_d3d9.h"
#include "graphics/d3d9/soft_present.h"
#include "graphics/d3d9/soft_raster.h"
#include "graphics/d3d9/soft_resources.h"

namespace {

constexpr DWORD kSupportedFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
constexpr UINT kVertexBytes = 28;
constexpr DWORD kDefaultMaxPrimitiveCount = 0xFFFFF;
constexpr UINT kMaxBackBufferSize = 8192;

SoftD3dOptions gOptions = {0, true, 0, false};
SoftD3dCounters gCounters = {};

// Fixed-function state that the draw reads.
struct PipelineState {
    bool blendEnable = false;
    DWORD srcBlend = 2;  // D3DBLEND_ONE
    DWORD destBlend = 1; // D3DBLEND_ZERO
    DWORD alphaOp = D3DTOP_SELECTARG1;
    DWORD magFilter = D3DTEXF_POINT;
    DWORD minFilter = D3DTEXF_POINT;
};

struct DecodedVertex {
    RasterVertex v;
    bool ok;
};

template <typename T> void Rebind(T** slot, T* value) {
    if (value != nullptr)
        value->AddRef();
    if (*slot != nullptr)
        (*slot)->Release();
    *slot = value;
}

class SoftDevice final : public IDirect3DDevice9 {
public:
    explicit SoftDevice(DWORD maxPrimitives) : maxPrimitives_(maxPrimitives) {}

    static SoftDevice* gCurrent;

    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        ULONG left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }

    // True when the back buffer could be sized from `params`; the chosen
    // size is written back into them.
    bool SizeBackBuffer(D3DPRESENT_PARAMETERS* params) {
        SDL_Surface* surface = SDL_GetVideoSurface();
        UINT w = params->BackBufferWidth;
        UINT h = params->BackBufferHeight;
        if (params->Windowed || w == 0 || h == 0) {
            if (surface == nullptr)
                return false;
            w = w ? w : static_cast<UINT>(surface->w);
            h = h ? h : static_cast<UINT>(surface->h);
        }
        if (w == 0 || h == 0 || w > kMaxBackBufferSize || h > kMaxBackBufferSize)
            return false;
        if (!params->Windowed && !TakeScreen(*params, w, h))
            return false;
        params->BackBufferWidth = w;
        params->BackBufferHeight = h;
        width_ = static_cast<int32_t>(w);
        height_ = static_cast<int32_t>(h);
        backBuffer_.assign(static_cast<size_t>(w) * h, 0xFF000000u);
        rowScratch_.assign(w, 0);
        columnScratch_.assign(static_cast<size_t>(w) * 3, 0);
        texelScratch_.assign(kMaxRasterTextureSize, 0);
        return true;
    }

    // A device that is not windowed owns the whole screen: the SDL surface
    // goes fullscreen at the back buffer's size, as under OpenGL.
    static bool TakeScreen(const D3DPRESENT_PARAMETERS& params, UINT w, UINT h) {
        SDL_Surface* surface = SDL_GetVideoSurface();
        if (surface != nullptr && (surface->flags & SDL_FULLSCREEN) != 0 &&
            surface->w == static_cast<int>(w) && surface->h == static_cast<int>(h))
            return true;
        int bits = 0; // the display's own depth
        if (params.BackBufferFormat == D3DFMT_R5G6B5)
            bits = 16;
        else if (params.BackBufferFormat != D3DFMT_UNKNOWN)
            bits = 32;
        return SDL_SetVideoMode(static_cast<int>(w), static_cast<int>(h), bits, SDL_FULLSCREEN) !=
               nullptr;
    }

    HRESULT TestCooperativeLevel() override {
        switch (state_) {
        case SOFT_D3D_DEVICE_LOST:
            return D3DERR_DEVICELOST;
        case SOFT_D3D_DEVICE_NOT_RESET:
            return D3DERR_DEVICENOTRESET;
        default:
            return D3D_OK;
        }
    }

    HRESULT Reset(D3DPRESENT_PARAMETERS* params) override {
        if (params == nullptr)
            return Misuse();
        if (state_ == SOFT_D3D_DEVICE_LOST)
            return D3DERR_DEVICELOST;
        // The device's own references to what is bound go first; then,
        // like the real thing, every default-pool resource must be gone.
        ResetState();
        if (SoftLiveDefaultPoolResources() > 0)
            return Misuse();
        if (!SizeBackBuffer(params))
            return D3DERR_INVALIDCALL;
        state_ = SOFT_D3D_DEVICE_OK;
        return D3D_OK;
    }

    HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND,
                    const RGNDATA* dirtyRegion) override {
        if (sourceRect != nullptr || destRect != nullptr || dirtyRegion != nullptr)
            SoftNoteMisuse();
        if (state_ == SOFT_D3D_DEVICE_LOST)
            return D3DERR_DEVICELOST;
        if (state_ == SOFT_D3D_DEVICE_NOT_RESET)
            return D3DERR_DEVICENOTRESET;
        SDL_Surface* surface = SDL_GetVideoSurface();
        if (surface != nullptr) {
            CopyToSurface(backBuffer_.data(), width_, height_, surface);
            SDL_Flip(surface);
        }
        ++gCounters.presents;
        return D3D_OK;
    }

    // Windowed devices ignore the gamma ramp; so does this one, keeping it
    // only for tests to read.
    void SetGammaRamp(UINT swapChain, DWORD flags, const D3DGAMMARAMP* ramp) override {
        ++gCounters.gammaRamps;
        if (swapChain != 0 || flags != D3DSGR_NO_CALIBRATION || ramp == nullptr) {
            SoftNoteMisuse();
            return;
        }
        gammaRamp_ = *ramp;
        hasGammaRamp_ = true;
    }

    HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                          D3DPOOL pool, IDirect3DTexture9** texture, HANDLE* shared) override {
        ++gCounters.textureCalls;
        if (texture == nullptr)
            return Misuse();
        *texture = nullptr;
        if (levels > 1 || usage != 0 || shared != nullptr)
            return Misuse();
        if (gOptions.failTextureCreation)
            return D3DERR_OUTOFVIDEOMEMORY;
        SoftTexture* made =
            SoftTexture::Create(width, height, format, pool, gOptions.extraTexturePitch);
        if (made == nullptr)
            return D3DERR_INVALIDCALL;
        *texture = made;
        return D3D_OK;
    }

    HRESULT CreateVertexBuffer(UINT length, DWORD, DWORD fvf, D3DPOOL pool,
                               IDirect3DVertexBuffer9** buffer, HANDLE* shared) override {
        if (buffer == nullptr)
            return Misuse();
        *buffer = nullptr;
        if (shared != nullptr || (fvf != 0 && fvf != kSupportedFvf))
            return Misuse();
        SoftVertexBuffer* made = SoftVertexBuffer::Create(length, pool);
        if (made == nullptr)
            return D3DERR_OUTOFVIDEOMEMORY;
        *buffer = made;
        return D3D_OK;
    }

    HRESULT CreateIndexBuffer(UINT length, DWORD, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DIndexBuffer9** buffer, HANDLE* shared) override {
        if (buffer == nullptr)
            return Misuse();
        *buffer = nullptr;
        if (shared != nullptr || format != D3DFMT_INDEX16)
            return Misuse();
        SoftIndexBuffer* made = SoftIndexBuffer::Create(length, pool);
        if (made == nullptr)
            return D3DERR_OUTOFVIDEOMEMORY;
        *buffer = made;
        return D3D_OK;
    }

    // A second BeginScene is harmless here: scenes only bracket drawing.
    HRESULT BeginScene() override {
        inScene_ = true;
        return D3D_OK;
    }

    HRESULT EndScene() override {
        if (!inScene_)
            return Misuse();
        inScene_ = false;
        return D3D_OK;
    }

    HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour, float,
                  DWORD) override {
        if (flags != D3DCLEAR_TARGET || (count > 0 && rects == nullptr))
            return Misuse();
        if (state_ != SOFT_D3D_DEVICE_OK)
            return D3D_OK;
        if (count == 0) {
            std::fill(backBuffer_.begin(), backBuffer_.end(), colour);
            return D3D_OK;
        }
        for (DWORD i = 0; i < count; ++i)
            ClearRect(rects[i], colour);
        return D3D_OK;
    }

    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
    HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) override {
        ++gCounters.setTextureCalls;
        if (stage != 0)
            return Misuse();
        // Every texture there is was made by this layer.
        Rebind(&texture_, static_cast<SoftTexture*>(texture));
        return D3D_OK;
    }
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
    HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertexIndex, UINT minVertexIndex,
                                 UINT numVertices, UINT startIndex, UINT primitiveCount) override;

    HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                            UINT stride) override {
        if (stream != 0)
            return Misuse();
        Rebind(&vertices_, static_cast<SoftVertexBuffer*>(buffer));
        streamOffset_ = offset;
        streamStride_ = stride;
        return D3D_OK;
    }

    HRESULT SetIndices(IDirect3DIndexBuffer9* buffer) override {
        Rebind(&indices_, static_cast<SoftIndexBuffer*>(buffer));
        return D3D_OK;
    }

    HRESULT SetFVF(DWORD fvf) override {
        fvf_ = fvf;
        if (fvf != kSupportedFvf)
            SoftNoteMisuse();
        return D3D_OK;
    }

    SoftD3dDeviceState state_ = SOFT_D3D_DEVICE_OK;
    D3DGAMMARAMP gammaRamp_ = {};
    bool hasGammaRamp_ = false;
    std::vector<uint32_t> backBuffer_;
    int32_t width_ = 0;
    int32_t height_ = 0;

private:
    ~SoftDevice() override {
        ResetState();
        if (gCurrent == this)
            gCurrent = nullptr;
    }

    static HRESULT Misuse() {
        SoftNoteMisuse();
        return D3DERR_INVALIDCALL;
    }

    void ResetState() {
        pipeline_ = PipelineState();
        Rebind<SoftTexture>(&texture_, nullptr);
        Rebind<SoftVertexBuffer>(&vertices_, nullptr);
        Rebind<SoftIndexBuffer>(&indices_, nullptr);
        streamOffset_ = 0;
        streamStride_ = 0;
        fvf_ = 0;
        inScene_ = false;
    }

    void ClearRect(const D3DRECT& r, D3DCOLOR colour) {
        int32_t x1 = std::clamp<int32_t>(r.x1, 0, width_);
        int32_t x2 = std::clamp<int32_t>(r.x2, 0, width_);
        int32_t y1 = std::clamp<int32_t>(r.y1, 0, height_);
        int32_t y2 = std::clamp<int32_t>(r.y2, 0, height_);
        if (x1 >= x2)
            return;
        for (int32_t y = y1; y < y2; ++y) {
            uint32_t* row = backBuffer_.data() + static_cast<size_t>(y) * width_;
            std::fill(row + x1, row + x2, colour);
        }
    }

    bool ReadyToDraw(UINT primitiveCount) const {
        return vertices_ != nullptr && indices_ != nullptr && !vertices_->IsLocked() &&
               !indices_->IsLocked() && fvf_ == kSupportedFvf && streamStride_ >= kVertexBytes &&
               (texture_ == nullptr || !texture_->IsLocked()) && primitiveCount <= maxPrimitives_;
    }

    DecodedVertex FetchVertex(int64_t index) const {
        DecodedVertex out = {};
        if (index < 0)
            return out;
        uint64_t offset = streamOffset_ + static_cast<uint64_t>(index) * streamStride_;
        if (offset + kVertexBytes > vertices_->Length())
            return out;
        const uint8_t* p = vertices_->Data() + offset;
        std::memcpy(&out.v.x, p, 4);
        std::memcpy(&out.v.y, p + 4, 4);
        std::memcpy(&out.v.diffuse, p + 16, 4);
        std::memcpy(&out.v.u, p + 20, 4);
        std::memcpy(&out.v.v, p + 24, 4);
        out.ok = true;
        return out;
    }

    // The three vertices and indices of triangle `t`; false when any lies
    // outside its buffer.
    bool FetchTriangle(INT base, UINT startIndex, UINT t, RasterVertex* v, uint32_t* ids) const {
        uint64_t first = static_cast<uint64_t>(startIndex) + 3ull * t;
        if ((first + 3) * 2 > indices_->Length())
            return false;
        for (int i = 0; i < 3; ++i) {
            uint16_t index;
            std::memcpy(&index, indices_->Data() + (first + i) * 2, 2);
            DecodedVertex d = FetchVertex(static_cast<int64_t>(base) + index);
            if (!d.ok)
                return false;
            v[i] = d.v;
            ids[i] = index;
        }
        return true;
    }

    RasterState MakeRasterState() const {
        RasterState s;
        s.texture = texture_ != nullptr ? &texture_->Texels() : nullptr;
        s.magnifyLinear = pipeline_.magFilter == D3DTEXF_LINEAR;
        s.minifyLinear = pipeline_.minFilter == D3DTEXF_LINEAR;
        s.blend = pipeline_.blendEnable;
        s.textureAlphaOnly = pipeline_.alphaOp == D3DTOP_SELECTARG1;
        return s;
    }

    RasterTarget MakeTarget() {
        return {
            backBuffer_.data(),  width_, height_, width_, rowScratch_.data(), columnScratch_.data(),
            texelScratch_.data()};
    }

    ULONG refs_ = 1;
    DWORD maxPrimitives_;
    PipelineState pipeline_;
    SoftTexture* texture_ = nullptr;
    SoftVertexBuffer* vertices_ = nullptr;
    SoftIndexBuffer* indices_ = nullptr;
    UINT streamOffset_ = 0;
    UINT streamStride_ = 0;
    DWORD fvf_ = 0;
    bool inScene_ = false;
    std::vector<uint32_t> rowScratch_;
    std::vector<int32_t> columnScratch_;
    std::vector<uint32_t> texelScratch_;
};

SoftDevice* SoftDevice::gCurrent = nullptr;

HRESULT SoftDevice::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    switch (state) {
    case D3DRS_ZENABLE:
        // There is no depth buffer to enable.
        return value == D3DZB_FALSE ? D3D_OK : Misuse();
    case D3DRS_CULLMODE:
        return value == D3DCULL_NONE ? D3D_OK : Misuse();
    case D3DRS_LIGHTING:
        // Pre-transformed vertices are never lit.
        return D3D_OK;
    case D3DRS_ALPHABLENDENABLE:
        pipeline_.blendEnable = value != 0;
        return D3D_OK;
    case D3DRS_SRCBLEND:
        pipeline_.srcBlend = value;
        return value == D3DBLEND_SRCALPHA ? D3D_OK : Misuse();
    case D3DRS_DESTBLEND:
        pipeline_.destBlend = value;
        return value == D3DBLEND_INVSRCALPHA ? D3D_OK : Misuse();
    default:
        return Misuse();
    }
}

HRESULT SoftDevice::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    if (stage != 0)
        return Misuse();
    switch (type) {
    case D3DTSS_COLOROP:
        return value == D3DTOP_MODULATE ? D3D_OK : Misuse();
    case D3DTSS_COLORARG1:
    case D3DTSS_ALPHAARG1:
        return value == D3DTA_TEXTURE ? D3D_OK : Misuse();
    case D3DTSS_COLORARG2:
    case D3DTSS_ALPHAARG2:
        return (value == D3DTA_DIFFUSE || value == D3DTA_CURRENT) ? D3D_OK : Misuse();
    case D3DTSS_ALPHAOP:
        if (value != D3DTOP_MODULATE && value != D3DTOP_SELECTARG1)
            return Misuse();
        pipeline_.alphaOp = value;
        return D3D_OK;
    default:
        return Misuse();
    }
}

HRESULT SoftDevice::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
    bool filter = type == D3DSAMP_MAGFILTER || type == D3DSAMP_MINFILTER;
    bool addressing = type == D3DSAMP_ADDRESSU || type == D3DSAMP_ADDRESSV;
    if (sampler == 1 && (addressing || type == D3DSAMP_BORDERCOLOR))
        return D3D_OK; // stored by the real thing, read by no draw here
    if (sampler != 0)
        return Misuse();
    if (addressing)
        return value == D3DTADDRESS_WRAP ? D3D_OK : Misuse();
    if (!filter || value > D3DTEXF_LINEAR)
        return Misuse();
    // NONE samples like POINT.
    DWORD mode = value == D3DTEXF_LINEAR ? D3DTEXF_LINEAR : D3DTEXF_POINT;
    if (type == D3DSAMP_MAGFILTER)
        pipeline_.magFilter = mode;
    else
        pipeline_.minFilter = mode;
    return D3D_OK;
}

HRESULT SoftDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertexIndex, UINT, UINT,
                                         UINT startIndex, UINT primitiveCount) {
    if (type != D3DPT_TRIANGLELIST || !ReadyToDraw(primitiveCount))
        return Misuse();
    if (state_ != SOFT_D3D_DEVICE_OK)
        return D3D_OK; // a lost device drops its draws
    if (pipeline_.blendEnable &&
        (pipeline_.srcBlend != D3DBLEND_SRCALPHA || pipeline_.destBlend != D3DBLEND_INVSRCALPHA))
        SoftNoteMisuse();
    ++gCounters.drawCalls;
    RasterState state = MakeRasterState();
    RasterTarget target = MakeTarget();
    RasterVertex first[3], second[3];
    uint32_t firstIds[3], secondIds[3];
    UINT t = 0;
    while (t < primitiveCount) {
        if (!FetchTriangle(baseVertexIndex, startIndex, t, first, firstIds)) {
            SoftNoteMisuse();
            ++t;
            continue;
        }
        // Sprites arrive as two triangles of one rectangle: draw those as rows.
        if (t + 1 < primitiveCount &&
            FetchTriangle(baseVertexIndex, startIndex, t + 1, second, secondIds) &&
            RasterRectangle(target, state, first, firstIds, second, secondIds)) {
            gCounters.trianglesDrawn += 2;
            t += 2;
            continue;
        }
        RasterTriangle(target, state, first[0], first[1], first[2]);
        ++gCounters.trianglesDrawn;
        ++t;
    }
    return D3D_OK;
}

class SoftDirect3D final : public IDirect3D9 {
public:
    ULONG Release() override {
        delete this;
        return 0;
    }

    HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) override {
        if (adapter != D3DADAPTER_DEFAULT || type != D3DDEVTYPE_HAL || caps == nullptr)
            return D3DERR_INVALIDCALL;
        caps->DevCaps = gOptions.hardwareTransform ? D3DDEVCAPS_HWTRANSFORMANDLIGHT : 0;
        caps->MaxPrimitiveCount = MaxPrimitives();
        return D3D_OK;
    }

    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND, DWORD behaviorFlags,
                         D3DPRESENT_PARAMETERS* params, IDirect3DDevice9** device) override {
        if (device == nullptr)
            return D3DERR_INVALIDCALL;
        *device = nullptr;
        DWORD processing = behaviorFlags & (D3DCREATE_HARDWARE_VERTEXPROCESSING |
                                            D3DCREATE_SOFTWARE_VERTEXPROCESSING);
        bool knownFormat = params != nullptr && (params->BackBufferFormat == D3DFMT_A8R8G8B8 ||
                                                 params->BackBufferFormat == D3DFMT_X8R8G8B8 ||
                                                 params->BackBufferFormat == D3DFMT_R5G6B5 ||
                                                 params->BackBufferFormat == D3DFMT_UNKNOWN);
        if (adapter != D3DADAPTER_DEFAULT || type != D3DDEVTYPE_HAL || !knownFormat ||
            (processing != D3DCREATE_HARDWARE_VERTEXPROCESSING &&
             processing != D3DCREATE_SOFTWARE_VERTEXPROCESSING))
            return D3DERR_INVALIDCALL;
        if (SoftDevice::gCurrent != nullptr)
            return D3DERR_NOTAVAILABLE;
        auto* made = new SoftDevice(MaxPrimitives());
        if (!made->SizeBackBuffer(params)) {
            made->Release();
            return D3DERR_NOTAVAILABLE;
        }
        SoftDevice::gCurrent = made;
        *device = made;
        return D3D_OK;
    }

private:
    static DWORD MaxPrimitives() {
        return gOptions.maxPrimitiveCount ? gOptions.maxPrimitiveCount : kDefaultMaxPrimitiveCount;
    }
};

} // namespace

IDirect3D9* Direct3DCreate9(UINT sdkVersion) {
    if (sdkVersion != D3D_SDK_VERSION)
        return nullptr;
    return new SoftDirect3D();
}

SoftD3dOptions& SoftD3dGetOptions() {
    return gOptions;
}

void SoftD3dResetOptions() {
    gOptions = {0, true, 0, false};
}

SoftD3dCounters& SoftD3dGetCounters() {
    return gCounters;
}

void SoftD3dResetCounters() {
    uint32_t live = gCounters.liveTextures;
    gCounters = {};
    gCounters.liveTextures = live;
}

void SoftD3dSetDeviceState(SoftD3dDeviceState state) {
    if (SoftDevice::gCurrent != nullptr)
        SoftDevice::gCurrent->state_ = state;
}

SoftD3dDeviceState SoftD3dGetDeviceState() {
    return SoftDevice::gCurrent != nullptr ? SoftDevice::gCurrent->state_ : SOFT_D3D_DEVICE_OK;
}

const D3DGAMMARAMP* SoftD3dGammaRamp() {
    SoftDevice* device = SoftDevice::gCurrent;
    return device != nullptr && device->hasGammaRamp_ ? &device->gammaRamp_ : nullptr;
}

IDirect3DTexture9* SoftD3dTextureFromPixels(UINT width, UINT height, uint32_t* pixels,
                                            UINT pictureWidth, UINT pictureHeight) {
    if (SoftDevice::gCurrent == nullptr || gOptions.failTextureCreation ||
        gOptions.extraTexturePitch != 0)
        return nullptr;
    SoftTexture* made =
        SoftTexture::Adopt(width, height, D3DPOOL_MANAGED, pixels, pictureWidth, pictureHeight);
    if (made != nullptr)
        ++gCounters.textureCalls;
    return made;
}

const uint32_t* SoftD3dBackBuffer(int32_t* width, int32_t* height) {
    SoftDevice* device = SoftDevice::gCurrent;
    if (device == nullptr)
        return nullptr;
    *width = device->width_;
    *height = device->height_;
    return device->backBuffer_.data();
}

int32_t SoftD3dReadBackBuffer(uint8_t* rgb, int32_t width, int32_t height) {
    SoftDevice* device = SoftDevice::gCurrent;
    if (device == nullptr || rgb == nullptr || width <= 0 || height <= 0)
        return 0;
    ReadBackRgb(device->backBuffer_.data(), device->width_, device->height_, rgb, width, height);
    return 1;
}
