// The editor task: takes its place on top of the stack when "game.cfg"
// switches the editor on, and edits the running level through the play
// task once a level is playing.
#include "editor/editor_task.h"

#include "editor/editor_config.h"
#include "editor/editor_state.h"
#include "engine/task_stack.h"
#include "ui/text.h"
#include "world/game_world.h"
#include "world/play_task.h"

namespace {

struct LinePosition {
    int32_t x, y;
};
constexpr LinePosition kStatusLineStart = {15, 560};
constexpr LinePosition kPromptLineStart = {8, 303};

void Enter(TaskRec* task) {
    SetTaskTag(TASK_TAG_EDITOR);
    auto* state = new EditorState();
    task->state = state;
    state->subState = EDITOR_SUB_EDIT;
    state->paletteCode = -1;
    LoadEditorConfig(kEditorConfigPath, &state->config);
    for (int32_t i = 0; i < kEditorLineCount; ++i) {
        CText* line = new CText();
        line->SetFont(kEditorFontSlot);
        if (i == kEditorStatusLine)
            line->SetScroll(kStatusLineStart.x, kStatusLineStart.y);
        else if (i == kEditorPromptLine)
            line->SetScroll(kPromptLineStart.x, kPromptLineStart.y);
        state->lines[i] = line;
        line->SetText(state->lineText[i]);
    }
}

// The world must not keep drawing from a list that is freed with the
// editor's state.
void DetachTileChanges(EditorState* state) {
    GameWorld* world = nullptr;
    SendToPlay(PLAY_MSG_GET_WORLD, TaskWord(&world));
    if (world != nullptr && world->tileChanges == state->cursorChange)
        world->tileChanges = nullptr;
}

void Leave(TaskRec* task) {
    auto* state = task->StateAs<EditorState>();
    if (state == nullptr)
        return;
    DetachTileChanges(state);
    for (CText*& line : state->lines) {
        delete line;
        line = nullptr;
    }
    // A brush bar that cannot be kept is no reason to stop the game.
    SaveEditorConfig(kEditorConfigPath, state->config);
    delete state;
    task->state = nullptr;
}

} // namespace

void EditorTaskHandler(TaskRec* task, uint32_t message) {
    switch (message) {
    case TASK_MSG_ENTER:
        Enter(task);
        break;
    case TASK_MSG_UPDATE:
        if (auto* state = task->StateAs<EditorState>())
            EditorUpdate(task, state);
        break;
    case TASK_MSG_DRAW:
        if (auto* state = task->StateAs<EditorState>())
            EditorDraw(state);
        task->flags &= ~TASK_FLAG_DRAW;
        break;
    case TASK_MSG_LEAVE:
        Leave(task);
        break;
    default:
        break;
    }
}
