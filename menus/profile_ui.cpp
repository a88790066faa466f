#include "menus/profile_ui.h"

#include "ui/text.h"

CText* NewProfileText(int32_t slot) {
    CText* text = new CText();
    text->SetFont(slot);
    text->SetIndent(0);
    text->SetLineSpacing(0);
    return text;
}

void LayoutProfileTitle(CText* title, int32_t x, int32_t y, int32_t w) {
    title->SetWrap(w - 20, -1, TEXT_ALIGN_CENTER);
    title->SetClipRect(x, y + 34, w - 20, 2048);
    title->SetScroll(x, y + 35);
}

void LayoutProfileTexts(CText* body, CText* title, int32_t x, int32_t y, int32_t w, int32_t h) {
    body->SetWrap(w - 120, -1, TEXT_ALIGN_CENTER);
    body->SetClipRect(x + 40, y + 127, w - 100, h - 225);
    LayoutProfileTitle(title, x, y, w);
}

void PlaceProfileBody(CText* body, int32_t x, int32_t y) {
    body->SetScroll(x + 50, y + 128);
}
