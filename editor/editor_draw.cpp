// The editor's drawing, over the level: the object-code overlay, the
// palette or the cell frame or the map prompt, the brush bar, the status
// lines and the mouse pointer.
#include <algorithm>
#include <array>

#include "editor/editor_state.h"
#include "graphics/image.h"
#include "ui/picture.h"
#include "ui/text.h"
#include "world/game_world.h"

namespace {

constexpr int32_t kCell = 32;
constexpr int32_t kCellStep = 33;

constexpr uint32_t kPanelColour = 0xD0000000u;
constexpr uint32_t kSlotColour = 0xD020D0FFu;
constexpr uint32_t kSelectedSlotColour = 0xD0FFD022u;
constexpr uint32_t kSlotFrameColour = 0xD0FFFFFFu;
constexpr uint32_t kPaletteBackColour = 0xE0000000u;
constexpr uint32_t kPaletteCellColour = 0xE020D0FFu;
constexpr uint32_t kPromptBoxColour = 0xE0000000u;
constexpr uint32_t kCodeRectColour = 0x40FFFFFFu;

struct Point {
    int32_t x, y;
};
constexpr Point kPanelOrigins[4] = {{420, 540}, {2, 2}, {420, 2}, {2, 540}};
constexpr Point kStatusPositions[4] = {{2, 520}, {2, 36}, {2, 36}, {2, 520}};
constexpr int32_t kPanelWidth = 332;
constexpr int32_t kPanelHeight = 50;
constexpr int32_t kSlotFrameWidth = 2;

constexpr Point kPaletteOrigin = {2, 2};
constexpr int32_t kPaletteSize = 530;
constexpr int32_t kPaletteColumns = 16;
constexpr Point kPalettePreview = {534, 2};

constexpr Point kPromptBox = {5, 300};
constexpr int32_t kPromptBoxWidth = 700;
constexpr int32_t kPromptBoxHeight = 35;

// The overlay starts this many cells before the view, for icons wider than
// their cell.
constexpr int32_t kOverlayLeadCells = 20;
constexpr float kOverlayOpacityStep = 0.3f;
constexpr int32_t kObjectLayer = 3;

void Fill(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour) {
    SpriteRecord record;
    InitSpriteRecord(&record, gScreenTarget);
    record.source = nullptr;
    record.transform = nullptr;
    record.x = x;
    record.y = y;
    record.width = w;
    record.height = h;
    record.colour = colour;
    FillRect(&record);
}

SpriteTransform Transform(float scaleX, float scaleY, float alpha) {
    SpriteTransform t{};
    t.scaleX = scaleX;
    t.scaleY = scaleY;
    t.red = t.green = t.blue = 1.0f;
    t.alpha = alpha;
    return t;
}

void Draw(Image* image, int32_t x, int32_t y, uint16_t flags, SpriteTransform* transform) {
    if (image == nullptr)
        return;
    SpriteRecord record;
    InitSpriteRecord(&record, gScreenTarget);
    record.source = image;
    record.transform = transform;
    record.x = x;
    record.y = y;
    record.flags = static_cast<uint16_t>(flags | (transform != nullptr ? SPRITE_FLAG_TRANSFORM : 0));
    DrawSprite(&record);
}

// A tile or icon scaled into a 32 x 32 slot or palette cell.
void DrawFitted(Image* image, int32_t x, int32_t y, int32_t mirror) {
    if (image == nullptr || image->width == 0 || image->height == 0)
        return;
    SpriteTransform t = Transform(static_cast<float>(kCell) / image->width,
                                  static_cast<float>(kCell) / image->height, 1.0f);
    Draw(image, x, y, mirror != 0 ? SPRITE_FLAG_MIRROR_X : 0, &t);
}

void DrawCodeFitted(const EditorState& s, int32_t code, int32_t x, int32_t y) {
    int32_t mirror = 0;
    Image* image = EditorCodeImage(s.world, s.layer, code, &mirror);
    DrawFitted(image, x, y, mirror);
}

// Every layer-3 cell near the view as its code's icon, see-through.
void DrawOverlay(const EditorState& s) {
    const GameWorld* world = s.world;
    const TileRunLayer& layer = world->map.layers[kObjectLayer];
    const int32_t cx = (world->camera.positionX / 65536) & ~1;
    const int32_t cy = (world->camera.positionY / 65536) & ~1;
    const int32_t firstColumn = std::max(0, cx / kCell - kOverlayLeadCells);
    const int32_t firstRow = std::max(0, cy / kCell - kOverlayLeadCells);
    const int32_t lastColumn = std::min<int32_t>((cx + world->camera.viewWidth / 65536) / kCell,
                                                 layer.width - 1);
    const int32_t lastRow =
        std::min<int32_t>((cy + world->camera.viewHeight / 65536) / kCell, layer.rows - 1);
    SpriteTransform t = Transform(1.0f, 1.0f, kOverlayOpacityStep * s.config.viewFlags);
    // Each code's icon is looked up once a frame.
    std::array<Image*, kTileCodeCount> icons{};
    std::array<bool, kTileCodeCount> looked{};
    for (int32_t row = firstRow; row <= lastRow; ++row) {
        for (int32_t column = firstColumn; column <= lastColumn; ++column) {
            const int32_t code = TileCodeAt(&world->map, kObjectLayer, column, row);
            if (code < 0)
                continue;
            if (!looked[code]) {
                looked[code] = true;
                icons[code] = GetPictureItem(kEditorIconGroup, code);
            }
            Draw(icons[code], kCell * column - cx, kCell * row - cy, 0, &t);
        }
    }
}

void DrawPalette(const EditorState& s) {
    Fill(kPaletteOrigin.x, kPaletteOrigin.y, kPaletteSize, kPaletteSize, kPaletteBackColour);
    for (int32_t code = 0; code < kTileCodeCount; ++code) {
        const int32_t x = kPaletteOrigin.x + kCellStep * (code % kPaletteColumns) + 1;
        const int32_t y = kPaletteOrigin.y + kCellStep * (code / kPaletteColumns) + 1;
        Fill(x, y, kCell, kCell, kPaletteCellColour);
        DrawCodeFitted(s, code, x, y);
    }
    if (s.paletteCode < 0)
        return;
    int32_t mirror = 0;
    Image* preview = EditorCodeImage(s.world, s.layer, s.paletteCode, &mirror);
    Draw(preview, kPalettePreview.x, kPalettePreview.y, mirror != 0 ? SPRITE_FLAG_MIRROR_X : 0,
         nullptr);
}

void DrawCellFrame(const EditorState& s) {
    Draw(GetPictureItem(kEditorPointerGroup, kEditorCellFrameItem), s.cursorX, s.cursorY, 0,
         nullptr);
    int32_t mirror = 0;
    const Image* image = EditorCodeImage(s.world, s.layer, s.codeUnderCursor, &mirror);
    if (image != nullptr)
        Fill(s.cursorX, s.cursorY, image->width, image->height, kCodeRectColour);
}

void DrawBrushBar(const EditorState& s) {
    const Point origin = kPanelOrigins[s.panelCorner & 3];
    Fill(origin.x, origin.y, kPanelWidth, kPanelHeight, kPanelColour);
    const int32_t selected = s.config.slot[s.layer];
    for (int32_t slot = 0; slot < kEditorSlotCount; ++slot) {
        const int32_t x = origin.x + kCellStep * slot + 1;
        const int32_t y = origin.y + 1;
        Fill(x, y, kCell, kCell, slot == selected ? kSelectedSlotColour : kSlotColour);
        DrawCodeFitted(s, s.config.palette[s.layer * kEditorSlotCount + slot] & 0xFF, x, y);
    }
    const int32_t x = origin.x + kCellStep * selected + 1;
    const int32_t y = origin.y + 1;
    const int32_t far = kCell - kSlotFrameWidth;
    Fill(x, y, kCell, kSlotFrameWidth, kSlotFrameColour);
    Fill(x, y, kSlotFrameWidth, kCell, kSlotFrameColour);
    Fill(x + far, y, kSlotFrameWidth, kCell, kSlotFrameColour);
    Fill(x, y + far, kCell, kSlotFrameWidth, kSlotFrameColour);
}

void DrawLines(EditorState* s) {
    const Point status = kStatusPositions[s->panelCorner & 3];
    SetEditorLine(s, kEditorStatusLine, EditorStatusText(*s, s->world->currentLevel));
    if (CText* line = s->lines[kEditorStatusLine])
        line->SetScroll(status.x, status.y);
    for (CText* line : s->lines) {
        if (line == nullptr)
            continue;
        line->Update();
        line->Draw();
    }
}

} // namespace

int32_t LookupAliasedEntry(const GameWorld* world, int32_t code, Image** out) {
    *out = nullptr;
    if (world == nullptr || code < 0 || code >= kTileCodeCount)
        return 0;
    *out = world->tileImages[code];
    const uint8_t substitute = world->codeSubstitutes[code];
    if (substitute == 0)
        return 0;
    *out = world->tileImages[substitute];
    return 1;
}

Image* EditorCodeImage(const GameWorld* world, int32_t layer, int32_t code, int32_t* mirror) {
    *mirror = 0;
    if (layer == kObjectLayer)
        return code >= 0 && code < kTileCodeCount ? GetPictureItem(kEditorIconGroup, code)
                                                  : nullptr;
    Image* image = nullptr;
    *mirror = LookupAliasedEntry(world, code, &image);
    return image;
}

void EditorDraw(EditorState* s) {
    if (s->hidden != 0 || s->world == nullptr)
        return;
    if (s->config.viewFlags != 0)
        DrawOverlay(*s);
    switch (s->subState) {
    case EDITOR_SUB_PALETTE:
        DrawPalette(*s);
        break;
    case EDITOR_SUB_SELECT_MAP:
        Fill(kPromptBox.x, kPromptBox.y, kPromptBoxWidth, kPromptBoxHeight, kPromptBoxColour);
        break;
    default:
        DrawCellFrame(*s);
        break;
    }
    DrawBrushBar(*s);
    DrawLines(s);
    Draw(GetPictureItem(kEditorPointerGroup, kEditorPointerItem), s->mouseX, s->mouseY, 0,
         nullptr);
}
