// The UI-flow task: owns every screen and steers the play task.
#pragma once

#include <cstdint>

struct TaskRec;

constexpr uint32_t UI_MSG_FADE_IN = 1;
constexpr uint32_t UI_MSG_SHOW_HELP = 2;
constexpr uint32_t UI_MSG_LEVEL_END = 3;

void UiFlowTaskHandler(TaskRec* task, uint32_t message);
