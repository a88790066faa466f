#include "menus/mini_map_menu.h"

#include <algorithm>
#include <cmath>

#include "engine/bytes.h"
#include "engine/catalogue.h"
#include "engine/platform.h"
#include "graphics/image.h"
#include "ui/button.h"
#include "ui/cursor.h"
#include "ui/picture.h"

namespace {

constexpr float kPi = 3.14159265358979f;
// The blink runs through half a sine wave in 40 drawn frames.
constexpr float kPhaseStep = kPi / 40.0f;
constexpr float kTwoPi = 2.0f * kPi;
// The marker hangs above and to the left of the chosen button.
constexpr int32_t kMarkerOffsetX = -14;
constexpr int32_t kMarkerOffsetY = -36;
// The pointer is put just inside a button's lower right corner.
constexpr int32_t kPointerInset = 5;
constexpr int32_t kScreenWidth = 800;
constexpr int32_t kScreenHeight = 600;

} // namespace

std::vector<MapLayoutRecord> ParseMapLayout(const uint8_t* bytes, size_t size) {
    std::vector<MapLayoutRecord> records;
    if (bytes == nullptr)
        return records;
    size_t count = size / MAP_RECORD_BYTES;
    records.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* at = bytes + i * MAP_RECORD_BYTES;
        records.push_back({GetI32LE(at), GetI32LE(at + 4), GetI32LE(at + 8), GetI32LE(at + 12)});
    }
    return records;
}

// ---- construction ------------------------------------------------------------

CMiniMapMenu::CMiniMapMenu(int32_t maximumDestination) {
    x = 0;
    y = 0;
    width = kScreenWidth;
    height = kScreenHeight;
    maximum = std::clamp(maximumDestination, 0, MAP_LAST_DESTINATION);
    cursor = new CCursor();
    markerPicture = GetPictureItem(MAP_MARKER_GROUP, 0);
    for (int32_t j = 0; j < MAP_PICTURE_COUNT; ++j)
        pictures[j] = GetPictureItem(MAP_GROUP, j + 1);
    layout = LoadLayout();
    for (int32_t i = 0; i < MAP_BUTTON_COUNT; ++i)
        PlaceButton(i);
    buttons[maximum]->SetSelected(1);
    PointAt(maximum);
    phase = 0.0f;
}

CMiniMapMenu::~CMiniMapMenu() {
    delete cursor;
    cursor = nullptr;
    // The buttons go with the children; their pictures with the groups.
    UnloadGroup(&gResourceCatalogue, MAP_GROUP);
    UnloadGroup(&gResourceCatalogue, MAP_MARKER_GROUP);
}

std::vector<MapLayoutRecord> CMiniMapMenu::LoadLayout() {
    // Only a fresh load tells how many bytes the buffer holds; the size of
    // the entry measured later is no bound for a buffer loaded before.
    UnloadResource(&gResourceCatalogue, MAP_GROUP, 0);
    ResourceHandle handle = 0;
    int32_t size = GetResourceCached(&gResourceCatalogue, MAP_GROUP, 0, &handle);
    // Pictures and sounds load with a size of 0: no layout then.
    if (handle == 0 || size <= 0)
        return {};
    return ParseMapLayout(HandleAs<uint8_t>(handle), static_cast<size_t>(size));
}

void CMiniMapMenu::PlaceButton(int32_t index) {
    CButton* button = new CButton();
    const MapLayoutRecord* record = Record(index);
    if (record != nullptr) {
        Image* normal = Picture(record->picture);
        button->SetPictures(record->x, record->y, normal, Picture(record->selectedPicture), normal,
                            normal);
    } else {
        button->SetPictures(0, 0, nullptr, nullptr, nullptr, nullptr);
    }
    AddChild(button);
    buttons[index] = button;
    if (index != MAP_BACK && index > maximum) {
        button->SetVisible(0);
        button->SetSelectable(0);
    }
}

Image* CMiniMapMenu::Picture(int32_t index) const {
    if (index < 0 || index >= MAP_PICTURE_COUNT)
        return nullptr;
    return pictures[index];
}

const MapLayoutRecord* CMiniMapMenu::Record(int32_t index) const {
    if (index < 0 || static_cast<size_t>(index) >= layout.size())
        return nullptr;
    return &layout[static_cast<size_t>(index)];
}

void CMiniMapMenu::PointAt(int32_t index) {
    int32_t bx = 0, by = 0, bw = 0, bh = 0;
    buttons[index]->GetRect(&bx, &by, &bw, &bh);
    mouseX = bx + bw - kPointerInset;
    mouseY = by + bh - kPointerInset;
}

// ---- input -------------------------------------------------------------------

int32_t CMiniMapMenu::Update() {
    int dx = 0, dy = 0;
    int32_t mask = PlatformGetRelativeMouseState(&dx, &dy) & 0xFF;
    int32_t newX = std::clamp(mouseX + dx, x, x + width);
    int32_t newY = std::clamp(mouseY + dy, y, y + height);
    int count = 0;
    const uint8_t* keys = PlatformGetKeyState(&count);
    return HandleInput(newX, newY, mask, keys, count);
}

bool CMiniMapMenu::IsChoosable(int32_t index) const {
    return index == MAP_BACK || index <= maximum;
}

int32_t CMiniMapMenu::HoveredButton() const {
    return FirstHoveredButton(buttons, MAP_BUTTON_COUNT);
}

int32_t CMiniMapMenu::SelectedButton() const {
    return FirstSelectedButton(buttons, MAP_BUTTON_COUNT);
}

// Left and right walk the buttons in a ring; the hidden destinations are
// stepped over: right past the maximum lands on back, left from back on
// the maximum.
int32_t CMiniMapMenu::StepChoice(int32_t choice, bool left, bool right) const {
    choice += (right ? 1 : 0) - (left ? 1 : 0);
    if (choice < 0)
        choice = MAP_BACK;
    else if (choice >= MAP_BUTTON_COUNT)
        choice = 0;
    if (!IsChoosable(choice)) {
        if (left)
            choice = maximum;
        if (right)
            choice = MAP_BACK;
    }
    return choice;
}

int32_t CMiniMapMenu::HandleInput(int32_t inMouseX, int32_t inMouseY, int32_t inButtonMask,
                                  const uint8_t* inKeyStates, int32_t inKeyCount) {
    StoreInput(inMouseX, inMouseY, inButtonMask, inKeyStates, inKeyCount);
    ProcessInputEdges();
    DispatchInput();
    int32_t hovered = HoveredButton();
    int32_t choice = hovered >= 0 ? hovered : SelectedButton();
    bool left = keyEdges[KEY_LEFT] == 1;
    bool right = keyEdges[KEY_RIGHT] == 1;
    if (left || right) {
        choice = StepChoice(choice, left, right);
        PointAt(choice);
    }
    for (int32_t i = 0; i < MAP_BUTTON_COUNT; ++i)
        buttons[i]->SetSelected(i == choice ? 1 : 0);
    if (keyEdges[KEY_RETURN] == 1 || keyEdges[KEY_SPACE] == 1)
        return choice;
    if (buttonEdges[0] == -1 && hovered >= 0)
        return choice;
    if (keyEdges[KEY_ESCAPE] == 1)
        return CONTROL_RESULT_CLOSE;
    return CONTROL_RESULT_KEEP;
}

// ---- drawing -------------------------------------------------------------------

int32_t CMiniMapMenu::Draw() {
    int32_t chosen = SelectedButton();
    float alpha = std::fabs(std::sin(phase));
    phase += kPhaseStep;
    if (phase >= kTwoPi)
        phase -= kTwoPi;
    DrawChildren();
    DrawReachedMarkers();
    if (chosen >= 0)
        DrawBlinkingMarker(chosen, alpha);
    cursor->Draw(mouseX, mouseY);
    return 1;
}

void CMiniMapMenu::DrawReachedMarkers() {
    for (int32_t i = 0; i < maximum; ++i) {
        const MapLayoutRecord* record = Record(MAP_FIRST_MARKER_RECORD + i);
        if (record != nullptr)
            DrawPictureAt(Picture(record->picture), record->x, record->y);
    }
}

void CMiniMapMenu::DrawBlinkingMarker(int32_t selectedIndex, float alpha) {
    if (markerPicture == nullptr)
        return;
    int32_t bx = 0, by = 0;
    buttons[selectedIndex]->GetRect(&bx, &by, nullptr, nullptr);
    SpriteTransform transform = {1.0f, 1.0f, 0, 0, 0.0f, 0, 0, 1.0f, 1.0f, 1.0f, alpha};
    SpriteRecord record;
    record.source = markerPicture;
    InitSpriteRecord(&record, gScreenTarget);
    record.transform = &transform;
    record.flags = SPRITE_FLAG_TRANSFORM;
    record.x = bx + kMarkerOffsetX;
    record.y = by + kMarkerOffsetY;
    DrawSprite(&record);
}
