// Hostile draw requests: records with any position, size, source offset and
// flags, and meshes with any counts, drawn into small images in memory.
// Nothing may be read or written outside the images.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/bytes.h"
#include "graphics/colour_reduce.h"
#include "graphics/image.h"
#include "graphics/renderer.h"
#include "graphics/software_draw.h"
#include "graphics/sprite_geometry.h"

namespace {

struct Reader {
    const uint8_t* data;
    size_t size;
    size_t pos = 0;
    uint32_t U32() {
        uint8_t bytes[4] = {};
        for (int i = 0; i < 4 && pos < size; ++i)
            bytes[i] = data[pos++];
        return GetU32LE(bytes);
    }
    uint8_t U8() { return pos < size ? data[pos++] : 0; }
    // Mostly small values near the images, sometimes anything.
    int32_t Coordinate() {
        uint32_t raw = U32();
        return (raw & 0x80000000u) ? static_cast<int32_t>(raw)
                                   : static_cast<int32_t>(raw % 160) - 80;
    }
};

Image* SmallImage(Reader& in) {
    int32_t w = in.U8() % 48, h = in.U8() % 48;
    uint16_t formats[] = {IMAGE_FMT_32, IMAGE_FMT_32, IMAGE_FMT_16, IMAGE_FMT_8};
    uint16_t flags = static_cast<uint16_t>(formats[in.U8() % 4] | (in.U8() & 0x81));
    Image* image = CreateImage(w, h, flags);
    size_t bytes = static_cast<size_t>(w) * h * FormatBytesPerPixel(flags);
    if (image->pixels != nullptr)
        for (size_t i = 0; i < bytes; ++i)
            reinterpret_cast<uint8_t*>(image->pixels)[i] = in.U8();
    return image;
}

void FuzzMesh(Reader& in) {
    int32_t total = in.U8() % 12;
    std::vector<int16_t> vertices(static_cast<size_t>(total) * 2 + 1);
    TriangleMesh mesh = {};
    mesh.vertices = vertices.data();
    mesh.totalVertices = total;
    mesh.stride = static_cast<int32_t>(in.U8() % 5) - 1;
    mesh.next = static_cast<int32_t>(in.U8() % 16) - 2;
    mesh.count = static_cast<int32_t>(in.U8() % 16) - 2;
    size_t triangles = mesh.stride > 0 && total >= 3 ? (total - 3) / mesh.stride + 1 : 1;
    std::vector<MeshTriangle> table(triangles);
    mesh.triangles = table.data();
    int32_t first, end;
    TakeMeshTriangles(&mesh, &first, &end);
    for (int32_t k = first; k < end; ++k) {
        volatile int16_t u = mesh.triangles[k].u[0];
        (void)u;
        for (int i = 0; i < 3; ++i) {
            int32_t x, y;
            MeshVertex(&mesh, k * mesh.stride + i, &x, &y);
        }
    }
}

// The quad both renderers build for a screen sprite, from a hostile record
// and transform over a texture-backed picture.
void FuzzSpriteQuad(Reader& in, SpriteRecord r) {
    TextureRecord texture = {1, 0.0f, 0.0f, 0.75f, 0.5f};
    Image picture = {};
    picture.width = static_cast<uint16_t>(in.U8() % 64);
    picture.height = static_cast<uint16_t>(in.U8() % 64);
    picture.flags = IMAGE_FLAG_TEXTURE;
    picture.texture = &texture;
    SpriteTransform t = {};
    float* factors[] = {&t.scaleX, &t.scaleY, &t.angle, &t.red, &t.green, &t.blue, &t.alpha};
    for (float* f : factors) {
        uint32_t bits = in.U32();
        std::memcpy(f, &bits, sizeof(*f));
    }
    t.pivotX = in.Coordinate();
    t.pivotY = in.Coordinate();
    t.rotationRefX = in.Coordinate();
    t.rotationRefY = in.Coordinate();
    r.flags = static_cast<uint16_t>(in.U8() & (SPRITE_FLAG_MIRROR_X | SPRITE_FLAG_MIRROR_Y |
                                               SPRITE_FLAG_ALPHA | SPRITE_FLAG_TRANSFORM));
    r.source = &picture;
    r.target = kScreenTarget;
    r.transform = &t;
    SpriteQuad quad;
    if (BuildSpriteQuad(&r, &quad)) {
        volatile bool seen = QuadOverlapsScreen(&quad, 800, 600);
        volatile uint32_t diffuse = PackDiffuse(quad.red, quad.green, quad.blue, quad.alpha);
        (void)seen;
        (void)diffuse;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Reader in{data, size};
    Image* source = SmallImage(in);
    Image* target = SmallImage(in);
    SpriteRecord r = {};
    r.source = source;
    InitSpriteRecord(&r, target);
    r.x = in.Coordinate();
    r.y = in.Coordinate();
    r.width = in.Coordinate();
    r.height = in.Coordinate();
    r.sourceX = in.Coordinate();
    r.sourceY = in.Coordinate();
    r.flags = static_cast<uint16_t>(in.U32());
    r.colour = in.U32();
    DrawSprite(&r);
    r.flags &= 0x0F;
    FillRect(&r);
    SoftwareBlit(&r);

    int32_t w = target->width, h = target->height;
    if (target->pixels != nullptr && (target->flags & IMAGE_FMT_MASK) == IMAGE_FMT_32) {
        std::vector<uint16_t> reduced(static_cast<size_t>(w) * h + 1);
        DitherToArgb4444(target->pixels, reduced.data(), w, h, w * 2);
        TruncToArgb4444(target->pixels, reduced.data(), w, h, w * 2);
        DitherInPlace4bit(target->pixels, w, h, w * 4);
    }
    FuzzMesh(in);
    FuzzSpriteQuad(in, r);
    FreeImage(&source);
    FreeImage(&target);
    return 0;
}
