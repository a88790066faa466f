// The editor task's decisions frame by frame: brush slots, the palette,
// painting, the play-task messages, the map prompt, free move, the cursor
// cell, the status line, and what it leaves behind.
#include <gtest/gtest.h>

#include <SDL.h>

#include "editor/editor_state.h"
#include "tests/editor/editor_fixture.h"
#include "world/game_world.h"
#include "world/play_task.h"

namespace {

using EditorTask = EditorTaskTest;

TEST_F(EditorTask, QAndEWrapTheBrushSlotAndFCyclesTheViewFlags) {
    EditorState* s = editor();
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->config.slot[s->layer], 0);
    Tap(SDLK_q);
    EXPECT_EQ(s->config.slot[s->layer], 9);
    Tap(SDLK_e);
    EXPECT_EQ(s->config.slot[s->layer], 0);
    Tap(SDLK_q);
    Tap(SDLK_q);
    EXPECT_EQ(s->config.slot[s->layer], 8);

    const uint8_t start = s->config.viewFlags;
    std::vector<uint8_t> seen;
    for (int i = 0; i < 4; ++i) {
        Tap(SDLK_f);
        seen.push_back(s->config.viewFlags);
    }
    EXPECT_EQ(seen, (std::vector<uint8_t>{1, 2, 3, 0}));
    EXPECT_EQ(s->config.viewFlags, start);
}

TEST_F(EditorTask, RightButtonOverPaletteCell37SetsTheSlotOfTheLayerUntilReleased) {
    EditorState* s = editor();
    Tap(SDLK_F3); // layer 2
    ASSERT_EQ(s->layer, 2);
    Tap(SDLK_4);  // slot 3
    ASSERT_EQ(s->config.slot[2], 3);
    // Cell 37 is column 5, row 2 of the palette.
    const int x = 2 + 33 * 5 + 10;
    const int y = 2 + 33 * 2 + 10;
    Buttons(x, y, kEditorRightButton);
    Frame();
    EXPECT_EQ(s->subState, EDITOR_SUB_PALETTE);
    Frame();
    EXPECT_EQ(PaletteCode(&s->config, 2, 3), 37);
    EXPECT_EQ(s->paletteCode, 37);
    // A digit held over the palette fills that slot too.
    Hold(SDLK_7, true);
    Frame();
    Hold(SDLK_7, false);
    EXPECT_EQ(PaletteCode(&s->config, 2, 6), 37);
    EXPECT_EQ(PaletteCode(&s->config, 1, 3), 0) << "other layers keep their brushes";
    Buttons(x, y, 0);
    Frame();
    EXPECT_EQ(s->subState, EDITOR_SUB_EDIT);
    // The bottom-right corner of the hit area is the last code.
    Buttons(529, 529, kEditorRightButton);
    Frame(2);
    EXPECT_EQ(PaletteCode(&s->config, 2, 3), 255);
}

// Painting one layer-3 cell for three frames with each brush.
struct PaintCase {
    const char* name;
    uint16_t brush;
    size_t reloads;
};

class PaintObjectCodes : public EditorTaskTest, public testing::WithParamInterface<PaintCase> {};

TEST_P(PaintObjectCodes, ObjectCodesRebuildTheObjectsEveryHeldFrame) {
    EditorState* s = editor();
    Tap(SDLK_F4);
    PaletteCode(&s->config, 3, 0) = GetParam().brush;
    PointAt(5 * 32 + 3, 4 * 32 + 3);
    Buttons(5 * 32 + 3, 4 * 32 + 3, kEditorLeftButton);
    Frame(3);
    Buttons(5 * 32 + 3, 4 * 32 + 3, 0);
    Frame();
    EXPECT_EQ(TileCodeAt(&world()->map, 3, 5, 4), GetParam().brush);
    EXPECT_EQ(play_.Count(PLAY_MSG_RELOAD_OBJECTS), GetParam().reloads);
}

INSTANTIATE_TEST_SUITE_P(Brushes, PaintObjectCodes,
                         testing::Values(PaintCase{"object_code", 5, 3},
                                         PaintCase{"highest_object_code", 127, 3},
                                         PaintCase{"collision_code", 200, 0},
                                         PaintCase{"first_collision_code", 128, 0}),
                         [](const testing::TestParamInfo<PaintCase>& info) {
                             return info.param.name;
                         });

TEST_F(EditorTask, PaintingOutsideTheMapWritesNothing) {
    EditorState* s = editor();
    Tap(SDLK_F4);
    PaletteCode(&s->config, 3, 0) = 5;
    const std::vector<std::string> before = RowsOf(world()->map, 3);
    // Layer 3 is 12 x 8 cells: (14, 3) and (2, 9) lie past its edges.
    for (auto [x, y] : {std::pair{14 * 32 + 5, 3 * 32}, std::pair{2 * 32, 9 * 32 + 5}}) {
        PointAt(x, y);
        Buttons(x, y, kEditorLeftButton);
        Frame(2);
        Buttons(x, y, 0);
        Frame();
        EXPECT_EQ(s->codeUnderCursor, kEditorNoCode);
    }
    EXPECT_EQ(RowsOf(world()->map, 3), before);
    EXPECT_EQ(play_.Count(PLAY_MSG_RELOAD_OBJECTS), 0u);
}

TEST_F(EditorTask, ControlRRunsTheDumpStatesThroughThePlayTask) {
    Hold(SDLK_LCTRL, true);
    for (int i = 0; i < 5; ++i)
        Tap(SDLK_r);
    Hold(SDLK_LCTRL, false);
    EXPECT_EQ(play_.ArgsOf(PLAY_MSG_SET_DUMP_FLAGS), (std::vector<uintptr_t>{2, 6, 14, 18, 0}));
    EXPECT_EQ(editor()->moveMode, EDITOR_MOVE_NORMAL) << "r with Ctrl is not the move mode";
}

TEST_F(EditorTask, TheMapPromptCountsInTensAndOnesAndSendsTheLevel) {
    EditorState* s = editor();
    Tap(SDLK_c);
    ASSERT_EQ(s->subState, EDITOR_SUB_SELECT_MAP);
    EXPECT_EQ(s->mapNumber, 3);
    for (int key : {SDLK_d, SDLK_d, SDLK_a, SDLK_w})
        Tap(key);
    EXPECT_EQ(std::u16string(s->lineText[kEditorPromptLine]),
              u"<Font+00> <PosX-00>Select map: 14");
    Tap(SDLK_RETURN);
    EXPECT_EQ(play_.ArgsOf(PLAY_MSG_GOTO_LEVEL), (std::vector<uintptr_t>{14}));
    EXPECT_EQ(s->subState, EDITOR_SUB_EDIT);
    EXPECT_EQ(s->lineText[kEditorPromptLine][0], 0);
}

TEST_F(EditorTask, TheMapPromptStaysWithinItsLevelsAndCCancels) {
    EditorState* s = editor();
    world()->currentLevel = 1;
    Tap(SDLK_c);
    Tap(SDLK_s);
    Tap(SDLK_a);
    EXPECT_EQ(s->mapNumber, 1);
    s->mapNumber = 32760;
    Tap(SDLK_d);
    EXPECT_EQ(s->mapNumber, 32767) << "never wraps to a negative level";
    Tap(SDLK_w);
    EXPECT_EQ(s->mapNumber, 32767);
    Tap(SDLK_c);
    EXPECT_EQ(s->subState, EDITOR_SUB_EDIT);
    EXPECT_EQ(s->lineText[kEditorPromptLine][0], 0);
    EXPECT_EQ(play_.Count(PLAY_MSG_GOTO_LEVEL), 0u);
}

TEST_F(EditorTask, FreeMoveMovesFourFiveSixFromRestAndStaysOnTheMap) {
    play_.player = {10, 10};
    Tap(SDLK_r);
    ASSERT_EQ(editor()->moveMode, EDITOR_MOVE_FREE);
    EXPECT_NE(world()->runFlags & WORLD_NO_PAIRS, 0);
    play_.messages.clear();
    Hold(SDLK_a, true);
    Frame(3);
    Hold(SDLK_a, false);
    std::vector<int32_t> xs;
    for (const PlayMessage& m : play_.messages)
        if (m.message == PLAY_MSG_SET_PLAYER_POS)
            xs.push_back(m.position[0]);
    EXPECT_EQ(xs, (std::vector<int32_t>{6, 1, 0}));

    // Layer 3 is 12 x 8 cells: x stops at 11 x 32, y at 7 x 32.
    play_.messages.clear();
    Hold(SDLK_d, true);
    Hold(SDLK_s, true);
    Frame(60);
    EXPECT_EQ(play_.messages.back().position, (std::array<int32_t, 2>{352, 224}));
}

TEST_F(EditorTask, TheMoveModesSetAndClearTheWorldFlags) {
    world()->runFlags = WORLD_NO_TICK;
    Tap(SDLK_r);
    EXPECT_EQ(world()->runFlags, WORLD_NO_TICK | WORLD_NO_PAIRS);
    Tap(SDLK_r);
    EXPECT_EQ(editor()->moveMode, EDITOR_MOVE_INVULNERABLE);
    EXPECT_EQ(world()->runFlags, WORLD_NO_TICK);
    EXPECT_EQ(world()->player.invulnerable, 1);
    Tap(SDLK_r);
    EXPECT_EQ(editor()->moveMode, EDITOR_MOVE_NORMAL);
    EXPECT_EQ(world()->runFlags, 0);
    EXPECT_EQ(world()->player.invulnerable, 0);
}

// Where the cell under the mouse is, by layer, with the camera at
// (201, 67) pixels: layer 0 scrolls at half speed, the others by even
// pixels.
struct CursorCase {
    int layerKey;
    int mouseX, mouseY;
    int32_t cellX, cellY, cursorX, cursorY;
};

class CursorCell : public EditorTaskTest, public testing::WithParamInterface<CursorCase> {};

TEST_P(CursorCell, TheFrameMarksTheCellOfTheLayer) {
    const CursorCase& c = GetParam();
    world()->camera.positionX = 201 * 65536;
    world()->camera.positionY = 67 * 65536;
    Tap(c.layerKey);
    PointAt(c.mouseX, c.mouseY);
    Frame();
    EditorState* s = editor();
    EXPECT_EQ(s->cellX, c.cellX);
    EXPECT_EQ(s->cellY, c.cellY);
    EXPECT_EQ(s->cursorX, c.cursorX);
    EXPECT_EQ(s->cursorY, c.cursorY);
    // The cell's frame covers the mouse.
    EXPECT_LE(s->cursorX, c.mouseX);
    EXPECT_GT(s->cursorX + 32, c.mouseX);
    EXPECT_LE(s->cursorY, c.mouseY);
    EXPECT_GT(s->cursorY + 32, c.mouseY);
}

INSTANTIATE_TEST_SUITE_P(Layers, CursorCell,
                         testing::Values(
                             // camera 100, 33 halved: (40 + 100) / 32 = 4; 4 x 32 - 100
                             CursorCase{SDLK_F1, 40, 10, 4, 1, 28, -1},
                             // camera 200, 66: (40 + 200) / 32 = 7; 7 x 32 - 200
                             CursorCase{SDLK_F2, 40, 10, 7, 2, 24, -2},
                             CursorCase{SDLK_F4, 300, 300, 15, 11, 280, 286}));

TEST_F(EditorTask, TheStatusLineTellsLevelBrushLayerCellCodeDumpAndMoveMode) {
    EditorState* s = editor();
    Tap(SDLK_F4);
    PaletteCode(&s->config, 3, 2) = 37;
    Tap(SDLK_3);
    PointAt(10 * 32 + 4, 1 * 32 + 4); // the '%' cell
    Frame();
    EXPECT_EQ(std::u16string(s->lineText[kEditorStatusLine]),
              u"<Font+00> <PosX-00>M3 T37 PHY (10,1)=37 DUMP(NOT) N");
    Hold(SDLK_LCTRL, true);
    Tap(SDLK_r);
    Hold(SDLK_LCTRL, false);
    Tap(SDLK_r);
    Tap(SDLK_F1);
    PointAt(700, 500); // past layer 0's 6 x 4 cells
    Frame();
    EXPECT_EQ(std::u16string(s->lineText[kEditorStatusLine]),
              u"<Font+00> <PosX-00>M3 T0 HBK (21,15)=255 DUMP(REC) F");
}

TEST_F(EditorTask, ControlIAndUInsertAndDeleteColumnsInEveryLayer) {
    const TileRunMap& map = world()->map;
    std::vector<std::vector<std::string>> before;
    for (int32_t layer = 0; layer < 4; ++layer)
        before.push_back(RowsOf(map, layer));
    PointAt(4 * 32 + 2, 2 * 32 + 2);
    Hold(SDLK_LCTRL, true);
    Tap(SDLK_i);
    EXPECT_EQ(map.layers[0].width, 7);
    EXPECT_EQ(map.layers[1].width, 14);
    EXPECT_EQ(map.layers[3].width, 14);
    EXPECT_EQ(RowsOf(map, 3)[1], "............%.");
    EXPECT_EQ(play_.Count(PLAY_MSG_RELOAD_OBJECTS), 1u);
    // The camera reaches the new right edge of layer 2.
    const int32_t widerMaximum = world()->camera.maximumX;
    Tap(SDLK_u);
    for (int32_t layer = 0; layer < 4; ++layer)
        EXPECT_EQ(RowsOf(map, layer), before[layer]) << "layer " << layer;
    EXPECT_LT(world()->camera.maximumX, widerMaximum);
    Tap(SDLK_h);
    EXPECT_EQ(map.layers[0].rows, 5);
    EXPECT_EQ(map.layers[3].rows, 10);
    Tap(SDLK_y);
    Hold(SDLK_LCTRL, false);
    for (int32_t layer = 0; layer < 4; ++layer)
        EXPECT_EQ(RowsOf(map, layer), before[layer]) << "layer " << layer;
    EXPECT_EQ(play_.Count(PLAY_MSG_RELOAD_OBJECTS), 4u);
}

TEST_F(EditorTask, NothingHappensBeforeTheLevelPlaysButTheBrushIsHookedIn) {
    world()->playState = PLAY_STATE_LOADING;
    Tap(SDLK_e);
    Tap(SDLK_c);
    EXPECT_EQ(editor()->config.slot[0], 0);
    EXPECT_EQ(editor()->subState, EDITOR_SUB_EDIT);
    EXPECT_EQ(editorTask()->flags & TASK_FLAG_DRAW, 0u);
    EXPECT_EQ(world()->tileChanges, editor()->cursorChange);
    EXPECT_EQ(world()->allCodesUsed, 1);
}

TEST_F(EditorTask, TheBrushListNamesTheCursorCellAndIsDetachedWhenTheEditorLeaves) {
    EditorState* s = editor();
    Tap(SDLK_F3);
    PaletteCode(&s->config, 2, 0) = 'Z';
    PointAt(3 * 32, 5 * 32);
    Frame();
    const uint8_t expected[kEditorTileChangeBytes] = {1, 0, 0, 0, 3, 0, 5, 0, 2, 'Z'};
    EXPECT_EQ(std::vector<uint8_t>(world()->tileChanges, world()->tileChanges + 10),
              std::vector<uint8_t>(expected, expected + 10));
    PopTask();
    EXPECT_EQ(world()->tileChanges, nullptr);
}

} // namespace
