// The movie and picture screens: a picture's end without input, and movies
// that cannot start or decode. (The whole game plays real movies and
// ends them and the picture by keys.)
#include <gtest/gtest.h>

#include <SDL.h>
#include <vector>

#include "engine/app.h"
#include "menus/screen_factory.h"
#include "menus/splash.h"
#include "tests/menus/menu_fixture.h"
#include "tests/support/draw_capture.h"
#include "tools/sample/ogg_media_writer.h"

namespace {

constexpr int32_t kPictureScreen = 32; // group 10
constexpr int32_t kMovieScreen = 33;   // group 11
enum MovieItem : int32_t { kMovie, kSoundOnly, kPictureNotMovie, kJunk };

std::vector<uint8_t> Tone(size_t frames) {
    return WriteOggVorbis(MakeTone(2, 44100, frames, 330.0, 3000.0));
}

// Group 11: a real movie of five frames, a sound without video, a picture
// and junk. Group 47 holds a sound that plays beside the screens.
CatalogueBuilder SplashCatalogue() {
    VideoStreamOptions video;
    video.width = 64;
    video.height = 32;
    video.frames = 5;
    video.source = SolidColourFrames({0xC82864}, video.width, video.height);
    PcmBuffer sound = MakeTone(2, 44100, 44100, 440.0, 3000.0);
    CatalogueBuilder c = MakeMenuCatalogue();
    PutItem(&c, SPLASH_PICTURE_GROUP, 0, PlainEntry(RES_TYPE_PNG, SolidPng(64, 48, 0xFF336699u)));
    const ArchiveEntrySpec movies[] = {
        PlainEntry(RES_TYPE_SOUND_STREAMED, WriteOgmMovie(video, &sound)),
        PlainEntry(RES_TYPE_SOUND_STREAMED, Tone(4410)),
        PlainEntry(RES_TYPE_PNG, SolidPng(8, 8, 0xFF000000u)),
        PlainEntry(RES_TYPE_SOUND_STREAMED, std::vector<uint8_t>(500, 0x5A))};
    for (uint32_t item = kMovie; item <= kJunk; ++item)
        PutItem(&c, SPLASH_MOVIE_GROUP, item, movies[item]);
    PutItem(&c, 47, 0, PlainEntry(RES_TYPE_SOUND_STREAMED, Tone(44100)));
    return c;
}

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

class Splash : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(archive_.ok()); }
    void TearDown() override { gFramePeriodMs = period_; }
    // Update, then draw, as the game runs a frame.
    int32_t Frame(CSplash& splash) {
        capture_.Clear();
        const int32_t r = splash.Update();
        splash.Draw();
        return r;
    }
    // Frames until a result, at most 400: how many.
    int32_t RunToResult(CSplash& splash, int32_t* result) {
        int32_t frames = 0;
        for (*result = CONTROL_RESULT_KEEP; *result == CONTROL_RESULT_KEEP && frames < 400;
             ++frames)
            *result = Frame(splash);
        return frames;
    }

    MenuArchive archive_{SplashCatalogue()};
    MenuDriver driver_;
    DrawCapture capture_;
    int32_t period_ = gFramePeriodMs;
};

TEST_F(Splash, APictureWithoutInputEndsOnItsHundredSeventyThirdUpdate) {
    CSplash splash(kPictureScreen, 0, SPLASH_MODE_PICTURE);
    ASSERT_NE(splash.picture, nullptr);
    int32_t result = 0;
    EXPECT_EQ(RunToResult(splash, &result), 173);
    EXPECT_EQ(result, SPLASH_RESULT_OTHER);
    EXPECT_EQ(splash.Update(), SPLASH_RESULT_OTHER); // and on every later call
}

// The ending rule is the same for a movie and a picture.
TEST_F(Splash, AKeyPressOrAClickEndsTheScreenNotAReleaseAndAnyEscapeEdgeIsAnEscape) {
    const struct {
        std::vector<int32_t> held, released, pressed; // down before: still, no more; down now
        int32_t result;
    } rows[] = {
        {{}, {}, {KEY_ESCAPE}, SPLASH_RESULT_ESCAPE},
        {{}, {}, {'a'}, SPLASH_RESULT_OTHER},
        {{}, {KEY_ESCAPE}, {}, 0},                       // a release alone
        {{}, {KEY_ESCAPE}, {'a'}, SPLASH_RESULT_ESCAPE}, // let go as another goes down
        {{KEY_ESCAPE}, {}, {'a'}, SPLASH_RESULT_OTHER},  // held throughout: no edge
    };
    for (const auto& row : rows) {
        CSplash splash(kPictureScreen, 0, SPLASH_MODE_PICTURE);
        driver_.Use(&splash);
        driver_.Frame(); // the quiet frame that lets input count
        for (const auto* keys : {&row.held, &row.released})
            for (int32_t key : *keys)
                splash.prevKeys[key] = 1;
        for (const auto* keys : {&row.held, &row.pressed})
            for (int32_t key : *keys)
                driver_.platform.SetKey(key, true);
        driver_.Frame();
        EXPECT_EQ(splash.result, row.result) << &row - rows;
        EXPECT_EQ(splash.fadeState == SPLASH_FADE_OUT, row.result != 0) << &row - rows;
        for (int32_t key : {KEY_ESCAPE, int32_t{'a'}})
            driver_.platform.SetKey(key, false);
    }
    // A button ends it on its release, not its press.
    CSplash splash(kPictureScreen, 0, SPLASH_MODE_PICTURE);
    driver_.Use(&splash);
    driver_.Frame();
    driver_.SetButtons(1);
    driver_.Frame();
    EXPECT_EQ(splash.result, 0);
    driver_.SetButtons(0);
    driver_.Frame();
    EXPECT_EQ(splash.result, SPLASH_RESULT_OTHER);
}

TEST_F(Splash, AMovieThatCannotStartEndsAtOnceLeavingPacingAndOtherSounds) {
    gConfig.framesPerSecond = 0;
    auto expectEndsAtOnce = [this](int32_t screen, int32_t item) {
        SCOPED_TRACE(item);
        gFramePeriodMs = 37;
        {
            CSplash splash(screen, item, SPLASH_MODE_MOVIE);
            EXPECT_FALSE(splash.moviePlaying);
            EXPECT_EQ(Frame(splash), CONTROL_RESULT_KEEP);
            EXPECT_EQ(Frame(splash), SPLASH_RESULT_ESCAPE);
            EXPECT_EQ(capture_.Count(CAPTURED_SPRITE), 0u);
        }
        EXPECT_EQ(gFramePeriodMs, 37);
    };
    ASSERT_EQ(gMMplay.IsOpen(), 0); // with the mixer closed nothing plays
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

TEST(SplashFrames, ConvertByteWise) {
    // Three pixels in exactly nine bytes: nothing is read past them.
    std::vector<uint8_t> bgr = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    std::vector<uint32_t> argb(3);
    ConvertBgrFrame(bgr.data(), argb.data(), 3);
    EXPECT_EQ(argb, (std::vector<uint32_t>{0xFF030201u, 0xFF060504u, 0xFF090807u}));
}

} // namespace
