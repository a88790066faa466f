// The full-screen movie and picture screens, with black fades: the opening
// movies and picture, the intro and the ending. While a movie plays it paces
// the whole main loop to the movie's frame rate and plays at full volume.
#pragma once

#include <cstdint>

#include "media/mmlib.h"
#include "ui/control.h"

struct Image;

// The media of a screen id is item `item` of catalogue group id - 22.
constexpr int32_t SPLASH_GROUP_BASE = 22;
constexpr uint32_t SPLASH_PICTURE_GROUP = 10;
constexpr uint32_t SPLASH_MOVIE_GROUP = 11;
// Frames a picture stays before it fades out by itself.
constexpr int32_t SPLASH_PICTURE_FRAMES = 160;

enum SplashFade : int32_t {
    SPLASH_FADE_NONE = 0,
    SPLASH_FADE_IN = 1,  // the black veil lifts
    SPLASH_FADE_OUT = 2, // the black veil falls
};

// Results once the screen has faded out.
constexpr int32_t SPLASH_RESULT_ESCAPE = 1; // also a movie's end
constexpr int32_t SPLASH_RESULT_OTHER = 2;

class CSplash : public CControl {
public:
    // `mode`: SPLASH_MODE_MOVIE or SPLASH_MODE_PICTURE (menus/screen_factory.h).
    CSplash(int32_t screenId, int32_t item, int32_t mode);
    ~CSplash() override;

    // 1.
    int32_t Draw() override;
    // -1 while the screen runs or fades out, then its result on every call.
    int32_t Update() override;

    Image* picture = nullptr; // the picture screen's, owned by the catalogue
    float alpha = 255.0f;     // of the black veil
    int32_t fadeState = SPLASH_FADE_IN;
    int32_t result = 0;
    int32_t timer = SPLASH_PICTURE_FRAMES;
    MediaInfo mediaInfo{};
    Image* displayImage = nullptr;
    // Receives the decoded 24-bit frame in its pixel buffer.
    Image* decodeImage = nullptr;
    int32_t channel = -1;
    float scale = 0.0f;
    uint32_t startTime = 0;
    int32_t framesShown = 0;
    int32_t framePeriod = 0; // ms a movie frame
    int32_t mode = 0;
    // The movie started: the frame period and filtering are ours to put
    // back. A movie that cannot start leaves both alone.
    bool moviePlaying = false;

private:
    void StartMovie(int32_t group, int32_t item);
    bool TakeMediaInfo();
    void EndAtOnce();
    void DrawMovieFrame();
    void DrawFade();
    void PaceMovie();
};

// Pixel i of `argb` := the BGR triple at byte 3 * i of `bgr`, opaque.
void ConvertBgrFrame(const uint8_t* bgr, uint32_t* argb, int32_t pixelCount);
