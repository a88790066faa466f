#include "menus/user_confirm.h"

#include "engine/config.h"
#include "engine/wformat.h"
#include "menus/profile_ui.h"
#include "ui/button.h"
#include "ui/cursor.h"
#include "ui/text.h"

namespace {

// Both confirmations stand 125 from the top, 250 shorter than the screen.
constexpr int32_t kDialogTop = 125;
constexpr int32_t kDialogHeightCut = 250;

void PlaceConfirmation(CBaseMenu* dialog) {
    dialog->height = gConfig.screenHeight - kDialogHeightCut;
    dialog->x = CentredDialogX(dialog->width);
    dialog->y = kDialogTop;
}

// The archive's format with the name in its one string conversion; any
// other conversion prints as it stands. The format's tags apply, the
// name's "<" do not.
std::u16string FormatWithName(const std::u16string& format, const char16_t* name) {
    return WFormat(format.c_str(), {WFormatArg(EscapeTextTags(name).c_str())});
}

bool Clicked(const CControl& owner, const CSButton* button) {
    return owner.buttonEdges[0] < 0 && button->IsHovered() != 0;
}

bool Pressed(const CControl& owner, int32_t key) {
    return owner.keyEdges[key] == 1;
}

} // namespace

int32_t DrawProfileDialog(CBaseMenu* dialog, int32_t framed) {
    if (framed != 0) {
        dialog->DrawWithCursor();
    } else {
        dialog->DrawChildren();
        dialog->cursor->Draw(dialog->mouseX, dialog->mouseY);
    }
    return 1;
}

// ---- CUserDelete -----------------------------------------------------------

CUserDelete::CUserDelete() {
    body = NewProfileText(0);
    title = NewProfileText(1);
    acceptButton = new CSButton();
    cancelButton = new CSButton();
    AddChild(body);
    AddChild(title);
    AddChild(acceptButton);
    AddChild(cancelButton);
    PlaceConfirmation(this);
    int32_t left = x + (width - 200) / 2;
    cancelButton->SetGeometry(left - 100, y + height - 110, 200);
    acceptButton->SetGeometry(left + 100, y + height - 110, 200);
    LoadTexts();
}

void CUserDelete::LoadTexts() {
    for (int32_t i = 0; i < 4; ++i)
        texts[i] = DialogText(PROFILE_TEXT_DELETE, i);
    SetName(u"");
    title->SetText(texts[1].c_str());
    acceptButton->SetLabel(texts[2].c_str());
    cancelButton->SetLabel(texts[3].c_str());
    Layout();
}

void CUserDelete::Layout() {
    LayoutProfileTexts(body, title, x, y, width, height);
}

void CUserDelete::SetName(const char16_t* name) {
    body->SetText(FormatWithName(texts[0], name).c_str());
}

int32_t CUserDelete::HandleInput(int32_t inMouseX, int32_t inMouseY, int32_t inButtonMask,
                                 const uint8_t* inKeyStates, int32_t inKeyCount) {
    TakeInput(inMouseX, inMouseY, inButtonMask, inKeyStates, inKeyCount);
    PlaceProfileBody(body, x, y);
    bool keyed = Pressed(*this, KEY_SPACE) || Pressed(*this, KEY_RETURN);
    bool accepted = Clicked(*this, acceptButton);
    if (!keyed && !accepted && !Pressed(*this, KEY_ESCAPE) && !Clicked(*this, cancelButton))
        return CONTROL_RESULT_KEEP;
    PlayDialogClick();
    // A yes of any kind wins over an Escape in the same frame.
    return keyed || accepted ? CONTROL_RESULT_ACCEPT : CONTROL_RESULT_CLOSE;
}

int32_t CUserDelete::Draw() {
    return DrawProfileDialog(this, framed);
}

// ---- CUserExist ------------------------------------------------------------

CUserExist::CUserExist() {
    body = NewProfileText(0);
    title = NewProfileText(1);
    button = new CSButton();
    AddChild(body);
    AddChild(title);
    AddChild(button);
    PlaceConfirmation(this);
    button->SetGeometry(x + (width - 300) / 2, y + height - 110, 300);
    LoadTexts();
}

void CUserExist::LoadTexts() {
    for (int32_t i = 0; i < 3; ++i)
        texts[i] = DialogText(PROFILE_TEXT_EXISTS, i);
    SetName(u"");
    title->SetText(texts[1].c_str());
    button->SetLabel(texts[2].c_str());
    Layout();
}

void CUserExist::Layout() {
    LayoutProfileTexts(body, title, x, y, width, height);
}

void CUserExist::SetName(const char16_t* name) {
    body->SetText(FormatWithName(texts[0], name).c_str());
}

int32_t CUserExist::HandleInput(int32_t inMouseX, int32_t inMouseY, int32_t inButtonMask,
                                const uint8_t* inKeyStates, int32_t inKeyCount) {
    TakeInput(inMouseX, inMouseY, inButtonMask, inKeyStates, inKeyCount);
    PlaceProfileBody(body, x, y);
    if (!Pressed(*this, KEY_ESCAPE) && !Pressed(*this, KEY_SPACE) && !Pressed(*this, KEY_RETURN) &&
        !Clicked(*this, button))
        return CONTROL_RESULT_KEEP;
    PlayDialogClick();
    return CONTROL_RESULT_CLOSE;
}

int32_t CUserExist::Draw() {
    return DrawProfileDialog(this, framed);
}
