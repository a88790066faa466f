#include "menus/level_change.h"

#include "engine/config.h"
#include "menus/dialog_parts.h"
#include "ui/button.h"
#include "ui/cursor.h"
#include "ui/text.h"

namespace {

constexpr int32_t kButtonWidth = 200;

CText* NewDialogText(int32_t font) {
    CText* text = new CText();
    text->SetFont(font);
    text->SetIndent(0);
    text->SetLineSpacing(0);
    return text;
}

} // namespace

CLevelChange::CLevelChange() {
    body = NewDialogText(0);
    AddChild(body);
    title = NewDialogText(1);
    AddChild(title);
    yesButton = new CSButton();
    AddChild(yesButton);
    noButton = new CSButton();
    AddChild(noButton);
    height = gConfig.screenHeight - 250;
    x = CentredDialogX(width);
    y = 125;
    int32_t middle = x + (width - kButtonWidth) / 2;
    noButton->SetGeometry(middle - 100, y + height - 110, kButtonWidth);
    yesButton->SetGeometry(middle + 100, y + height - 110, kButtonWidth);
    framed = 0;
    LoadTexts();
    BlockInput();
    waitingForPress = 1;
}

void CLevelChange::LoadTexts() {
    for (int32_t i = 0; i < 4; ++i)
        texts[i] = DialogText(LEVEL_CHANGE_TEXT_GROUP, i);
    body->SetText(texts[0].c_str());
    title->SetText(texts[1].c_str());
    yesButton->SetLabel(texts[2].c_str());
    noButton->SetLabel(texts[3].c_str());
    Layout();
}

void CLevelChange::Layout() {
    body->SetWrap(width - 120, -1, TEXT_ALIGN_CENTER);
    body->SetClipRect(x + 40, y + 127, width - 100, height - 225);
    title->SetWrap(width - 20, -1, TEXT_ALIGN_CENTER);
    title->SetClipRect(x, y + 34, width - 20, 2048);
    title->SetScroll(x, y + 35);
}

int32_t CLevelChange::HandleInput(int32_t inMouseX, int32_t inMouseY, int32_t inButtonMask,
                                  const uint8_t* inKeyStates, int32_t inKeyCount) {
    TakeInput(inMouseX, inMouseY, inButtonMask, inKeyStates, inKeyCount);
    if (buttonEdges[0] == 1)
        waitingForPress = 0;
    body->SetScroll(x + 50, y + 128);
    bool accepted = keyEdges[KEY_SPACE] == 1 || keyEdges[KEY_RETURN] == 1;
    bool escaped = keyEdges[KEY_ESCAPE] == 1;
    bool yesClick = false, noClick = false;
    // The release that ends the slider drag is not a click here.
    if (buttonEdges[0] == -1 && waitingForPress == 0) {
        yesClick = yesButton->IsHovered() != 0;
        noClick = noButton->IsHovered() != 0;
    }
    if (!accepted && !escaped && !yesClick && !noClick)
        return CONTROL_RESULT_KEEP;
    PlayDialogClick();
    if (accepted || yesClick)
        return CONTROL_RESULT_YES;
    return CONTROL_RESULT_CLOSE;
}

int32_t CLevelChange::Draw() {
    if (framed != 0) {
        DrawWithCursor();
    } else {
        DrawChildren();
        cursor->Draw(mouseX, mouseY);
    }
    return 1;
}
