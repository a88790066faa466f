#include "ui/font.h"

#include <cstring>

#include "engine/bytes.h"

// Constructed before main like the other interface globals; it depends on no
// other global, and its destructor touches only the glyph records.
CUI gUI;

// ---- CFont -----------------------------------------------------------------

static constexpr uint32_t kCodeUnits = 65536;

CFont::CFont() {}

CFont::~CFont() {}

void CFont::StoreGlyph(uint16_t code, const GlyphRecord& record) {
    if (!index_) {
        index_.reset(new uint32_t[kCodeUnits]);
        std::memset(index_.get(), 0, kCodeUnits * sizeof(uint32_t));
    }
    uint32_t slot = index_[code];
    if (slot != 0) {
        // A later glyph of the same code replaces the earlier one.
        records_[slot - 1] = record;
        return;
    }
    records_.push_back(record);
    index_[code] = static_cast<uint32_t>(records_.size());
}

int32_t CFont::LoadTable(FontByteReader read, void* context, uint32_t size) {
    // The smallest table holds the header and one whole glyph; below that
    // the count would claim a glyph the bytes cannot hold.
    if (read == nullptr || size < FONT_HEADER_BYTES + FONT_GLYPH_BYTES)
        return 0;
    // (size - 6) / 8: a tail of 4 to 7 bytes counts one glyph more, whose
    // read then comes up short and fails the load.
    uint32_t count = (size - 6) / 8;
    uint8_t header[FONT_HEADER_BYTES];
    if (read(context, header, FONT_HEADER_BYTES) != FONT_HEADER_BYTES)
        return 0;
    int32_t cellHeight = GetU16LE(header + 0);
    int32_t ascent = GetU16LE(header + 2);
    int32_t lineGap = GetI16LE(header + 4);
    int32_t caretOffsetX = GetI16LE(header + 6);
    int32_t caretOffsetY = GetI16LE(header + 8);
    records_.reserve(count < kCodeUnits ? count : kCodeUnits);
    for (uint32_t k = 0; k < count; ++k) {
        uint8_t glyph[FONT_GLYPH_BYTES];
        if (read(context, glyph, FONT_GLYPH_BYTES) != FONT_GLYPH_BYTES)
            return 0;
        uint16_t code = GetU16LE(glyph + 0);
        GlyphRecord record;
        record.height = cellHeight;
        record.width = GetU16LE(glyph + 6);
        record.srcX = GetU16LE(glyph + 2);
        record.srcY = GetU16LE(glyph + 4);
        record.ascent = ascent;
        record.lineGap = lineGap;
        bool caret = code == FONT_CARET_CODE;
        record.caretOffsetX = caret ? caretOffsetX : 0;
        record.caretOffsetY = caret ? caretOffsetY : 0;
        StoreGlyph(code, record);
    }
    return 1;
}

namespace {
struct MemoryReader {
    const uint8_t* bytes;
    uint32_t size;
    uint32_t position;
};
} // namespace

static uint32_t ReadFromMemory(void* context, uint8_t* buffer, uint32_t count) {
    MemoryReader* reader = static_cast<MemoryReader*>(context);
    uint32_t left = reader->size - reader->position;
    uint32_t n = count < left ? count : left;
    if (n > 0)
        std::memcpy(buffer, reader->bytes + reader->position, n);
    reader->position += n;
    return n;
}

int32_t CFont::LoadTableFromMemory(const uint8_t* bytes, uint32_t size) {
    if (bytes == nullptr)
        return 0;
    MemoryReader reader{bytes, size, 0};
    return LoadTable(ReadFromMemory, &reader, size);
}

const GlyphRecord* CFont::GetGlyph(uint16_t code) const {
    if (loaded_ == 0 || !index_)
        return nullptr;
    uint32_t slot = index_[code];
    return slot != 0 ? &records_[slot - 1] : nullptr;
}

// ---- CUI -------------------------------------------------------------------

CUI::CUI() {
    for (int32_t i = 0; i < UI_FONT_SLOTS; ++i) {
        fonts[i] = nullptr;
        resourceNumbers[i] = -1;
    }
}

CUI::~CUI() {
    UnloadFonts();
}

void CUI::UnloadFonts() {
    for (int32_t i = 0; i < UI_FONT_SLOTS; ++i) {
        delete fonts[i];
        fonts[i] = nullptr;
        resourceNumbers[i] = -1;
    }
}

static bool IsValidSlot(int32_t slot) {
    return static_cast<uint32_t>(slot) < static_cast<uint32_t>(UI_FONT_SLOTS);
}

int32_t CUI::LoadFont(int32_t number, int32_t slot) {
    if (!IsValidSlot(slot))
        return 0;
    if (fonts[slot] != nullptr)
        return resourceNumbers[slot] == number ? 1 : 0;
    CFont* font = new CFont(number);
    if (font->IsLoaded() == 0) {
        delete font;
        return 0;
    }
    fonts[slot] = font;
    resourceNumbers[slot] = number;
    return 1;
}

int32_t CUI::AdoptFont(CFont* font, int32_t number, int32_t slot) {
    if (font == nullptr)
        return 0;
    if (!IsValidSlot(slot) || fonts[slot] != nullptr) {
        delete font;
        return 0;
    }
    fonts[slot] = font;
    resourceNumbers[slot] = number;
    return 1;
}

CFont* CUI::GetFont(int32_t slot) const {
    return IsValidSlot(slot) ? fonts[slot] : nullptr;
}

const GlyphRecord* CUI::GetGlyph(int32_t slot, uint16_t code) const {
    CFont* font = GetFont(slot);
    return font != nullptr ? font->GetGlyph(code) : nullptr;
}

Image* CUI::GetFontImage(int32_t slot) const {
    CFont* font = GetFont(slot);
    return font != nullptr ? font->GetImage() : nullptr;
}
