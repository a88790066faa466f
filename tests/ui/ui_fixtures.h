// Shared set-up of the toolkit tests: test fonts put straight into gUI,
// key arrays, and a clean registry and caret blink afterwards.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "graphics/image.h"
#include "tools/sample/font_writer.h"
#include "ui/font.h"
#include "ui/text.h"

// SDL 1.2's SDLK_LAST: the length of the key state array.
constexpr int32_t kSdlKeyCount = 323;

struct KeyArray {
    uint8_t keys[kSdlKeyCount] = {};
    KeyArray& Down(int32_t key) {
        keys[key] = 1;
        return *this;
    }
    KeyArray& Up(int32_t key) {
        keys[key] = 0;
        return *this;
    }
};

inline Image* MakePictureImage(const FontPicture& picture) {
    Image* image = CreateImage(picture.width, picture.height, IMAGE_FMT_32);
    std::memcpy(image->pixels, picture.pixels.data(), picture.pixels.size() * 4);
    return image;
}

// A font built from a test font design, without the archive.
inline CFont* MakeMemoryFont(const FontDesign& design, Image* image) {
    std::vector<uint8_t> table = WriteFontTable(design);
    CFont* font = new CFont();
    font->LoadTableFromMemory(table.data(), static_cast<uint32_t>(table.size()));
    font->SetImage(image);
    font->SetLoaded(1);
    return font;
}

// TF-A in slot 0, TF-B in slots 1 and 2, TF-I in slot 4, for its lifetime.
class MemoryFonts {
public:
    MemoryFonts() {
        gUI.UnloadFonts();
        Install(MakeTestFontA(), 0);
        Install(MakeTestFontB(), 1);
        Install(MakeTestFontB(), 2);
        Install(MakeTestFontIcons(), 4);
        ResetCaretBlink();
    }
    ~MemoryFonts() {
        gUI.UnloadFonts();
        gUI.SetCaretBlink(10);
        gUI.SetKeyRepeatDelay(20);
        gUI.SetKeyRepeatRate(2);
        ResetCaretBlink();
        for (Image* image : images_)
            FreeImage(&image);
    }
    Image* ImageOf(int32_t slot) const { return gUI.GetFontImage(slot); }

private:
    void Install(const FontDesign& design, int32_t slot) {
        images_.push_back(MakePictureImage(DrawFontPicture(design)));
        gUI.AdoptFont(MakeMemoryFont(design, images_.back()), 58 + slot, slot);
    }
    std::vector<Image*> images_;
};

#include <cstdio>
#include <string>

#include "engine/archive.h"
#include "engine/catalogue.h"
#include "tests/support/temp_dir.h"
#include "tests/support/ui_archive.h"

// The toolkit's archive written to a folder of the test's own, opened and
// catalogued as the application does it; everything is released again at
// the end.
class UiArchive {
public:
    explicit UiArchive(const UiArchiveOptions& options = {},
                       const std::string& path = "toolkit_test.res")
        : path_(path) {
        ok_ = MakeUiCatalogue(options).WriteToFile(path_) &&
              OpenArchive(&gResourceArchive, path_.c_str()) == 1;
        if (ok_)
            BuildResourceCatalogue(&gResourceCatalogue, &gResourceArchive, &gResourceCache, nullptr,
                                   CATALOGUE_ROOT_ENTRY);
    }
    ~UiArchive() {
        gUI.UnloadFonts();
        UnloadCatalogue(&gResourceCatalogue);
        CacheTableFree(&gResourceCache);
        CloseArchive(&gResourceArchive);
        std::remove(path_.c_str());
    }
    bool ok() const { return ok_; }

private:
    ScopedTempDir folder_;
    std::string path_;
    bool ok_ = false;
};
