// The status overlay at the top of the play screen: three flags, the
// running score, a counter line on one level and three icons on another.
#pragma once

#include <cstdint>

#include "ui/control.h"

class CText;
struct GameWorld;

constexpr int32_t kStatusFlagFont = 4;
constexpr int32_t kStatusScoreFont = 3;
constexpr uint32_t kStatusFormatGroup = 18;
constexpr int32_t kStatusFormatCount = 3;

class CGameStatus : public CControl {
public:
    CGameStatus();
    ~CGameStatus() override;

    // Sets the lines' fonts, placing and wrapping, and reads the formats
    // from the archive again, so that a changed archive shows at once.
    void Layout();
    // Format 0 with 1 or 0 for a counter of at least 1, 2 and 3.
    void SetLine1(int32_t counter);
    void SetLine2(uint32_t score);
    void SetLine3(uint32_t count);
    void ShowLine3(int32_t flag);
    // "3" or "5" for a >= 1 and a >= 2, then "4" or "6" for b >= 1: the icon
    // font's filled and empty icons of two kinds.
    void SetIcons(int32_t flag, int32_t a, int32_t b);

    // Owned through the child list.
    CText* line1;
    CText* line2;
    CText* line3;
    CText* icons;
    // Nothing sets it: the layout is redone on every draw.
    uint32_t laidOut = 0;
    // Zero-terminated UTF-16, freed with free(); null when missing.
    char16_t* formats[kStatusFormatCount] = {};
};

extern CGameStatus gGameStatus;

// Fills the overlay from the world and draws it, except on the levels that
// show none.
void DrawGameStatus(GameWorld* world, int32_t showLine3, int32_t showIcons);
