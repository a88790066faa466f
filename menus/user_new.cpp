#include "menus/user_new.h"

#include "engine/config.h"
#include "engine/helpers.h"
#include "menus/key_char_map.h"
#include "menus/profile_ui.h"
#include "menus/save_file.h"
#include "menus/user_confirm.h"
#include "ui/button.h"
#include "ui/text.h"
#include "ui/text_edit.h"

int32_t gShiftHeld = 0;

namespace {
constexpr int32_t kHeightCut = 250;
} // namespace

CUserNew::CUserNew() {
    body = NewProfileText(0);
    title = NewProfileText(1);
    nameField = new CTextEdit();
    nameField->SetFont(0);
    nameField->SetIndent(0);
    nameField->SetLineSpacing(0);
    nameField->SetSelected(1);
    nameField->SetKeyMap(&kNameKeysLower);
    nameField->SetMaxLength(NAME_ENTRY_MAX_LENGTH);
    okButton = new CSButton();
    AddChild(body);
    AddChild(title);
    AddChild(okButton);
    AddChild(nameField);
    height = gConfig.screenHeight - kHeightCut;
    x = CentredDialogX(width);
    y = (gConfig.screenHeight - height) / 2;
    okButton->SetGeometry(x + (width - 300) / 2, y + height - 110, 300);
    LoadTexts();
}

CUserNew::~CUserNew() {
    delete messageBox;
    messageBox = nullptr;
}

void CUserNew::LoadTexts() {
    for (int32_t i = 0; i < 4; ++i)
        texts[i] = DialogText(PROFILE_TEXT_NEW, i);
    body->SetText(texts[0].c_str());
    title->SetText(texts[1].c_str());
    okCaption_ = nullptr;
    UpdateOkLabel(0);
    Layout();
}

void CUserNew::Layout() {
    LayoutProfileTexts(body, title, x, y, width, height);
    nameField->SetWrap(width - 120, -1, TEXT_ALIGN_CENTER);
    nameField->SetClipRect(x + 40, y + 209, width - 100, height - 230);
    nameField->SetScroll(x + 40, y + 210);
}

// Asked every frame: the label is rebuilt only when its caption changes.
void CUserNew::UpdateOkLabel(int32_t nameLength) {
    const std::u16string* caption = nameLength != 0 ? &texts[2] : &texts[3];
    if (caption == okCaption_)
        return;
    okCaption_ = caption;
    okButton->SetLabel(caption->c_str());
}

const char16_t* CUserNew::GetName() {
    return nameField->GetPlainText();
}

int32_t CUserNew::NameExists() {
    const char16_t* name = GetName();
    for (const UserRecord& user : gSaveBlock.users) {
        if (user.name[0] != 0 && WStrCmp(user.name, name) == 0)
            return -1;
    }
    return -2;
}

void CUserNew::TrackShift() {
    if (keyEdges[KEY_LEFT_SHIFT] == 1 || keyEdges[KEY_RIGHT_SHIFT] == 1)
        gShiftHeld = 1;
    if (keyEdges[KEY_LEFT_SHIFT] == -1 || keyEdges[KEY_RIGHT_SHIFT] == -1)
        gShiftHeld = 0;
}

void CUserNew::OpenMessageBox() {
    messageBox = new CUserExist();
    messageBox->SetFramed();
    messageBox->HandleInput(mouseX, mouseY, buttonMask, keyStates, keyCount);
    messageBox->SetName(GetName());
}

int32_t CUserNew::HandleInput(int32_t inMouseX, int32_t inMouseY, int32_t inButtonMask,
                              const uint8_t* inKeyStates, int32_t inKeyCount) {
    StoreInput(inMouseX, inMouseY, inButtonMask, inKeyStates, inKeyCount);
    if (messageBox != nullptr) {
        if (messageBox->HandleInput(inMouseX, inMouseY, inButtonMask, inKeyStates, inKeyCount) ==
            CONTROL_RESULT_CLOSE) {
            delete messageBox;
            messageBox = nullptr;
        }
        return CONTROL_RESULT_KEEP;
    }
    ProcessInputEdges();
    DispatchInput();
    PlaceProfileBody(body, x, y);
    UpdateOkLabel(WStrLen(nameField->GetPlainText()));
    TrackShift();
    // Chosen after the field took this frame's keys: Shift acts from the
    // next frame.
    nameField->SetKeyMap(gShiftHeld != 0 ? &kNameKeysUpper : &kNameKeysLower);
    bool confirmed = keyEdges[KEY_SPACE] == 1 || keyEdges[KEY_RETURN] == 1 ||
                     (buttonEdges[0] < 0 && okButton->IsHovered() != 0);
    if (!confirmed)
        return CONTROL_RESULT_KEEP;
    PlayDialogClick();
    if (NameExists() == -2)
        return CONTROL_RESULT_CLOSE;
    OpenMessageBox();
    return CONTROL_RESULT_KEEP;
}

int32_t CUserNew::Draw() {
    if (messageBox != nullptr)
        return messageBox->Draw();
    return DrawProfileDialog(this, framed);
}
