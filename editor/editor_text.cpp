// The editor's texts: the status line, the map prompt, the labels they
// use, and the level file's name as the catalogue stores it.
#include <algorithm>
#include <vector>

#include "editor/editor_state.h"
#include "engine/archive.h"
#include "engine/catalogue.h"
#include "engine/helpers.h"
#include "engine/wformat.h"
#include "ui/text.h"

namespace {

constexpr const char16_t* kStatusFormat =
    u"<Font+00> <PosX-00>M%d T%d %s (%d,%d)=%d DUMP(%s) %s";
constexpr const char16_t* kPromptFormat = u"<Font+00> <PosX-00>Select map: %d";

// A file name longer than this is no file name the game stores.
constexpr uint32_t kMaxSavePathBytes = 4096;

struct DumpLabel {
    uint8_t state;
    uint8_t next;
    const char16_t* label;
};
constexpr DumpLabel kDumpCycle[] = {
    {EDITOR_DUMP_OFF, EDITOR_DUMP_RECORD, u"NOT"},
    {EDITOR_DUMP_RECORD, EDITOR_DUMP_REPLAY, u"REC"},
    {EDITOR_DUMP_REPLAY, EDITOR_DUMP_REPLAY_BIT3, u"PLA"},
    {EDITOR_DUMP_REPLAY_BIT3, EDITOR_DUMP_RECORD_NOFRAMES, u"PLN"},
    {EDITOR_DUMP_RECORD_NOFRAMES, EDITOR_DUMP_OFF, u"REN"},
};

// Every odd byte zero: UTF-16LE of characters below 256. One byte alone is
// 8-bit text.
bool LooksLikeUtf16(const uint8_t* bytes, size_t size) {
    if (size < 2)
        return false;
    for (size_t i = 1; i < size; i += 2)
        if (bytes[i] != 0)
            return false;
    return true;
}

void AppendPathByte(std::string* out, uint8_t c, bool latin1) {
    if (c == '\\')
        c = '/';
    if (!latin1 || c < 0x80) {
        out->push_back(static_cast<char>(c));
        return;
    }
    out->push_back(static_cast<char>(0xC0 | (c >> 6)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
}

} // namespace

const char16_t* EditorLayerLabel(int32_t layer) {
    static constexpr const char16_t* kLabels[kEditorLayerCount] = {u"HBK", u"BKG", u"FRG",
                                                                   u"PHY"};
    return layer >= 0 && layer < kEditorLayerCount ? kLabels[layer] : u"Unk";
}

const char16_t* EditorDumpLabel(uint8_t dumpState) {
    for (const DumpLabel& d : kDumpCycle)
        if (d.state == dumpState)
            return d.label;
    return u"NOT";
}

uint8_t NextEditorDumpState(uint8_t dumpState) {
    for (const DumpLabel& d : kDumpCycle)
        if (d.state == dumpState)
            return d.next;
    return EDITOR_DUMP_OFF;
}

const char16_t* EditorMoveLabel(uint8_t moveMode) {
    switch (moveMode) {
    case EDITOR_MOVE_NORMAL:
        return u"N";
    case EDITOR_MOVE_FREE:
        return u"F";
    case EDITOR_MOVE_INVULNERABLE:
        return u"C";
    default:
        return u"NOT";
    }
}

uint16_t EditorBrush(const EditorState& state) {
    const int32_t layer = std::clamp(state.layer, 0, kEditorLayerCount - 1);
    const int32_t slot = std::min<int32_t>(state.config.slot[layer], kEditorSlotCount - 1);
    return state.config.palette[layer * kEditorSlotCount + slot] & 0xFF;
}

std::u16string EditorStatusText(const EditorState& state, int32_t level) {
    return WFormat(kStatusFormat,
                   {level, static_cast<int32_t>(EditorBrush(state)), EditorLayerLabel(state.layer),
                    state.cellX, state.cellY, static_cast<int32_t>(state.codeUnderCursor),
                    EditorDumpLabel(state.dumpState), EditorMoveLabel(state.moveMode)});
}

std::u16string EditorPromptText(int32_t mapNumber) {
    return WFormat(kPromptFormat, {mapNumber});
}

void SetEditorLine(EditorState* state, int32_t line, const std::u16string& text) {
    if (line < 0 || line >= kEditorLineCount)
        return;
    char16_t* buffer = state->lineText[line];
    const size_t n = std::min(text.size(), static_cast<size_t>(kEditorLineUnits - 1));
    // The status line is set every frame: an unchanged text keeps its glyphs.
    if (text.compare(0, n, buffer) == 0 && buffer[n] == 0 && text.size() == n)
        return;
    std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n), buffer);
    buffer[n] = 0;
    if (state->lines[line] != nullptr)
        state->lines[line]->SetText(buffer);
}

std::string DecodeSavePath(const uint8_t* bytes, size_t size) {
    std::string out;
    if (bytes == nullptr)
        return out;
    const bool wide = LooksLikeUtf16(bytes, size);
    const size_t step = wide ? 2 : 1;
    for (size_t i = 0; i < size && bytes[i] != 0; i += step)
        AppendPathByte(&out, bytes[i], wide);
    return out;
}

std::string EditorSavePath(int32_t level) {
    const ResourceCatalogue* catalogue = &gResourceCatalogue;
    if (level < 1 || static_cast<uint32_t>(level - 1) >=
                         GetGroupSize(catalogue, kEditorSavePathGroup))
        return {};
    // Read straight from the archive, sized by this read: an outside file
    // may have changed since the catalogue measured it.
    ResourceArchive* archive = catalogue->archive;
    const uint32_t entry = ResolveResourceLink(
        archive, GetResourceIndex(catalogue, kEditorSavePathGroup, level - 1));
    std::vector<uint8_t> bytes(std::min(GetEntrySize(archive, entry), kMaxSavePathBytes));
    const uint32_t got =
        ReadEntryUpTo(archive, bytes.data(), entry, static_cast<uint32_t>(bytes.size()));
    return DecodeSavePath(bytes.data(), std::min<size_t>(got, bytes.size()));
}
