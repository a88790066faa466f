// Images and sprite draw requests: every picture is an Image, every drawing
// operation one SpriteRecord handed to DrawSprite or FillRect.
#pragma once

#include <cstdint>

constexpr uint16_t IMAGE_FMT_8 = 0x000;
constexpr uint16_t IMAGE_FMT_15 = 0x100;
constexpr uint16_t IMAGE_FMT_16 = 0x200;
constexpr uint16_t IMAGE_FMT_24 = 0x300;
constexpr uint16_t IMAGE_FMT_32 = 0x400;
constexpr uint16_t IMAGE_FMT_MASK = 0x0F00;

constexpr uint16_t IMAGE_FLAG_ALPHA_PLANE = 0x0001;
constexpr uint16_t IMAGE_FLAG_TEXTURE = 0x0002;
constexpr uint16_t IMAGE_FLAG_HIDDEN = 0x0080;
constexpr uint16_t IMAGE_FLAG_FULLCOLOUR = 0x1000;

constexpr uint16_t SPRITE_FLAG_MIRROR_X = 0x01;
constexpr uint16_t SPRITE_FLAG_MASK = 0x02;
constexpr uint16_t SPRITE_FLAG_MIRROR_Y = 0x04;
constexpr uint16_t SPRITE_FLAG_ALPHA = 0x08;
constexpr uint16_t SPRITE_FLAG_TRANSFORM = 0x40;

// Made and freed by the active renderer. `handle` is an IDirect3DTexture9
// pointer under Direct3D 9 and a texture name under OpenGL.
struct TextureRecord {
    uintptr_t handle;
    float leftU;
    float topV;
    float rightU;
    float bottomV;
};

struct Image {
    uint16_t width;
    uint16_t height;
    uint16_t flags;
    uint32_t* pixels;       // 32-bit images; other formats cast as needed
    uint8_t* alphaPlane;    // IMAGE_FLAG_ALPHA_PLANE (two-byte formats)
    TextureRecord* texture; // IMAGE_FLAG_TEXTURE
};

struct SpriteTransform {
    float scaleX;
    float scaleY;
    int32_t pivotX;
    int32_t pivotY;
    float angle;
    int32_t rotationRefX;
    int32_t rotationRefY;
    float red;
    float green;
    float blue;
    float alpha;
};

struct SpriteRecord {
    Image* source;
    Image* target; // kScreenTarget for the screen; null also means the screen
    SpriteTransform* transform;
    int32_t x;
    int32_t y;
    int32_t width;  // negative: the whole source width
    int32_t height; // negative: the whole source height
    int32_t sourceX;
    int32_t sourceY;
    uint16_t flags;
    uint32_t colour;
};

// The screen as a sprite target: the pointer with all bits set (-1).
Image* const kScreenTarget = reinterpret_cast<Image*>(~static_cast<uintptr_t>(0));
extern Image* const gScreenTarget;

inline bool IsScreenTarget(const Image* target) {
    return target == nullptr || target == kScreenTarget;
}

Image* CreateImage(int32_t width, int32_t height, uint16_t flags);
void FreeImage(Image** image);
void GetImageSize(const Image* image, int32_t* width, int32_t* height);
int32_t FormatBytesPerPixel(uint16_t flags);
uint32_t NextPowerOfTwo(uint32_t n);
void InitSpriteRecord(SpriteRecord* record, Image* target);
void DrawSprite(SpriteRecord* record);
void FillRect(SpriteRecord* record);
