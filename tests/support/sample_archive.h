// The sample "res/base.res" that lets a new user start the game without the
// real data: the catalogue and placeholder content for everything the game
// reads so far, generated from code.
#pragma once

#include <string>

#include "tests/support/archive_builder.h"

constexpr uint32_t SAMPLE_GROUP_FIRST_FONT = 36; // resource numbers 58..65
constexpr uint32_t SAMPLE_GROUP_COUNT = 44;

CatalogueBuilder MakeSampleCatalogue();
// Writes the archive and any external files; false on a write error.
bool WriteSampleArchive(const std::string& path);
