// The status overlay: one control for the whole program, refilled from the
// world on every frame it is drawn.
#include "world/status_overlay.h"

#include <cstdlib>
#include <string>

#include "engine/catalogue.h"
#include "engine/config.h"
#include "engine/wformat.h"
#include "menus/save_file.h"
#include "ui/text.h"
#include "world/game_world.h"

namespace {

constexpr int32_t kLineScrollX = 50;
constexpr int32_t kIconScrollY = 95;
constexpr int32_t kWrapMargin = 100;
constexpr int32_t kWrapHeight = 2048;

constexpr int32_t kLevelWithoutOverlay = 1;
constexpr int32_t kLastLevelWord = 11;
constexpr int32_t kNoOverlayLevelWord = 12;

void SetFormatted(CText* text, const char16_t* format, std::initializer_list<WFormatArg> args) {
    if (format == nullptr) {
        text->SetText(nullptr);
        return;
    }
    const std::u16string line = WFormat(format, args);
    text->SetText(line.c_str());
}

} // namespace

CGameStatus gGameStatus;

CGameStatus::CGameStatus()
    : line1(new CText()), line2(new CText()), line3(new CText()), icons(new CText()) {
    AddChild(line1);
    AddChild(line2);
    AddChild(line3);
    AddChild(icons);
}

CGameStatus::~CGameStatus() {
    for (char16_t*& format : formats) {
        std::free(format);
        format = nullptr;
    }
}

void CGameStatus::Layout() {
    if (laidOut != 0)
        return;
    line1->SetFont(kStatusFlagFont);
    line2->SetFont(kStatusScoreFont);
    line3->SetFont(kStatusScoreFont);
    icons->SetFont(kStatusFlagFont);
    line1->SetScroll(kLineScrollX, 0);
    line2->SetScroll(kLineScrollX, 0);
    line3->SetScroll(kLineScrollX, 0);
    icons->SetScroll(kLineScrollX, kIconScrollY);
    const int32_t wrap = gConfig.screenWidth - kWrapMargin;
    line1->SetWrap(wrap, kWrapHeight, TEXT_ALIGN_LEFT);
    line2->SetWrap(wrap, kWrapHeight, TEXT_ALIGN_RIGHT);
    line3->SetWrap(wrap, kWrapHeight, TEXT_ALIGN_LEFT);
    icons->SetWrap(wrap, kWrapHeight, TEXT_ALIGN_LEFT);

    // The group may hold fewer items than there are lines: an item index is
    // checked against it, not just against the whole archive.
    const uint32_t items = GetGroupSize(&gResourceCatalogue, kStatusFormatGroup);
    for (int32_t i = 0; i < kStatusFormatCount; ++i) {
        std::free(formats[i]);
        formats[i] = static_cast<uint32_t>(i) < items
                         ? LoadResourceText(&gResourceCatalogue,
                                            kStatusFormatGroup + RESOURCE_NUMBER_BASE,
                                            static_cast<uint32_t>(i))
                         : nullptr;
    }
}

void CGameStatus::SetLine1(int32_t counter) {
    SetFormatted(line1, formats[0],
                 {counter >= 1 ? 1 : 0, counter >= 2 ? 1 : 0, counter >= 3 ? 1 : 0});
}

void CGameStatus::SetLine2(uint32_t score) {
    SetFormatted(line2, formats[1], {score});
}

void CGameStatus::SetLine3(uint32_t count) {
    SetFormatted(line3, formats[2], {count});
}

void CGameStatus::ShowLine3(int32_t flag) {
    line3->SetVisible(flag);
}

void CGameStatus::SetIcons(int32_t flag, int32_t a, int32_t b) {
    const char16_t text[] = {a >= 1 ? u'3' : u'5', a >= 2 ? u'3' : u'5', b >= 1 ? u'4' : u'6', 0};
    icons->SetText(text);
    icons->SetVisible(flag);
}

void DrawGameStatus(GameWorld* world, int32_t showLine3, int32_t showIcons) {
    if (world->gameLevel == kLevelWithoutOverlay ||
        world->currentLevel == LevelWord(world, kNoOverlayLevelWord) ||
        world->currentLevel == LevelWord(world, kLastLevelWord))
        return;
    CGameStatus& status = gGameStatus;
    status.Layout();
    status.SetLine1(world->levelStatus.counter);
    const UserRecord* user = CurrentUserRecord();
    status.SetLine2(user != nullptr ? static_cast<uint32_t>(user->runningScore) : 0);
    status.SetLine3(static_cast<uint32_t>(world->player.hudCount));
    status.ShowLine3(showLine3);
    status.SetIcons(showIcons, world->player.hudIcon1, world->player.hudIcon2);
    status.Update();
    status.Draw();
}
