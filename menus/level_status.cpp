#include "menus/level_status.h"

#include <algorithm>

#include "engine/config.h"
#include "engine/wformat.h"
#include "menus/dialog_parts.h"
#include "menus/play_dialog.h"
#include "ui/button.h"
#include "ui/scrollbar.h"
#include "ui/text.h"
#include "world/game_world.h"

// The UI flow clears the record by its 28 bytes.
static_assert(sizeof(LevelStatusRecord) == kLevelStatusFileBytes, "record size");

namespace {

enum TallyText : uint32_t {
    TALLY_TEXT_TITLE = 0,
    TALLY_TEXT_OK = 1,
    TALLY_TEXT_LABELS = 2,
    TALLY_TEXT_VALUES = 3,
};

// The line of each value; lines 5 and 6 are pauses with nothing new.
enum TallyLine : int32_t {
    LINE_BASE = 0,
    LINE_PERCENT_A = 1,
    LINE_BONUS_A = 2,
    LINE_PERCENT_B = 3,
    LINE_BONUS_B = 4,
    LINE_HITS = 7,
    LINE_CUT = 8,
    LINE_TOTAL = 9,
};

// How a value appears while its line counts: growing with the progress, or
// all at once after the first quarter.
enum class CountUp { Scaled, AtQuarter };

struct ValueRow {
    int32_t line;
    CountUp style;
};

// In the order of the values format.
constexpr ValueRow kValueRows[TALLY_VALUE_COUNT] = {
    {LINE_BASE, CountUp::Scaled},       // base
    {LINE_PERCENT_A, CountUp::Scaled},  // percentA
    {LINE_BONUS_A, CountUp::AtQuarter}, // bonusA
    {LINE_PERCENT_B, CountUp::Scaled},  // percentB
    {LINE_BONUS_B, CountUp::AtQuarter}, // bonusB
    {LINE_HITS, CountUp::AtQuarter},    // hits
    {LINE_CUT, CountUp::Scaled},        // -cut
    {LINE_TOTAL, CountUp::AtQuarter},   // total
};

// A bonus starts at half of the kind taken.
constexpr int64_t kBonusThreshold = 50;

int32_t WrapToInt32(int64_t value) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value)));
}

int64_t Percent(uint16_t got, uint16_t count) {
    return count != 0 ? static_cast<int64_t>(got) * 100 / count : 0;
}

int64_t ShownValue(const ValueRow& row, int64_t value, int32_t phase, int32_t progress) {
    if (phase > row.line)
        return value;
    if (phase < row.line)
        return 0;
    if (row.style == CountUp::Scaled)
        return value * progress / 100;
    return progress >= 25 ? value : 0;
}

} // namespace

TallyFigures ComputeTally(const LevelStatusRecord& record) {
    TallyFigures f{};
    f.base = record.basePoints;
    f.percentA = Percent(record.gotA, record.countA);
    // 20 % of the base at half taken, rising evenly to 100 % at all taken.
    if (f.percentA >= kBonusThreshold)
        f.bonusA = ((f.percentA * 8 - 400) / 5 + 20) * f.base / 100;
    f.percentB = Percent(record.gotB, record.countB);
    if (f.percentB >= kBonusThreshold)
        f.bonusB = f.percentB * f.base / 100;
    f.hits = record.hits;
    int64_t sum = f.base + f.bonusA + f.bonusB;
    f.cut = std::min<int64_t>(record.penalty, sum);
    f.total = sum - f.cut;
    // The base points are in the running score already.
    f.result = f.bonusA + f.bonusB - f.cut;
    return f;
}

std::array<int32_t, TALLY_VALUE_COUNT> TallyValuesShown(const TallyFigures& f, int32_t phase,
                                                        int32_t progress) {
    const int64_t full[TALLY_VALUE_COUNT] = {f.base,   f.percentA, f.bonusA, f.percentB,
                                             f.bonusB, f.hits,     -f.cut,   f.total};
    std::array<int32_t, TALLY_VALUE_COUNT> shown{};
    for (int32_t i = 0; i < TALLY_VALUE_COUNT; ++i)
        shown[static_cast<size_t>(i)] =
            WrapToInt32(ShownValue(kValueRows[i], full[i], phase, progress));
    return shown;
}

CLevelStatus::CLevelStatus(LevelStatusRecord* levelRecord) : record(levelRecord) {
    height = gConfig.screenHeight - 50;
    x = CentredDialogX(width);
    y = 25;
    title = NewDialogTitle(*this);
    labels = NewDialogColumn(*this, TEXT_ALIGN_LEFT);
    values = NewDialogColumn(*this, TEXT_ALIGN_RIGHT);
    okButton = new CSButton();
    AddChild(title);
    AddChild(labels);
    AddChild(values);
    AddChild(okButton);
    PlaceDialogButton(*this, okButton, x + (width - DIALOG_BUTTON_WIDTH) / 2);
    mouseX = x + width - DIALOG_BUTTON_WIDTH;
    mouseY = y + height - 55;
    title->SetText(DialogText(TALLY_TEXT_GROUP, TALLY_TEXT_TITLE).c_str());
    okButton->SetLabel(DialogText(TALLY_TEXT_GROUP, TALLY_TEXT_OK).c_str());
    labelsText = DialogText(TALLY_TEXT_GROUP, TALLY_TEXT_LABELS);
    valuesFormat = DialogText(TALLY_TEXT_GROUP, TALLY_TEXT_VALUES);
    labels->SetText(labelsText.c_str());
    ShowDialogScrollbar(this, labels->GetTextHeight());
}

void CLevelStatus::StepTally() {
    labels->SetVisibleLines(0, phase, 0);
    values->SetVisibleLines(0, phase, 0);
    LevelStatusRecord none{};
    TallyFigures figures = ComputeTally(record != nullptr ? *record : none);
    if (record != nullptr)
        record->resultPoints = WrapToInt32(figures.result);
    int32_t shownProgress = progress;
    progress += TALLY_PROGRESS_STEP;
    if (progress > 100) {
        if (phase < TALLY_LAST_PHASE) {
            phase += 1;
            progress = 0;
        } else {
            progress = 100; // the finished tally stops counting
        }
    }
    ShowValues(TallyValuesShown(figures, phase, shownProgress));
}

// The values change only while counting: an unchanged text keeps its glyphs.
void CLevelStatus::ShowValues(const std::array<int32_t, TALLY_VALUE_COUNT>& shown) {
    WFormatArg args[TALLY_VALUE_COUNT] = {shown[0], shown[1], shown[2], shown[3],
                                          shown[4], shown[5], shown[6], shown[7]};
    std::u16string text = WFormat(valuesFormat.c_str(), args, TALLY_VALUE_COUNT);
    if (values->hasText && values->text == text)
        return;
    values->SetText(text.c_str());
}

int32_t CLevelStatus::Update() {
    StepTally();
    return CBaseMenu::Update();
}

int32_t CLevelStatus::Draw() {
    return DrawDialogTwice(this);
}

int32_t CLevelStatus::HandleInput(int32_t inMouseX, int32_t inMouseY, int32_t inButtonMask,
                                  const uint8_t* inKeyStates, int32_t inKeyCount) {
    TakeInput(inMouseX, inMouseY, inButtonMask, inKeyStates, inKeyCount);
    ScrollDialogColumn(*this, labels);
    ScrollDialogColumn(*this, values);
    if (scrollbar != nullptr && scrollbar->IsKeyScrolling() != 0) {
        scrollbar->GetThumbCenter(&mouseX, &mouseY);
        return CONTROL_RESULT_CURSOR_MOVED;
    }
    if (HasKeyEdge(1) == 0 && !LeftReleasedOverButton(*this, okButton))
        return CONTROL_RESULT_KEEP;
    // The first press while counting shows everything; the next closes.
    if (phase < TALLY_LAST_PHASE) {
        phase = TALLY_LAST_PHASE;
        return CONTROL_RESULT_KEEP;
    }
    PlayDialogClick();
    return CONTROL_RESULT_CLOSE;
}
