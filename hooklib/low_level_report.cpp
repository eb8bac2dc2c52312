#include "hooklib/low_level_report.h"

#include "hooklib/nodralib.h"

WPARAM ReportedVirtualKey(DWORD lowLevelKey) {
  switch (lowLevelKey) {
    case VK_LSHIFT: case VK_RSHIFT: return VK_SHIFT;
    case VK_LCONTROL: case VK_RCONTROL: return VK_CONTROL;
    case VK_LMENU: case VK_RMENU: return VK_MENU;
    default: return lowLevelKey & 0xFF;
  }
}

LPARAM KeystrokeFlagsOf(const KBDLLHOOKSTRUCT& event, bool wasDown) {
  const bool release = (event.flags & LLKHF_UP) != 0;
  uint32_t flags = 1u | ((event.scanCode & 0xFF) << 16);
  if (event.flags & LLKHF_EXTENDED) flags |= 1u << 24;
  if (event.flags & LLKHF_ALTDOWN) flags |= 1u << 29;
  if (release || wasDown) flags |= 1u << 30;
  if (release) flags |= 1u << 31;
  return static_cast<LPARAM>(flags);
}

bool IsOwnCopy(const KBDLLHOOKSTRUCT& event) {
  return (event.flags & LLKHF_INJECTED) && event.dwExtraInfo == NL_DELIVERY_MARK;
}

namespace {

// The left- or right-hand code of Shift, Ctrl and Alt as the key's scan code and extended flag say
// (the event's own code may be the other hand's where the layout maps it so); others as they are.
DWORD SidedVirtualKey(const KBDLLHOOKSTRUCT& event) {
  const bool extended = (event.flags & LLKHF_EXTENDED) != 0;
  switch (ReportedVirtualKey(event.vkCode)) {
    case VK_SHIFT: return event.scanCode == 0x36 ? VK_RSHIFT : VK_LSHIFT;
    case VK_CONTROL: return extended ? VK_RCONTROL : VK_LCONTROL;
    case VK_MENU: return extended ? VK_RMENU : VK_LMENU;
    default: return event.vkCode & 0xFF;
  }
}

}  // namespace

bool NoteKeyDown(volatile LONG (&keysDown)[8], const KBDLLHOOKSTRUCT& event) {
  const DWORD key = SidedVirtualKey(event);
  const LONG bit = static_cast<LONG>(1u << (key % 32));
  volatile LONG& word = keysDown[key / 32];
  const LONG before = (event.flags & LLKHF_UP) ? InterlockedAnd(&word, ~bit) : InterlockedOr(&word, bit);
  return (before & bit) != 0;
}

namespace {

bool BitDown(const volatile LONG (&keysDown)[8], UINT key) {
  return (keysDown[(key & 0xFF) / 32] & static_cast<LONG>(1u << (key % 32))) != 0;
}

}  // namespace

bool KeyDownIn(const volatile LONG (&keysDown)[8], UINT virtualKey) {
  switch (virtualKey) {
    case VK_SHIFT: return BitDown(keysDown, VK_LSHIFT) || BitDown(keysDown, VK_RSHIFT);
    case VK_CONTROL: return BitDown(keysDown, VK_LCONTROL) || BitDown(keysDown, VK_RCONTROL);
    case VK_MENU: return BitDown(keysDown, VK_LMENU) || BitDown(keysDown, VK_RMENU);
    default: return BitDown(keysDown, virtualKey);
  }
}
