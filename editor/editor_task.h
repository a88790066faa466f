// The developers' level editor task, pushed when "game.cfg" switches it on.
#pragma once

#include <cstdint>

struct TaskRec;

void EditorTaskHandler(TaskRec* task, uint32_t message);
