// The two scrolling dialogs the main menu opens: a page of text from the
// archive (a title, a long body with a scrollbar, a close button) and the
// hiscore table in two columns, best first. Both close on Escape, Return,
// Space or their button, with the click.
#pragma once

#include <cstdint>
#include <string>

#include "menus/base_menu.h"

class CText;
class CSButton;

// Group 20 holds the hiscores' title (item 1) and button caption (item 2).
constexpr uint32_t HISCORES_TEXT_GROUP = 20;

// What both dialogs share: their geometry, the scrolled text and the close
// decision. Each creates its own children, in its own order.
class CScrollPageMenu : public CBaseMenu {
public:
    int32_t Draw() override;
    // Creates the vertical scrollbar unless there is one, selected.
    void ShowScrollbar();
    void SetFramed() { framed = 1; }

    CText* title = nullptr;
    CSButton* closeButton = nullptr;
    int32_t framed = 0;

protected:
    // Height, position and the close button's place; after the children
    // are made.
    void SetPageGeometry();
    // The text that sets the scroll range.
    virtual CText* MeasuredText() const = 0;
    // What the view is taller than the text by: the scroll range when
    // positive, else the text fits and never scrolls.
    int32_t ScrollRange(const CText* text) const;
    // The text at its place for the scroll position.
    void PlaceScrolled(CText* text);
    void UpdateScrollSteps();
    void LayoutTitle();
    void LayoutColumn(CText* text, int32_t align);
    // The tail of HandleInput both share: -3 while a scroll key is held,
    // -2 on a close key or a click on the close button, else -1.
    int32_t Decide();
};

class CTextScrollMenu : public CScrollPageMenu {
public:
    CTextScrollMenu();

    int32_t HandleInput(int32_t inMouseX, int32_t inMouseY, int32_t inButtonMask,
                        const uint8_t* inKeyStates, int32_t inKeyCount) override;
    // Items 0 (body), 1 (title) and 2 (button caption) of the page's group;
    // `id` is a resource number (the group + 22).
    void SetPage(int32_t id);

    std::u16string bodyText, titleText, captionText;
    CText* body = nullptr;

protected:
    CText* MeasuredText() const override { return body; }
};

class CHiscoresShowMenu : public CScrollPageMenu {
public:
    CHiscoresShowMenu();

    int32_t HandleInput(int32_t inMouseX, int32_t inMouseY, int32_t inButtonMask,
                        const uint8_t* inKeyStates, int32_t inKeyCount) override;

    std::u16string titleText, captionText;
    CText* names = nullptr;
    CText* scores = nullptr;

protected:
    CText* MeasuredText() const override { return names; }

private:
    void FillTable();
    void LoadTexts();
};

// The hiscore lines as the table shows them: names and scores, each line
// ended by a carriage return, best first, up to the first score of 0.
struct HiscoreColumns {
    std::u16string names;
    std::u16string scores;
};
HiscoreColumns FormatHiscoreColumns();
