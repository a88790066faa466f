// The editor's update: where the mouse points in the map, and what the
// mouse and keys do in each of its sub-states.
#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "editor/editor_state.h"
#include "editor/level_saver.h"
#include "editor/map_edits.h"
#include "engine/bytes.h"
#include "engine/game_path.h"
#include "engine/platform.h"
#include "engine/task_stack.h"
#include "world/camera.h"
#include "world/game_world.h"
#include "world/play_task.h"

namespace {

constexpr int32_t kCellPixels = 32;

// The keys whose edges count, by EditorEdgeKey.
constexpr int32_t kEdgeSymbols[EDGE_KEY_COUNT] = {
    SDLK_q, SDLK_e, SDLK_f, SDLK_c, SDLK_w, SDLK_s, SDLK_a, SDLK_d,
    SDLK_i, SDLK_h, SDLK_u, SDLK_y, SDLK_g, SDLK_r, SDLK_t, SDLK_SPACE,
};
// Keys 1 to 9 and 0 name brush slots 0 to 9.
constexpr int32_t kSlotKeys[kEditorSlotCount] = {SDLK_1, SDLK_2, SDLK_3, SDLK_4, SDLK_5,
                                                 SDLK_6, SDLK_7, SDLK_8, SDLK_9, SDLK_0};
constexpr int32_t kLayerFunctionKeys[kEditorLayerCount] = {SDLK_F1, SDLK_F2, SDLK_F3, SDLK_F4};

// The palette: 16 x 16 cells of 33 pixels from (2, 2).
constexpr int32_t kPaletteOrigin = 2;
constexpr int32_t kPaletteHitSize = 528;
constexpr int32_t kPaletteStep = 33;
constexpr int32_t kPaletteColumns = 16;

// Rows or columns a map edit adds or removes in layers 1 to 3; layer 0,
// at half the scale, takes one at half the position.
constexpr int32_t kEditCount = 2;
constexpr int32_t kHalfLayerEditCount = 1;
constexpr uint32_t kCameraSizeLayer = 2;

// One frame's key state as the platform gave it.
struct Keys {
    const uint8_t* state;
    int count;

    bool Held(int32_t symbol) const {
        return state != nullptr && symbol >= 0 && symbol < count && state[symbol] != 0;
    }
};

bool Edge(const EditorState* s, const Keys& keys, EditorEdgeKey key) {
    return keys.Held(kEdgeSymbols[key]) && s->previousKeys[key] == 0;
}

void RememberKeys(EditorState* s, const Keys& keys) {
    for (int32_t k = 0; k < EDGE_KEY_COUNT; ++k)
        s->previousKeys[k] = keys.Held(kEdgeSymbols[k]) ? 1 : 0;
}

uint8_t& SelectedSlot(EditorState* s) {
    return s->config.slot[s->layer];
}

// The camera in whole pixels as the layer scrolls: layer 0 at half speed,
// the others by even pixels, as the scene draws them.
void LayerCamera(const GameWorld* world, int32_t layer, int32_t* cx, int32_t* cy) {
    const int32_t x = (world->camera.positionX / 65536) & ~1;
    const int32_t y = (world->camera.positionY / 65536) & ~1;
    *cx = layer == 0 ? x / 2 : x;
    *cy = layer == 0 ? y / 2 : y;
}

// The cell under last frame's mouse, and where it is on the screen. On
// layer 0 the frame is placed with the halved camera too, so that it marks
// the cell being edited.
void LocateCursorCell(EditorState* s, GameWorld* world) {
    int32_t cx = 0;
    int32_t cy = 0;
    LayerCamera(world, s->layer, &cx, &cy);
    s->cellX = (s->mouseX + cx) / kCellPixels;
    s->cellY = (s->mouseY + cy) / kCellPixels;
    s->cursorX = kCellPixels * s->cellX - cx;
    s->cursorY = kCellPixels * s->cellY - cy;
    TileRun* run = nullptr;
    const bool covered = FindTileRun(s->cellX, s->cellY, s->layer, &world->map, &run) > 0 &&
                         run != nullptr;
    s->codeUnderCursor = covered ? run->code : kEditorNoCode;
}

TileRun* RunUnderCursor(EditorState* s, GameWorld* world) {
    TileRun* run = nullptr;
    if (FindTileRun(s->cellX, s->cellY, s->layer, &world->map, &run) <= 0)
        return nullptr;
    return run;
}

void SetCursorChange(EditorState* s, uint16_t brush) {
    uint8_t* change = s->cursorChange;
    PutI32LE(change, 1);
    PutU16LE(change + 4, static_cast<uint16_t>(s->cellX));
    PutU16LE(change + 6, static_cast<uint16_t>(s->cellY));
    change[8] = static_cast<uint8_t>(s->layer);
    change[9] = static_cast<uint8_t>(brush);
}

// ---- the palette -----------------------------------------------------------------

void UpdatePalette(EditorState* s, const Keys& keys) {
    if ((s->mouseButtons & kEditorRightButton) == 0) {
        s->subState = EDITOR_SUB_EDIT;
        return;
    }
    if (!PointInRect(s->mouseX, s->mouseY, kPaletteOrigin, kPaletteOrigin, kPaletteHitSize,
                     kPaletteHitSize))
        return;
    const int32_t column = (s->mouseX - kPaletteOrigin) / kPaletteStep;
    const int32_t row = (s->mouseY - kPaletteOrigin) / kPaletteStep;
    const int32_t code = std::min(column + kPaletteColumns * row, kTileCodeCount - 1);
    s->paletteCode = code;
    PaletteCode(&s->config, s->layer, SelectedSlot(s)) = static_cast<uint16_t>(code);
    for (int32_t slot = 0; slot < kEditorSlotCount; ++slot)
        if (keys.Held(kSlotKeys[slot]))
            PaletteCode(&s->config, s->layer, slot) = static_cast<uint16_t>(code);
}

// ---- editing -----------------------------------------------------------------------

// Only a cell some run covers is written: outside the map nothing is.
void Paint(EditorState* s, GameWorld* world, uint16_t brush) {
    TileRun* run = RunUnderCursor(s, world);
    if (run == nullptr)
        return;
    run->code = static_cast<uint8_t>(brush);
    // Layer-3 codes below 128 make objects: they are rebuilt from the map.
    if (s->layer == 3 && brush < 128)
        SendToPlay(PLAY_MSG_RELOAD_OBJECTS, 0);
}

void CycleMoveMode(EditorState* s, GameWorld* world) {
    s->moveMode = s->moveMode >= EDITOR_MOVE_INVULNERABLE ? EDITOR_MOVE_NORMAL
                                                           : static_cast<uint8_t>(s->moveMode + 1);
    switch (s->moveMode) {
    case EDITOR_MOVE_FREE:
        SendToPlay(PLAY_MSG_GET_PLAYER_POS, TaskWord(s->player));
        world->runFlags |= WORLD_NO_PAIRS;
        s->moveSpeed = kEditorRestSpeed;
        break;
    case EDITOR_MOVE_NORMAL:
        world->runFlags &= static_cast<uint8_t>(~(WORLD_NO_PAIRS | WORLD_NO_TICK));
        world->player.invulnerable = 0;
        break;
    default:
        world->runFlags &= static_cast<uint8_t>(~WORLD_NO_PAIRS);
        world->player.invulnerable = 1;
        break;
    }
}

using MapEdit = int32_t (*)(int32_t position, int32_t count, uint32_t layer, TileRunMap* map);

// The edit at `position` in layers 1 to 3 and at half of it in layer 0.
bool EditEveryLayer(GameWorld* world, MapEdit edit, int32_t position) {
    int32_t changed = 0;
    for (uint32_t layer = 1; layer < kTileLayerCount; ++layer)
        changed |= edit(position, kEditCount, layer, &world->map);
    changed |= edit(position / 2, kHalfLayerEditCount, 0, &world->map);
    return changed != 0;
}

void SaveCurrentLevel(GameWorld* world) {
    const std::string path = EditorSavePath(world->currentLevel);
    if (path.empty()) {
        std::printf("Level %d not saved: the archive names no file for it\n",
                    world->currentLevel);
        return;
    }
    // The name comes from the archive, which a player may have downloaded.
    if (const char* why = GamePathRefusal(path)) {
        std::printf("Level file %s not saved: %s\n", PrintablePath(path).c_str(), why);
        return;
    }
    SaveLevelFile(path.c_str(), &world->map);
}

void ControlCommands(EditorState* s, GameWorld* world, const Keys& keys) {
    if (Edge(s, keys, EDGE_KEY_S))
        SaveCurrentLevel(world);
    if (Edge(s, keys, EDGE_KEY_R)) {
        s->dumpState = NextEditorDumpState(s->dumpState);
        SendToPlay(PLAY_MSG_SET_DUMP_FLAGS, s->dumpState);
    }
    struct Command {
        EditorEdgeKey key;
        MapEdit edit;
        bool columns;
    };
    static constexpr Command kCommands[] = {
        {EDGE_KEY_I, InsertMapColumns, true},
        {EDGE_KEY_H, InsertMapRows, false},
        {EDGE_KEY_U, DeleteMapColumns, true},
        {EDGE_KEY_Y, DeleteMapRows, false},
    };
    bool changed = false;
    for (const Command& c : kCommands) {
        if (!Edge(s, keys, c.key))
            continue;
        // Objects are rebuilt only when the map changed: a rebuild also
        // puts back what the player has taken in this level.
        if (EditEveryLayer(world, c.edit, c.columns ? s->cellX : s->cellY)) {
            SendToPlay(PLAY_MSG_RELOAD_OBJECTS, 0);
            changed = true;
        }
    }
    if (changed) {
        const TileRunLayer& sized = world->map.layers[kCameraSizeLayer];
        SetCameraMapSize(world, sized.width, sized.rows);
    }
}

void SlotCommands(EditorState* s, GameWorld* world, const Keys& keys) {
    for (int32_t slot = 0; slot < kEditorSlotCount; ++slot)
        if (keys.Held(kSlotKeys[slot]))
            SelectedSlot(s) = static_cast<uint8_t>(slot);
    if (Edge(s, keys, EDGE_KEY_Q))
        SelectedSlot(s) = SelectedSlot(s) == 0 ? kEditorSlotCount - 1 : SelectedSlot(s) - 1;
    if (Edge(s, keys, EDGE_KEY_E))
        SelectedSlot(s) = SelectedSlot(s) >= kEditorSlotCount - 1 ? 0 : SelectedSlot(s) + 1;
    if (Edge(s, keys, EDGE_KEY_F))
        s->config.viewFlags = static_cast<uint8_t>((s->config.viewFlags + 1) & 3);
    if (keys.Held(SDLK_BACKQUOTE)) {
        SelectedSlot(s) = kEditorSlotCount - 1;
        if (const TileRun* run = RunUnderCursor(s, world))
            PaletteCode(&s->config, s->layer, kEditorSlotCount - 1) = run->code;
    }
    if (Edge(s, keys, EDGE_KEY_C)) {
        s->subState = EDITOR_SUB_SELECT_MAP;
        s->mapNumber = static_cast<int16_t>(
            std::clamp<int32_t>(world->currentLevel, kEditorFirstLevel, kEditorLastLevel));
    }
    if (Edge(s, keys, EDGE_KEY_T))
        s->panelCorner = static_cast<uint8_t>((s->panelCorner + 1) & 3);
}

void UpdateEdit(EditorState* s, GameWorld* world, const Keys& keys) {
    const uint16_t brush = EditorBrush(*s);
    SetCursorChange(s, brush);
    if ((s->mouseButtons & kEditorRightButton) != 0) {
        s->subState = EDITOR_SUB_PALETTE;
        return;
    }
    if ((s->mouseButtons & kEditorLeftButton) != 0)
        Paint(s, world, brush);
    if (Edge(s, keys, EDGE_KEY_G))
        s->hidden ^= 1;
    if (keys.Held(SDLK_LSHIFT))
        for (int32_t layer = 0; layer < kEditorLayerCount; ++layer)
            if (keys.Held(kSlotKeys[layer]))
                s->layer = layer;
    if (!keys.Held(SDLK_LCTRL)) {
        if (Edge(s, keys, EDGE_KEY_R))
            CycleMoveMode(s, world);
    } else {
        ControlCommands(s, world, keys);
    }
    if (!keys.Held(SDLK_LSHIFT))
        SlotCommands(s, world, keys);
    for (int32_t layer = 0; layer < kEditorLayerCount; ++layer)
        if (keys.Held(kLayerFunctionKeys[layer]))
            s->layer = layer;
}

// ---- the map prompt --------------------------------------------------------------

void UpdateSelectMap(EditorState* s, const Keys& keys) {
    if (Edge(s, keys, EDGE_KEY_C)) {
        SetEditorLine(s, kEditorPromptLine, u"");
        s->subState = EDITOR_SUB_EDIT;
        return;
    }
    int32_t number = s->mapNumber;
    if (Edge(s, keys, EDGE_KEY_D))
        number += 10;
    if (Edge(s, keys, EDGE_KEY_A))
        number -= 10;
    if (Edge(s, keys, EDGE_KEY_W))
        number += 1;
    if (Edge(s, keys, EDGE_KEY_S))
        number -= 1;
    s->mapNumber = static_cast<int16_t>(std::clamp(number, kEditorFirstLevel, kEditorLastLevel));
    SetEditorLine(s, kEditorPromptLine, EditorPromptText(s->mapNumber));
    if (keys.Held(SDLK_RETURN) || keys.Held(SDLK_TAB)) {
        SetEditorLine(s, kEditorPromptLine, u"");
        SendToPlay(PLAY_MSG_GOTO_LEVEL, static_cast<uintptr_t>(s->mapNumber));
        s->subState = EDITOR_SUB_EDIT;
    }
}

// ---- free move ---------------------------------------------------------------------

// Moves by the current speed, then speeds up: 4, 5, 6... pixels a frame
// from rest. The player stays inside layer 3.
void FreeMove(EditorState* s, GameWorld* world, const Keys& keys) {
    const bool left = keys.Held(SDLK_a);
    const bool right = keys.Held(SDLK_d);
    const bool up = keys.Held(SDLK_w);
    const bool down = keys.Held(SDLK_s);
    int32_t speed = 0;
    if (!left && !right && !up && !down) {
        s->moveSpeed = kEditorRestSpeed;
    } else {
        speed = s->moveSpeed;
        s->moveSpeed = std::min(s->moveSpeed + 1, kCellPixels * kTileLayerMaxSide);
    }
    const TileRunLayer& layer = world->map.layers[3];
    const int32_t maxX = std::max(0, kCellPixels * layer.width - kCellPixels);
    const int32_t maxY = std::max(0, kCellPixels * layer.rows - kCellPixels);
    const int32_t dx = (right ? speed : 0) - (left ? speed : 0);
    const int32_t dy = (down ? speed : 0) - (up ? speed : 0);
    s->player[0] = std::clamp(s->player[0] + dx, 0, maxX);
    s->player[1] = std::clamp(s->player[1] + dy, 0, maxY);
    SendToPlay(PLAY_MSG_SET_PLAYER_POS, TaskWord(s->player));
}

} // namespace

int32_t PointInRect(int32_t x, int32_t y, int32_t rx, int32_t ry, int32_t w, int32_t h) {
    return x >= rx && static_cast<int64_t>(x) < static_cast<int64_t>(rx) + w && y >= ry &&
                   static_cast<int64_t>(y) < static_cast<int64_t>(ry) + h
               ? 1
               : 0;
}

TaskRec* FindPlayTask() {
    uint16_t cursor = 0;
    return gTaskStack != nullptr ? FindTaskByTag(TASK_TAG_PLAY, &cursor) : nullptr;
}

void SendToPlay(uint32_t message, uintptr_t arg) {
    if (TaskRec* play = FindPlayTask())
        SendTaskMessage(play, message, arg);
}

void EditorUpdate(TaskRec* task, EditorState* s) {
    TaskRec* play = FindPlayTask();
    if (play == nullptr)
        return;
    GameWorld* world = nullptr;
    SendTaskMessage(play, PLAY_MSG_GET_WORLD, TaskWord(&world));
    s->world = world;
    if (world == nullptr)
        return;
    if (world->tileChanges == nullptr) {
        world->allCodesUsed = 1;
        world->tileChanges = s->cursorChange;
    }
    if (world->playState != PLAY_STATE_PLAYING)
        return;
    LocateCursorCell(s, world);
    s->mouseButtons = PlatformGetMouseState(&s->mouseX, &s->mouseY);
    Keys keys{nullptr, 0};
    keys.state = PlatformGetKeyState(&keys.count);
    switch (s->subState) {
    case EDITOR_SUB_PALETTE:
        UpdatePalette(s, keys);
        break;
    case EDITOR_SUB_SELECT_MAP:
        UpdateSelectMap(s, keys);
        break;
    default:
        UpdateEdit(s, world, keys);
        break;
    }
    if (s->moveMode == EDITOR_MOVE_FREE)
        FreeMove(s, world, keys);
    RememberKeys(s, keys);
    task->flags |= TASK_FLAG_DRAW;
}
