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
  return (event.flags & LLKHF_INJECTED) && event.dwExtraInfo == NL_REPLAY_MARK;
}

bool TDownKeys::Note(const KBDLLHOOKSTRUCT& event) {
  const DWORD key = event.vkCode & 0xFF;
  const uint32_t bit = 1u << (key % 32);
  const bool wasDown = (down_[key / 32] & bit) != 0;
  if (event.flags & LLKHF_UP) down_[key / 32] &= ~bit;
  else down_[key / 32] |= bit;
  return wasDown;
}
