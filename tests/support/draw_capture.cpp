#include "tests/support/draw_capture.h"

#include "graphics/sprite_geometry.h"

DrawCapture::DrawCapture() : previous_(gDrawSink) {
    gDrawSink = this;
}

DrawCapture::~DrawCapture() {
    gDrawSink = previous_;
}

void DrawCapture::Add(CapturedKind kind, const SpriteRecord& record) {
    draws_.emplace_back();
    CapturedDraw& draw = draws_.back();
    draw = CapturedDraw{};
    draw.kind = kind;
    draw.record = record;
    draw.hasTransform = record.transform != nullptr;
    if (draw.hasTransform)
        draw.transform = *record.transform;
    draw.record.transform = nullptr;
}

void DrawCapture::OnDrawSprite(const SpriteRecord& record) {
    Add(CAPTURED_SPRITE, record);
}

void DrawCapture::OnFillRect(const SpriteRecord& record) {
    Add(CAPTURED_FILL, record);
}

int32_t DrawCapture::OnDrawTriangleMesh(TriangleMesh* mesh) {
    int32_t first, end;
    int32_t last = TakeMeshTriangles(mesh, &first, &end);
    for (int32_t k = first; k < end; ++k) {
        draws_.emplace_back();
        CapturedDraw& draw = draws_.back();
        draw = CapturedDraw{};
        draw.kind = CAPTURED_MESH_TRIANGLE;
        draw.triangle = mesh->triangles[k];
        for (int i = 0; i < 3; ++i)
            MeshVertex(mesh, k * mesh->stride + i, &draw.vertexX[i], &draw.vertexY[i]);
    }
    return last;
}

size_t DrawCapture::Count(CapturedKind kind) const {
    size_t n = 0;
    for (const CapturedDraw& draw : draws_)
        n += draw.kind == kind;
    return n;
}

std::vector<const CapturedDraw*> DrawCapture::SpritesOf(const Image* source) const {
    std::vector<const CapturedDraw*> found;
    for (const CapturedDraw& draw : draws_)
        if (draw.kind == CAPTURED_SPRITE && draw.record.source == source)
            found.push_back(&draw);
    return found;
}

const CapturedDraw* DrawCapture::FirstSpriteOf(const Image* source) const {
    for (const CapturedDraw& draw : draws_)
        if (draw.kind == CAPTURED_SPRITE && draw.record.source == source)
            return &draw;
    return nullptr;
}
