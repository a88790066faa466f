// The editor task's decisions frame by frame, on the small level with the
// camera at the origin unless a test moves it.
#include <gtest/gtest.h>

#include <SDL.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "engine/catalogue.h"
#include "tests/editor/editor_fixture.h"

namespace {

TEST_F(EditorTask, QAndEWrapTheSlotAndFCyclesTheViewFlags) {
    const struct {
        int key, slot, view;
    } kSteps[] = {{SDLK_q, 9, 0}, {SDLK_e, 0, 0}, {SDLK_q, 9, 0}, {SDLK_q, 8, 0},
                  {SDLK_f, 8, 1}, {SDLK_f, 8, 2}, {SDLK_f, 8, 3}, {SDLK_f, 8, 0},
                  {SDLK_BACKQUOTE, 9, 0}};
    for (const auto& step : kSteps) {
        Tap(step.key);
        EXPECT_EQ(editor()->config.slot[0], step.slot) << "key " << step.key;
        EXPECT_EQ(editor()->config.viewFlags, step.view) << "key " << step.key;
    }
}

TEST_F(EditorTask, RightButtonOverPaletteCell37SetsTheSlotOfTheLayerUntilReleased) {
    Tap(SDLK_F3);
    Tap(SDLK_4); // slot 3
    // Cell 37: column 5, row 2 of the 33-pixel cells from (2, 2).
    Mouse(2 + 33 * 5 + 10, 2 + 33 * 2 + 10, kEditorRightButton, 2);
    EXPECT_EQ(editor()->subState, EDITOR_SUB_PALETTE);
    EXPECT_EQ(PaletteCode(&editor()->config, 2, 3), 37);
    EXPECT_EQ(PaletteCode(&editor()->config, 1, 3), 0) << "other layers keep their brushes";
    Mouse(0, 0);
    EXPECT_EQ(editor()->subState, EDITOR_SUB_EDIT);
}

// The left button held three frames over layer-3 cells: only cells of the
// map are written, and codes below 128 rebuild the objects every frame.
TEST_F(EditorTask, PaintingWritesCellsOfTheMapAndObjectCodesRebuildTheObjects) {
    const struct {
        uint16_t brush;
        int32_t x, y;
        size_t reloads;
    } kCases[] = {{5, 5, 4, 3}, {127, 6, 4, 3}, {128, 7, 4, 0},
                  {200, 8, 4, 0}, {5, 14, 3, 0}, {5, 2, 9, 0}};
    Tap(SDLK_F4);
    std::vector<std::string> expected = RowsOf(world()->map, 3);
    for (const auto& c : kCases) {
        PaletteCode(&editor()->config, 3, 0) = c.brush;
        const size_t reloads = play_.ArgsOf(PLAY_MSG_RELOAD_OBJECTS).size();
        Mouse(32 * c.x + 3, 32 * c.y + 3);
        Mouse(32 * c.x + 3, 32 * c.y + 3, kEditorLeftButton, 3);
        const bool inMap = c.x < 12 && c.y < 8;
        if (inMap)
            expected[c.y][c.x] = '?'; // no brush here is a printable code
        EXPECT_EQ(RowsOf(world()->map, 3), expected) << c.x << "," << c.y;
        EXPECT_EQ(editor()->codeUnderCursor, inMap ? c.brush : kEditorNoCode);
        EXPECT_EQ(play_.ArgsOf(PLAY_MSG_RELOAD_OBJECTS).size() - reloads, c.reloads) << c.brush;
    }
}

TEST_F(EditorTask, ControlRRunsTheDumpStatesThroughThePlayTask) {
    Hold(SDLK_LCTRL, true);
    for (int i = 0; i < 5; ++i)
        Tap(SDLK_r);
    EXPECT_EQ(play_.ArgsOf(PLAY_MSG_SET_DUMP_FLAGS), (std::vector<uintptr_t>{2, 6, 14, 18, 0}));
    EXPECT_EQ(editor()->moveMode, EDITOR_MOVE_NORMAL) << "r with Ctrl is not the move mode";
}

TEST_F(EditorTask, TheMapPromptCountsInTensAndOnesFrom1To32767) {
    Tap(SDLK_c);
    for (int key : {SDLK_d, SDLK_d, SDLK_a, SDLK_w})
        Tap(key);
    EXPECT_EQ(std::u16string(editor()->lineText[kEditorPromptLine]),
              u"<Font+00> <PosX-00>Select map: 14");
    Tap(SDLK_RETURN);
    EXPECT_EQ(play_.ArgsOf(PLAY_MSG_GOTO_LEVEL), (std::vector<uintptr_t>{14}));
    EXPECT_EQ(editor()->lineText[kEditorPromptLine][0], 0);

    Tap(SDLK_c); // from level 3 again
    for (int key : {SDLK_s, SDLK_s, SDLK_s})
        Tap(key);
    EXPECT_EQ(editor()->mapNumber, 1);
    editor()->mapNumber = 32760;
    Tap(SDLK_d);
    EXPECT_EQ(editor()->mapNumber, 32767) << "never wraps to a negative level";
    Tap(SDLK_c);
    EXPECT_EQ(editor()->subState, EDITOR_SUB_EDIT);
    EXPECT_EQ(play_.ArgsOf(PLAY_MSG_GOTO_LEVEL).size(), 1u) << "c leaves without a level";
}

TEST_F(EditorTask, RCyclesTheMoveModesAndFreeMoveSpeedsUpFromFour) {
    world()->runFlags = WORLD_NO_TICK;
    play_.player[0] = 10;
    Tap(SDLK_r);
    EXPECT_EQ(world()->runFlags, WORLD_NO_TICK | WORLD_NO_PAIRS);
    play_.sent.clear();
    Hold(SDLK_a, true);
    Frame(3);
    Hold(SDLK_a, false);
    // Moves of 4, 5, then 6 stopped at the map's left edge.
    EXPECT_EQ(play_.ArgsOf(PLAY_MSG_SET_PLAYER_POS), (std::vector<uintptr_t>{6, 1, 0}));
    Hold(SDLK_d, true);
    Frame(60);
    Hold(SDLK_d, false);
    EXPECT_EQ(play_.ArgsOf(PLAY_MSG_SET_PLAYER_POS).back(), 11u * 32) << "layer 3's last cell";

    Tap(SDLK_r);
    EXPECT_EQ(world()->runFlags, WORLD_NO_TICK);
    EXPECT_EQ(world()->player.invulnerable, 1);
    Tap(SDLK_r);
    EXPECT_EQ(world()->runFlags, 0);
    EXPECT_EQ(world()->player.invulnerable, 0);
}

// With the camera at (201, 67): layer 0 scrolls at half speed and its cell
// frame is placed with the halved camera too; the others by even pixels.
TEST_F(EditorTask, TheCellFrameMarksTheCellUnderTheMouseInEachLayer) {
    world()->camera.positionX = 201 * 65536;
    world()->camera.positionY = 67 * 65536;
    const struct {
        int layerKey, mouseX, mouseY;
        std::array<int32_t, 4> cellAndFrame;
    } kCases[] = {{SDLK_F1, 40, 10, {4, 1, 28, -1}},
                  {SDLK_F2, 40, 10, {7, 2, 24, -2}},
                  {SDLK_F4, 300, 300, {15, 11, 280, 286}}};
    for (const auto& c : kCases) {
        Tap(c.layerKey);
        Mouse(c.mouseX, c.mouseY, 0, 2);
        const EditorState* s = editor();
        EXPECT_EQ((std::array<int32_t, 4>{s->cellX, s->cellY, s->cursorX, s->cursorY}),
                  c.cellAndFrame);
    }
}

TEST_F(EditorTask, TheStatusLineTellsLevelBrushLayerCellCodeDumpAndMoveMode) {
    Tap(SDLK_F4);
    PaletteCode(&editor()->config, 3, 2) = 37;
    Tap(SDLK_3);
    Mouse(10 * 32 + 4, 1 * 32 + 4, 0, 2); // the '%' cell
    EXPECT_EQ(std::u16string(editor()->lineText[kEditorStatusLine]),
              u"<Font+00> <PosX-00>M3 T37 PHY (10,1)=37 DUMP(NOT) N");
    Hold(SDLK_LCTRL, true);
    Tap(SDLK_r);
    Hold(SDLK_LCTRL, false);
    Tap(SDLK_r);
    Tap(SDLK_F1);
    Mouse(700, 500, 0, 2); // past layer 0's 6 x 4 cells
    EXPECT_EQ(std::u16string(editor()->lineText[kEditorStatusLine]),
              u"<Font+00> <PosX-00>M3 T0 HBK (21,15)=255 DUMP(REC) F");
}

// Two columns or rows at the cell in layers 1 to 3, one at half of it in
// layer 0; each edit rebuilds the objects and resizes the camera.
TEST_F(EditorTask, ControlIAndHInsertAtTheCellInEveryLayerAndUAndYDelete) {
    const std::vector<std::string> layer3 = RowsOf(world()->map, 3);
    Mouse(4 * 32 + 2, 2 * 32 + 2);
    Hold(SDLK_LCTRL, true);
    Tap(SDLK_i);
    EXPECT_EQ(world()->map.layers[0].width, 7);
    EXPECT_EQ(RowsOf(world()->map, 3)[1], "............%.");
    EXPECT_EQ(world()->camera.maximumX, (14 * 32 - 1) * 65536);
    Tap(SDLK_u);
    Tap(SDLK_h);
    EXPECT_EQ(world()->map.layers[0].rows, 5);
    EXPECT_EQ(world()->map.layers[3].rows, 10);
    Tap(SDLK_y);
    EXPECT_EQ(RowsOf(world()->map, 3), layer3);
    EXPECT_EQ(RowsOf(world()->map, 0), (std::vector<std::string>(4, "AAAAAA")));
    EXPECT_EQ(play_.ArgsOf(PLAY_MSG_RELOAD_OBJECTS).size(), 4u);
}

// The world draws the brush from a one-entry change list the editor owns:
// hooked in at once, acted on only while the level plays, unhooked when
// the editor leaves.
TEST_F(EditorTask, WaitsForThePlayingLevelAndUnhooksItsBrushOnLeaving) {
    world()->playState = PLAY_STATE_LOADING;
    Tap(SDLK_e);
    Tap(SDLK_c);
    EXPECT_EQ(editor()->config.slot[0], 0);
    EXPECT_EQ(editor()->subState, EDITOR_SUB_EDIT);
    EXPECT_EQ(world()->tileChanges, editor()->cursorChange);

    world()->playState = PLAY_STATE_PLAYING;
    Tap(SDLK_F3);
    PaletteCode(&editor()->config, 2, 0) = 'Z';
    Mouse(3 * 32, 5 * 32, 0, 2);
    const uint8_t* list = world()->tileChanges;
    EXPECT_EQ(std::vector<uint8_t>(list, list + kEditorTileChangeBytes),
              (std::vector<uint8_t>{1, 0, 0, 0, 3, 0, 5, 0, 2, 'Z'}));
    PopTask();
    EXPECT_EQ(world()->tileChanges, nullptr);
}

// An archive whose catalogue names `path` as level 3's file, opened and
// catalogued as the game does it while the value lives.
class SavePathArchive {
public:
    explicit SavePathArchive(const std::string& path) {
        CatalogueBuilder layout;
        for (uint32_t group = 0; group <= kEditorSavePathGroup; ++group)
            layout.AddGroup();
        for (uint32_t group = 0; group < kEditorSavePathGroup; ++group)
            layout.AddItem(group, PlainEntry(0, BytesOf("x")));
        for (const std::string& name : {std::string("level1.lvl"), std::string("level2.lvl"), path})
            layout.AddItem(kEditorSavePathGroup, PlainEntry(0, BytesOf(name)));
        EXPECT_TRUE(layout.WriteToFile(kFile));
        EXPECT_EQ(OpenArchive(&gResourceArchive, kFile), 1);
        BuildResourceCatalogue(&gResourceCatalogue, &gResourceArchive, &gResourceCache, nullptr,
                               CATALOGUE_ROOT_ENTRY);
    }
    ~SavePathArchive() {
        UnloadCatalogue(&gResourceCatalogue);
        CacheTableFree(&gResourceCache);
        CloseArchive(&gResourceArchive);
        std::remove(kFile);
    }

private:
    static constexpr const char* kFile = "paths.res";
};

std::string FileText(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

// The game runs in "game" inside the test's folder; "victim.lvl" lies beside
// it, named by a climb, an absolute path and a link.
TEST_F(EditorTask, ControlSRefusesALevelFileOutsideTheGameFolderAndSaysSo) {
    const std::string victim = folder_.path() + "/victim.lvl";
    std::ofstream(victim) << "not a level";
    std::filesystem::create_directory("game");
    ASSERT_EQ(chdir("game"), 0);
    std::filesystem::create_symlink(victim, "link.lvl");
    const struct {
        std::string path;
        std::string said;
    } kCases[] = {
        {"..\\victim.lvl", "../victim.lvl not saved: its '..' leads out of the game's folder"},
        {victim, victim + " not saved: it is an absolute path, outside the game's folder"},
        {"link.lvl", "link.lvl not saved: a link on it leads out of the game's folder"},
        {"..\\a\nb.lvl", "../a?b.lvl not saved: its '..' leads out of the game's folder"},
    };
    Hold(SDLK_LCTRL, true);
    for (const auto& c : kCases) {
        SavePathArchive archive(c.path);
        testing::internal::CaptureStdout();
        Tap(SDLK_s);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "Level file " + c.said + "\n");
        EXPECT_EQ(FileText(victim), "not a level") << c.path;
    }
    SavePathArchive archive("sub\\level3.lvl");
    std::filesystem::create_directory("sub");
    Tap(SDLK_s);
    EXPECT_TRUE(std::filesystem::exists("sub/level3.lvl")) << "a name inside is saved";
}

// A name inside the folder may still hold controls: the refusal names it
// on one line, and sends the terminal nothing to act on.
TEST_F(EditorTask, ControlSNamesAFileWithControlsInOneLine) {
    const struct {
        std::string path; // as the archive holds it
        std::string printed;
    } kCases[] = {
        {"a\x1b[2J\nb/x.lvl", "a?[2J?b/x.lvl"},
        {"c\x9bJ/x.lvl", "c?J/x.lvl"},
        {std::string("d\0\x9b\0/\0x\0", 8), "d?/x"}, // UTF-16: U+009B
    };
    Hold(SDLK_LCTRL, true);
    for (const auto& c : kCases) {
        SavePathArchive archive(c.path);
        testing::internal::CaptureStdout();
        Tap(SDLK_s);
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  "Cannot save " + c.printed + ": No such file or directory.\n");
    }
}

} // namespace
