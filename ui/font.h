// Bitmap fonts and the font registry. A font is two items of one catalogue
// group: a glyph table and the font image. The registry `gUI` holds 32 font
// slots and the interface's timing settings, all in frames.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/image.h"

constexpr int32_t FONT_HEADER_BYTES = 10;
constexpr int32_t FONT_GLYPH_BYTES = 8;
constexpr uint16_t FONT_CARET_CODE = 16;
constexpr int32_t UI_FONT_SLOTS = 32;

struct GlyphRecord {
    int32_t height;
    int32_t width;
    int32_t srcX;
    int32_t srcY;
    int32_t ascent;
    int32_t lineGap;
    int32_t caretOffsetX; // non-zero only in the caret's record
    int32_t caretOffsetY;
};

// Where a glyph table's bytes come from: fills `buffer` with up to `count`
// bytes and returns how many it gave.
typedef uint32_t (*FontByteReader)(void* context, uint8_t* buffer, uint32_t count);

class CFont {
public:
    // An empty font (no glyphs, no image, not loaded).
    CFont();
    // Loads the glyph table and the image of resource number `number`.
    explicit CFont(int32_t number);
    virtual ~CFont();
    CFont(const CFont&) = delete;
    CFont& operator=(const CFont&) = delete;

    // Reads the glyph table of resource number `number` from the archive.
    int32_t Load(int32_t number);
    // Reads a glyph table of `size` bytes through `read`; 1 or 0. Records
    // read before a failure stay in the font.
    int32_t LoadTable(FontByteReader read, void* context, uint32_t size);
    int32_t LoadTableFromMemory(const uint8_t* bytes, uint32_t size);

    const GlyphRecord* GetGlyph(uint16_t code) const;
    Image* GetImage() const { return image_; }
    int32_t IsLoaded() const { return loaded_; }
    int32_t GetGlyphCount() const { return static_cast<int32_t>(records_.size()); }

    // For fonts put together outside the archive (tests, tools).
    void SetImage(Image* image) { image_ = image; }
    void SetLoaded(int32_t flag) { loaded_ = flag; }

private:
    void StoreGlyph(uint16_t code, const GlyphRecord& record);

    int32_t loaded_ = 0;
    Image* image_ = nullptr; // belongs to the resource catalogue
    std::vector<GlyphRecord> records_;
    // Record index + 1 by code unit, 0 where the font has no glyph.
    std::unique_ptr<uint32_t[]> index_;
};

class CUI {
public:
    CUI();
    virtual ~CUI();
    CUI(const CUI&) = delete;
    CUI& operator=(const CUI&) = delete;

    // Loads resource number `number` into `slot`. A slot that already holds
    // a font keeps it: 1 when it is the same number, else 0.
    int32_t LoadFont(int32_t number, int32_t slot);
    // Puts a font made elsewhere into an empty slot; the registry owns it
    // from then on (deleted at once when the slot is taken or invalid).
    int32_t AdoptFont(CFont* font, int32_t number, int32_t slot);
    // Empties every slot.
    void UnloadFonts();

    CFont* GetFont(int32_t slot) const;
    const GlyphRecord* GetGlyph(int32_t slot, uint16_t code) const;
    Image* GetFontImage(int32_t slot) const;

    int32_t GetCaretBlink() const { return caretBlink; }
    int32_t GetKeyRepeatDelay() const { return keyRepeatDelay; }
    int32_t GetKeyRepeatRate() const { return keyRepeatRate; }
    void SetCaretBlink(int32_t frames) { caretBlink = frames < 0 ? 0 : frames; }
    void SetKeyRepeatDelay(int32_t frames) { keyRepeatDelay = frames < 0 ? 0 : frames; }
    void SetKeyRepeatRate(int32_t frames) { keyRepeatRate = frames < 0 ? 0 : frames; }

    CFont* fonts[UI_FONT_SLOTS];
    int32_t resourceNumbers[UI_FONT_SLOTS];
    int32_t caretBlink = 10;
    int32_t keyRepeatDelay = 20;
    int32_t keyRepeatRate = 2;
};

extern CUI gUI;
