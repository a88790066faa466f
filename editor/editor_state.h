// The level editor's state block and the pieces of its task that share it:
// the update (input), the drawing, the status texts and the save path.
#pragma once

#include <SDL.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "editor/editor_config.h"

class CText;
struct GameWorld;
struct Image;
struct TaskRec;

constexpr int32_t EDITOR_SUB_EDIT = 1;
constexpr int32_t EDITOR_SUB_PALETTE = 2;
constexpr int32_t EDITOR_SUB_SELECT_MAP = 3;

// Sent to the play task as its dump flags.
constexpr uint8_t EDITOR_DUMP_OFF = 0;
constexpr uint8_t EDITOR_DUMP_RECORD = 2;
constexpr uint8_t EDITOR_DUMP_REPLAY = 6;
constexpr uint8_t EDITOR_DUMP_REPLAY_BIT3 = 14;
constexpr uint8_t EDITOR_DUMP_RECORD_NOFRAMES = 18;

constexpr uint8_t EDITOR_MOVE_NORMAL = 0;
constexpr uint8_t EDITOR_MOVE_FREE = 1;
constexpr uint8_t EDITOR_MOVE_INVULNERABLE = 2;

constexpr int32_t kEditorLineCount = 8;
constexpr int32_t kEditorLineUnits = 256;
constexpr int32_t kEditorStatusLine = 0;
constexpr int32_t kEditorPromptLine = 1;
constexpr int32_t kEditorFontSlot = 6;

// The code reported for a cell no run covers.
constexpr uint16_t kEditorNoCode = 255;
// Level numbers the map prompt offers.
constexpr int32_t kEditorFirstLevel = 1;
constexpr int32_t kEditorLastLevel = 32767;

// Free move: the speed from rest, in pixels a frame.
constexpr int32_t kEditorRestSpeed = 4;

// Where the editor's pictures are in the catalogue.
constexpr uint32_t kEditorPointerGroup = 5; // item 0 the pointer, 1 the cell frame
constexpr int32_t kEditorPointerItem = 0;
constexpr int32_t kEditorCellFrameItem = 1;
constexpr uint32_t kEditorIconGroup = 6;     // item c: the icon of layer-3 code c
constexpr uint32_t kEditorSavePathGroup = 7; // item L - 1: level L's file

// Mouse buttons as the platform reports them.
constexpr uint8_t kEditorLeftButton = SDL_BUTTON(SDL_BUTTON_LEFT);
constexpr uint8_t kEditorRightButton = SDL_BUTTON(SDL_BUTTON_RIGHT);

// The keys whose edges the editor acts on, in the order their states are
// remembered.
enum EditorEdgeKey : int32_t {
    EDGE_KEY_Q,
    EDGE_KEY_E,
    EDGE_KEY_F,
    EDGE_KEY_C,
    EDGE_KEY_W,
    EDGE_KEY_S,
    EDGE_KEY_A,
    EDGE_KEY_D,
    EDGE_KEY_I,
    EDGE_KEY_H,
    EDGE_KEY_U,
    EDGE_KEY_Y,
    EDGE_KEY_G,
    EDGE_KEY_R,
    EDGE_KEY_T,
    EDGE_KEY_SPACE,
    EDGE_KEY_COUNT
};

// The one-entry tile-change list the world draws the brush from: i32 count
// 1, u16 column, u16 row, u8 layer, u8 code.
constexpr size_t kEditorTileChangeBytes = 10;

struct EditorState {
    int32_t cursorX, cursorY; // screen position of the cell under the mouse
    int32_t cellX, cellY;     // that cell in the current layer
    int32_t player[2];        // x, y exchanged with the play task in free move
    int32_t subState;
    int32_t moveSpeed;
    int32_t layer; // 0..3
    int mouseX, mouseY;
    uint8_t mouseButtons;
    uint8_t hidden;
    GameWorld* world; // asked for on every update
    // The palette cell under the mouse, -1 for none. Its picture is looked
    // up when drawn: a picture kept from an earlier frame may have been
    // freed by a level change meanwhile.
    int32_t paletteCode;
    CText* lines[kEditorLineCount];
    char16_t lineText[kEditorLineCount][kEditorLineUnits];
    uint16_t codeUnderCursor;
    uint8_t cursorChange[kEditorTileChangeBytes];
    int16_t mapNumber;
    EditorConfig config;
    uint8_t dumpState;
    uint8_t moveMode;
    uint8_t previousKeys[EDGE_KEY_COUNT];
    uint8_t panelCorner; // 0..3: where the brush bar is drawn
};

// ---- the task's pieces ------------------------------------------------------

// One frame of input; raises TASK_FLAG_DRAW when the editor is to draw.
void EditorUpdate(TaskRec* task, EditorState* state);
void EditorDraw(EditorState* state);

// The play task, or null; and a message to it (nothing when there is none).
TaskRec* FindPlayTask();
void SendToPlay(uint32_t message, uintptr_t arg);

// 1 when rx <= x < rx + w and ry <= y < ry + h.
int32_t PointInRect(int32_t x, int32_t y, int32_t rx, int32_t ry, int32_t w, int32_t h);
// *out := the world's tile image of `code`; when the tile set gives the
// code a substitute, the substitute's image and 1 (drawn mirrored).
int32_t LookupAliasedEntry(const GameWorld* world, int32_t code, Image** out);
// The picture of `code` as the editor shows it in `layer`: a tile in layers
// 0 to 2, the icon (6, code) in layer 3. *mirror is 1 for a substitute.
Image* EditorCodeImage(const GameWorld* world, int32_t layer, int32_t code, int32_t* mirror);

// ---- texts --------------------------------------------------------------------

const char16_t* EditorLayerLabel(int32_t layer);
const char16_t* EditorDumpLabel(uint8_t dumpState);
const char16_t* EditorMoveLabel(uint8_t moveMode);
uint8_t NextEditorDumpState(uint8_t dumpState);
// The brush code of the selected slot of the current layer.
uint16_t EditorBrush(const EditorState& state);
std::u16string EditorStatusText(const EditorState& state, int32_t level);
std::u16string EditorPromptText(int32_t mapNumber);
// Sets line `line` to `text` (cut to the line's 255 units).
void SetEditorLine(EditorState* state, int32_t line, const std::u16string& text);

// ---- the level file's name ----------------------------------------------------

// A file name stored as raw bytes: 8-bit, or UTF-16LE when every odd byte is
// zero; it ends at the first zero unit or the end of the bytes; '\' becomes
// '/'. UTF-16 units above 0x7F are written as UTF-8.
std::string DecodeSavePath(const uint8_t* bytes, size_t size);
// Level `level`'s file name from the catalogue (7, level - 1); empty when
// the catalogue holds none. Ctrl+S saves only to a name GamePathRefusal
// accepts.
std::string EditorSavePath(int32_t level);
