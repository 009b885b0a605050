#pragma once
// The message box's icons: which one a type word picks, the beep that goes
// with it, and the program's own PNG pictures of them.

#include <cstdint>
#include <span>

namespace quillmar {

enum class BoxIcon { None, Information, Warning, Error, Question };

// Type bits of the icons, tested in this order; the first whose bits are all
// set wins, so 0x30 is a warning even though it contains 0x10 and 0x20.
inline constexpr int32_t kBoxTypeInformation = 0x40;
inline constexpr int32_t kBoxTypeWarning = 0x30;
inline constexpr int32_t kBoxTypeError = 0x10;
inline constexpr int32_t kBoxTypeQuestion = 0x20;
// Bit 0 of the type: two buttons instead of one.
inline constexpr int32_t kBoxTypeOkCancel = 0x1;
// The plain beep of the question icon.
inline constexpr uint32_t kSimpleBeep = 0xFFFFFFFF;

BoxIcon BoxIconForType(int32_t type);
// The beep kind of an icon; 0 for none, which makes no sound.
uint32_t BeepForIcon(BoxIcon icon);
// The icon's 40 x 40 PNG bytes; empty for none.
std::span<const uint8_t> BoxIconPng(BoxIcon icon);

}  // namespace quillmar
