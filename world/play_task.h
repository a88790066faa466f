// The play task: owns the running game and drives it frame by frame.
#pragma once

#include <cstdint>

struct TaskRec;

constexpr uint32_t PLAY_MSG_RESTART = 1;
constexpr uint32_t PLAY_MSG_GOTO_DESTINATION = 2;
constexpr uint32_t PLAY_MSG_GET_WORLD = 100;
constexpr uint32_t PLAY_MSG_GOTO_LEVEL = 101;
constexpr uint32_t PLAY_MSG_RELOAD_OBJECTS = 102;
constexpr uint32_t PLAY_MSG_SET_PLAYER_POS = 103;
constexpr uint32_t PLAY_MSG_GET_PLAYER_POS = 104;
constexpr uint32_t PLAY_MSG_RESET_PROGRESS = 105;
constexpr uint32_t PLAY_MSG_SET_DUMP_FLAGS = 106;
constexpr uint32_t PLAY_MSG_PAUSE = 107;
constexpr uint32_t PLAY_MSG_RESUME = 108;

void PlayTaskHandler(TaskRec* task, uint32_t message);
