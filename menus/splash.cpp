#include "menus/splash.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/app.h"
#include "engine/archive.h"
#include "engine/catalogue.h"
#include "engine/config.h"
#include "engine/helpers.h"
#include "engine/platform.h"
#include "graphics/image.h"
#include "graphics/renderer.h"
#include "media/mmplay.h"
#include "media/volume.h"
#include "media/xvid.h"
#include "menus/screen_factory.h"
#include "ui/picture.h"

namespace {

constexpr int32_t kScreenWidth = 800;
constexpr int32_t kScreenHeight = 600;
// The movie is drawn 802 pixels wide so that no column stays uncovered.
constexpr double kMovieScreenWidth = 802.0;
constexpr float kFadeStep = 20.0f;
constexpr float kOpaque = 255.0f;
// The pictures are shown this long after their time, to meet the sound.
constexpr int64_t kMovieLeadMs = 50;
// A movie this far behind its schedule is given up.
constexpr int64_t kMovieGiveUpMs = 10000;
// Slower than one frame in 1000 seconds is no movie.
constexpr double kLongestFramePeriodMs = 1.0e6;
constexpr int32_t kFullVolume = 128;

int32_t ClampToInt32(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

// Four bytes in little-endian order; the compiler makes it one load.
inline uint32_t LoadLe32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

} // namespace

// Four pixels are twelve bytes, three words: B0 G0 R0 B1 | G1 R1 B2 G2 |
// R2 B3 G3 R3.
void ConvertBgrFrame(const uint8_t* bgr, uint32_t* argb, int32_t pixelCount) {
    constexpr uint32_t kAlpha = 0xFF000000u;
    int32_t i = 0;
    for (; i + 4 <= pixelCount; i += 4) {
        const uint8_t* p = bgr + static_cast<size_t>(i) * 3;
        uint32_t w0 = LoadLe32(p);
        uint32_t w1 = LoadLe32(p + 4);
        uint32_t w2 = LoadLe32(p + 8);
        argb[i] = kAlpha | (w0 & 0x00FFFFFFu);
        argb[i + 1] = kAlpha | w0 >> 24 | (w1 & 0x0000FFFFu) << 8;
        argb[i + 2] = kAlpha | w1 >> 16 | (w2 & 0x000000FFu) << 16;
        argb[i + 3] = kAlpha | w2 >> 8;
    }
    for (; i < pixelCount; ++i) {
        const uint8_t* p = bgr + static_cast<size_t>(i) * 3;
        argb[i] = kAlpha | static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[1]) << 8 |
                  static_cast<uint32_t>(p[0]);
    }
}

// ---- construction ------------------------------------------------------------

CSplash::CSplash(int32_t screenId, int32_t item, int32_t splashMode) {
    mode = splashMode;
    displayImage = nullptr;
    fadeState = SPLASH_FADE_IN;
    timer = SPLASH_PICTURE_FRAMES;
    int32_t group = screenId - SPLASH_GROUP_BASE;
    if (mode == SPLASH_MODE_MOVIE)
        StartMovie(group, item);
    else if (mode == SPLASH_MODE_PICTURE && group >= 0)
        picture = GetPictureItem(static_cast<uint32_t>(group), item);
    alpha = kOpaque;
    x = 0;
    y = 0;
    width = kScreenWidth;
    height = kScreenHeight;
    startTime = GetTicks();
    framesShown = 0;
    SetVolumesTemporary(kFullVolume, kFullVolume);
}

CSplash::~CSplash() {
    SetVolumes(-1, -1);
    if (moviePlaying)
        gFramePeriodMs = FramePeriodForRate(gConfig.framesPerSecond);
    // Channel -1 would stop every sound.
    if (channel >= 0)
        gMMplay.Stop(channel);
    FreeImage(&decodeImage);
    if (moviePlaying)
        SetTextureFiltering(0);
    FreeImage(&displayImage);
    UnloadGroup(&gResourceCatalogue, SPLASH_PICTURE_GROUP);
    UnloadGroup(&gResourceCatalogue, SPLASH_MOVIE_GROUP);
}

void CSplash::StartMovie(int32_t group, int32_t item) {
    // Only a sound entry can be played: anything else is a movie that
    // cannot start.
    if (group < 0 || item < 0 ||
        static_cast<uint32_t>(item) >=
            GetGroupSize(&gResourceCatalogue, static_cast<uint32_t>(group))) {
        EndAtOnce();
        return;
    }
    uint32_t entry = GetResourceIndex(&gResourceCatalogue, static_cast<uint32_t>(group), item);
    if (!ResourceTypeInClass(GetEntryType(gResourceCatalogue.archive, entry), RES_CLASS_SOUND)) {
        EndAtOnce();
        return;
    }
    ResourceHandle sound = GetResource(&gResourceCatalogue, static_cast<uint32_t>(group), item);
    channel = gMMplay.Play(-1, 0, static_cast<int32_t>(sound), SOUND_STREAMED, 1);
    if (channel < 0 || !TakeMediaInfo()) {
        EndAtOnce();
        return;
    }
    decodeImage = CreateImage(mediaInfo.videoWidth, mediaInfo.videoHeight, IMAGE_FMT_32);
    if (decodeImage->pixels == nullptr) {
        EndAtOnce();
        return;
    }
    scale = static_cast<float>(kMovieScreenWidth / mediaInfo.videoWidth);
    fadeState = SPLASH_FADE_NONE;
    framePeriod = static_cast<int32_t>(1000.0 / mediaInfo.frameRate);
    gFramePeriodMs = framePeriod;
    SetTextureFiltering(1);
    moviePlaying = true;
}

// The movie's description, when it has pictures that can be shown and paced.
bool CSplash::TakeMediaInfo() {
    if (gMMplay.GetInfo(channel, &mediaInfo) != 0)
        return false;
    const MediaInfo& info = mediaInfo;
    // The decoder's own limit keeps width x height x 4 well inside 32 bits.
    if (info.hasVideo == 0 || info.videoWidth <= 0 || info.videoHeight <= 0 ||
        info.videoWidth > XVID_MAX_DIMENSION || info.videoHeight > XVID_MAX_DIMENSION)
        return false;
    double rate = info.frameRate;
    return std::isfinite(rate) && rate > 0.0 && 1000.0 / rate <= kLongestFramePeriodMs;
}

// A movie that cannot be shown ends as a movie does at its end, and leaves
// the pacing and the filtering as they were.
void CSplash::EndAtOnce() {
    if (channel >= 0)
        gMMplay.Stop(channel);
    channel = -1;
    FreeImage(&decodeImage);
    result = SPLASH_RESULT_ESCAPE;
    fadeState = SPLASH_FADE_OUT;
}

// ---- input -------------------------------------------------------------------

int32_t CSplash::Update() {
    int dx = 0, dy = 0;
    int32_t mask = PlatformGetRelativeMouseState(&dx, &dy) & 0xFF;
    int32_t newX = std::clamp(mouseX + dx, 0, width);
    int32_t newY = std::clamp(mouseY + dy, 0, height);
    int count = 0;
    const uint8_t* keys = PlatformGetKeyState(&count);
    StoreInput(newX, newY, mask, keys, count);
    ProcessInputEdges();
    if (mode == SPLASH_MODE_PICTURE && timer >= 0)
        timer -= 1;
    if (HasKeyEdge(1) != 0 || buttonEdges[0] == -1 || timer == 0) {
        fadeState = SPLASH_FADE_OUT;
        result = keyEdges[KEY_ESCAPE] != 0 ? SPLASH_RESULT_ESCAPE : SPLASH_RESULT_OTHER;
    }
    if (fadeState != SPLASH_FADE_NONE || result == 0)
        return CONTROL_RESULT_KEEP;
    return result;
}

// ---- drawing -------------------------------------------------------------------

int32_t CSplash::Draw() {
    if (mode == SPLASH_MODE_MOVIE && moviePlaying)
        DrawMovieFrame();
    else if (mode == SPLASH_MODE_PICTURE)
        DrawPictureAt(picture, 0, 0);
    DrawFade();
    if (moviePlaying)
        PaceMovie();
    return 1;
}

void CSplash::DrawMovieFrame() {
    int32_t w = mediaInfo.videoWidth;
    int32_t h = mediaInfo.videoHeight;
    // A new picture every frame: an uploaded picture is a texture and
    // keeps no pixels to refill.
    FreeImage(&displayImage);
    displayImage = CreateImage(w, h, IMAGE_FMT_32 | IMAGE_FLAG_FULLCOLOUR);
    uint8_t* decoded = reinterpret_cast<uint8_t*>(decodeImage->pixels);
    if (gMMplay.DecodeVideoFrame(channel, decoded) != 0) {
        result = SPLASH_RESULT_ESCAPE;
        fadeState = SPLASH_FADE_OUT;
    }
    framesShown += 1;
    if (displayImage->pixels != nullptr)
        ConvertBgrFrame(decoded, displayImage->pixels, w * h);
    UploadTexture(displayImage);
    SpriteTransform transform = {scale, scale, 0, 0, 0.0f, 0, 0, 1.0f, 1.0f, 1.0f, 1.0f};
    SpriteRecord record;
    record.source = displayImage;
    InitSpriteRecord(&record, gScreenTarget);
    record.transform = &transform;
    record.flags = SPRITE_FLAG_TRANSFORM;
    record.x = 0;
    record.y = 0;
    DrawSprite(&record);
}

void CSplash::DrawFade() {
    int32_t state = fadeState;
    if (state == SPLASH_FADE_IN) {
        alpha -= kFadeStep;
        if (alpha < 0.0f) {
            alpha = 0.0f;
            fadeState = SPLASH_FADE_NONE;
        }
    } else if (state == SPLASH_FADE_OUT) {
        alpha += kFadeStep;
        if (alpha > kOpaque) {
            alpha = kOpaque;
            fadeState = SPLASH_FADE_NONE;
        }
    } else {
        return;
    }
    SpriteRecord record;
    record.source = nullptr;
    record.transform = nullptr;
    InitSpriteRecord(&record, gScreenTarget);
    record.x = x;
    record.y = y;
    record.width = width;
    record.height = height;
    record.colour = static_cast<uint32_t>(static_cast<int32_t>(alpha)) << 24;
    FillRect(&record);
}

// The main loop sleeps less while the movie runs late and more while it
// runs early.
void CSplash::PaceMovie() {
    int64_t elapsed = static_cast<uint32_t>(GetTicks() - startTime);
    int64_t late = elapsed - static_cast<int64_t>(framePeriod) * framesShown - kMovieLeadMs;
    gFramePeriodMs = ClampToInt32(static_cast<int64_t>(framePeriod) - late);
    if (late > kMovieGiveUpMs && result == 0) {
        result = SPLASH_RESULT_ESCAPE;
        fadeState = SPLASH_FADE_OUT;
    }
}
