// The renderer dispatch without a renderer, the draw capture seam, and the
// triangle range of mesh calls that both renderers share.
#include <SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/image.h"
#include "graphics/renderer.h"
#include "graphics/sprite_geometry.h"
#include "tests/graphics/screen_draw.h"
#include "tests/graphics/test_images.h"
#include "tests/support/draw_capture.h"

namespace {

TEST(DispatchWithoutRenderer, UnknownKindFailsAndLeavesNoRenderer) {
    EXPECT_EQ(SetVideoMode(800, 600, 32, 0, 3, 1), 0);
    EXPECT_EQ(gRendererKind, RENDERER_NONE);
    EXPECT_EQ(gReduceTextures, 1) << "the reduce flag is stored whatever the kind";
    EXPECT_EQ(SetVideoMode(800, 600, 32, 0, 0, 0), 0);
    EXPECT_EQ(gReduceTextures, 0);
}

TEST(DispatchWithoutRenderer, EveryCallIsANoOp) {
    ASSERT_EQ(gRendererKind, RENDERER_NONE);
    Image* image = MakePatternImage(8, 8);
    UploadTexture(image);
    EXPECT_NE(image->pixels, nullptr);
    EXPECT_EQ(image->flags, IMAGE_FMT_32);
    PresentFrame();
    ClearScreen();
    SuspendRenderer();
    ResumeRenderer();
    SetTextureFiltering(1);
    ShutdownRenderer();
    std::vector<uint8_t> screen(READ_SCREEN_BYTES, 0xAB);
    ReadScreen(screen.data());
    EXPECT_EQ(screen.front(), 0xAB);
    EXPECT_EQ(screen.back(), 0xAB);
    SpriteRecord r = {};
    r.source = image;
    InitSpriteRecord(&r, gScreenTarget);
    DrawSprite(&r);
    FillRect(&r);
    TriangleMesh mesh = {};
    EXPECT_EQ(DrawTriangleMesh(&mesh), 0);
    EXPECT_EQ(DrawTriangleMesh(nullptr), 0);
    FreeImage(&image);
}

// A failed mode set says why on standard error, returns 0 and leaves the
// kind that failed; later calls through the dispatch do no harm.
TEST(ModeSettingFailure, Direct3D9WithoutVideoSaysTheQueryFailed) {
    ASSERT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
    testing::internal::CaptureStderr();
    EXPECT_EQ(SetVideoMode(800, 600, 32, 0, RENDERER_D3D9, 0), 0);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.rfind("Video query failed: ", 0), 0u) << err;
    EXPECT_EQ(err.back(), '\n');
    EXPECT_EQ(gRendererKind, RENDERER_D3D9);
    Image* image = MakePatternImage(8, 8);
    UploadTexture(image);
    EXPECT_NE(image->pixels, nullptr);
    SpriteRecord r = ScreenSprite(image, 0, 0);
    DrawSprite(&r);
    FillRect(&r);
    PresentFrame();
    SuspendRenderer();
    SetTextureFiltering(1);
    std::vector<uint8_t> screen(READ_SCREEN_BYTES, 0xAB);
    ReadScreen(screen.data());
    EXPECT_EQ(screen[0], 0);
    FreeImage(&image);
    ShutdownRenderer();
    SetVideoMode(0, 0, 0, 0, RENDERER_NONE, 0);
}

TEST(ModeSettingFailure, OpenGlWithoutOpenGlSaysTheModeSetFailed) {
    ScopedEnv driver("SDL_VIDEODRIVER", "dummy");
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO | SDL_INIT_NOPARACHUTE), 0) << SDL_GetError();
    testing::internal::CaptureStderr();
    EXPECT_EQ(SetVideoMode(800, 600, 32, 0, RENDERER_OPENGL, 0), 0);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, std::string("Video mode set failed: ") + SDL_GetError() + "\n");
    EXPECT_EQ(gRendererKind, RENDERER_OPENGL);
    SetVideoMode(0, 0, 0, 0, RENDERER_NONE, 0);
    SDL_Quit();
}

// The rope of the level objects: four vertices, two triangles, stride 1.
struct Rope {
    int16_t vertices[8] = {0, 0, 1, 0, 5, 9, 6, 9};
    MeshTriangle triangles[2] = {{{0, 1, 0}, {0, 0, 1}, nullptr, 0},
                                 {{1, 0, 1}, {0, 1, 1}, nullptr, 0}};
    TriangleMesh mesh = {};
    Rope() {
        mesh.vertices = vertices;
        mesh.triangles = triangles;
        mesh.offsetX = 100;
        mesh.offsetY = 50;
        mesh.count = 2;
        mesh.totalVertices = 4;
        mesh.next = 0;
        mesh.stride = 1;
    }
};

TEST(MeshRange, RopeDrawsBothTrianglesAndMovesPastThem) {
    Rope rope;
    int32_t first, end;
    EXPECT_EQ(TakeMeshTriangles(&rope.mesh, &first, &end), 1);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(end, 2);
    EXPECT_EQ(rope.mesh.next, 2);
    EXPECT_EQ(rope.mesh.count, 0);
    EXPECT_EQ(TakeMeshTriangles(&rope.mesh, &first, &end), -1) << "nothing remains";
    EXPECT_EQ(end - first, 0);
}

TEST(MeshRange, CountLimitsOneCall) {
    Rope rope;
    rope.mesh.count = 1;
    int32_t first, end;
    EXPECT_EQ(TakeMeshTriangles(&rope.mesh, &first, &end), 0);
    EXPECT_EQ(rope.mesh.next, 1);
    EXPECT_EQ(TakeMeshTriangles(&rope.mesh, &first, &end), 1) << "count 0: all that remain";
    EXPECT_EQ(first, 1);
}

TEST(MeshRange, StrideSpacesTheTriangles) {
    std::vector<int16_t> vertices(18, 0);
    std::vector<MeshTriangle> triangles(3);
    TriangleMesh mesh = {};
    mesh.vertices = vertices.data();
    mesh.triangles = triangles.data();
    mesh.totalVertices = 9;
    mesh.stride = 3;
    int32_t first, end;
    EXPECT_EQ(TakeMeshTriangles(&mesh, &first, &end), 2);
    EXPECT_EQ(end, 3);
}

TEST(MeshRange, MalformedMeshesDrawNothing) {
    Rope rope;
    int32_t first, end;
    for (int32_t stride : {0, -1}) {
        rope.mesh.stride = stride;
        rope.mesh.next = 0;
        rope.mesh.count = 5;
        EXPECT_EQ(TakeMeshTriangles(&rope.mesh, &first, &end), -1);
        EXPECT_EQ(rope.mesh.count, 0);
    }
    rope.mesh.stride = 1;
    rope.mesh.totalVertices = 2;
    EXPECT_EQ(TakeMeshTriangles(&rope.mesh, &first, &end), -1);
    rope.mesh.totalVertices = 4;
    rope.mesh.next = -3;
    EXPECT_EQ(TakeMeshTriangles(&rope.mesh, &first, &end), -1);
    rope.mesh.next = 0;
    rope.mesh.vertices = nullptr;
    EXPECT_EQ(TakeMeshTriangles(&rope.mesh, &first, &end), -1);
}

TEST(DrawCaptureSeam, RecordsSpritesFillsAndMeshTrianglesInOrder) {
    DrawCapture capture;
    Image* image = MakePatternImage(4, 4);
    SpriteRecord r = {};
    r.source = image;
    InitSpriteRecord(&r, gScreenTarget);
    r.x = 7;
    DrawSprite(&r);
    FillRect(&r);
    Rope rope;
    rope.triangles[0].image = image;
    EXPECT_EQ(DrawTriangleMesh(&rope.mesh), 1);
    ASSERT_EQ(capture.size(), 4u);
    EXPECT_EQ(capture[0].kind, CAPTURED_SPRITE);
    EXPECT_EQ(capture[1].kind, CAPTURED_FILL);
    EXPECT_EQ(capture[2].kind, CAPTURED_MESH_TRIANGLE);
    EXPECT_EQ(capture[2].triangle.image, image);
    EXPECT_EQ(capture[3].vertexX[0], 101);
    EXPECT_EQ(capture[3].vertexX[1], 105);
    EXPECT_EQ(capture[3].vertexY[2], 59);
    EXPECT_EQ(capture.FirstSpriteOf(image), &capture[0]);
    EXPECT_EQ(capture.SpritesOf(image).size(), 1u);
    EXPECT_EQ(rope.mesh.next, 2);
    FreeImage(&image);
}

TEST(DrawCaptureSeam, RemovingTheCaptureRestoresThePreviousSink) {
    DrawCapture outer;
    {
        DrawCapture inner;
        EXPECT_EQ(gDrawSink, &inner);
    }
    EXPECT_EQ(gDrawSink, &outer);
}

TEST(Diffuse, FactorsAreClampedBeforePacking) {
    EXPECT_EQ(PackDiffuse(1.0f, 1.0f, 1.0f, 1.0f), 0xFFFFFFFFu);
    EXPECT_EQ(PackDiffuse(1.004f, 0.5f, 0.0f, -0.01f), 0x00FF8000u);
    EXPECT_EQ(PackDiffuse(2.0f, -3.0f, 0.25f, 1.5f), 0xFFFF0040u);
}

} // namespace
