#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <set>

#include "engine/helpers.h"
#include "tests/support/draw_capture.h"
#include "tests/ui/ui_fixtures.h"
#include "ui/cursor.h"

namespace {

Image* CursorItem(int32_t item) {
    return GetResourceImage(&gResourceCatalogue, UI_GROUP_CURSOR, item);
}

int32_t Steps(uint32_t before, uint32_t after) {
    SetRandomState(before);
    for (int32_t n = 0; n < 100000; ++n) {
        if (GetRandomState() == after)
            return n;
        NextRandom();
    }
    return -1;
}

class CursorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(archive.ok());
        SetRandomState(kInitialRandomState);
        cursor = std::make_unique<CCursor>();
    }
    // Draws at (x, y) and returns the sprites drawn from `source`.
    std::vector<const CapturedDraw*> DrawAt(int32_t x, int32_t y, Image* source) {
        capture.Clear();
        cursor->Draw(x, y);
        return capture.SpritesOf(source);
    }
    UiArchive archive;
    DrawCapture capture;
    std::unique_ptr<CCursor> cursor;
};

TEST_F(CursorTest, TheFirstDrawShowsOnlyThePointer) {
    uint32_t before = GetRandomState();
    cursor->Draw(100, 100);
    ASSERT_EQ(capture.size(), 1u);
    const SpriteRecord& r = capture[0].record;
    EXPECT_EQ(r.source, CursorItem(1));
    EXPECT_EQ(r.x, 100 - 33);
    EXPECT_EQ(r.y, 100 - 28);
    EXPECT_EQ(r.flags, 0);
    // Only the two roots step.
    EXPECT_EQ(Steps(before, GetRandomState()), 24);
}

TEST_F(CursorTest, SparksEveryFourPixelsAndCopiesOverTheLastThreeSteps) {
    cursor->Draw(100, 100);
    cursor->Draw(103, 100);
    EXPECT_EQ(cursor->sparkRoot->GetChildCount(), 0);
    uint32_t before = GetRandomState();
    capture.Clear();
    cursor->Draw(143, 100); // 40 pixels: 10 steps of 4
    // 4 draws a spark, then the roots with 10 and 3 children step.
    EXPECT_EQ(Steps(before, GetRandomState()), 10 * 4 + 11 * 12 + 4 * 12);
    EXPECT_EQ(cursor->sparkRoot->GetChildCount(), 10);
    EXPECT_EQ(cursor->blurRoot->GetChildCount(), 3);
    std::vector<const CapturedDraw*> sparks = capture.SpritesOf(CursorItem(5));
    ASSERT_EQ(sparks.size(), 10u);
    for (size_t i = 0; i < sparks.size(); ++i) {
        int32_t px = 103 + static_cast<int32_t>(i) * 4;
        EXPECT_GE(sparks[i]->record.x, px + 34);
        EXPECT_LE(sparks[i]->record.x, px + 66);
        EXPECT_GE(sparks[i]->record.y, 100 + 34);
        EXPECT_LE(sparks[i]->record.y, 100 + 66);
        EXPECT_EQ(sparks[i]->transform.alpha, 1.0f);
        EXPECT_GE(sparks[i]->transform.scaleX, 0.2f);
        EXPECT_LE(sparks[i]->transform.scaleX, 0.8f);
    }
    // Copies show the pointer picture of this frame, at the path's end.
    Image* pointer = cursor->frames[static_cast<size_t>(cursor->frameIndex + 1)];
    std::vector<const CapturedDraw*> copies;
    for (const CapturedDraw* d : capture.SpritesOf(pointer))
        if (d->hasTransform) // the pointer itself is drawn plain
            copies.push_back(d);
    ASSERT_EQ(copies.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(copies[i]->record.x, 103 + (7 + static_cast<int32_t>(i)) * 4 + 33);
        EXPECT_EQ(copies[i]->record.y, 100 + 37);
        EXPECT_EQ(copies[i]->transform.alpha, 0.0625f);
    }
}

TEST_F(CursorTest, PointerCyclesThroughItsPicturesTwoFramesEach) {
    std::vector<Image*> shown;
    for (int i = 0; i < 10; ++i) {
        capture.Clear();
        cursor->Draw(200, 200);
        shown.push_back(capture[0].record.source);
    }
    std::vector<Image*> expected;
    for (int item : {1, 1, 2, 2, 3, 3, 4, 4, 1, 1})
        expected.push_back(CursorItem(item));
    EXPECT_EQ(shown, expected);
}

TEST_F(CursorTest, AtRestTheTrailFadesAndEmpties) {
    cursor->Draw(100, 100);
    cursor->Draw(140, 100);
    Image* spark = CursorItem(5);
    for (int32_t age = 1; age <= 20; ++age) {
        capture.Clear();
        cursor->Draw(140, 100);
        std::vector<const CapturedDraw*> sparks = capture.SpritesOf(spark);
        if (age < 20) {
            ASSERT_EQ(sparks.size(), 10u) << age;
            float expected = std::sqrt(static_cast<float>(20 - age) / 20.0f);
            EXPECT_EQ(sparks[0]->transform.alpha, expected) << age;
        }
        // Copies live through the draw that made them and three more.
        EXPECT_EQ(cursor->blurRoot->GetChildCount(), age < 3 ? 3 : 0) << age;
    }
    EXPECT_EQ(cursor->sparkRoot->GetChildCount(), 0);
}

TEST_F(CursorTest, CopiesFadeAsTheRootOfTheirRemainingLife) {
    cursor->Draw(100, 100);
    cursor->Draw(140, 100);
    for (int32_t age = 1; age < 4; ++age) {
        capture.Clear();
        cursor->Draw(140, 100);
        float expected = std::sqrt(static_cast<float>(4 - age) / 4.0f) * 0.0625f;
        int32_t copies = 0;
        for (const CapturedDraw& d : capture.draws()) {
            if (d.hasTransform && d.record.source != CursorItem(5)) {
                EXPECT_EQ(d.transform.alpha, expected);
                ++copies;
            }
        }
        EXPECT_EQ(copies, 3);
    }
}

// ---- bad cursor groups -----------------------------------------------------

struct BadCursor {
    int32_t count;
    uint32_t items;
    uint32_t headerBytes;
    int32_t animation; // expected animation length, 0: draws nothing
};

class CursorValidation : public ::testing::TestWithParam<BadCursor> {};

TEST_P(CursorValidation, NeverDrawsBeyondThePointerPictures) {
    BadCursor c = GetParam();
    UiArchiveOptions options;
    options.cursorCount = c.count;
    options.cursorItems = c.items;
    options.cursorHeaderBytes = c.headerBytes;
    UiArchive archive(options);
    ASSERT_TRUE(archive.ok());
    DrawCapture capture;
    CCursor cursor;
    std::set<const Image*> pointers;
    for (int i = 0; i < 30; ++i) {
        capture.Clear();
        cursor.Draw(300 + (i % 2) * 60, 300);
        if (c.animation == 0) {
            EXPECT_EQ(capture.size(), 0u);
            continue;
        }
        ASSERT_GE(capture.size(), 1u);
        pointers.insert(capture[0].record.source);
        EXPECT_NE(capture[0].record.source, nullptr);
        EXPECT_NE(capture[0].record.source, CursorItem(static_cast<int32_t>(c.items) - 1));
    }
    EXPECT_EQ(static_cast<int32_t>(pointers.size()), c.animation);
}

TEST(CursorPictures, ItemsThatAreNotPicturesAreNeverDrawn) {
    UiArchiveOptions options;
    options.rawPictures = true;
    UiArchive archive(options);
    ASSERT_TRUE(archive.ok());
    DrawCapture capture;
    CCursor cursor;
    for (int i = 0; i < 6; ++i)
        cursor.Draw(100 + 40 * i, 100);
    EXPECT_EQ(capture.size(), 0u);
    EXPECT_GT(cursor.sparkRoot->GetChildCount(), 0); // the trail still runs
}

INSTANTIATE_TEST_SUITE_P(Groups, CursorValidation,
                         ::testing::Values(BadCursor{99, 6, 4, 4}, BadCursor{-3, 6, 4, 2},
                                           BadCursor{INT_MIN, 6, 4, 4}, BadCursor{0, 6, 4, 1},
                                           BadCursor{5, 6, 2, 1}, BadCursor{5, 3, 4, 1},
                                           BadCursor{5, 2, 4, 0}, BadCursor{5, 1, 4, 0},
                                           BadCursor{5, 0, 4, 0}));

// Grows the file the first time it is measured: after the header's read,
// before any later look at its size.
void GrowHeader(const char* path) {
    SetExternalMeasureHook(nullptr);
    if (FILE* file = std::fopen(path, "ab")) {
        std::fputs("grown after the read", file);
        std::fclose(file);
    }
}

TEST(CursorPictures, AHeaderFileGrownAfterItsReadIsNotReadPastIt) {
    ScopedTempDir folder;
    CatalogueBuilder layout = MakeUiCatalogue();
    layout.SetItem(UI_GROUP_CURSOR, 0, ExternalEntry(0, "header.bin", {5, 0}));
    ASSERT_TRUE(layout.ToArchive().WriteToFile("ui.res"));
    ASSERT_EQ(OpenArchive(&gResourceArchive, "ui.res"), 1);
    BuildResourceCatalogue(&gResourceCatalogue, &gResourceArchive, &gResourceCache, nullptr,
                           CATALOGUE_ROOT_ENTRY);
    SetExternalMeasureHook(GrowHeader);
    EXPECT_EQ(CCursor().animationCount, 1); // two bytes are no number
    SetExternalMeasureHook(nullptr);
    UnloadCatalogue(&gResourceCatalogue);
    CacheTableFree(&gResourceCache);
    CloseArchive(&gResourceArchive);
}

} // namespace
