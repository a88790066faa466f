#include "menus/play_dialog.h"

#include "menus/base_menu.h"
#include "ui/button.h"
#include "ui/cursor.h"
#include "ui/scrollbar.h"
#include "ui/text.h"

namespace {

// The title sits in the frame's top band.
constexpr int32_t kTitleTop = 35;
constexpr int32_t kColumnLeft = 50;
// The scrollbar stands at the frame's right edge, above the column.
constexpr int32_t kScrollbarLeft = 457;
constexpr int32_t kScrollbarTop = 98;
constexpr int32_t kScrollbarMargin = 183;
constexpr int32_t kScrollHoldDelay = 15;
constexpr int32_t kButtonRowFromBottom = 110;

CText* NewPlainText(int32_t fontSlot) {
    CText* text = new CText();
    text->SetFont(fontSlot);
    text->SetIndent(0);
    text->SetLineSpacing(0);
    return text;
}

int32_t HiddenHeight(const CBaseMenu& menu, int32_t textHeight) {
    return textHeight - menu.height + DIALOG_COLUMN_MARGIN;
}

// A float offset far outside the screen stops at a bound instead of
// overflowing the conversion.
int32_t TruncateOffset(float value) {
    if (!(value > -1.0e9f && value < 1.0e9f))
        return 0;
    return static_cast<int32_t>(value);
}

} // namespace

CText* NewDialogTitle(const CBaseMenu& menu) {
    CText* title = NewPlainText(1);
    title->SetWrap(menu.width - 20, -1, TEXT_ALIGN_CENTER);
    title->SetClipRect(menu.x, menu.y + kTitleTop - 1, menu.width - 20, 2048);
    title->SetScroll(menu.x, menu.y + kTitleTop);
    return title;
}

CText* NewDialogColumn(const CBaseMenu& menu, int32_t align) {
    CText* column = NewPlainText(0);
    column->SetWrap(menu.width - 120, -1, align);
    column->SetClipRect(menu.x + 40, menu.y + DIALOG_COLUMN_TOP - 1, menu.width - 100,
                        menu.height - DIALOG_COLUMN_MARGIN);
    column->SetScroll(menu.x + kColumnLeft, menu.y + DIALOG_COLUMN_TOP);
    return column;
}

void ScrollDialogColumn(const CBaseMenu& menu, CText* column) {
    float hidden = static_cast<float>(HiddenHeight(menu, column->GetTextHeight()));
    int32_t offset = TruncateOffset(-menu.GetScrollPosition() * hidden);
    column->SetScroll(menu.x + kColumnLeft, menu.y + DIALOG_COLUMN_TOP + offset);
}

void ShowDialogScrollbar(CBaseMenu* menu, int32_t textHeight) {
    if (textHeight <= menu->height - DIALOG_COLUMN_MARGIN)
        return;
    if (menu->scrollbar == nullptr)
        menu->scrollbar = new CScrollbar(menu->x + kScrollbarLeft, menu->y + kScrollbarTop,
                                         menu->height - kScrollbarMargin, SCROLLBAR_VERTICAL);
    menu->scrollbar->SetSelected(1);
    // A press moves 30 pixels of the text, a held key 3 a frame.
    float hidden = static_cast<float>(HiddenHeight(*menu, textHeight));
    menu->scrollbar->SetSteps(30.0f / hidden, 3.0f / hidden, kScrollHoldDelay);
}

void PlaceDialogButton(const CBaseMenu& menu, CSButton* button, int32_t rowX) {
    button->SetGeometry(rowX, menu.y + menu.height - kButtonRowFromBottom, DIALOG_BUTTON_WIDTH);
}

bool LeftReleasedOverButton(const CControl& owner, const CControl* button) {
    return owner.buttonEdges[0] < 0 && button != nullptr && button->IsHovered() != 0;
}

int32_t DrawDialogTwice(CBaseMenu* menu) {
    menu->DrawWithCursor();
    menu->DrawChildren();
    menu->cursor->Draw(menu->mouseX, menu->mouseY);
    return 1;
}
