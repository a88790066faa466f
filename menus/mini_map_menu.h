// The level-select map: nine picture buttons placed by a layout resource
// (eight destinations and a back button), a marker on every destination
// already reached and a blinking marker over the chosen button. Drawn over
// the running front-end level; it has no background of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ui/control.h"

struct Image;
class CButton;
class CCursor;

// Item 0: the layout; items 1..26: the pictures (picture j is item j + 1).
constexpr uint32_t MAP_GROUP = 30;
// Item 0: the blinking marker.
constexpr uint32_t MAP_MARKER_GROUP = 33;
constexpr int32_t MAP_PICTURE_COUNT = 26;
constexpr int32_t MAP_BUTTON_COUNT = 9;
constexpr int32_t MAP_LAST_DESTINATION = 7;
// The result and button index of the way back to the main menu.
constexpr int32_t MAP_BACK = 8;
// Records 0..8 place the buttons; record 9 + i is the reached marker of
// destination i.
constexpr int32_t MAP_FIRST_MARKER_RECORD = 9;
constexpr size_t MAP_RECORD_BYTES = 16;

// One 16-byte layout record, little-endian on file.
struct MapLayoutRecord {
    int32_t x;
    int32_t y;
    int32_t picture;         // normal picture of a button; a marker's picture
    int32_t selectedPicture; // a button's selected picture
};

// The whole records in `bytes`; a part record at the end is no record.
std::vector<MapLayoutRecord> ParseMapLayout(const uint8_t* bytes, size_t size);

class CMiniMapMenu : public CControl {
public:
    // `maximum`: the highest destination that may be chosen (kept to 0..7).
    explicit CMiniMapMenu(int32_t maximum);
    ~CMiniMapMenu() override;

    // 1.
    int32_t Draw() override;
    // Reads the relative mouse and the keys through the platform, then
    // returns HandleInput's result.
    int32_t Update() override;
    // -1 nothing, 0..7 a destination, MAP_BACK, or -2 for Escape.
    int32_t HandleInput(int32_t inMouseX, int32_t inMouseY, int32_t inButtonMask,
                        const uint8_t* inKeyStates, int32_t inKeyCount) override;

    Image* pictures[MAP_PICTURE_COUNT] = {};
    Image* markerPicture = nullptr;
    CButton* buttons[MAP_BUTTON_COUNT] = {}; // children: owned through the child list
    CCursor* cursor = nullptr;
    int32_t maximum = 0;
    std::vector<MapLayoutRecord> layout;
    float phase = 0.0f; // blink phase, radians

private:
    static std::vector<MapLayoutRecord> LoadLayout();
    // Null for an index outside the picture table.
    Image* Picture(int32_t index) const;
    // Null for a record the layout does not hold.
    const MapLayoutRecord* Record(int32_t index) const;
    void PlaceButton(int32_t index);
    bool IsChoosable(int32_t index) const;
    int32_t HoveredButton() const;
    int32_t SelectedButton() const;
    int32_t StepChoice(int32_t choice, bool left, bool right) const;
    void PointAt(int32_t index);
    void DrawReachedMarkers();
    void DrawBlinkingMarker(int32_t selectedIndex, float alpha);
};
