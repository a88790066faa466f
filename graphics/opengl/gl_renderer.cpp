#include "graphics/opengl/gl_renderer.h"

#include <GL/gl.h>
#include <SDL.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/helpers.h"
#include "graphics/colour_reduce.h"
#include "graphics/image.h"
#include "graphics/renderer.h"
#include "graphics/software_draw.h"
#include "graphics/sprite_geometry.h"

namespace {

int32_t gGlFiltering = 0;
int32_t gGlScreenWidth = 0;
int32_t gGlScreenHeight = 0;

// Set once for the whole run: y grows downwards in screen pixels, and
// textures modulate the vertex colour.
void GlBegin2D(int32_t width, int32_t height) {
    glPushAttrib(GL_ENABLE_BIT);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, width, height, 0.0, 0.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    // Sprites enable texturing around their own quads; fills draw untextured.
    glDisable(GL_TEXTURE_2D);
}

GLuint TextureName(const Image* image) {
    return static_cast<GLuint>(image->texture->handle);
}

void ReleaseTextureRecord(Image* image) {
    if (image->texture == nullptr)
        return;
    GLuint name = TextureName(image);
    if (name != 0)
        glDeleteTextures(1, &name);
    FreeAndNull(&image->texture);
}

// The power-of-two work image of the uploads, kept from one upload to the
// next: the movie screen uploads a frame of the same size every drawn frame.
// Larger ones are freed after their upload.
Image* gGlWorkImage = nullptr;
constexpr size_t kKeptWorkPixels = 1024 * 1024;

// Zeroes what lies outside the picture's w x h corner, so that filtering at
// the picture's edge reads the same texels on every run.
void ZeroPadding(Image* work, int32_t w, int32_t h) {
    size_t pw = work->width;
    for (int32_t y = 0; y < h; ++y)
        std::memset(work->pixels + y * pw + w, 0, (pw - static_cast<size_t>(w)) * 4);
    size_t below = (work->height - static_cast<size_t>(h)) * pw;
    std::memset(work->pixels + static_cast<size_t>(h) * pw, 0, below * 4);
}

// Copies the picture into the top-left corner of the zero-padded work image.
Image* PaddedWorkImage(Image* image, uint32_t pw, uint32_t ph) {
    if (gGlWorkImage != nullptr && (gGlWorkImage->width != pw || gGlWorkImage->height != ph))
        FreeImage(&gGlWorkImage);
    if (gGlWorkImage == nullptr) {
        gGlWorkImage =
            CreateImage(static_cast<int32_t>(pw), static_cast<int32_t>(ph), IMAGE_FMT_32);
        if (gGlWorkImage->pixels == nullptr) {
            FreeImage(&gGlWorkImage);
            return nullptr;
        }
    } else {
        ZeroPadding(gGlWorkImage, image->width, image->height);
    }
    SpriteRecord record = {};
    record.source = image;
    InitSpriteRecord(&record, gGlWorkImage);
    record.x = 0;
    record.y = 0;
    SoftwareBlit(&record);
    return gGlWorkImage;
}

// The 4-bit reduction writes each channel's value n as n * 16; spreading it
// to n * 17 makes the GL conversion to 4 bits exact and gives the same
// colours as the Direct3D 9 A4R4G4B4 textures.
void SpreadHighNibbles(uint32_t* pixels, size_t count) {
    for (size_t i = 0; i < count; ++i)
        pixels[i] |= (pixels[i] >> 4) & 0x0F0F0F0Fu;
}

// A record may hold any position, size or scale: a corner far off the
// screen is pulled in to where it still lies far off the screen, so that
// its conversion to an integer cannot overflow (a NaN lands there too).
GLint GlCoordinate(double value) {
    constexpr double kLimit = 1 << 30;
    return static_cast<GLint>(value > -kLimit ? (value < kLimit ? value : kLimit) : -kLimit);
}

void EmitQuadVertex(const SpriteQuad& quad, int corner) {
    glTexCoord2f(quad.u[corner], quad.v[corner]);
    glVertex2i(GlCoordinate(quad.x[corner]), GlCoordinate(quad.y[corner]));
}

} // namespace

int32_t GlSetVideoMode(int32_t width, int32_t height, int32_t bits, int32_t fullscreen) {
    Uint32 flags = SDL_OPENGL | (fullscreen ? SDL_FULLSCREEN : 0);
    SDL_Surface* surface = SDL_SetVideoMode(width, height, bits, flags);
    if (surface == nullptr) {
        std::fprintf(stderr, "Video mode set failed: %s\n", SDL_GetError());
        return 0;
    }
    if (SDL_GetVideoInfo() == nullptr) {
        std::fprintf(stderr, "Video query failed: %s\n", SDL_GetError());
        return 0;
    }
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glViewport(0, 0, width, height);
    gGlFiltering = 0;
    gGlScreenWidth = surface->w;
    gGlScreenHeight = surface->h;
    GlBegin2D(surface->w, surface->h);
    return 1;
}

void GlPresent() {
    SDL_GL_SwapBuffers();
}

void GlClear() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void GlSetFiltering(int32_t linear) {
    gGlFiltering = linear;
}

int32_t GlGetFiltering() {
    return gGlFiltering;
}

void GlCreateTextureRecord(Image* image) {
    image->texture = static_cast<TextureRecord*>(ZAlloc(sizeof(TextureRecord)));
}

void GlFreeTextureRecord(Image* image) {
    ReleaseTextureRecord(image);
}

void GlUploadTexture(Image* image) {
    if ((image->flags & IMAGE_FLAG_TEXTURE) || image->pixels == nullptr ||
        (image->flags & IMAGE_FMT_MASK) != IMAGE_FMT_32 || image->width == 0 || image->height == 0)
        return;
    uint32_t pw = NextPowerOfTwo(image->width);
    uint32_t ph = NextPowerOfTwo(image->height);
    Image* work = PaddedWorkImage(image, pw, ph);
    if (work == nullptr) {
        std::printf("WARNING texture upload failed: no memory for %ux%u\n", pw, ph);
        return;
    }
    ReleaseTextureRecord(image);
    GlCreateTextureRecord(image);
    TextureRecord* record = image->texture;
    record->rightU = static_cast<float>(image->width) / static_cast<float>(pw);
    record->bottomV = static_cast<float>(image->height) / static_cast<float>(ph);

    GLuint name = 0;
    glGenTextures(1, &name);
    record->handle = name;
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);

    GLint internalFormat = GL_RGBA8;
    if (gReduceTextures && !(image->flags & IMAGE_FLAG_FULLCOLOUR)) {
        DitherInPlace4bit(work->pixels, static_cast<int32_t>(pw), static_cast<int32_t>(ph),
                          static_cast<int32_t>(pw * 4));
        SpreadHighNibbles(work->pixels, static_cast<size_t>(pw) * ph);
        internalFormat = GL_RGBA4;
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, static_cast<GLsizei>(pw),
                 static_cast<GLsizei>(ph), 0, GL_BGRA, GL_UNSIGNED_BYTE, work->pixels);
    if (static_cast<size_t>(pw) * ph > kKeptWorkPixels)
        FreeImage(&gGlWorkImage);
    FreeAndNull(&image->pixels);
    FreeAndNull(&image->alphaPlane);
    image->flags = IMAGE_FLAG_TEXTURE;
}

void GlDrawSprite(SpriteRecord* record) {
    Image* source = record->source;
    if (source == nullptr)
        return;
    if (!(source->flags & IMAGE_FLAG_TEXTURE) && source->pixels != nullptr)
        GlUploadTexture(source);
    SpriteQuad quad;
    if (!BuildSpriteQuad(record, &quad) ||
        !QuadOverlapsScreen(&quad, gGlScreenWidth, gGlScreenHeight))
        return;
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, TextureName(source));
    glBegin(GL_TRIANGLE_STRIP);
    glColor4f(quad.red, quad.green, quad.blue, quad.alpha);
    EmitQuadVertex(quad, QUAD_TL);
    EmitQuadVertex(quad, QUAD_TR);
    EmitQuadVertex(quad, QUAD_BL);
    EmitQuadVertex(quad, QUAD_BR);
    glEnd();
    glDisable(GL_TEXTURE_2D);
}

void GlFillRect(SpriteRecord* record) {
    uint32_t c = record->colour;
    GLint left = GlCoordinate(record->x);
    GLint top = GlCoordinate(record->y);
    GLint right =
        GlCoordinate(static_cast<double>(static_cast<int64_t>(record->x) + record->width));
    GLint bottom =
        GlCoordinate(static_cast<double>(static_cast<int64_t>(record->y) + record->height));
    glBegin(GL_TRIANGLE_STRIP);
    glColor4ub(static_cast<GLubyte>(c >> 16), static_cast<GLubyte>(c >> 8), static_cast<GLubyte>(c),
               static_cast<GLubyte>(c >> 24));
    glVertex2i(left, top);
    glVertex2i(right, top);
    glVertex2i(left, bottom);
    glVertex2i(right, bottom);
    glEnd();
}

int32_t GlDrawTriangleMesh(TriangleMesh* mesh) {
    int32_t first, end;
    int32_t last = TakeMeshTriangles(mesh, &first, &end);
    for (int32_t k = first; k < end; ++k) {
        const MeshTriangle& tri = mesh->triangles[k];
        int32_t base = k * mesh->stride;
        bool coloured = tri.u[0] == -1;
        const Image* image = tri.image;
        if (!coloured && (!HasUsableTexture(image) || image->width == 0 || image->height == 0))
            continue; // a textured triangle needs an uploaded picture
        if (coloured) {
            uint32_t c = tri.colour;
            glBegin(GL_TRIANGLE_STRIP);
            glColor4ub(static_cast<GLubyte>(c >> 16), static_cast<GLubyte>(c >> 8),
                       static_cast<GLubyte>(c), static_cast<GLubyte>(c >> 24));
        } else {
            glEnable(GL_TEXTURE_2D);
            glBindTexture(GL_TEXTURE_2D, TextureName(image));
            glBegin(GL_TRIANGLE_STRIP);
            glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        }
        const TextureRecord* tex = coloured ? nullptr : image->texture;
        for (int i = 0; i < 3; ++i) {
            if (tex != nullptr) {
                float u = tex->leftU + static_cast<float>(tri.u[i]) * (tex->rightU - tex->leftU) /
                                           static_cast<float>(image->width);
                float v = tex->topV + static_cast<float>(tri.v[i]) * (tex->bottomV - tex->topV) /
                                          static_cast<float>(image->height);
                glTexCoord2f(u, v);
            }
            int32_t x, y;
            MeshVertex(mesh, base + i, &x, &y);
            glVertex2i(x, y);
        }
        glEnd();
        if (!coloured)
            glDisable(GL_TEXTURE_2D);
    }
    return last;
}

void GlReadScreen(uint8_t* buffer) {
    // Parts outside a smaller window read as black rather than as whatever
    // the buffer held.
    std::memset(buffer, 0, READ_SCREEN_BYTES);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, READ_SCREEN_WIDTH, READ_SCREEN_HEIGHT, GL_RGB, GL_UNSIGNED_BYTE, buffer);
}
