// Drawing into images in memory: copies and blends between 32-bit ARGB
// images, and rectangle fills. Both images must be IMAGE_FMT_32 with CPU
// pixels; anything else draws nothing.
#pragma once

#include <cstdint>

struct SpriteRecord;

// 256 entries, one per alpha a: four times a, then four times 255 - a.
extern uint16_t gBlendTable[256][8];

void BuildBlendTable();

// Draws record->source into record->target: copy, per-pixel alpha blend
// (SPRITE_FLAG_ALPHA) or mask (SPRITE_FLAG_MASK alone), mirrored on request.
void SoftwareBlit(const SpriteRecord* record);

// Fills a rectangle of record->target; the fill mode is record->flags:
// 0 solid, 1 checkerboard, 8 blend with the colour's alpha. Other modes
// draw nothing.
void SoftwareFillRect(const SpriteRecord* record);

constexpr uint16_t FILL_MODE_SOLID = 0;
constexpr uint16_t FILL_MODE_CHECKER = 1;
constexpr uint16_t FILL_MODE_BLEND = 8;

// One pixel blended over another with alpha `a`, channel by channel
// (alpha included) through the blend table's factors.
uint32_t BlendPixel(uint32_t foreground, uint32_t background, uint32_t a);
