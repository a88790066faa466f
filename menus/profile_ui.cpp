#include "menus/profile_ui.h"

#include <cstdlib>

#include "engine/archive.h"
#include "engine/catalogue.h"
#include "media/mmplay.h"
#include "ui/text.h"

std::u16string ProfileText(uint32_t group, int32_t item) {
    if (item < 0 || static_cast<uint32_t>(item) >= GetGroupSize(&gResourceCatalogue, group))
        return std::u16string();
    char16_t* loaded = LoadResourceText(&gResourceCatalogue, group + RESOURCE_NUMBER_BASE,
                                        static_cast<uint32_t>(item));
    if (loaded == nullptr)
        return std::u16string();
    std::u16string text(loaded);
    std::free(loaded);
    return text;
}

void PlayProfileClick() {
    if (GetGroupSize(&gResourceCatalogue, PROFILE_CLICK_SOUND_GROUP) == 0)
        return;
    ResourceArchive* archive = gResourceCatalogue.archive;
    uint32_t entry = GetResourceIndex(&gResourceCatalogue, PROFILE_CLICK_SOUND_GROUP, 0);
    uint32_t type = GetEntryType(archive, entry);
    if (type == RES_TYPE_LINK)
        type = GetEntryType(archive, ResolveResourceLink(archive, entry));
    // Any other entry would hand a buffer's address to the player.
    if (!ResourceTypeInClass(type, RES_CLASS_SOUND))
        return;
    ResourceHandle sound = GetResource(&gResourceCatalogue, PROFILE_CLICK_SOUND_GROUP, 0);
    if (sound != 0)
        gMMplay.Play(-1, 0, static_cast<int32_t>(sound), SOUND_PREDECODED, 1);
}

CText* NewProfileText(int32_t slot) {
    CText* text = new CText();
    text->SetFont(slot);
    text->SetIndent(0);
    text->SetLineSpacing(0);
    return text;
}

void LayoutProfileTitle(CText* title, int32_t x, int32_t y, int32_t w) {
    title->SetWrap(w - 20, -1, TEXT_ALIGN_CENTER);
    title->SetClipRect(x, y + 34, w - 20, 2048);
    title->SetScroll(x, y + 35);
}

void LayoutProfileTexts(CText* body, CText* title, int32_t x, int32_t y, int32_t w, int32_t h) {
    body->SetWrap(w - 120, -1, TEXT_ALIGN_CENTER);
    body->SetClipRect(x + 40, y + 127, w - 100, h - 225);
    LayoutProfileTitle(title, x, y, w);
}

void PlaceProfileBody(CText* body, int32_t x, int32_t y) {
    body->SetScroll(x + 50, y + 128);
}
