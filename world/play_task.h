// The play task: owns the running game and drives it frame by frame through
// its play states; every other task reaches the game through its messages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct GameWorld;
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

// Archive entry holding the frame dumps' BMP header.
constexpr uint32_t kDumpHeaderEntry = 19;
constexpr int32_t kDumpHeaderBytes = 54;
constexpr uint32_t kFadeStep = 6400;
constexpr uint32_t kFullVeil = 0xFF00;
// Level-table words: the last level, then the first of the eight score levels.
constexpr int32_t kLastLevelWord = 11;
constexpr int32_t kFirstScoreLevelWord = 13;
constexpr int32_t kScoreLevelCount = 8;

void PlayTaskHandler(TaskRec* task, uint32_t message);

// The input word of a replayed step: `count` bytes (at most 4) read from
// "dump/keys.bin" replace the low bytes of the live word, so a short last
// word keeps the live high bytes; the result holds game keys only.
uint32_t ReplayedKeys(const uint8_t* bytes, size_t count, uint32_t live);

void RequestLevelChange(GameWorld* world, int32_t level, uint16_t entry);
void ClearTakenItems(GameWorld* world);
void ResetGameProgress(GameWorld* world);
void AddLevelHits(GameWorld* world, int32_t v);
void CountLevelCollectables(GameWorld* world);

// Test seam for replays: called at each level start (before the level's
// first step) and after each simulation step.
constexpr int32_t WORLD_TRACE_LEVEL_START = 0;
constexpr int32_t WORLD_TRACE_STEP = 1;
using WorldTraceHook = void (*)(GameWorld* world, int32_t event);
void SetWorldTraceHook(WorldTraceHook hook); // null: none
// One line of the trace: the frame counter, each live slot's type, x and y,
// and the current user's running score.
std::string FormatWorldTrace(const GameWorld* world);
