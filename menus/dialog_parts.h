// Small pieces the main menu and its dialogs share: a text item of the
// archive as a string, the click sound, and the world of the play task.
#pragma once

#include <cstdint>
#include <string>

struct GameWorld;

constexpr uint32_t MENU_CLICK_SOUND_GROUP = 48;

// Item `item` of catalogue group `group` as UTF-16 text; empty when the
// group has no such item.
std::u16string DialogText(uint32_t group, int32_t item);

// Sound (group, 0) on any free channel, once. Nothing when the archive
// holds no sound there.
void PlayMenuSound(uint32_t group);
// The menus' click: sound (48, 0).
void PlayDialogClick();

// The play task's world; null when there is no task stack, no play task or
// no world yet.
GameWorld* DialogPlayWorld();

// Sends a play-task message; nothing without a task stack.
void SendDialogPlayMessage(uint32_t message, uintptr_t argument);
