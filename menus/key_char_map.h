// The name entry's keyboard: which character each key types, without and
// with Shift. The letters sit where the Cyrillic ЙЦУКЕН layout puts them on
// a US keyboard; with Shift the digits give the US symbols above them.
// Keys are SDL key symbols, which follow the US positions.
#pragma once

#include "ui/text_edit.h"

extern const KeyCharMap kNameKeysLower;
extern const KeyCharMap kNameKeysUpper;
