#include <gtest/gtest.h>

#include "tests/support/draw_capture.h"
#include "tests/ui/ui_fixtures.h"
#include "ui/button.h"
#include "ui/picture.h"
#include "ui/scrollbar.h"

namespace {

class ButtonTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(archive.ok()); }
    Image* Item(uint32_t group, int32_t item) {
        return GetResourceImage(&gResourceCatalogue, group, item);
    }
    UiArchive archive;
    MemoryFonts fonts;
};

// ---- CButton ---------------------------------------------------------------

TEST_F(ButtonTest, PictureFollowsOverrideThenSelectedThenEnabled) {
    Image* p[4] = {Item(UI_GROUP_SKIN, 0), Item(UI_GROUP_SKIN, 1), Item(UI_GROUP_SKIN, 2),
                   Item(UI_GROUP_PROFILE_SKIN, 0)};
    CButton button;
    button.SetPictures(5, 6, p[0], p[1], p[2], p[3]);
    EXPECT_EQ(button.width, 10);
    EXPECT_EQ(button.height, 30);
    DrawCapture capture;
    auto drawn = [&]() {
        capture.Clear();
        button.Draw();
        return capture.size() == 1 ? capture[0].record.source : nullptr;
    };
    EXPECT_EQ(drawn(), p[0]);
    EXPECT_EQ(capture[0].record.x, 5);
    EXPECT_EQ(capture[0].record.width, -1);
    button.SetSelected(1);
    button.SetEnabled(0);
    EXPECT_EQ(drawn(), p[1]); // selected wins over disabled
    button.selected = 0;
    EXPECT_EQ(drawn(), p[2]);
    button.SetOverride(1);
    EXPECT_EQ(drawn(), p[3]);
    button.SetVisible(0);
    capture.Clear();
    EXPECT_EQ(button.Draw(), 1);
    EXPECT_EQ(capture.size(), 0u);
    button.SetPictures(0, 0, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(button.width, 0);
}

// ---- CSButton --------------------------------------------------------------

TEST_F(ButtonTest, SkinTilesFillTheMiddleAndCutTheLastTile) {
    CSButton button;
    button.SetGeometry(100, 40, 10 + 10 + 50); // caps + 2.5 tiles
    EXPECT_EQ(button.height, 30);
    DrawCapture capture;
    EXPECT_EQ(button.Draw(), 2);
    ASSERT_EQ(capture.size(), 5u);
    EXPECT_EQ(capture[0].record.source, Item(UI_GROUP_SKIN, 0));
    EXPECT_EQ(capture[0].record.x, 100);
    EXPECT_EQ(capture[1].record.source, Item(UI_GROUP_SKIN, 1));
    EXPECT_EQ(capture[1].record.x, 160);
    const int32_t tileX[3] = {110, 130, 150};
    const int32_t tileW[3] = {20, 20, 10};
    for (int i = 0; i < 3; ++i) {
        const SpriteRecord& r = capture[2 + i].record;
        EXPECT_EQ(r.source, Item(UI_GROUP_SKIN, 2));
        EXPECT_EQ(r.x, tileX[i]);
        EXPECT_EQ(r.y, 40);
        EXPECT_EQ(r.width, tileW[i]);
        EXPECT_EQ(r.height, -1);
    }
}

TEST_F(ButtonTest, AButtonNoWiderThanItsCapsDrawsOnlyTheCaps) {
    DrawCapture capture;
    for (int32_t width : {20, 12, 0}) {
        capture.Clear();
        CSButton button;
        button.SetGeometry(0, 0, width);
        button.Draw();
        EXPECT_EQ(capture.size(), 2u) << width;
    }
}

TEST_F(ButtonTest, SkinsWithoutPiecesDrawWhatTheyHave) {
    ButtonSkin bare{nullptr, nullptr, Item(UI_GROUP_SKIN, 2)};
    CSButton button;
    button.SetSkins(0, 0, 45, &bare, nullptr, nullptr, nullptr);
    EXPECT_EQ(button.height, 0); // no left cap: the height stays
    DrawCapture capture;
    button.Draw();
    EXPECT_EQ(capture.size(), 3u); // 20 + 20 + 5
    ButtonSkin empty{nullptr, nullptr, nullptr};
    button.SetSkins(0, 0, 45, &empty, &empty, &empty, &empty);
    capture.Clear();
    button.Draw();
    EXPECT_EQ(capture.size(), 0u);
}

TEST_F(ButtonTest, LabelIsCentredAndLooksPressedWhileTheButtonIsHeld) {
    CSButton button;
    button.SetGeometry(100, 40, 200);
    button.SetLabel(u"ab");
    EXPECT_EQ(std::u16string(button.GetLabelText()), u"ab");
    CText* label = button.label;
    EXPECT_EQ(label->GetTextHeight(), 22); // TF-B
    EXPECT_EQ(label->scrollX, 100);
    EXPECT_EQ(label->scrollY, 40 + (30 - 22) / 2);
    EXPECT_EQ(label->GetGlyph(0)->layoutX, (200 - 24) / 2);
    EXPECT_EQ(label->clipW, 200);

    KeyArray none;
    button.HandleInput(150, 50, 0, none.keys, kSdlKeyCount);
    button.HandleInput(150, 50, 1, none.keys, kSdlKeyCount);
    EXPECT_EQ(label->defaultFont, 2);
    button.HandleInput(500, 500, 1, none.keys, kSdlKeyCount);
    EXPECT_EQ(label->defaultFont, 2);
    button.HandleInput(500, 500, 0, none.keys, kSdlKeyCount);
    EXPECT_EQ(label->defaultFont, 1);
    // A press outside the button does not press the label.
    button.HandleInput(500, 500, 1, none.keys, kSdlKeyCount);
    EXPECT_EQ(label->defaultFont, 1);
    button.SetVisible(0);
    EXPECT_EQ(button.Draw(), 1);
}

// ---- CScrollbar ------------------------------------------------------------

class ScrollbarTest : public ButtonTest {
protected:
    // A selected vertical bar at (100, 50), 300 long, past its input block.
    std::unique_ptr<CScrollbar> Vertical(int32_t length = 300) {
        auto bar = std::make_unique<CScrollbar>(100, 50, length, SCROLLBAR_VERTICAL);
        KeyArray none;
        bar->HandleInput(0, 0, 0, none.keys, kSdlKeyCount);
        bar->SetSelected(1);
        return bar;
    }
    void Keys(CScrollbar& bar, const KeyArray& keys, int32_t mx = 0, int32_t my = 0,
              int32_t buttons = 0) {
        bar.HandleInput(mx, my, buttons, keys.keys, kSdlKeyCount);
    }
};

TEST_F(ScrollbarTest, GeometryComesFromThePictures) {
    auto bar = Vertical();
    EXPECT_EQ(bar->width, 16);
    EXPECT_EQ(bar->height, 300);
    EXPECT_EQ(bar->trackStart, 50);
    EXPECT_EQ(bar->trackEnd, 50 + 300 - 24);
    CScrollbar across(10, 20, 100, SCROLLBAR_HORIZONTAL);
    EXPECT_EQ(across.height, 16);
    EXPECT_EQ(across.trackEnd, 10 + 100 - 24);
    EXPECT_EQ(across.thumbIndex, 3);
}

TEST_F(ScrollbarTest, HeldDownMovesAtOnceThenEveryFrameFromTheFourteenth) {
    auto bar = Vertical();
    bar->SetSteps(0.1f, 0.02f, 15);
    KeyArray none, down;
    down.Down(KEY_DOWN);
    Keys(*bar, down);
    float expected = 0.1f;
    EXPECT_EQ(bar->GetPosition(), expected);
    for (int32_t f = 1; f <= 20; ++f) {
        Keys(*bar, down);
        if (f >= 14)
            expected = expected + 0.02f;
        EXPECT_EQ(bar->GetPosition(), expected) << f;
    }
    EXPECT_EQ(bar->IsKeyScrolling(), 1);
    Keys(*bar, none);
    EXPECT_EQ(bar->IsKeyScrolling(), 0);
    Keys(*bar, none);
    EXPECT_EQ(bar->GetPosition(), expected);
    KeyArray up;
    up.Down(KEY_UP);
    Keys(*bar, up);
    EXPECT_EQ(bar->GetPosition(), expected - 0.1f);
}

TEST_F(ScrollbarTest, SpaceActsLikeDownAndHorizontalBarsUseLeftAndRight) {
    auto bar = Vertical();
    bar->SetSteps(0.25f, 0.0f, 1);
    KeyArray space, none;
    space.Down(KEY_SPACE);
    Keys(*bar, space);
    EXPECT_EQ(bar->GetPosition(), 0.25f);
    Keys(*bar, none);

    CScrollbar across(10, 20, 100, SCROLLBAR_HORIZONTAL);
    Keys(across, none);
    across.SetSelected(1);
    across.SetSteps(0.25f, 0.125f, 1);
    KeyArray right, down;
    right.Down(KEY_RIGHT);
    down.Down(KEY_DOWN);
    Keys(across, down);
    EXPECT_EQ(across.GetPosition(), 0.0f);
    Keys(across, none);
    Keys(across, right); // a delay of 1 steps in the press frame too
    EXPECT_EQ(across.GetPosition(), 0.375f);
}

TEST_F(ScrollbarTest, DraggingFollowsTheMouseAndStopsAtTheEnds) {
    auto bar = Vertical();
    KeyArray none;
    Keys(*bar, none, 108, 200, 1); // press over the bar
    EXPECT_EQ(bar->dragging, 1);
    EXPECT_EQ(bar->GetPosition(), static_cast<float>(200 - 50 - 12) / 276.0f);
    Keys(*bar, none, 900, 2000, 1);
    EXPECT_EQ(bar->GetPosition(), 1.0f);
    Keys(*bar, none, 900, -500, 1);
    EXPECT_EQ(bar->GetPosition(), 0.0f);
    Keys(*bar, none, 900, 2000, 0); // released anywhere
    EXPECT_EQ(bar->dragging, 0);
    Keys(*bar, none, 900, 200, 0);
    EXPECT_EQ(bar->GetPosition(), 0.0f);
}

TEST_F(ScrollbarTest, AnUnselectedBarIgnoresKeysButDrags) {
    auto bar = Vertical();
    bar->SetSelected(0);
    bar->SetSteps(0.5f, 0.5f, 1);
    KeyArray down;
    down.Down(KEY_DOWN);
    Keys(*bar, down);
    EXPECT_EQ(bar->GetPosition(), 0.0f);
    Keys(*bar, down, 108, 326, 1);
    EXPECT_GT(bar->GetPosition(), 0.9f);
}

TEST_F(ScrollbarTest, LosingTheFocusWhileAKeyIsHeldStopsTheScrolling) {
    auto bar = Vertical();
    bar->SetSteps(0.0f, 0.01f, 2);
    KeyArray down;
    down.Down(KEY_DOWN);
    Keys(*bar, down);
    EXPECT_EQ(bar->IsKeyScrolling(), 1);
    bar->SetSelected(0);
    Keys(*bar, down);
    EXPECT_EQ(bar->IsKeyScrolling(), 0);
    float position = bar->GetPosition();
    bar->SetSelected(1);
    Keys(*bar, down);
    EXPECT_EQ(bar->GetPosition(), position);
}

TEST_F(ScrollbarTest, PositionsSnapToTheNearestStepTiesDown) {
    auto bar = Vertical();
    bar->SetPositionCount(4);
    KeyArray none;
    const std::pair<float, float> cases[] = {
        {0.3125f, 0.25f}, {0.375f, 0.25f}, {0.40625f, 0.5f}, {0.0f, 0.0f}, {1.0f, 1.0f}};
    for (const auto& [given, snapped] : cases) {
        bar->SetPosition(given);
        Keys(*bar, none);
        EXPECT_EQ(bar->GetPosition(), snapped) << given;
    }
    bar->SetPosition(0.75f);
    EXPECT_EQ(bar->GetPositionIndex(), 3);
    bar->SetPositionIndex(5); // beyond the count: nothing
    EXPECT_EQ(bar->GetPosition(), 0.75f);
    bar->SetPositionIndex(4);
    EXPECT_EQ(bar->GetPosition(), 1.0f);
    bar->SetPosition(1.0e30f);
    EXPECT_GT(bar->GetPositionIndex(), 4);
    bar->SetPositionCount(0);
    EXPECT_EQ(bar->GetPositionIndex(), 0);
}

TEST_F(ScrollbarTest, AZeroLengthTrackGivesPositionZero) {
    auto bar = Vertical(24); // as long as its thumb
    EXPECT_EQ(bar->trackEnd, bar->trackStart);
    KeyArray none;
    Keys(*bar, none, 108, 60, 1);
    Keys(*bar, none, 108, 70, 1);
    EXPECT_EQ(bar->GetPosition(), 0.0f);
    bar->SetPositionCount(3);
    Keys(*bar, none, 108, 70, 1);
    EXPECT_EQ(bar->GetPositionIndex(), 0);
}

TEST_F(ScrollbarTest, DrawsTrackEndsTilesAndACentredThumb) {
    DrawCapture capture;
    CScrollbar across(10, 20, 100, SCROLLBAR_HORIZONTAL);
    EXPECT_EQ(across.Draw(), 1);
    ASSERT_EQ(capture.size(), 2u + 4u + 1u);
    EXPECT_EQ(capture[0].record.x, 10);
    EXPECT_EQ(capture[1].record.x, 98);
    EXPECT_EQ(capture[5].record.x, 82);
    EXPECT_EQ(capture[5].record.width, 16);
    const SpriteRecord& thumb = capture[6].record;
    EXPECT_EQ(thumb.source, Item(UI_GROUP_HSCROLL, 3));
    EXPECT_EQ(thumb.x, 10); // centre (22, 11)
    EXPECT_EQ(thumb.y, 3);

    capture.Clear();
    auto bar = Vertical();
    bar->SetPosition(1.0f);
    bar->SetVisible(0); // drawn all the same
    bar->Draw();
    ASSERT_EQ(capture.size(), 2u);
    EXPECT_EQ(capture[0].record.y, 70);
    EXPECT_EQ(capture[0].record.width, 16);
    EXPECT_EQ(capture[0].record.height, 260);
    int32_t cx = 0, cy = 0;
    bar->GetThumbCenter(&cx, &cy);
    EXPECT_EQ(cx, 100 + 8 + 30);
    EXPECT_EQ(cy, 326 + 12);
    EXPECT_EQ(capture[1].record.x, cx - 8);
    EXPECT_EQ(capture[1].record.y, 326);
}

TEST_F(ScrollbarTest, SharedPicturesStayUntilTheLastBarOfTheirKindGoes) {
    auto first = std::make_unique<CScrollbar>(0, 0, 100, SCROLLBAR_VERTICAL);
    auto second = std::make_unique<CScrollbar>(50, 0, 100, SCROLLBAR_VERTICAL);
    CScrollbar across(0, 0, 100, SCROLLBAR_HORIZONTAL);
    EXPECT_EQ(CScrollbar::LiveCount(SCROLLBAR_VERTICAL), 2);
    first.reset();
    EXPECT_EQ(CScrollbar::LiveCount(SCROLLBAR_VERTICAL), 1);
    EXPECT_NE(CacheTableGet(&gResourceCache, UI_GROUP_VSCROLL, 1), 0u);
    DrawCapture capture;
    second->Draw();
    ASSERT_EQ(capture.size(), 2u);
    EXPECT_EQ(capture[1].record.source, second->images[1]);
    EXPECT_EQ(second->images[1]->width, 16);
    second.reset();
    EXPECT_EQ(CacheTableGet(&gResourceCache, UI_GROUP_VSCROLL, 1), 0u);
    EXPECT_NE(CacheTableGet(&gResourceCache, UI_GROUP_HSCROLL, 3), 0u);
}

TEST(ScrollbarShortGroup, AGroupWithoutAThumbIsNotReadPastItsEnd) {
    UiArchiveOptions options;
    options.verticalScrollItems = 1;
    UiArchive archive(options);
    ASSERT_TRUE(archive.ok());
    CScrollbar bar(0, 0, 100, SCROLLBAR_VERTICAL);
    EXPECT_EQ(bar.imageCount, 0);
    DrawCapture capture;
    bar.Draw();
    EXPECT_EQ(capture.size(), 0u);
    KeyArray none;
    bar.HandleInput(5, 5, 1, none.keys, kSdlKeyCount);
    int32_t cx = 0, cy = 0;
    bar.GetThumbCenter(&cx, &cy);
    EXPECT_EQ(cx, 30);
}

TEST(PictureGroups, ItemsThatAreNotPicturesAreNeverDrawnAsPictures) {
    UiArchiveOptions options;
    options.rawPictures = true;
    UiArchive archive(options);
    ASSERT_TRUE(archive.ok());
    MemoryFonts fonts;
    EXPECT_EQ(GetPictureItem(UI_GROUP_SKIN, 0), nullptr);
    EXPECT_EQ(GetPictureItem(UI_GROUP_SKIN, -1), nullptr);
    CScrollbar down(0, 0, 100, SCROLLBAR_VERTICAL);
    CScrollbar across(0, 200, 100, SCROLLBAR_HORIZONTAL);
    CSButton button;
    button.SetGeometry(10, 10, 100);
    EXPECT_EQ(down.width, 0);
    EXPECT_EQ(across.height, 0);
    EXPECT_EQ(button.skins[BUTTON_SKIN_NORMAL].leftCap, nullptr);
    DrawCapture capture;
    down.Draw();
    across.Draw();
    button.Draw();
    EXPECT_EQ(capture.size(), 0u);
}

} // namespace
