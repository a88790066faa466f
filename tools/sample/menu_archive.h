// The front end's part of the sample archive: everything the menus, the
// movie and picture screens, the dialogs and the level editor read. Their
// pictures, texts, movies and sounds, the level-table words the menus read,
// and the help pages' own catalogue.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/sample/archive_builder.h"
#include "tools/sample/world_archive.h"

// Fixed entries below the catalogue's groups: the world's (0..19) and the
// help pages' catalogue root at 56.
constexpr uint32_t SAMPLE_GROUP_BASE = 64;
constexpr uint32_t SAMPLE_HELP_ROOT_ENTRY = 56;

// Catalogue groups the front end reads.
constexpr uint32_t SAMPLE_GROUP_EDITOR_POINTERS = 5; // 0 the pointer, 1 the cell frame
constexpr uint32_t SAMPLE_GROUP_EDITOR_ICONS = 6;    // item c: the icon of layer-3 code c
constexpr uint32_t SAMPLE_GROUP_EDITOR_PATHS = 7;    // item L - 1: level L's file
constexpr uint32_t SAMPLE_GROUP_CURSOR = 8;
constexpr uint32_t SAMPLE_GROUP_MAIN_MENU = 9;
constexpr uint32_t SAMPLE_GROUP_PICTURES = 10; // 0 the opening picture, L - 1 level L loading
constexpr uint32_t SAMPLE_GROUP_MOVIES = 11;   // 0, 1 opening, 2 intro, 3 ending
constexpr uint32_t SAMPLE_GROUP_DIALOG_FRAME = 13;
constexpr uint32_t SAMPLE_GROUP_VERTICAL_SCROLL = 14;
constexpr uint32_t SAMPLE_GROUP_HORIZONTAL_SCROLL = 15;
constexpr uint32_t SAMPLE_GROUP_BUTTON_SKIN = 16;
constexpr uint32_t SAMPLE_GROUP_PROFILE_SKIN = 17;
constexpr uint32_t SAMPLE_GROUP_TEXT_PAGE = 19;
constexpr uint32_t SAMPLE_GROUP_HISCORE_TEXTS = 20;
constexpr uint32_t SAMPLE_GROUP_HISCORE_NAMES = 22;
constexpr uint32_t SAMPLE_GROUP_OPTIONS_TEXTS = 24;
constexpr uint32_t SAMPLE_GROUP_NAME_ENTRY_TEXTS = 25;
constexpr uint32_t SAMPLE_GROUP_USER_SELECT_TEXTS = 26;
constexpr uint32_t SAMPLE_GROUP_DELETE_TEXTS = 27;
constexpr uint32_t SAMPLE_GROUP_NAME_TAKEN_TEXTS = 28;
constexpr uint32_t SAMPLE_GROUP_LEVEL_CHANGE_TEXTS = 29;
constexpr uint32_t SAMPLE_GROUP_MAP = 30; // 0 the layout, 1..26 the pictures
constexpr uint32_t SAMPLE_GROUP_PAUSE_TEXTS = 31;
constexpr uint32_t SAMPLE_GROUP_HELP_TEXTS = 32;
constexpr uint32_t SAMPLE_GROUP_MAP_MARKER = 33; // 0 the marker, 1 a rope
constexpr uint32_t SAMPLE_GROUP_TALLY_TEXTS = 35;
constexpr uint32_t SAMPLE_GROUP_MAP_SOUND = 47;
constexpr uint32_t SAMPLE_GROUP_CLICK_SOUND = 48;

// Picture sizes the screens' layouts are built around.
constexpr int32_t SAMPLE_DIALOG_WIDTH = 580;
constexpr int32_t SAMPLE_DIALOG_BODY_HEIGHT = 560;
constexpr int32_t SAMPLE_DIALOG_BOTTOM_HEIGHT = 40;
constexpr int32_t SAMPLE_MAIN_MENU_PICTURES = 15;
constexpr int32_t SAMPLE_MOVIE_WIDTH = 160;
constexpr int32_t SAMPLE_MOVIE_HEIGHT = 120;
constexpr int32_t SAMPLE_MOVIE_FPS = 25;
constexpr int32_t SAMPLE_MOVIE_FRAMES = 90;

// The level map: nine buttons (destinations 0..7, then back) and a marker
// for each destination reached, 16 bytes a record.
constexpr int32_t SAMPLE_MAP_PICTURES = 26;
constexpr int32_t SAMPLE_MAP_BUTTONS = 9;
constexpr int32_t SAMPLE_MAP_RECORDS = 18;

// Where the editor saves level L: a file in the game's working folder.
std::string SampleLevelFilePath(int32_t level);

// The words of the level table the menus read: the score levels (13..20),
// the menu overlay flag (28) and the default hiscores (29..38). The table
// must hold at least 39 words.
void SetMenuLevelTableWords(std::vector<int32_t>* words);

// Fills the front end's groups of `catalogue` (made with every group the
// game names, each holding one placeholder) for `world`'s levels, moves
// the groups up to SAMPLE_GROUP_BASE and puts the help pages at
// SAMPLE_HELP_ROOT_ENTRY.
void AddMenuGroups(CatalogueBuilder* catalogue, const WorldArchiveSpec& world);

// The help pages: group g holds the pages of level g + 2.
CatalogueBuilder MakeHelpCatalogue();

// Movie `item` of the movie group: SAMPLE_MOVIE_FRAMES frames (3.6 s) of
// XviD video with a Vorbis tune as long, in an Ogg file.
std::vector<uint8_t> SampleMovie(int32_t item);
