// The movie and picture screens: the picture's timeline and fades, what
// each input returns, movies that cannot start, and a real movie decoded
// with the mixer open on the dummy audio driver.
#include <gtest/gtest.h>

#include <SDL.h>
#include <cstdlib>
#include <vector>

#include "engine/app.h"
#include "engine/config.h"
#include "menus/screen_factory.h"
#include "menus/splash.h"
#include "tests/menus/menu_fixture.h"
#include "tests/support/draw_capture.h"
#include "tools/sample/ogg_media_writer.h"
#include "tests/support/scripted_platform.h"

namespace {

constexpr int32_t kPictureScreen = 32; // group 10
constexpr int32_t kMovieScreen = 33;   // group 11
enum MovieItem : int32_t { kMovie = 0, kSoundOnly = 1, kPictureNotMovie = 2, kJunk = 3 };

std::vector<uint8_t> Tone(size_t frames) {
    return WriteOggVorbis(MakeTone(2, 44100, frames, 330.0, 3000.0));
}

// Five flat frames of red 200, green 40, blue 100, 400 pixels wide.
std::vector<uint8_t> TestMovie() {
    VideoStreamOptions video;
    video.width = 400;
    video.height = 32;
    video.frames = 5;
    video.source = SolidColourFrames({0xC82864}, video.width, video.height);
    PcmBuffer sound = MakeTone(2, 44100, 44100, 440.0, 3000.0);
    return WriteOgmMovie(video, &sound);
}

// Group 47 holds a sound that plays beside the screens.
CatalogueBuilder SplashCatalogue() {
    CatalogueBuilder c = MakeMenuCatalogue();
    PutItem(&c, SPLASH_PICTURE_GROUP, 0, PlainEntry(RES_TYPE_PNG, SolidPng(64, 48, 0xFF336699u)));
    PutItem(&c, SPLASH_MOVIE_GROUP, kMovie, PlainEntry(RES_TYPE_SOUND_STREAMED, TestMovie()));
    PutItem(&c, SPLASH_MOVIE_GROUP, kSoundOnly, PlainEntry(RES_TYPE_SOUND_STREAMED, Tone(4410)));
    PutItem(&c, SPLASH_MOVIE_GROUP, kPictureNotMovie,
            PlainEntry(RES_TYPE_PNG, SolidPng(8, 8, 0xFF000000u)));
    PutItem(&c, SPLASH_MOVIE_GROUP, kJunk,
            PlainEntry(RES_TYPE_SOUND_STREAMED, std::vector<uint8_t>(500, 0x5A)));
    PutItem(&c, 47, 0, PlainEntry(RES_TYPE_SOUND_STREAMED, Tone(44100)));
    return c;
}

// The frame period and configured rate put back after the test.
struct FramePeriodGuard {
    int32_t period = gFramePeriodMs;
    int32_t rate = gConfig.framesPerSecond;
    ~FramePeriodGuard() {
        gFramePeriodMs = period;
        gConfig.framesPerSecond = rate;
    }
};

// The mixer opened as the game opens it, its audio thread held so that
// nothing ends a sound behind the test.
struct OpenMixer {
    bool open = gMMplay.Open(44100, AUDIO_S16LSB, 2, 4096, 64, &gResourceArchive) == 0;
    OpenMixer() {
        if (open)
            SDL_PauseAudio(1);
    }
    ~OpenMixer() {
        if (open)
            gMMplay.Close();
    }
};

struct SplashDriver {
    ScriptedPlatform platform;
    ScopedPlatform scoped{&platform};
    DrawCapture capture;
    std::vector<int32_t> veil; // each frame's veil alpha, -1 without one

    // Update, then draw, as the game runs a frame; the update's result.
    int32_t Frame(CSplash& splash) {
        capture.Clear();
        int32_t r = splash.Update();
        splash.Draw();
        int32_t alpha = -1;
        for (const CapturedDraw& draw : capture.draws())
            if (draw.kind == CAPTURED_FILL)
                alpha = static_cast<int32_t>(draw.record.colour >> 24);
        veil.push_back(alpha);
        return r;
    }
    // Frames until a result (at most `limit`); the frame count.
    int32_t RunToResult(CSplash& splash, int32_t* result, int32_t limit = 400) {
        int32_t frames = 0;
        *result = CONTROL_RESULT_KEEP;
        while (*result == CONTROL_RESULT_KEEP && frames < limit) {
            *result = Frame(splash);
            ++frames;
        }
        return frames;
    }
};

std::vector<int32_t> Ramp(int32_t from, int32_t step, int32_t count) {
    std::vector<int32_t> values;
    for (int32_t i = 0; i < count; ++i)
        values.push_back(from + step * i);
    return values;
}

TEST(SplashPicture, FadesOutOnItsHundredSixtiethUpdateAndEndsOnItsHundredSeventyThird) {
    MenuArchive archive(SplashCatalogue());
    ASSERT_TRUE(archive.ok());
    SplashDriver driver;
    CSplash splash(kPictureScreen, 0, SPLASH_MODE_PICTURE);
    ASSERT_NE(splash.picture, nullptr);
    int32_t result = 0;
    EXPECT_EQ(driver.RunToResult(splash, &result), 173);
    EXPECT_EQ(result, SPLASH_RESULT_OTHER);
    // Fade-in 235..15 then 0; nothing until update 160; fade-out 20..240
    // then 255 on draws 160 to 172.
    std::vector<int32_t> expected = Ramp(235, -20, 12);
    expected.push_back(0);
    expected.resize(159, -1);
    for (int32_t alpha : Ramp(20, 20, 12))
        expected.push_back(alpha);
    expected.push_back(255);
    driver.veil.resize(172);
    EXPECT_EQ(driver.veil, expected);
    EXPECT_EQ(splash.Update(), SPLASH_RESULT_OTHER); // and on every later call
}

TEST(SplashPicture, EscapeGivesOneAnyOtherKeyOrAClickTwo) {
    struct Row {
        int key; // 0: a left click
        int32_t result;
    } rows[] = {{KEY_ESCAPE, 1}, {KEY_SPACE, 2}, {'a', 2}, {KEY_RETURN, 2}, {0, 2}};
    MenuArchive archive(SplashCatalogue());
    ASSERT_TRUE(archive.ok());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.key);
        SplashDriver driver;
        CSplash splash(kPictureScreen, 0, SPLASH_MODE_PICTURE);
        for (int i = 0; i < 20; ++i)
            driver.Frame(splash);
        if (row.key == 0) {
            driver.platform.SetMouse(0, 0, 1);
            driver.Frame(splash);
            EXPECT_EQ(splash.fadeState, SPLASH_FADE_NONE); // the press alone does nothing
            driver.platform.SetMouse(0, 0, 0);
        }
        driver.platform.SetKey(row.key, true);
        int32_t result = 0;
        // The input frame and 12 more draws of fade-out, then the result.
        EXPECT_EQ(driver.RunToResult(splash, &result), 14);
        EXPECT_EQ(result, row.result);
    }
}

TEST(SplashPicture, AKeyDuringTheFadeInFadesOutFromTheCurrentVeil) {
    MenuArchive archive(SplashCatalogue());
    ASSERT_TRUE(archive.ok());
    SplashDriver driver;
    CSplash splash(kPictureScreen, 0, SPLASH_MODE_PICTURE);
    for (int i = 0; i < 4; ++i)
        driver.Frame(splash); // down to 175
    driver.platform.SetKey('x', true);
    driver.veil.clear();
    int32_t result = 0;
    driver.RunToResult(splash, &result);
    EXPECT_EQ(result, SPLASH_RESULT_OTHER);
    EXPECT_EQ(driver.veil, (std::vector<int32_t>{195, 215, 235, 255, 255, -1}));
}

TEST(SplashMovie, AMovieThatCannotStartEndsAtOnceLeavingPacingAndOtherSounds) {
    MenuArchive archive(SplashCatalogue());
    ASSERT_TRUE(archive.ok());
    FramePeriodGuard guard;
    gConfig.framesPerSecond = 0;
    auto expectEndsAtOnce = [](int32_t screen, int32_t item) {
        SCOPED_TRACE(item);
        gFramePeriodMs = 37;
        SplashDriver driver;
        {
            CSplash splash(screen, item, SPLASH_MODE_MOVIE);
            EXPECT_FALSE(splash.moviePlaying);
            EXPECT_EQ(splash.channel, -1);
            EXPECT_EQ(driver.Frame(splash), CONTROL_RESULT_KEEP);
            EXPECT_EQ(driver.Frame(splash), SPLASH_RESULT_ESCAPE);
            EXPECT_EQ(driver.veil[0], 255);
            EXPECT_EQ(driver.capture.Count(CAPTURED_SPRITE), 0u);
        }
        EXPECT_EQ(gFramePeriodMs, 37);
    };
    // With the mixer closed nothing plays.
    ASSERT_EQ(gMMplay.IsOpen(), 0);
    for (int32_t item : {int32_t{kMovie}, int32_t{kPictureNotMovie}, 9, -1})
        expectEndsAtOnce(kMovieScreen, item);
    expectEndsAtOnce(5, 0);

    OpenMixer mixer;
    if (!mixer.open)
        GTEST_SKIP() << "the mixer cannot open on this machine: " << SDL_GetError();
    int32_t entry = static_cast<int32_t>(GetResourceIndex(&gResourceCatalogue, 47, 0));
    int32_t music = gMMplay.Play(-1, 0, entry, SOUND_STREAMED, 1);
    ASSERT_GE(music, 0);
    for (MovieItem item : {kSoundOnly, kJunk, kPictureNotMovie}) {
        expectEndsAtOnce(kMovieScreen, item);
        EXPECT_NE(gMMplay.GetChannel(music)->sound, nullptr);
    }
}

TEST(SplashMovie, ARealMoviePacesTheLoopAndEndsByItself) {
    MenuArchive archive(SplashCatalogue());
    ASSERT_TRUE(archive.ok());
    OpenMixer mixer;
    if (!mixer.open)
        GTEST_SKIP() << "the mixer cannot open on this machine: " << SDL_GetError();
    FramePeriodGuard guard;
    gConfig.framesPerSecond = 50;
    gFramePeriodMs = 20;
    SplashDriver driver;
    std::vector<int32_t> periods;
    int32_t result = CONTROL_RESULT_KEEP;
    {
        CSplash splash(kMovieScreen, kMovie, SPLASH_MODE_MOVIE);
        ASSERT_TRUE(splash.moviePlaying);
        EXPECT_EQ(gFramePeriodMs, 40);
        EXPECT_EQ(splash.fadeState, SPLASH_FADE_NONE); // no fade-in for a movie
        while (result == CONTROL_RESULT_KEEP && periods.size() < 30) {
            result = driver.Frame(splash);
            periods.push_back(gFramePeriodMs);
            if (splash.result != 0)
                continue;
            const CapturedDraw* frame = driver.capture.FirstSpriteOf(splash.displayImage);
            ASSERT_TRUE(frame != nullptr && frame->hasTransform);
            EXPECT_FLOAT_EQ(frame->transform.scaleX, 2.005f);
            EXPECT_FLOAT_EQ(frame->transform.scaleY, 2.005f);
            // The flat colour, opaque, in ARGB order (the codec is lossy).
            uint32_t pixel = splash.displayImage->pixels[16 * 400 + 200];
            EXPECT_EQ(pixel >> 24, 0xFFu);
            EXPECT_NEAR(static_cast<int>((pixel >> 16) & 0xFF), 200, 12);
            EXPECT_NEAR(static_cast<int>((pixel >> 8) & 0xFF), 40, 12);
            EXPECT_NEAR(static_cast<int>(pixel & 0xFF), 100, 12);
            // The main loop sleeps the period; the third frame comes 15 ms late.
            driver.platform.Advance(static_cast<uint32_t>(gFramePeriodMs) +
                                    (periods.size() == 3 ? 15 : 0));
        }
    }
    EXPECT_EQ(result, SPLASH_RESULT_ESCAPE);
    // The first frame waits out the sound's 50 ms lead; then 40 ms a frame,
    // shortened by the lateness. Five pictures, the end, its fade-out.
    ASSERT_GE(periods.size(), 5u);
    EXPECT_LE(periods.size(), 8u);
    EXPECT_EQ(std::vector<int32_t>(periods.begin(), periods.begin() + 5),
              (std::vector<int32_t>{130, 40, 40, 25, 40}));
    EXPECT_EQ(gFramePeriodMs, 20); // 1000 / the configured 50
}

TEST(SplashMovie, FramesConvertByteWise) {
    // Three pixels in exactly nine bytes: nothing is read past them.
    std::vector<uint8_t> bgr = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    std::vector<uint32_t> argb(3);
    ConvertBgrFrame(bgr.data(), argb.data(), 3);
    EXPECT_EQ(argb, (std::vector<uint32_t>{0xFF030201u, 0xFF060504u, 0xFF090807u}));
}

} // namespace
