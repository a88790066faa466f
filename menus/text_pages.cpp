#include "menus/text_pages.h"

#include <algorithm>
#include <utility>

#include "engine/catalogue.h"
#include "engine/config.h"
#include "engine/wformat.h"
#include "menus/dialog_parts.h"
#include "menus/save_file.h"
#include "ui/button.h"
#include "ui/cursor.h"
#include "ui/scrollbar.h"
#include "ui/text.h"

namespace {

constexpr int32_t kBodyFont = 0;
constexpr int32_t kTitleFont = 1;
constexpr int32_t kHiscoreLineSpacing = 10;
constexpr int32_t kButtonWidth = 300;
constexpr int32_t kScrollKeyDelay = 15;
// How much of the dialog's height is not the view of the body.
constexpr int32_t kViewMargin = 225;

std::u16string HiscoreName(const HiscoreEntry& entry) {
    // Bounded: a name loaded from a file need not be terminated.
    const char16_t* end = std::find(entry.name, entry.name + SAVE_NAME_UNITS, u'\0');
    return std::u16string(entry.name, end);
}

} // namespace

// ---- shared ----------------------------------------------------------------

void CScrollPageMenu::SetPageGeometry() {
    height = gConfig.screenHeight - 100;
    x = CentredDialogX(width);
    y = 50;
    closeButton->SetGeometry(x + (width - kButtonWidth) / 2, y + height - 110, kButtonWidth);
    framed = 0;
}

int32_t CScrollPageMenu::ScrollRange(const CText* text) const {
    int64_t range = static_cast<int64_t>(text->GetTextHeight()) - height + kViewMargin;
    return static_cast<int32_t>(std::clamp<int64_t>(range, 0, INT32_MAX));
}

void CScrollPageMenu::PlaceScrolled(CText* text) {
    int32_t range = ScrollRange(text);
    int32_t offset = 0;
    // A text that fits its view stays at the top, whatever the thumb says.
    if (range > 0) {
        float position = GetScrollPosition();
        position = position > 0.0f ? std::min(position, 1.0f) : 0.0f; // NaN too
        offset = static_cast<int32_t>(-position * static_cast<float>(range));
    }
    int64_t top = static_cast<int64_t>(y) + 128 + offset;
    text->SetScroll(x + 50, static_cast<int32_t>(std::clamp<int64_t>(top, INT32_MIN, INT32_MAX)));
}

void CScrollPageMenu::UpdateScrollSteps() {
    if (scrollbar == nullptr)
        return;
    int32_t range = ScrollRange(MeasuredText());
    if (range > 0)
        scrollbar->SetSteps(static_cast<float>(30.0 / range), static_cast<float>(3.0 / range),
                            kScrollKeyDelay);
    else
        scrollbar->SetSteps(0.0f, 0.0f, kScrollKeyDelay);
}

void CScrollPageMenu::LayoutTitle() {
    title->SetWrap(width - 20, -1, TEXT_ALIGN_CENTER);
    title->SetClipRect(x, y + 34, width - 20, 2048);
    title->SetScroll(x, y + 35);
}

void CScrollPageMenu::LayoutColumn(CText* text, int32_t align) {
    text->SetWrap(width - 120, -1, align);
    text->SetClipRect(x + 40, y + 127, width - 100, height - kViewMargin);
}

void CScrollPageMenu::ShowScrollbar() {
    if (scrollbar == nullptr)
        scrollbar = new CScrollbar(x + 457, y + 98, height - 183, SCROLLBAR_VERTICAL);
    scrollbar->SetSelected(1);
    UpdateScrollSteps();
}

// The close keys come first: Space also scrolls a selected scrollbar, and
// would otherwise never close the page.
int32_t CScrollPageMenu::Decide() {
    bool closeKey =
        keyEdges[KEY_ESCAPE] == 1 || keyEdges[KEY_RETURN] == 1 || keyEdges[KEY_SPACE] == 1;
    bool clicked = buttonEdges[0] == -1 && closeButton->IsHovered() != 0;
    if (closeKey || clicked) {
        PlayDialogClick();
        return CONTROL_RESULT_CLOSE;
    }
    if (scrollbar != nullptr && scrollbar->IsKeyScrolling() != 0) {
        scrollbar->GetThumbCenter(&mouseX, &mouseY);
        return CONTROL_RESULT_CURSOR_MOVED;
    }
    return CONTROL_RESULT_KEEP;
}

int32_t CScrollPageMenu::Draw() {
    if (framed != 0) {
        DrawWithCursor();
    } else {
        DrawChildren();
        cursor->Draw(mouseX, mouseY);
    }
    return 1;
}

// ---- text page -------------------------------------------------------------

CTextScrollMenu::CTextScrollMenu() {
    body = new CText();
    body->SetFont(kBodyFont);
    AddChild(body);
    title = new CText();
    title->SetFont(kTitleFont);
    AddChild(title);
    closeButton = new CSButton();
    AddChild(closeButton);
    SetPageGeometry();
    LayoutColumn(body, TEXT_ALIGN_CENTER);
    LayoutTitle();
}

void CTextScrollMenu::SetPage(int32_t id) {
    int64_t group = static_cast<int64_t>(id) - RESOURCE_NUMBER_BASE;
    bool valid = group >= 0 && group <= INT32_MAX;
    uint32_t g = valid ? static_cast<uint32_t>(group) : 0;
    bodyText = valid ? DialogText(g, 0) : std::u16string();
    titleText = valid ? DialogText(g, 1) : std::u16string();
    captionText = valid ? DialogText(g, 2) : std::u16string();
    body->SetText(bodyText.c_str());
    title->SetText(titleText.c_str());
    closeButton->SetLabel(captionText.c_str());
    LayoutColumn(body, TEXT_ALIGN_CENTER);
    LayoutTitle();
    UpdateScrollSteps();
    PlaceScrolled(body);
}

int32_t CTextScrollMenu::HandleInput(int32_t inMouseX, int32_t inMouseY, int32_t inButtonMask,
                                     const uint8_t* inKeyStates, int32_t inKeyCount) {
    TakeInput(inMouseX, inMouseY, inButtonMask, inKeyStates, inKeyCount);
    PlaceScrolled(body);
    return Decide();
}

// ---- hiscores --------------------------------------------------------------

HiscoreColumns FormatHiscoreColumns() {
    int32_t order[SAVE_HISCORE_COUNT];
    for (int32_t i = 0; i < SAVE_HISCORE_COUNT; ++i)
        order[i] = i;
    auto score = [](int32_t e) { return gSaveBlock.hiscores[e].score; };
    // An exchange sort: equal scores keep the order it leaves them in.
    for (int32_t i = 0; i < SAVE_HISCORE_COUNT - 1; ++i) {
        for (int32_t j = i + 1; j < SAVE_HISCORE_COUNT; ++j) {
            if (score(order[i]) < score(order[j]))
                std::swap(order[i], order[j]);
        }
    }
    HiscoreColumns columns;
    for (int32_t k = 0; k < SAVE_HISCORE_COUNT; ++k) {
        const HiscoreEntry& entry = gSaveBlock.hiscores[order[k]];
        if (entry.score == 0)
            break;
        columns.names += EscapeTextTags(HiscoreName(entry).c_str());
        columns.names += TEXT_CODE_CR;
        columns.scores += WFormat(u"%d", {entry.score});
        columns.scores += TEXT_CODE_CR;
    }
    return columns;
}

CHiscoresShowMenu::CHiscoresShowMenu() {
    names = new CText();
    names->SetFont(kBodyFont);
    names->SetLineSpacing(kHiscoreLineSpacing);
    AddChild(names);
    scores = new CText();
    scores->SetFont(kBodyFont);
    scores->SetLineSpacing(kHiscoreLineSpacing);
    AddChild(scores);
    title = new CText();
    title->SetFont(kTitleFont);
    AddChild(title);
    closeButton = new CSButton();
    AddChild(closeButton);
    SetPageGeometry();
    LoadTexts();
}

void CHiscoresShowMenu::FillTable() {
    HiscoreColumns columns = FormatHiscoreColumns();
    names->SetText(columns.names.c_str());
    scores->SetText(columns.scores.c_str());
}

void CHiscoresShowMenu::LoadTexts() {
    FillTable();
    titleText = DialogText(HISCORES_TEXT_GROUP, 1);
    captionText = DialogText(HISCORES_TEXT_GROUP, 2);
    title->SetText(titleText.c_str());
    closeButton->SetLabel(captionText.c_str());
    LayoutColumn(names, TEXT_ALIGN_LEFT);
    LayoutColumn(scores, TEXT_ALIGN_RIGHT);
    LayoutTitle();
    UpdateScrollSteps();
    PlaceScrolled(names);
    PlaceScrolled(scores);
}

int32_t CHiscoresShowMenu::HandleInput(int32_t inMouseX, int32_t inMouseY, int32_t inButtonMask,
                                       const uint8_t* inKeyStates, int32_t inKeyCount) {
    TakeInput(inMouseX, inMouseY, inButtonMask, inKeyStates, inKeyCount);
    PlaceScrolled(names);
    PlaceScrolled(scores);
    return Decide();
}
