#include "menus/user_select.h"

#include <utility>

#include "engine/catalogue.h"
#include "engine/config.h"
#include "engine/helpers.h"
#include "graphics/image.h"
#include "menus/profile_ui.h"
#include "menus/save_file.h"
#include "menus/user_confirm.h"
#include "menus/user_new.h"
#include "ui/button.h"
#include "ui/cursor.h"
#include "ui/picture.h"
#include "ui/text.h"

namespace {

constexpr int32_t kHeightCut = 100;
constexpr int32_t kCommandWidth = 280;
// The veil covers this much whatever the configured screen.
constexpr int32_t kVeilWidth = 800;
constexpr int32_t kVeilHeight = 600;

// Text items, at [item - 1].
enum SelectText : int32_t {
    kTextTitle = 0,
    kTextDelete,
    kTextChooseNew,
    kTextChooseProfile,
    kTextQuit,
    kTextFreeSlot,
};

// A record's name as a terminated string, whatever the record holds.
std::u16string RecordName(int32_t record) {
    const char16_t* name = gSaveBlock.users[record].name;
    size_t n = 0;
    while (n < SAVE_NAME_UNITS && name[n] != 0)
        ++n;
    return std::u16string(name, n);
}

void DrawVeil() {
    SpriteRecord record{};
    InitSpriteRecord(&record, gScreenTarget);
    record.x = 0;
    record.y = 0;
    record.width = kVeilWidth;
    record.height = kVeilHeight;
    record.colour = USER_SELECT_VEIL;
    FillRect(&record);
}

} // namespace

CUserSelect::CUserSelect() {
    title = NewProfileText(1);
    deleteButton = new CSButton();
    chooseButton = new CSButton();
    quitButton = new CSButton();
    AddChild(title);
    AddChild(deleteButton);
    AddChild(chooseButton);
    AddChild(quitButton);
    height = gConfig.screenHeight - kHeightCut;
    x = CentredDialogX(width);
    y = (gConfig.screenHeight - height) / 2;
    int32_t commandX = x + (width - kCommandWidth) / 2;
    deleteButton->SetGeometry(commandX - 130, y + height - 190, kCommandWidth);
    chooseButton->SetGeometry(commandX + 130, y + height - 190, kCommandWidth);
    quitButton->SetGeometry(commandX, y + height - 110, kCommandWidth);
    SetCursor(commandX + kCommandWidth, y + height - 150);
    LoadTexts();

    ButtonSkin skin{GetPictureItem(PROFILE_SLOT_SKIN_GROUP, 0),
                    GetPictureItem(PROFILE_SLOT_SKIN_GROUP, 1),
                    GetPictureItem(PROFILE_SLOT_SKIN_GROUP, 2)};
    for (int32_t i = 0; i < USER_SLOT_COUNT; ++i) {
        slotButtons[i] = new CSButton();
        // Only the selected slot shows its skin; the others their caption.
        slotButtons[i]->SetSkins(x + 50, y + 128 + ((height - 300) * i) / 3, width - 100, nullptr,
                                 &skin, nullptr, &skin);
        slotRecords[i] = -1;
        AddChild(slotButtons[i]);
    }
    RefreshUserList();
    selectedSlot = 0;
    FindCurrentUserButton();
}

// A dialog still open when the screen goes goes with it.
CUserSelect::~CUserSelect() {
    delete newDialog;
    newDialog = nullptr;
    delete deleteDialog;
    deleteDialog = nullptr;
}

void CUserSelect::LoadTexts() {
    for (int32_t i = 0; i < 6; ++i)
        texts[i] = DialogText(PROFILE_TEXT_SELECT, i + 1);
    title->SetText(texts[kTextTitle].c_str());
    deleteButton->SetLabel(texts[kTextDelete].c_str());
    quitButton->SetLabel(texts[kTextQuit].c_str());
    chooseCaption_ = nullptr;
    UpdateOkLabel(0);
    Layout();
}

void CUserSelect::Layout() {
    LayoutProfileTitle(title, x, y, width);
}

// Asked twice a frame: the label is rebuilt only when its caption changes.
void CUserSelect::UpdateOkLabel(int32_t holdsProfile) {
    const std::u16string* caption =
        holdsProfile != 0 ? &texts[kTextChooseProfile] : &texts[kTextChooseNew];
    if (caption == chooseCaption_)
        return;
    chooseCaption_ = caption;
    chooseButton->SetLabel(caption->c_str());
}

void CUserSelect::RefreshUserList() {
    for (int32_t slot = 0; slot < USER_SLOT_COUNT; ++slot) {
        CSButton* button = slotButtons[slot];
        button->SetLabel(u"");
        // Unselected first: an unselectable control keeps its flag.
        button->SetSelected(0);
        button->SetSelectable(0);
        slotRecords[slot] = -1;
    }
    int32_t records[SAVE_USER_COUNT];
    std::u16string names[SAVE_USER_COUNT];
    int32_t count = 0;
    for (int32_t record = 0; record < SAVE_USER_COUNT; ++record) {
        if (gSaveBlock.users[record].name[0] == 0)
            continue;
        records[count] = record;
        names[count] = RecordName(record);
        ++count;
    }
    // An exchange sort by code units: equal names keep record order.
    for (int32_t i = 0; i < count; ++i) {
        for (int32_t j = i + 1; j < count; ++j) {
            if (WStrCmp(names[i].c_str(), names[j].c_str()) > 0) {
                std::swap(names[i], names[j]);
                std::swap(records[i], records[j]);
            }
        }
    }
    for (int32_t slot = 0; slot < count; ++slot) {
        slotButtons[slot]->SetLabel(EscapeTextTags(names[slot].c_str()).c_str());
        slotRecords[slot] = records[slot];
        slotButtons[slot]->SetSelectable(1);
    }
    if (count < USER_SLOT_COUNT) {
        slotButtons[count]->SetLabel(texts[kTextFreeSlot].c_str());
        slotButtons[count]->SetSelectable(1);
    }
}

void CUserSelect::FindCurrentUserButton() {
    for (int32_t slot = 0; slot < USER_SLOT_COUNT; ++slot) {
        if (slotRecords[slot] >= 0 && slotRecords[slot] == gSaveBlock.currentUser) {
            selectedSlot = slot;
            return;
        }
    }
}

bool CUserSelect::SelectedHoldsProfile() const {
    int32_t record = slotRecords[selectedSlot];
    return record >= 0 && record < SAVE_USER_COUNT;
}

void CUserSelect::SelectUser() {
    if (SelectedHoldsProfile())
        gSaveBlock.currentUser = slotRecords[selectedSlot];
}

void CUserSelect::DeleteSelectedUser() {
    if (SelectedHoldsProfile())
        ResetUserRecord(&gSaveBlock.users[slotRecords[selectedSlot]]);
    RefreshUserList();
}

int32_t CUserSelect::AddUser(const char16_t* name) {
    int32_t added = -1;
    for (int32_t record = 0; record < SAVE_USER_COUNT && added < 0; ++record) {
        UserRecord& user = gSaveBlock.users[record];
        if (user.name[0] != 0)
            continue;
        // A free record starts from the defaults, whatever a file left in it.
        ResetUserRecord(&user);
        WStrCopyN(user.name, name, SAVE_NAME_UNITS - 1);
        added = record;
    }
    RefreshUserList();
    return added;
}

// ---- input -----------------------------------------------------------------

int32_t CUserSelect::FeedNewDialog() {
    int32_t result = newDialog->HandleInput(mouseX, mouseY, buttonMask, keyStates, keyCount);
    if (result == CONTROL_RESULT_CLOSE) {
        std::u16string name = newDialog->GetName();
        delete newDialog;
        newDialog = nullptr;
        int32_t record = name.empty() ? -1 : AddUser(name.c_str());
        if (record >= 0) {
            gSaveBlock.currentUser = record;
            gSaveBlock.newProfile = 1;
            return CONTROL_RESULT_ACCEPT;
        }
    }
    BlockInput();
    return CONTROL_RESULT_KEEP;
}

int32_t CUserSelect::FeedDeleteDialog() {
    int32_t result = deleteDialog->HandleInput(mouseX, mouseY, buttonMask, keyStates, keyCount);
    if (result == CONTROL_RESULT_ACCEPT) {
        DeleteSelectedUser();
        selectedSlot = 0;
    }
    if (result == CONTROL_RESULT_ACCEPT || result == CONTROL_RESULT_CLOSE) {
        delete deleteDialog;
        deleteDialog = nullptr;
    }
    BlockInput();
    return CONTROL_RESULT_KEEP;
}

int32_t CUserSelect::HoveredSelectableSlot() const {
    for (int32_t slot = 0; slot < USER_SLOT_COUNT; ++slot) {
        const CSButton* button = slotButtons[slot];
        if (button->IsHovered() != 0 && button->IsSelectable() != 0)
            return slot;
    }
    return -1;
}

void CUserSelect::MoveSelection() {
    if (keyEdges[KEY_UP] == 1)
        selectedSlot -= 1;
    if (selectedSlot < 0)
        selectedSlot = USER_SLOT_COUNT - 1;
    // Slot 0 is always selectable, which ends the walk.
    while (selectedSlot > 0 && slotButtons[selectedSlot]->IsSelectable() == 0)
        selectedSlot -= 1;
    if (keyEdges[KEY_DOWN] == 1) {
        selectedSlot += 1;
        if (selectedSlot >= USER_SLOT_COUNT || slotButtons[selectedSlot]->IsSelectable() == 0)
            selectedSlot = 0;
    }
}

// A double click on a slot, or a single click on a selectable one.
bool CUserSelect::SlotActivated(int32_t clickedSlot) const {
    for (const CSButton* button : slotButtons) {
        if (button->IsDoubleClick(0) != 0)
            return true;
    }
    return clickedSlot >= 0;
}

bool CUserSelect::CommandClicked() const {
    return buttonEdges[0] < 0 && (deleteButton->IsHovered() != 0 ||
                                  chooseButton->IsHovered() != 0 || quitButton->IsHovered() != 0);
}

void CUserSelect::OpenNewDialog() {
    newDialog = new CUserNew();
    newDialog->SetFramed();
    newDialog->HandleInput(mouseX, mouseY, buttonMask, keyStates, keyCount);
}

void CUserSelect::OpenDeleteDialog() {
    deleteDialog = new CUserDelete();
    deleteDialog->SetFramed();
    deleteDialog->SetName(slotButtons[selectedSlot]->GetLabelText());
    deleteDialog->HandleInput(mouseX, mouseY, buttonMask, keyStates, keyCount);
}

int32_t CUserSelect::HandleInput(int32_t inMouseX, int32_t inMouseY, int32_t inButtonMask,
                                 const uint8_t* inKeyStates, int32_t inKeyCount) {
    StoreInput(inMouseX, inMouseY, inButtonMask, inKeyStates, inKeyCount);
    if (newDialog != nullptr)
        return FeedNewDialog();
    if (deleteDialog != nullptr)
        return FeedDeleteDialog();
    ProcessInputEdges();
    DispatchInput();
    UpdateOkLabel(0);

    bool click = buttonEdges[0] < 0;
    int32_t clickedSlot = click ? HoveredSelectableSlot() : -1;
    if (clickedSlot >= 0)
        selectedSlot = clickedSlot;
    MoveSelection();
    for (int32_t slot = 0; slot < USER_SLOT_COUNT; ++slot)
        slotButtons[slot]->SetSelected(slot == selectedSlot ? 1 : 0);
    UpdateOkLabel(slotRecords[selectedSlot] >= 0 ? 1 : 0);

    bool activate = SlotActivated(clickedSlot);
    bool returnKey = keyEdges[KEY_RETURN] == 1 || keyEdges[KEY_SPACE] == 1;
    bool deleteKey = keyEdges[KEY_DELETE] == 1;
    bool escapeKey = keyEdges[KEY_ESCAPE] == 1;
    if (!activate && !returnKey && !deleteKey && !escapeKey && !CommandClicked())
        return CONTROL_RESULT_KEEP;
    PlayDialogClick();
    // Whatever triggered it, the pointer resting on quit quits.
    if (quitButton->IsHovered() != 0 || escapeKey)
        return CONTROL_RESULT_CLOSE;

    bool chosen = returnKey || (click && chooseButton->IsHovered() != 0) || activate;
    bool deleting = deleteKey || (click && deleteButton->IsHovered() != 0);
    if (deleting && SelectedHoldsProfile()) {
        OpenDeleteDialog();
        return CONTROL_RESULT_KEEP;
    }
    if (!chosen)
        return CONTROL_RESULT_KEEP;
    if (SelectedHoldsProfile()) {
        SelectUser();
        return CONTROL_RESULT_ACCEPT;
    }
    OpenNewDialog();
    return CONTROL_RESULT_KEEP;
}

// ---- drawing ---------------------------------------------------------------

int32_t CUserSelect::Draw() {
    DrawVeil();
    if (newDialog != nullptr) {
        newDialog->Draw();
    } else if (deleteDialog != nullptr) {
        deleteDialog->Draw();
    } else if (framed != 0) {
        DrawWithCursor();
    } else {
        DrawChildren();
        cursor->Draw(mouseX, mouseY);
    }
    return 1;
}
