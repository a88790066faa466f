// The end-of-level tally: counts up, line by line, the level's base points,
// the share of each kind of collectable taken with the bonus it earns, the
// hits, the penalty cut and the total, and works out the points the level
// adds to the player's score (bonuses less the cut) into the level's record.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "menus/base_menu.h"

class CText;
class CSButton;
struct LevelStatusRecord;

constexpr uint32_t TALLY_TEXT_GROUP = 35;
constexpr int32_t TALLY_LAST_PHASE = 10; // every line shown in full
constexpr int32_t TALLY_PROGRESS_STEP = 3;
constexpr int32_t TALLY_VALUE_COUNT = 8;

// The tally's figures; 64 bits, so that large bases do not overflow on the
// way. What is shown and stored is cut to 32 bits.
struct TallyFigures {
    int64_t base;
    int64_t percentA;
    int64_t bonusA;
    int64_t percentB;
    int64_t bonusB;
    int64_t hits;
    int64_t cut;
    int64_t total;
    int64_t result; // bonuses less the cut: what the level adds
};
TallyFigures ComputeTally(const LevelStatusRecord& record);

// The eight values of the values format while line `phase` counts at
// `progress` percent: base, percentA, bonusA, percentB, bonusB, hits, the
// cut (negated) and the total. Earlier lines in full, later ones 0.
std::array<int32_t, TALLY_VALUE_COUNT> TallyValuesShown(const TallyFigures& figures, int32_t phase,
                                                        int32_t progress);

class CLevelStatus : public CBaseMenu {
public:
    // `levelRecord` is the world's, not owned; its result is written on
    // every update.
    explicit CLevelStatus(LevelStatusRecord* levelRecord);

    // The children and the cursor are drawn twice a frame. 1.
    int32_t Draw() override;
    // One frame of the count-up, then the input step: CONTROL_RESULT_KEEP,
    // or CONTROL_RESULT_CLOSE once the player closes the finished tally.
    int32_t Update() override;
    int32_t HandleInput(int32_t inMouseX, int32_t inMouseY, int32_t inButtonMask,
                        const uint8_t* inKeyStates, int32_t inKeyCount) override;
    // One frame of the count-up; writes the record's result points.
    void StepTally();

    // Children, owned through the child list.
    CText* title;
    CText* labels;
    CText* values;
    CSButton* okButton;
    int32_t phase = 0;    // the line being counted; 10 = all shown
    int32_t progress = 0; // of the current line, 0..100 in steps of 3
    std::u16string labelsText;
    std::u16string valuesFormat;
    LevelStatusRecord* record;

private:
    void ShowValues(const std::array<int32_t, TALLY_VALUE_COUNT>& shown);
};
