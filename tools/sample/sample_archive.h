// The sample "res/base.res" that lets a new user start the game without the
// real data, generated from code: the catalogue with the fonts, the loading
// pictures, the level music and sounds, the frame-dump header, everything
// the menus and the level editor read (menu_archive.h), and a small world
// of five levels with its tiles, level table, camera records and the media
// of the object types it places.
#pragma once

#include <cstdint>
#include <string>

#include "tools/sample/archive_builder.h"
#include "tools/sample/world_archive.h"

// Catalogue groups: every group the game names exists (0..57).
constexpr uint32_t SAMPLE_GROUP_COUNT = 58;
constexpr uint32_t SAMPLE_GROUP_FIRST_FONT = 36; // resource numbers 58..65
constexpr uint32_t SAMPLE_GROUP_MUSIC_TABLE = 1;
constexpr uint32_t SAMPLE_GROUP_SHADOW_LEVELS = 2; // resource number 24
constexpr uint32_t SAMPLE_GROUP_LOADING_PICTURES = 10;
constexpr uint32_t SAMPLE_GROUP_LOADING_ANIMATION = 12;
constexpr uint32_t SAMPLE_GROUP_STATUS_TEXTS = 18;
constexpr uint32_t SAMPLE_GROUP_MUSIC = 45;
constexpr uint32_t SAMPLE_GROUP_LEVEL_START_SOUND = 46;

// Levels: 1 the front end behind the menus, 2, 3 and 4 to play, 4 the
// last level, whose door completes the game by leading to 5, the stage
// behind the ending (reaching it completes the game, and the ending's
// movie covers it). Level 3 is the chase: the chased character, targets,
// a lever, a moving plate, spikes and a pipe chain.
constexpr int32_t SAMPLE_LEVEL_COUNT = 5;
constexpr int32_t SAMPLE_LAST_LEVEL = 4;
constexpr int32_t SAMPLE_ENDING_LEVEL = 5;
constexpr int32_t SAMPLE_CHASE_LEVEL = 3;
// The chase level's door back to level 2, where a player from there
// arrives; its pipe chain lies left of it, up to column 5.
constexpr int32_t SAMPLE_CHASE_DOOR_BACK_COLUMN = 9;
// The chase level's restart point: a player who arrives through the door
// back is already within its reach, so a hurt one comes back here, out of
// the door's reach, and not at the door, which would send it to level 2.
constexpr int32_t SAMPLE_CHASE_RESTART_COLUMN = 11;

// Layer-3 codes. Codes 1 to 6 mark entries 0 to 5 of a level (entry n is
// the cell of code n + 1): code 1 is an inert marker where a level is
// entered from the menus, and an exit's code n (2..6) is both the
// destination it leads through and entry n - 1, so a player who arrives
// through entry n - 1 stands at that exit. The player's own cell makes the
// player the first time only; afterwards its entry record places it.
constexpr uint8_t SAMPLE_CODE_ENTRY = 1;
constexpr uint8_t SAMPLE_CODE_EXIT_BACK = 2;   // level 2 <-> level 3
constexpr uint8_t SAMPLE_CODE_EXIT_FINISH = 3; // level 3 -> the last level -> the ending
constexpr uint8_t SAMPLE_CODE_PLAYER = 7;
constexpr uint8_t SAMPLE_CODE_RESTART_POINT = 8;
constexpr uint8_t SAMPLE_CODE_PICKUP = 10;
constexpr uint8_t SAMPLE_CODE_TARGET_A = 11;
constexpr uint8_t SAMPLE_CODE_TARGET_B = 12;
constexpr uint8_t SAMPLE_CODE_LEVER = 13;
constexpr uint8_t SAMPLE_CODE_PLATFORM = 14;
constexpr uint8_t SAMPLE_CODE_HAZARD = 15;
constexpr uint8_t SAMPLE_CODE_PIPE = 16; // the head of a pipe chain
constexpr uint8_t SAMPLE_CODE_BASIN = 17;
constexpr uint8_t SAMPLE_CODE_CHASE_START = 26;
constexpr uint8_t SAMPLE_CODE_CHASE_STOP = 27;
// The cells a pipe chain runs on name its segments' shapes: the code less
// 228. The head's own shape is 0.
constexpr uint8_t SAMPLE_CODE_PIPE_BEND_DOWN = 229; // shape 1
constexpr uint8_t SAMPLE_CODE_PIPE_STRAIGHT = 233;  // shape 5
constexpr uint8_t SAMPLE_CODE_PIPE_DROP = 238;      // shape 10
// Collision-only codes, clear of the object (1..127), option-gate (18..25),
// fatal-cell (0x81), empty-cell (0x90) and parameter (240..255) codes.
constexpr uint8_t SAMPLE_CODE_SOLID = 130;
constexpr uint8_t SAMPLE_CODE_SLOPE_UP = 131;   // rises to the right (quarter code 4)
constexpr uint8_t SAMPLE_CODE_SLOPE_DOWN = 132; // falls to the right (quarter code 5)
constexpr uint8_t SAMPLE_CODE_ONE_WAY = 133;    // stands from above (quarter code 8)

// Drawn tile codes (layers 0 to 2): the slope that rises to the right,
// and its twin that falls to the right, which the tile set's substitute
// table draws as the rising slope's picture mirrored. The first playable
// level and the last level walk down the twin.
constexpr uint8_t SAMPLE_TILE_SLOPE_UP = 3;
constexpr uint8_t SAMPLE_TILE_SLOPE_DOWN_TWIN = 16;

constexpr int32_t SAMPLE_TYPE_EXIT = 67;
constexpr int32_t SAMPLE_TYPE_CHASE_START = 13; // takes the lever and lets the chased character out
constexpr int32_t SAMPLE_TYPE_CHASE_STOP = 14;  // sends it running ahead of the player
constexpr int32_t SAMPLE_TYPE_HAZARD = 33;
constexpr int32_t SAMPLE_TYPE_PIPE = 35;
constexpr int32_t SAMPLE_TYPE_BASIN = 36; // where the pipe chain's stream ends
constexpr int32_t SAMPLE_TYPE_LEVER = 37;
constexpr int32_t SAMPLE_TYPE_TARGET_A = 41;
constexpr int32_t SAMPLE_TYPE_TARGET_B = 48;
constexpr int32_t SAMPLE_TYPE_PLATFORM = 58;
// A player within its reach comes back here after a hurt.
constexpr int32_t SAMPLE_TYPE_RESTART_POINT = 81;
// Scripts the player's media set holds: every state's script, both
// costumes, the ride and the special stand (the highest is 67).
constexpr int32_t SAMPLE_PLAYER_SCRIPTS = 68;
// The chased character plays script s / 2 in state s; its highest state
// is 85.
constexpr int32_t SAMPLE_CHASED_SCRIPTS = 43;

// The world part: entries 0, 1, 2, the levels, the tile set, the media and
// the level table and camera records.
WorldArchiveSpec MakeSampleWorld();

// The catalogue (entry 3 links to it) around `world`'s level table and
// camera records, with entry 19, the frame-dump header, and entry 56, the
// help pages' catalogue, among the fixed entries below SAMPLE_GROUP_BASE;
// without an argument, around the sample world's. Alone it is an archive
// with no levels.
CatalogueBuilder MakeSampleCatalogue(const WorldArchiveSpec& world);
CatalogueBuilder MakeSampleCatalogue();

// The whole archive: the catalogue, then the world's entries. The level
// files are outside entries naming SampleLevelFilePath(L), where the
// editor saves level L: ArchiveBuilder::WriteToFile writes them in the
// current folder.
ArchiveBuilder BuildSampleArchive(WorldArchiveLayout* layout = nullptr);

// Writes the archive to `path` and the level files to `levelFiles.folder`
// (the game's working folder; by default the current one), keeping any
// level file already there unless told to overwrite; false on a write
// error.
bool WriteSampleArchive(const std::string& path, const OutsideFileOptions& levelFiles = {});
