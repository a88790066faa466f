// Records what is drawn on the screen instead of drawing it: every screen
// sprite, screen fill and mesh triangle that reaches the renderer dispatch,
// whatever the renderer kind. Tests check what a control or a screen drew
// without reading pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "graphics/image.h"
#include "graphics/renderer.h"

enum CapturedKind { CAPTURED_SPRITE, CAPTURED_FILL, CAPTURED_MESH_TRIANGLE };

struct CapturedDraw {
    CapturedKind kind;
    // The request as it was made, with record.transform cleared: the
    // caller's transform may be gone, so its copy is kept in `transform`.
    SpriteRecord record;
    SpriteTransform transform;
    bool hasTransform;
    // Mesh triangles: the three screen vertices (offset added) and the entry.
    int32_t vertexX[3];
    int32_t vertexY[3];
    MeshTriangle triangle;
};

// Installs itself as the draw sink for its lifetime (one at a time).
class DrawCapture : public DrawSink {
public:
    DrawCapture();
    ~DrawCapture() override;
    DrawCapture(const DrawCapture&) = delete;
    DrawCapture& operator=(const DrawCapture&) = delete;

    void OnDrawSprite(const SpriteRecord& record) override;
    void OnFillRect(const SpriteRecord& record) override;
    int32_t OnDrawTriangleMesh(TriangleMesh* mesh) override;

    const std::vector<CapturedDraw>& draws() const { return draws_; }
    size_t size() const { return draws_.size(); }
    const CapturedDraw& operator[](size_t i) const { return draws_[i]; }
    void Clear() { draws_.clear(); }

    size_t Count(CapturedKind kind) const;
    // Sprites drawn from `source`, in drawing order.
    std::vector<const CapturedDraw*> SpritesOf(const Image* source) const;
    // The first sprite drawn from `source`, or null.
    const CapturedDraw* FirstSpriteOf(const Image* source) const;

private:
    void Add(CapturedKind kind, const SpriteRecord& record);

    std::vector<CapturedDraw> draws_;
    DrawSink* previous_;
};
